// CWalkStatus: how far a folder walk has got, for a view that shows it while the task
// runs. The worker thread updates it as the walk goes; any thread may read a snapshot.
#pragma once

#include <mutex>

#include "platform/cstring.h"

namespace tabulon::engine {

struct WalkSnapshot {
    int filesDone = 0;   // files the walk finished
    int filesFound = 0;  // files the walk found before it began (0 until then)
    CString current;     // the file being processed; empty between files
};

class CWalkStatus {
  public:
    void SetFound(int files) {
        std::lock_guard lock(m_mutex);
        m_snapshot.filesFound = files;
    }
    void BeginFile(const CString& path) {
        std::lock_guard lock(m_mutex);
        m_snapshot.current = path;
    }
    void EndFile() {
        std::lock_guard lock(m_mutex);
        ++m_snapshot.filesDone;
        m_snapshot.current.Empty();
    }
    WalkSnapshot Snapshot() const {
        std::lock_guard lock(m_mutex);
        return m_snapshot;
    }

  private:
    mutable std::mutex m_mutex;
    WalkSnapshot m_snapshot;
};

}  // namespace tabulon::engine
