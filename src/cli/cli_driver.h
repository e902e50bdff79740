// The tabulon command: parses the line, checks the fields, runs the mode's task on its
// worker thread, prints what it reports, and turns the end of the task into the exit
// status (0 completed, 1 cancelled or failed, 2 usage error). Problems with the result
// file that can be known before the work are usage errors.
#pragma once

#include <atomic>
#include <iosfwd>
#include <vector>

#include "platform/cstring.h"

namespace tabulon::cli {

inline constexpr int kExitCompleted = 0;
inline constexpr int kExitCanceled = 1;
inline constexpr int kExitUsage = 2;

struct CliEnvironment {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool inIsTerminal = false;
    bool outIsTerminal = false;
};

// Interrupt requests (Ctrl-C, SIGTERM, SIGHUP) counted by the signal handler; the first
// one stops the running task as Stop does, a second one ends the program at once after
// removing any half-written result file. Reset by each RunTabulon.
std::atomic<int>& InterruptRequests();
// True while a task runs and its messages are awaited: the driver acts on the requests
// then; otherwise the signal handler ends the program itself.
std::atomic<bool>& InterruptsWatched();

// args: the command line without the program name.
int RunTabulon(const std::vector<CString>& args, const CliEnvironment& env);

}  // namespace tabulon::cli
