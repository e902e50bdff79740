// Runs the built tabulon executable as a user would, and reads what it wrote with an
// independent reader (python3-openpyxl).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace tabulon::cli::testing {

struct ToolRun {
    int status = -1;  // exit status; -1 when killed by the timeout or a signal
    bool timedOut = false;
    std::string out;
    std::string err;
};

inline std::string ToolPath() {
    return std::string(TABULON_BINARY_DIR) + "/bin/tabulon";
}

// Runs program with args, stdin from /dev/null. watch is called after each piece of
// output (and every 50 ms) with the run so far and the child's pid; the child is killed
// after timeoutSeconds.
inline ToolRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                          int timeoutSeconds = 120,
                          const std::function<void(const ToolRun&, pid_t)>& watch = {}) {
    ToolRun run;
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, all[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawned != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        if (std::chrono::steady_clock::now() > deadline && !run.timedOut) {
            run.timedOut = true;
            kill(pid, SIGKILL);
        }
        if (poll(fds, 2, 50) < 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? run.out : run.err).append(buffer, static_cast<size_t>(n));
            }
        }
        if (watch && !run.timedOut)
            watch(run, pid);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// RunProgram for the tabulon executable of this build.
inline ToolRun RunTool(const std::vector<std::string>& args, int timeoutSeconds = 120,
                       const std::function<void(const ToolRun&, pid_t)>& watch = {}) {
    return RunProgram(ToolPath(), args, timeoutSeconds, watch);
}

// RunTool as the folder-mode tests call it, with a scratch folder of their own.
inline ToolRun Tabulon(const std::vector<std::string>& args, const std::filesystem::path&) {
    EXPECT_TRUE(std::filesystem::exists(ToolPath())) << ToolPath();
    return RunTool(args, 600);
}

inline bool HaveOpenpyxl() {
    return std::system("/usr/bin/python3 -c 'import openpyxl' >/dev/null 2>&1") == 0;
}

// Runs a python3 script with the arguments; what it prints, stderr after stdout.
inline std::string RunPython(const std::string& script, const std::vector<std::string>& args) {
    char name[] = "/tmp/tabulon-py-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0)
        return "mkstemp failed";
    close(fd);
    std::ofstream(name) << script;
    std::vector<std::string> all = {name};
    all.insert(all.end(), args.begin(), args.end());
    const ToolRun run = RunProgram("/usr/bin/python3", all, 600);
    std::remove(name);
    return run.out + run.err;
}

// Runs a Python script (openpyxl imported) with the arguments; what it prints on stdout.
// A failing script fails the test, with its error output.
inline std::string Python(const std::string& script, const std::vector<std::string>& args,
                          const std::filesystem::path& scratch) {
    const std::filesystem::path file = scratch / "script.py";
    std::ofstream(file) << "import sys, warnings, datetime\nwarnings.simplefilter('ignore')\n"
                           "import openpyxl\n"
                        << script;
    std::vector<std::string> all = {"-W", "ignore", file.string()};
    all.insert(all.end(), args.begin(), args.end());
    ToolRun run = RunProgram("/usr/bin/python3", all, 600);
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
}

// Every worksheet of the workbook as openpyxl reads it: "Name:" then one line per row
// with the cell values separated by '|' (None as an empty text).
inline std::string OpenpyxlDump(const std::string& path) {
    return RunPython(R"PY(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
for ws in wb.worksheets:
    print(ws.title + ":")
    for row in ws.iter_rows(values_only=True):
        print("|".join("" if v is None else str(v) for v in row))
)PY",
                     {path});
}

}  // namespace tabulon::cli::testing
