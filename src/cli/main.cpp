// tabulon: batch operations on spreadsheet workbooks from a terminal.
#include <malloc.h>
#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <vector>

#include "cli/cli_driver.h"

namespace {

// Ctrl-C, SIGTERM and SIGHUP alike: the first one asks the task to stop and a second one
// ends the program; while a task runs, the driver does both (it removes a half-written
// result first). Outside a task nothing is being written: the program ends at once.
void OnInterrupt(int) {
    tabulon::cli::InterruptRequests().fetch_add(1);
    if (!tabulon::cli::InterruptsWatched().load())
        _exit(tabulon::cli::kExitCanceled);
}

}  // namespace

int main(int argc, char** argv) {
    // Worksheet texts and written pieces are megabytes each: they are mapped and given
    // back when freed, not kept in the heap of whichever thread freed them. A fixed
    // threshold also stops glibc from raising it after the first such buffer is freed.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);

    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    // Restarted, not failed: a write to the terminal cut by Ctrl-C would otherwise leave
    // the output stream in error, and every line after it (the final one too) unprinted.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);

    std::vector<CString> args(argv + 1, argv + argc);
    tabulon::cli::CliEnvironment env{std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) != 0,
                                     isatty(STDOUT_FILENO) != 0};
    return tabulon::cli::RunTabulon(args, env);
}
