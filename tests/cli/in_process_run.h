// Runs the command-line driver in this process, with the input and the terminal given,
// and keeps what it printed.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_driver.h"

namespace tabulon::cli::testing {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline CliResult RunCli(std::vector<CString> args, const std::string& input = "",
                        bool terminal = false) {
    std::istringstream in(input);
    std::ostringstream out, err;
    CliEnvironment env{in, out, err, terminal, false};
    CliResult run;
    run.status = RunTabulon(args, env);
    run.out = out.str();
    run.err = err.str();
    return run;
}

}  // namespace tabulon::cli::testing
