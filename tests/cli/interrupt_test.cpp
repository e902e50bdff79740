// Ctrl-C on the real executable: the first one stops the task as Stop does.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/tasks/task_test_support.h"
#include "platform/temp_folder.h"

extern char** environ;

namespace tabulon::cli {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;

TEST(CliInterrupt, CtrlCStopsTheTaskWhichEndsCancelledWithoutAResult) {
    TempFolder root;
    TempFolder out;
    const std::string first = root / "book000.xlsx";
    WriteBook(first, {{"Rows", {{"a", "1"}, {"b", "2"}}}});
    for (int i = 1; i < 150; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "book%03d.xlsx", i);
        std::filesystem::copy_file(first, root / name);
    }
    const std::string result = out / "result.xlsx";
    const std::string tool = std::string(TABULON_BINARY_DIR) + "/bin/tabulon";
    ASSERT_TRUE(std::filesystem::exists(tool));

    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<std::string> args = {tool,        "copy-rows", "--folder",
                                     root.Path(), "--result",  result};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);

    std::string output;
    char buffer[4096];
    bool interrupted = false;
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<size_t>(n));
        if (!interrupted && output.find('\n') != std::string::npos) {
            kill(pid, SIGINT);
            interrupted = true;
        }
    }
    close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(output.substr(output.rfind('\n', output.size() - 2) + 1), "Task is canceled.\n");
    EXPECT_EQ(output.find("Task is complete."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(result));
}

}  // namespace
}  // namespace tabulon::cli
