#include "platform/pending_files.h"

#include <unistd.h>

#include <algorithm>
#include <vector>

namespace tabulon::platform {

namespace {

std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
}

struct Registry {
    std::vector<std::string> paths;
    unsigned long commits = 0;
};

Registry& State() {
    static Registry registry;
    return registry;
}

}  // namespace

std::unique_lock<std::mutex> CPendingFiles::Lock() {
    return std::unique_lock<std::mutex>(Mutex());
}

void CPendingFiles::Add_locked(const std::string& path) {
    State().paths.push_back(path);
}

void CPendingFiles::Remove_locked(const std::string& path) {
    auto& paths = State().paths;
    auto it = std::find(paths.begin(), paths.end(), path);
    if (it != paths.end())
        paths.erase(it);
}

void CPendingFiles::MarkCommitted_locked() {
    ++State().commits;
}

unsigned long CPendingFiles::CommitCount() {
    std::lock_guard<std::mutex> lock(Mutex());
    return State().commits;
}

unsigned long CPendingFiles::RemoveAllBeforeExit() {
    Mutex().lock();  // never unlocked: the caller ends the program
    for (const std::string& path : State().paths)
        ::unlink(path.c_str());
    State().paths.clear();
    return State().commits;
}

}  // namespace tabulon::platform
