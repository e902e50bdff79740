// The tabulon command: parses the line, checks the fields, runs the mode's task on its
// worker thread, prints what it reports, and turns the end of the task into the exit
// status (0 completed, 1 cancelled, 2 usage error).
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

// Interrupt requests (Ctrl-C) counted by the signal handler; the first one stops the
// running task as Stop does. Reset by each RunTabulon.
std::atomic<int>& InterruptRequests();

// args: the command line without the program name.
int RunTabulon(const std::vector<CString>& args, const CliEnvironment& env);

}  // namespace tabulon::cli
