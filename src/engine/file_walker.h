// CFileWalker: walks a folder tree depth first and hands every file whose name matches
// its patterns to ProcessFile. The entries of each folder are taken in byte order of
// their names, so that two runs over the same tree meet the files in the same order.
// Only regular files (or links to them) are handed on: a FIFO, device or broken link
// with a matching name is skipped with a line, as is a folder that cannot be read and
// the file set with SkipFile. Links to folders are not followed.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "engine/task.h"
#include "engine/walk_status.h"
#include "platform/cstring.h"

namespace tabulon::engine {

class CFileWalker : public CTask {
  public:
    // One trailing '/' of folder is removed.
    CFileWalker(platform::CNotifyHandle notify, const CString& folder, const CString& patterns);
    ~CFileWalker() override;

    // Walks m_strFolder; false when a ProcessFile call stopped the walk.
    virtual int Walk();
    int GetFileCount() const { return m_nFileCount; }
    // The files Walk would hand to ProcessFile as the tree stands now, in the same order.
    std::vector<CString> ListFiles() const;
    // The walk leaves out the file that is this one (by device and inode), with a line.
    void SkipFile(const CString& path) { m_skippedFile = path; }
    // The walk reports the file it works on and the files done to status (set before Start).
    void WatchWalk(std::shared_ptr<CWalkStatus> status) { m_status = std::move(status); }

  protected:
    // Visits the matching files under folder in walk order; onFile returning 0 stops.
    // onSkip gets the line about each folder or file left out.
    template <typename OnFile, typename OnSkip>
    int VisitFolder(const CString& folder, OnFile&& onFile, OnSkip&& onSkip) const;

    // One matching file; false stops the walk. The base does nothing and goes on.
    virtual int ProcessFile(const CString& path);
    // Walks folder and its subfolders; a folder that cannot be listed is skipped (a line).
    int WalkFolder(const CString& folder);

    CString m_strFolder;
    int m_nFileCount = 0;
    CString m_strPatterns;
    std::shared_ptr<CWalkStatus> m_status;  // may be null

  private:
    std::optional<CString> m_skippedFile;
};

}  // namespace tabulon::engine
