// The built command-line tool run as users run it, and python3-openpyxl to make input
// workbooks and read results back independently of our own reader and writer.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace tabulon::cli::testing {

struct ToolRun {
    int status = -1;  // the exit status; -1 when the tool did not exit normally
    std::string out;
    std::string err;
};

inline std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs `program args...` with stdin from /dev/null; stdout and stderr go through files
// in `scratch`.
inline ToolRun Spawn(const std::string& program, std::vector<std::string> args,
                     const std::filesystem::path& scratch) {
    const std::string out = (scratch / "stdout.txt").string();
    const std::string err = (scratch / "stderr.txt").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    ToolRun run;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadAll(out);
    run.err = ReadAll(err);
    return run;
}

// The tabulon executable of this build.
inline ToolRun Tabulon(const std::vector<std::string>& args, const std::filesystem::path& scratch) {
    const std::string tool = std::string(TABULON_BINARY_DIR) + "/bin/tabulon";
    EXPECT_TRUE(std::filesystem::exists(tool)) << tool;
    return Spawn(tool, args, scratch);
}

inline bool HaveOpenpyxl() {
    return std::system("/usr/bin/python3 -c 'import openpyxl' >/dev/null 2>&1") == 0;
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
    ToolRun run = Spawn("/usr/bin/python3", all, scratch);
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
}

}  // namespace tabulon::cli::testing
