// add-cell-by-cell, copy-rows-by-key and check-same-format through the command line.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_driver.h"
#include "engine/tasks/task_test_support.h"
#include "platform/temp_folder.h"

namespace tabulon::cli {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

CliRun Tabulon(std::vector<CString> args) {
    std::istringstream in;
    std::ostringstream out, err;
    CliEnvironment env{in, out, err, false, false};
    CliRun run;
    run.status = RunTabulon(args, env);
    run.out = out.str();
    run.err = err.str();
    return run;
}

struct Branches {
    TempFolder root;
    TempFolder out;
    std::string a = root / "a.xlsx";
    std::string b = root / "b.xlsx";
    std::string model = out / "model.xlsx";
    std::string result = out / "result.xlsx";
    Branches() {
        WriteBook(a, {{"Stock", {{"Item", "Units"}, {"Apple", "3"}, {"Pear", "1"}}}});
        WriteBook(b, {{"Stock", {{"Item", "Units"}, {"Apple", "4"}, {"Plum", "x"}}}});
        WriteBook(model, {{"Sum", {{"Item", "Units"}, {"Apple", "(sum)"}, {"", "(SUM)"}}}});
    }
    std::string FileLine(const std::string& path) const {
        return "Processing of the file '" + path +
               "' is complete. This file has 1 worksheets in total. 1 worksheets you "
               "specified have been processed.\n";
    }
    std::string FinalLine() const {
        return "Task is complete. 2 worksheets located in 2 Excel files were processed. The "
               "result is saved in the Excel file \"" +
               result + "\".\n";
    }
};

TEST(CliFolderModes, AddCellByCell) {
    Branches f;
    CliRun refused = Tabulon({"add-cell-by-cell", "--folder", f.root.Path().c_str(), "--template",
                              f.model.c_str(), "--result", f.result.c_str()});
    EXPECT_EQ(refused.status, kExitUsage);
    EXPECT_EQ(refused.err, "Please specify 'Template worksheet'.\n");

    CliRun run =
        Tabulon({"add-cell-by-cell", "--folder", f.root.Path().c_str(), "--template",
                 f.model.c_str(), "--template-sheet", "Sum", "--result", f.result.c_str()});
    EXPECT_EQ(run.status, kExitCompleted) << run.err;
    EXPECT_EQ(run.out, "Processing of the worksheet \"Stock\" is complete.\n" + f.FileLine(f.a) +
                           "Warring: When processing \"Stock\". Some cells don't have data.Please "
                           "click this item for detailed information.\n"
                           "    B3: No data in this cell\n" +
                           f.FileLine(f.b) + f.FinalLine());
    auto book = ReadBook(f.result);
    EXPECT_EQ(CellText(book->Sheet(0), 2, 2), "7");  // Apple 3 + Apple 4
    EXPECT_EQ(CellText(book->Sheet(0), 3, 2), "1");  // Pear 1; Plum's x left out
}

TEST(CliFolderModes, CopyRowsByKey) {
    Branches f;
    CliRun zero =
        Tabulon({"copy-rows-by-key", "--folder", f.root.Path().c_str(), "--key-col", "0"});
    EXPECT_EQ(zero.status, kExitUsage);
    EXPECT_EQ(zero.err, "\"Key column\": You must enter a number greater than 0 in this field\n");

    CliRun run = Tabulon({"copy-rows-by-key", "--folder", f.root.Path().c_str(), "--from-row", "2",
                          "--result", f.result.c_str()});
    EXPECT_EQ(run.status, kExitCompleted) << run.err;
    EXPECT_EQ(run.out, "Processing of the worksheet \"Stock\" is complete.\n" + f.FileLine(f.a) +
                           "Processing of the worksheet \"Stock\" is complete.\n" +
                           f.FileLine(f.b) + f.FinalLine());
    auto book = ReadBook(f.result);
    const spreadsheet::Worksheet& sheet = book->Sheet(0);
    EXPECT_EQ(CellText(sheet, 1, 1), "Apple");
    EXPECT_EQ(CellText(sheet, 1, 2), "7");
    EXPECT_EQ(CellText(sheet, 2, 1), "Pear");
    EXPECT_EQ(CellText(sheet, 3, 2), "x");  // Plum
}

TEST(CliFolderModes, CheckSameFormat) {
    Branches f;
    CliRun noTemplate = Tabulon({"check-same-format", "--folder", f.root.Path().c_str()});
    EXPECT_EQ(noTemplate.status, kExitUsage);

    CliRun run =
        Tabulon({"check-same-format", "--template", f.a.c_str(), "--template-sheet", "Stock",
                 "--folder", f.root.Path().c_str(), "--result", f.result.c_str()});
    EXPECT_EQ(run.status, kExitCompleted) << run.err;
    EXPECT_EQ(run.out, "When checking \"Stock\", No any error was found.\n" + f.FileLine(f.a) +
                           "When checking \"Stock\", Some errors were found, Please click this "
                           "item for detailed information.\n"
                           "    B3: The type of the cell is inconsistent with template sheet.\n" +
                           f.FileLine(f.b) + f.FinalLine());
    auto book = ReadBook(f.result);
    const spreadsheet::Worksheet& sheet = book->Sheet(0);
    EXPECT_EQ(CellText(sheet, 1, 1), f.b);
    EXPECT_EQ(CellText(sheet, 2, 1), "Stock");
    EXPECT_EQ(CellText(sheet, 3, 1),
              "B3: The type of the cell is inconsistent with template sheet.");
    EXPECT_EQ(CellText(sheet, 4, 1), " ");
    EXPECT_EQ(CellText(sheet, 6, 1), "");
}

}  // namespace
}  // namespace tabulon::cli
