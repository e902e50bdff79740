// Ctrl-C on the real executable: the first one stops the task as Stop does, also while
// a workbook is being read.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/tasks/task_test_support.h"
#include "platform/temp_folder.h"
#include "spreadsheet/xlsx/zip_writer.h"

extern char** environ;

namespace tabulon::cli {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;

// Runs `tabulon copy-rows` on `folder`; `interrupt` gets the output so far and says
// when to send Ctrl-C. The exit status and the output; `afterSignal` the seconds from
// the signal to the end.
struct InterruptedRun {
    int status = -1;
    std::string output;
    double afterSignal = -1;
};

InterruptedRun CopyRowsInterrupted(const std::string& folder, const std::string& result,
                                   const std::function<bool(const std::string&)>& interrupt) {
    InterruptedRun run;
    const std::string tool = std::string(TABULON_BINARY_DIR) + "/bin/tabulon";
    EXPECT_TRUE(std::filesystem::exists(tool));
    int pipeFds[2];
    EXPECT_EQ(pipe(pipeFds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<std::string> args = {tool, "copy-rows", "--folder", folder, "--result", result};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);

    std::chrono::steady_clock::time_point signalled;
    bool interrupted = false;
    pollfd readable{pipeFds[0], POLLIN, 0};
    for (;;) {
        if (!interrupted && interrupt(run.output)) {
            kill(pid, SIGINT);
            signalled = std::chrono::steady_clock::now();
            interrupted = true;
        }
        if (poll(&readable, 1, 50) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        run.output.append(buffer, static_cast<size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    if (interrupted) {
        run.afterSignal =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();
    }
    EXPECT_TRUE(WIFEXITED(status));
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string LastLine(const std::string& output) {
    return output.substr(output.rfind('\n', output.size() - 2) + 1);
}

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
    const InterruptedRun run = CopyRowsInterrupted(
        root.Path(), result,
        [](const std::string& output) { return output.find('\n') != std::string::npos; });
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(LastLine(run.output), "Task is canceled.\n");
    EXPECT_EQ(run.output.find("Task is complete."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(result));
}

TEST(CliInterrupt, CtrlCStopsTheReadingOfAHugeWorkbook) {
    // Hundreds of thousands of sheets declared, all naming one small part: a few MB
    // that take many seconds to read.
    TempFolder root;
    TempFolder out;
    {
        std::FILE* file = std::fopen((root / "many.xlsx").c_str(), "wb");
        ASSERT_NE(file, nullptr);
        spreadsheet::xlsx::ZipWriter zip(file);
        const std::string ns =
            " xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
        zip.Add("[Content_Types].xml",
                "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>");
        zip.Add("_rels/.rels",
                "<Relationships" + ns +
                    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/"
                    "officeDocument/2006/relationships/officeDocument\" "
                    "Target=\"xl/workbook.xml\"/></Relationships>");
        std::string sheets, rels;
        for (int i = 1; i <= 400000; ++i) {
            const std::string n = std::to_string(i);
            sheets += "<sheet name=\"S" + n + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
            rels += "<Relationship Id=\"rId" + n +
                    "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                    "relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>";
        }
        zip.Add("xl/workbook.xml",
                "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                "relationships\"><sheets>" +
                    sheets + "</sheets></workbook>");
        zip.Add("xl/_rels/workbook.xml.rels", "<Relationships" + ns + rels + "</Relationships>");
        zip.Add("xl/worksheets/sheet1.xml",
                "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                "<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData></worksheet>");
        zip.Finish();
        std::fclose(file);
    }
    const std::string result = out / "result.xlsx";
    const auto start = std::chrono::steady_clock::now();
    const InterruptedRun run = CopyRowsInterrupted(root.Path(), result, [&](const std::string&) {
        return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(1500);
    });
    EXPECT_EQ(run.status, 1);
    // The reader notices within milliseconds; the rest is the program ending.
    EXPECT_LT(run.afterSignal, 2.0);
    EXPECT_EQ(run.output, "Task is canceled.\n");
    EXPECT_FALSE(std::filesystem::exists(result));
}

}  // namespace
}  // namespace tabulon::cli
