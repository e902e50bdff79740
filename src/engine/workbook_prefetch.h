// CWorkbookPrefetch: reads the workbooks a task is about to open on a second thread, in
// the order the task will open them and a few files ahead, so that reading the next file
// overlaps working on the current one. The task still opens every file itself, in its
// own order, and sees the same workbooks and the same errors as without it: a file that
// was not read ahead (changed since, asked for out of order) is read
// by the caller as before.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/automation/workbooks.h"
#include "platform/cstring.h"

namespace tabulon::engine {

class CWorkbookPrefetch {
  public:
    // Starts reading `paths` in order, at most `ahead` files before the one taken last: one
    // is enough to keep the second core busy, and each more costs a workbook of memory.
    // A read stops part way once `canceled` answers true (the task was stopped).
    explicit CWorkbookPrefetch(std::vector<CString> paths, std::size_t ahead = 1,
                               std::function<bool()> canceled = {});
    ~CWorkbookPrefetch();  // stops the reading, the file being read included
    CWorkbookPrefetch(const CWorkbookPrefetch&) = delete;
    CWorkbookPrefetch& operator=(const CWorkbookPrefetch&) = delete;

    // The read of `path` when it was read ahead; nullopt when the caller must read it.
    // Files before it in the list that were never asked for are dropped.
    std::optional<Workbooks::FileRead> Take(const CString& path);

  private:
    struct Slot {
        std::optional<Workbooks::FileRead> read;  // empty: left to the caller
        long long stamp = 0;                      // size and time of the file when read
        bool done = false;
    };
    void ReadAhead();

    const std::vector<CString> m_paths;
    const std::size_t m_ahead;
    const std::function<bool()> m_canceled;
    std::atomic<bool> m_stopReading{false};  // m_stop, for the read in progress
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Slot> m_slots;  // m_slots[i] is the file m_paths[m_first + i]
    std::size_t m_first = 0;   // the next file the task will take
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace tabulon::engine
