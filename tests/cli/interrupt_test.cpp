// Interrupts of the real executable: the first Ctrl-C, SIGTERM or SIGHUP stops the task as
// Stop does; a second one during the save ends the program at once without leaving a
// half-written file; one that comes once the save has begun is answered, not ignored.
#include <signal.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/tasks/task_test_support.h"
#include "platform/temp_folder.h"
#include "tool_run.h"

namespace tabulon::cli {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;
using namespace cli::testing;

TEST(CliInterrupt, EachStopSignalStopsTheTaskWhichEndsCancelledWithoutAResult) {
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
    ASSERT_TRUE(std::filesystem::exists(ToolPath()));
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        bool sent = false;
        ToolRun run = RunTool({"copy-rows", "--folder", root.Path(), "--result", result}, 300,
                              [&](const ToolRun& sofar, pid_t pid) {
                                  if (!sent && sofar.out.find('\n') != std::string::npos) {
                                      kill(pid, signal);
                                      sent = true;
                                  }
                              });
        EXPECT_EQ(run.status, 1) << strsignal(signal);
        EXPECT_EQ(run.out.substr(run.out.rfind('\n', run.out.size() - 2) + 1),
                  "Task is canceled.\n")
            << strsignal(signal);
        EXPECT_EQ(run.out.find("Task is complete."), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(result));
    }
}

// The temporary file of a save in progress in folder, or an empty text.
std::string SaveInProgress(const std::string& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().filename().string().find(".tmp") != std::string::npos)
            return entry.path().string();
    }
    return {};
}

TEST(CliInterrupt, InterruptsDuringTheSaveAreAnsweredAndLeaveNoHalfWrittenFile) {
    TempFolder root;
    TempFolder out;
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < 60000; ++r)
        rows.push_back({"row " + std::to_string(r), std::to_string(r), "x" + std::to_string(r * 7),
                        std::to_string(r * 0.5)});
    WriteBook(root / "big.xlsx", {{"Rows", rows}});
    const std::string result = out / "result.xlsx";
    const std::string old = out.Write("result.xlsx", "the old result");

    struct Case {
        int signals;       // sent once the temporary file appears
        int status;        // 0: finished and said so; 1: cancelled
        const char* note;  // the line on stderr
        bool replaced;     // the result was replaced
    };
    const Case cases[] = {
        {2, 1, "tabulon: stopped at once; no result file was written.\n", false},
        {1, 0, "tabulon: the interrupt came too late to cancel: the result was saved in full.\n",
         true},
    };
    for (const Case& c : cases) {
        int sent = 0;  // signals of the same kind are not queued: one at a time
        ToolRun run =
            RunTool({"copy-sheets", "--folder", root.Path(), "--result", result, "--overwrite"},
                    300, [&](const ToolRun&, pid_t pid) {
                        if (sent < c.signals && (sent > 0 || !SaveInProgress(out.Path()).empty())) {
                            kill(pid, SIGINT);
                            ++sent;
                        }
                    });
        if (sent < c.signals)
            GTEST_SKIP() << "the save was over before it could be interrupted";
        EXPECT_EQ(run.status, c.status) << c.signals;
        EXPECT_NE(run.err.find(c.note), std::string::npos) << run.err;
        EXPECT_EQ(SaveInProgress(out.Path()), "");
        if (c.replaced) {
            EXPECT_EQ(ReadBook(result)->Sheet(0).DisplayText({60000, 1}), "row 59999");
            EXPECT_NE(run.out.find("Task is complete."), std::string::npos);
        } else {
            EXPECT_TRUE(Slurp(result) == "the old result");
        }
    }
}

}  // namespace
}  // namespace tabulon::cli
