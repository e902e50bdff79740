#include "platform/desktop.h"

#include <spawn.h>
#include <sys/wait.h>

#include <thread>

extern char** environ;

namespace tabulon::platform {

bool OpenWithDesktopApplication(const CString& path) {
    if (path.IsEmpty())
        return false;
    // A name starting with '-' would be taken for an option of the opener.
    CString argument = path.GetAt(0) == '-' ? "./" + path : path;
    char program[] = "xdg-open";
    char* argv[] = {program, const_cast<char*>(argument.GetString()), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, program, nullptr, nullptr, argv, environ) != 0)
        return false;
    // Reap the opener whenever it ends so that it does not linger as a zombie.
    std::thread([child] {
        int status = 0;
        waitpid(child, &status, 0);
    }).detach();
    return true;
}

}  // namespace tabulon::platform
