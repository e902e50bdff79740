// The executable at a terminal, as a person meets it: it runs on a pseudo-terminal, which
// it cannot tell from a real one, the answers are typed into it, and what it wrote is
// played on a small screen model. The same run with output to a pipe is the reference.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/tasks/task_test_support.h"
#include "platform/temp_folder.h"
#include "tool_run.h"

namespace tabulon::cli {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;
using namespace cli::testing;

constexpr int kColumns = 64;

struct TerminalRun {
    int status = -1;
    bool timedOut = false;
    std::string raw;  // every byte the terminal received, echo included
};

// Runs the tool on a pseudo-terminal kColumns wide, without a graphical desktop. Each
// reply is typed once, when its prompt has appeared in the output; watch sees the output
// so far and may type into the terminal.
TerminalRun RunOnTerminal(const std::vector<std::string>& args,
                          const std::vector<std::pair<std::string, std::string>>& replies,
                          const std::function<void(const std::string&, int)>& watch = {},
                          int timeoutSeconds = 600) {
    std::vector<std::string> all = {ToolPath()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "DISPLAY=", 8) != 0 && std::strncmp(*e, "WAYLAND_DISPLAY=", 16) != 0)
            environment.push_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    TerminalRun run;
    winsize size = {};
    size.ws_row = 40;
    size.ws_col = kColumns;
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
    if (pid == 0) {
        // An interrupt flushes the output not yet read, racing with what the program
        // writes next; a person sees that too, but the test has to read all of it.
        termios modes = {};
        if (tcgetattr(STDIN_FILENO, &modes) == 0) {
            modes.c_lflag |= NOFLSH;
            tcsetattr(STDIN_FILENO, TCSANOW, &modes);
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    if (pid < 0)
        return run;
    std::vector<bool> typed(replies.size(), false);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
        if (std::chrono::steady_clock::now() > deadline && !run.timedOut) {
            run.timedOut = true;
            kill(pid, SIGKILL);
        }
        pollfd fd = {master, POLLIN, 0};
        if (poll(&fd, 1, 50) < 0 && errno != EINTR)
            break;
        if (fd.revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[4096];
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0)
                break;  // EIO once the program has ended and closed the terminal
            run.raw.append(buffer, static_cast<size_t>(n));
        }
        for (size_t i = 0; i < replies.size(); ++i) {
            if (!typed[i] && run.raw.find(replies[i].first) != std::string::npos) {
                typed[i] = true;
                EXPECT_EQ(write(master, replies[i].second.data(), replies[i].second.size()),
                          static_cast<ssize_t>(replies[i].second.size()));
            }
        }
        if (watch && !run.timedOut)
            watch(run.raw, master);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// What the terminal shows after the output is played on it: its lines, the echo of ^C
// taken out. erased gets each text that was on a line when that line was erased, and
// strange gets every control sequence the model does not know.
struct Screen {
    std::vector<std::string> lines;
    std::vector<std::string> erased;
    std::string strange;
};

Screen Play(const std::string& raw) {
    Screen screen;
    std::vector<std::string> rows(1);
    size_t row = 0, column = 0;
    for (size_t i = 0; i < raw.size(); ++i) {
        const char ch = raw[i];
        if (ch == '\r') {
            column = 0;
        } else if (ch == '\n') {
            rows.resize(++row + 1);
        } else if (raw.compare(i, 3, "\x1b[K") == 0) {
            if (column < rows[row].size()) {
                screen.erased.push_back(rows[row].substr(column));
                rows[row].resize(column);
            }
            i += 2;
        } else if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F) {
            screen.strange += raw.substr(i, ch == '\x1b' ? 3 : 1);
        } else {
            if (rows[row].size() <= column)
                rows[row].resize(column + 1, ' ');
            rows[row][column++] = ch;
        }
    }
    if (rows.back().empty())
        rows.pop_back();
    for (std::string& line : rows) {
        for (size_t at; (at = line.find("^C")) != std::string::npos;)
            line.erase(at, 2);
        screen.lines.push_back(line);
    }
    return screen;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A folder of many small workbooks, found in this order by the walk.
struct ManyBooks {
    static constexpr int kBooks = 40;
    TempFolder root;
    TempFolder out;
    // Deep enough that the status line has to cut the path.
    std::string folder = root / "a-folder-whose-name-is-too-long-for-the-status-line";
    ManyBooks() {
        std::filesystem::create_directory(folder);
        const std::string first = folder + "/book00.xlsx";
        WriteBook(first, {{"Jan", {{"Item", "Units"}, {"Lamp", "3"}}}, {"Feb", {{"Pen", "4"}}}});
        for (int i = 1; i < kBooks; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "book%02d.xlsx", i);
            std::filesystem::copy_file(first, folder + "/" + name);
        }
    }
};

TEST(TerminalSession, QuestionsFollowTheLinesAndTheStatusLineLeavesNoTrace) {
    ASSERT_TRUE(std::filesystem::exists(ToolPath())) << ToolPath();
    ManyBooks books;
    // The reference: output to a pipe, the result named on the command line.
    const std::string piped = books.out / "piped.xlsx";
    ToolRun pipe = RunTool({"copy-rows", "--folder", books.folder, "--result", piped}, 600);
    ASSERT_EQ(pipe.status, 0) << pipe.err;
    for (const std::string* stream : {&pipe.out, &pipe.err}) {
        for (char ch : *stream)
            EXPECT_TRUE(ch == '\n' || static_cast<unsigned char>(ch) >= 0x20)
                << "control character " << int(ch) << " in " << *stream;
    }
    std::vector<std::string> expected = Lines(pipe.out);
    const size_t taskLines = expected.size();
    ASSERT_EQ(taskLines, 3u * ManyBooks::kBooks + 1) << pipe.out;  // 2 sheets, 1 file line

    // At the terminal: no --result, so the name is asked for; typed without extension.
    const std::string typed = books.out / "rows";
    const std::string written = typed + ".xlsx";
    TerminalRun run = RunOnTerminal({"copy-rows", "--folder", books.folder},
                                    {{"or specify an existing file: ", typed + "\n"},
                                     {"Do you want to open the result? [y/n] ", "y\n"}});
    ASSERT_FALSE(run.timedOut) << run.raw;
    EXPECT_EQ(run.status, 0) << run.raw;
    const Screen screen = Play(run.raw);
    EXPECT_EQ(screen.strange, "");

    // The task's lines in order, each question on a line of its own after every line
    // posted before it, and the final line naming the file written.
    std::string finalLine = expected.back();
    finalLine.replace(finalLine.find(piped), piped.size(), written);
    expected.back() =
        "Task is complete. Enter the name of the result file, or specify an existing file: " +
        typed;
    expected.push_back(finalLine);
    expected.push_back("Do you want to open the result? [y/n] y");
    expected.push_back("The result \"" + written +
                       "\" could not be opened: there is no graphical desktop here (neither "
                       "DISPLAY nor WAYLAND_DISPLAY is set).");
    EXPECT_EQ(screen.lines, expected) << run.raw;
    EXPECT_TRUE(std::filesystem::exists(written));
    EXPECT_FALSE(std::filesystem::exists(typed));
    if (HaveOpenpyxl()) {
        const std::string dump = OpenpyxlDump(written);
        int lamps = 0;
        for (size_t at = 0; (at = dump.find("\nLamp|3\n", at)) != std::string::npos; ++at)
            ++lamps;
        EXPECT_EQ(lamps, ManyBooks::kBooks) << dump;
    }

    // The status line was there while the files were worked on, within the width, and
    // every one drawn was erased again.
    int statusLines = 0;
    for (const std::string& erased : screen.erased) {
        EXPECT_LT(static_cast<int>(erased.size()), kColumns) << erased;
        if (erased.find(" of 40 files, ") != std::string::npos)
            ++statusLines;
    }
    EXPECT_GT(statusLines, 0) << run.raw;
    EXPECT_NE(run.raw.find("] ..."), std::string::npos) << "a long path is cut at its start";

    // --json at a terminal: one object per line and the question, no status line.
    TerminalRun json = RunOnTerminal(
        {"copy-rows", "--folder", books.folder, "--result", books.out / "j.xlsx", "--json"},
        {{"Do you want to open the result? [y/n] ", "n\n"}});
    EXPECT_EQ(json.status, 0) << json.raw;
    EXPECT_EQ(json.raw.find('\x1b'), std::string::npos) << json.raw;
    const std::vector<std::string> jsonLines = Play(json.raw).lines;
    ASSERT_EQ(jsonLines.size(), taskLines + 1);
    EXPECT_EQ(jsonLines.back(), "Do you want to open the result? [y/n] n");
}

TEST(TerminalSession, CtrlCWhileTheStatusLineShowsCancelsCleanly) {
    ASSERT_TRUE(std::filesystem::exists(ToolPath())) << ToolPath();
    ManyBooks books;
    bool sent = false;
    // A run that got past its walk before the interrupt asks for the name: the typed
    // answers let it go on to notice the stop (or end, failing the test).
    TerminalRun run =
        RunOnTerminal({"copy-rows", "--folder", books.folder},
                      {{"or specify an existing file: ", books.out / "rows\n"},
                       {"Do you want to open the result? [y/n] ", "n\n"}},
                      [&](const std::string& raw, int terminal) {
                          if (!sent && raw.find(" of 40 files, ") != std::string::npos)
                              sent = write(terminal, "\x03", 1) == 1;
                      });
    ASSERT_TRUE(sent) << run.raw;
    EXPECT_EQ(run.status, 1) << run.raw;
    const Screen screen = Play(run.raw);
    EXPECT_EQ(screen.strange, "");
    ASSERT_FALSE(screen.lines.empty());
    EXPECT_EQ(screen.lines.back(), "Task is canceled.") << run.raw;
    for (const std::string& line : screen.lines)
        EXPECT_EQ(line.find(" files, "), std::string::npos) << line;
    EXPECT_TRUE(std::filesystem::is_empty(books.out.Path()));

    // Ctrl-C while the result's name is asked for ends the program there, on a line of
    // its own, with nothing written.
    sent = false;
    const std::string question = "or specify an existing file: ";
    run = RunOnTerminal({"copy-rows", "--folder", books.folder}, {},
                        [&](const std::string& raw, int terminal) {
                            if (!sent && raw.find(question) != std::string::npos)
                                sent = write(terminal, "\x03", 1) == 1;
                        });
    ASSERT_TRUE(sent) << run.raw;
    EXPECT_EQ(run.status, 1) << run.raw;
    const std::vector<std::string> lines = Play(run.raw).lines;
    ASSERT_GE(lines.size(), 2u) << run.raw;
    EXPECT_NE(lines[lines.size() - 2].find(question), std::string::npos) << run.raw;
    EXPECT_EQ(lines.back(), "tabulon: stopped at once; no result file was written.") << run.raw;
    EXPECT_TRUE(std::filesystem::is_empty(books.out.Path()));
}

}  // namespace
}  // namespace tabulon::cli
