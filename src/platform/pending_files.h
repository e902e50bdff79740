// Files being written under a temporary name before they are renamed into place. When the
// program has to end at once (a second interrupt), it removes them first, so that no
// half-written file is left beside the result.
#pragma once

#include <mutex>
#include <string>

namespace tabulon::platform {

class CPendingFiles {
  public:
    // Held while a file is created and registered, and while a registered file is renamed
    // into place, so that RemoveAllBeforeExit never runs between the two steps.
    static std::unique_lock<std::mutex> Lock();

    // Both with the lock held.
    static void Add_locked(const std::string& path);
    static void Remove_locked(const std::string& path);

    // Removes every registered file from the disk and returns with the lock still held,
    // so that no registered file can be renamed into place before the caller exits. The
    // result is CommitCount() at that moment.
    static unsigned long RemoveAllBeforeExit();
    // How many registered files reached their final name since the program started.
    static unsigned long CommitCount();
    // Counts a registered file that reached its final name (with the lock held).
    static void MarkCommitted_locked();
};

}  // namespace tabulon::platform
