#include "engine/tasks/copy_sheets_task.h"

#include <gtest/gtest.h>

#include "engine/tasks/task_test_support.h"
#include "platform/scripted_prompt.h"
#include "platform/temp_folder.h"

namespace tabulon::engine {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;

struct TwoBranches {
    TempFolder root;
    TempFolder out;
    std::string a = root / "a.xlsx";
    std::string b = root / "b.xlsx";
    std::string result = out / "result.xlsx";

    TwoBranches() {
        WriteBook(a, {{"Data", {{"Units", "Double"}, {"3", "=A2*2"}}, 14, "0.00"},
                      {"Notes", {{"from a"}}},
                      {"Blank", {}}});
        WriteBook(b, {{"Data", {{"Units", "Double"}, {"5", "=A2*2"}}}});
    }

    TaskRun Run(const SheetSelection& selection, int keepFormulas) {
        platform::CNotifyTarget target;
        return RunToEnd(std::make_unique<CCopySheetsTask>(root.Path(), selection, target.Handle(),
                                                          keepFormulas, result.c_str()),
                        target);
    }
};

TEST(CopySheetsTask, KeepsFormulasNamesSecondCopiesAndDropsTheBlankSheet) {
    TwoBranches tree;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    const std::string aBefore = Slurp(tree.a);

    TaskRun run = tree.Run({"Data", "N*"}, 1);
    const std::vector<CString> expected = {
        CString("Copying " + tree.a + " -> Data completed"),
        CString("Copying " + tree.a + " -> Notes completed"),
        CString("Processing of the file '" + tree.a +
                "' is complete. This file has 3 worksheets in total. 2 worksheets you specified "
                "have been processed."),
        CString("Copying " + tree.b + " -> Data completed"),
        CString("Processing of the file '" + tree.b +
                "' is complete. This file has 1 worksheets in total. 1 worksheets you specified "
                "have been processed."),
        CString("Task is complete. 3 worksheets located in 2 Excel files were processed. The "
                "result is saved in the Excel file \"" +
                tree.result + "\"."),
    };
    EXPECT_EQ(run.lines, expected);
    EXPECT_EQ(Slurp(tree.a), aBefore);

    auto book = ReadBook(tree.result);
    EXPECT_EQ(SheetNames(*book), (std::vector<std::string>{"Data", "Notes", "Data (2)"}));
    EXPECT_EQ(CellText(book->Sheet(0), 2, 2), "=A2*2");
    EXPECT_EQ(CellText(book->Sheet(0), 2, 1), "3.00");
    EXPECT_DOUBLE_EQ(book->Sheet(0).ColumnWidth(1), 14);
    EXPECT_EQ(CellText(book->Sheet(2), 2, 1), "5");
}

TEST(CopySheetsTask, ValuesOnlyCopiesTakeTheNameAFullCopyWouldHave) {
    TwoBranches tree;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);

    TaskRun run = tree.Run({"Data", "Blank"}, 0);
    EXPECT_EQ(run.FinalText().Left(30), "Task is complete. 3 worksheets");

    auto book = ReadBook(tree.result);
    std::vector<std::string> names = SheetNames(*book);
    std::sort(names.begin(), names.end());  // placed where an added worksheet goes
    EXPECT_EQ(names, (std::vector<std::string>{"Blank", "Data", "Data (2)"}));
    const spreadsheet::Worksheet& data = book->Sheet(book->FindSheet("Data"));
    EXPECT_EQ(CellText(data, 2, 2), "6");  // the value, not the formula
    EXPECT_EQ(CellText(data, 2, 1), "3.00");
    EXPECT_FALSE(book->Sheet(book->FindSheet("Blank")).UsedExtent(false).has_value());
}

TEST(CopySheetsTask, NothingSelectedKeepsTheBlankResultSheet) {
    TwoBranches tree;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);

    TaskRun run = tree.Run({"Missing"}, 1);
    EXPECT_EQ(run.FinalText().Left(49), "Task is complete. 0 worksheets located in 2 Excel");
    EXPECT_EQ(ReadBook(tree.result)->SheetCount(), 1);
}

}  // namespace
}  // namespace tabulon::engine
