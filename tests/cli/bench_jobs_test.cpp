// The jobs `make bench` times, on small instances of its datasets (the bench's generator,
// make_datasets --scale 100): every result workbook is compared cell by cell with the one
// the bench's openpyxl peer (bench/peers/peer_openpyxl.py), written independently, gives
// for the same job (tests/cli/bench_peer_compare.py says where the two may rightly differ).
// The fast paths of the cell-by-cell and key-by-key jobs must not change a result.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/tool_run.h"
#include "platform/temp_folder.h"

namespace tabulon::cli {
namespace {

namespace fs = std::filesystem;
using platform::testing::TempFolder;
using namespace testing;

struct Job {
    const char* name;
    std::vector<std::string> args;  // folders and files relative to the datasets
};

// For check-same-format: one worksheet that differs from the template in the kind of
// two values, in a folder of its own beside the unchanged bench workbooks.
constexpr const char* kChangedCopy = R"(
import shutil, sys, openpyxl
src, dst = sys.argv[1], sys.argv[2]
shutil.copytree(src, dst)
path = dst + "/region-0/year-2020/book-000.xlsx"
wb = openpyxl.load_workbook(path)
wb["January"]["B5"] = "five"
wb["February"]["K3"] = 3
wb.save(path)
)";

TEST(BenchJobs, ResultsAgreeCellByCellWithTheOpenpyxlPeerOnSmallDatasets) {
    if (!HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl missing";
    TempFolder data, out;
    const std::string generator = std::string(TABULON_BINARY_DIR) + "/tests/bench_datasets";
    ToolRun made = RunProgram(generator, {data.Path(), "--only", "S,K,T", "--scale", "100"});
    ASSERT_EQ(made.status, 0) << made.out << made.err;
    ASSERT_EQ(RunPython(kChangedCopy, {data / "S", data / "S2"}), "");

    const std::string sheets = "January;February";
    const std::vector<std::string> two = {"--file1",  "T/one.xlsx", "--sheet1", "Data",
                                          "--key1",   "1",          "--file2",  "T/two.xlsx",
                                          "--sheet2", "Data",       "--key2",   "1"};
    const std::vector<Job> jobs = {
        {"copy-rows", {"--folder", "S", "--sheets", sheets, "--from-row", "2"}},
        {"copy-rows-by-key",
         {"--folder", "S", "--sheets", sheets, "--key-col", "1", "--from-row", "2",
          "--keep-formulas", "no"}},
        {"copy-rows-by-key",
         {"--folder", "K", "--sheets", "Data", "--key-col", "1", "--from-row", "2",
          "--keep-formulas", "no"}},
        {"add-cell-by-cell", {"--folder", "S", "--sheets", sheets}},
        {"intersection", two},
        {"difference", two},
        {"merge-cols", two},
        {"copy-sheets", {"--folder", "S", "--sheets", sheets}},
        {"check-same-format",
         {"--template", "template.xlsx", "--template-sheet", "January", "--folder", "S", "--sheets",
          sheets}},
        {"check-same-format",
         {"--template", "template.xlsx", "--template-sheet", "January", "--folder", "S2",
          "--sheets", sheets}},
    };
    const std::string peer = std::string(TABULON_SOURCE_DIR) + "/bench/peers/peer_openpyxl.py";
    const std::string compare =
        std::string(TABULON_SOURCE_DIR) + "/tests/cli/bench_peer_compare.py";
    int n = 0;
    for (const Job& job : jobs) {
        SCOPED_TRACE(std::string(job.name) + " " + job.args[1]);
        std::vector<std::string> args = job.args;
        for (size_t i = 0; i + 1 < args.size(); ++i) {
            if (args[i] == "--folder" || args[i] == "--template" || args[i] == "--file1" ||
                args[i] == "--file2")
                args[i + 1] = data / args[i + 1];
        }
        const std::string ours = out / (std::to_string(++n) + "-ours.xlsx");
        const std::string theirs = out / (std::to_string(n) + "-peer.xlsx");
        std::vector<std::string> run = {job.name};
        run.insert(run.end(), args.begin(), args.end());
        run.insert(run.end(), {"--result", ours});
        ToolRun tool = RunTool(run, 600);
        ASSERT_EQ(tool.status, 0) << tool.out << tool.err;
        run.front() = peer;
        run.insert(run.begin() + 1, job.name);
        run.back() = theirs;
        ToolRun reference = RunProgram("/usr/bin/python3", run, 600);
        ASSERT_EQ(reference.status, 0) << reference.out << reference.err;
        ToolRun check = RunProgram("/usr/bin/python3", {compare, job.name, ours, theirs});
        EXPECT_EQ(check.status, 0) << check.err;
        EXPECT_EQ(check.out.rfind("compared ", 0), 0u) << check.out << check.err;
        if (std::string(job.args[1]) == "S2") {
            EXPECT_EQ(check.out, "compared 2 rows\n");  // the two cells changed, and no other
        }
    }
}

}  // namespace
}  // namespace tabulon::cli
