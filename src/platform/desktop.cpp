#include "platform/desktop.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace tabulon::platform {

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// The opener's exit statuses, as documented by xdg-utils.
CString OpenerFailure(int status) {
    CString text;
    switch (status) {
        case 2:
            return "the file was not found by the desktop's opener.";
        case 3:
            return "no application to open it was found on this desktop.";
        case 4:
            return "the desktop's opener could not open it.";
        default:
            text.Format("the desktop's opener xdg-open failed (exit status %d).", status);
            return text;
    }
}

}  // namespace

CString OpenWithDesktopApplication(const CString& path, std::chrono::milliseconds wait) {
    if (path.IsEmpty())
        return "no file was named.";
    // Without a graphical session the opener falls back to text-mode programs in this
    // very terminal, which is no way to show a workbook.
    if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY"))
        return "there is no graphical desktop here (neither DISPLAY nor WAYLAND_DISPLAY is set).";
    // A name starting with '-' would be taken for an option of the opener.
    CString argument = path.GetAt(0) == '-' ? "./" + path : path;
    char program[] = "xdg-open";
    char* argv[] = {program, const_cast<char*>(argument.GetString()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Its own messages stay off the terminal: the caller says what went wrong.
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // The opener starts with no signal blocked whatever the calling thread blocks.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, program, &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned == ENOENT)
        return "the desktop's opener xdg-open is not installed.";
    if (spawned != 0) {
        CString text;
        text.Format("the desktop's opener xdg-open could not be started (%s).",
                    std::strerror(spawned));
        return text;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        int status = 0;
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
                return CString();
            if (WIFEXITED(status))
                return OpenerFailure(WEXITSTATUS(status));
            return "the desktop's opener xdg-open was stopped by a signal.";
        }
        if (ended < 0 && errno != EINTR)
            return CString();  // reaped elsewhere: nothing more to learn
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // Still at work: taken as opening. Reap it whenever it ends so that it does not
    // linger as a zombie.
    std::thread([child] {
        int status = 0;
        waitpid(child, &status, 0);
    }).detach();
    return CString();
}

}  // namespace tabulon::platform
