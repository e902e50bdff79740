// tabulon: batch operations on spreadsheet workbooks from a terminal.
#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <vector>

#include "cli/cli_driver.h"

namespace {

// The first Ctrl-C asks the task to stop; a second one ends the program at once.
void OnInterrupt(int) {
    if (tabulon::cli::InterruptRequests().fetch_add(1) > 0)
        _exit(tabulon::cli::kExitCanceled);
}

}  // namespace

int main(int argc, char** argv) {
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);

    std::vector<CString> args(argv + 1, argv + argc);
    tabulon::cli::CliEnvironment env{std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) != 0,
                                     isatty(STDOUT_FILENO) != 0};
    return tabulon::cli::RunTabulon(args, env);
}
