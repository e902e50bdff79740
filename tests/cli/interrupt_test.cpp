// Interrupts of the real executable: the first Ctrl-C, SIGTERM or SIGHUP stops the task as
// Stop does; a second one during the save ends the program at once without leaving a
// half-written file; one that comes once the save has begun is answered, not ignored.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/tasks/task_test_support.h"
#include "platform/temp_folder.h"
#include "spreadsheet/xlsx/zip_writer.h"
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
    std::chrono::steady_clock::time_point signalled;
    bool sent = false;
    ToolRun run = RunTool({"copy-rows", "--folder", root.Path(), "--result", result}, 300,
                          [&](const ToolRun&, pid_t pid) {
                              const auto now = std::chrono::steady_clock::now();
                              if (!sent && now - start > std::chrono::milliseconds(1500)) {
                                  kill(pid, SIGINT);
                                  signalled = now;
                                  sent = true;
                              }
                          });
    const double afterSignal =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();
    ASSERT_TRUE(sent);
    EXPECT_EQ(run.status, 1);
    // The reader notices within milliseconds; the rest is the program ending.
    EXPECT_LT(afterSignal, 2.0);
    EXPECT_EQ(run.out, "Task is canceled.\n");
    EXPECT_FALSE(std::filesystem::exists(result));
}

}  // namespace
}  // namespace tabulon::cli
