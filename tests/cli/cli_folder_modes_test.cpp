// add-cell-by-cell, copy-rows-by-key and check-same-format through the command line: the
// lines each prints for two branches, and the cells of its result.
#include <gtest/gtest.h>

#include "cli/in_process_run.h"
#include "engine/tasks/task_test_support.h"
#include "platform/temp_folder.h"

namespace tabulon::cli {
namespace {

using platform::testing::TempFolder;
using testing::CliResult;
using testing::RunCli;
using namespace engine::testing;

TEST(CliFolderModes, EachModePrintsItsLinesPerFileAndWritesItsResult) {
    TempFolder root, out;
    const std::string a = root / "a.xlsx", b = root / "b.xlsx";
    const std::string model = out / "model.xlsx", result = out / "result.xlsx";
    WriteBook(a, {{"Stock", {{"Item", "Units"}, {"Apple", "3"}, {"Pear", "1"}}}});
    WriteBook(b, {{"Stock", {{"Item", "Units"}, {"Apple", "4"}, {"Plum", "x"}}}});
    WriteBook(model, {{"Sum", {{"Item", "Units"}, {"Apple", "(sum)"}, {"", "(SUM)"}}}});
    const auto fileLine = [](const std::string& path) {
        return "Processing of the file '" + path +
               "' is complete. This file has 1 worksheets in total. 1 worksheets you "
               "specified have been processed.\n";
    };
    const std::string done = "Processing of the worksheet \"Stock\" is complete.\n";
    const std::string typeDiffers = "B3: The type of the cell is inconsistent with template sheet.";
    struct Cell {
        int row, col;
        std::string text;
    };
    struct Case {
        std::vector<CString> args;
        std::string linesOfA, linesOfB;  // before each file's line
        std::vector<Cell> cells;
    };
    const Case cases[] = {
        {{"add-cell-by-cell", "--template", model, "--template-sheet", "Sum"},
         done,
         "Warring: When processing \"Stock\". Some cells don't have data.Please click this item "
         "for detailed information.\n    B3: No data in this cell\n",
         {{2, 2, "7"}, {3, 2, "1"}}},  // Apple 3 + 4; Pear 1, Plum's x left out
        {{"copy-rows-by-key", "--from-row", "2"},
         done,
         done,
         {{1, 1, "Apple"}, {1, 2, "7"}, {2, 1, "Pear"}, {3, 2, "x"}}},
        {{"check-same-format", "--template", a, "--template-sheet", "Stock"},
         "When checking \"Stock\", No any error was found.\n",
         "When checking \"Stock\", Some errors were found, Please click this item for detailed "
         "information.\n    " +
             typeDiffers + "\n",
         {{1, 1, b}, {2, 1, "Stock"}, {3, 1, typeDiffers}, {4, 1, " "}, {6, 1, ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0].Str());
        std::vector<CString> args = c.args;
        args.insert(args.end(), {"--folder", root.Path(), "--result", result, "--overwrite"});
        CliResult run = RunCli(args);
        EXPECT_EQ(run.status, kExitCompleted) << run.err;
        EXPECT_EQ(run.out, c.linesOfA + fileLine(a) + c.linesOfB + fileLine(b) +
                               "Task is complete. 2 worksheets located in 2 Excel files were "
                               "processed. The result is saved in the Excel file \"" +
                               result + "\".\n");
        auto book = ReadBook(result);
        for (const Cell& cell : c.cells)
            EXPECT_EQ(CellText(book->Sheet(0), cell.row, cell.col), cell.text) << cell.row;
    }
}

}  // namespace
}  // namespace tabulon::cli
