#include "engine/tasks/add_cell_by_cell_task.h"

#include <gtest/gtest.h>

#include "engine/tasks/message_log.h"
#include "platform/scripted_prompt.h"
#include "platform/temp_folder.h"

namespace tabulon::engine {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;

// Two branch files with a Sales worksheet, and a template whose B2:B4 and D2 are marked.
struct BranchTree {
    TempFolder root;
    TempFolder out;
    std::string a = root / "a.xlsx";
    std::string b = root / "sub/b.xlsx";
    std::string model = out / "model.xlsx";
    std::string result = out / "result.xlsx";

    BranchTree() {
        WriteBook(a, {{"Sales", {{"Item", "Units", "Note"}, {"Lamp", "3", "x"}, {"Pen", "0"}}}});
        WriteBook(b, {{"Sales", {{"Item", "Units"}, {"Lamp", "4"}, {"Pen", "x"}, {"", "2"}}}});
        // B3 of b.xlsx: the digits 7 as text.
        spreadsheet::Workbook book;
        ReadWorkbookFile(b, *spreadsheet::MakeWorkbookBuilder(book));
        book.Sheet(0).SetValue({3, 2}, spreadsheet::Value::Text("7"));
        WriteWorkbookFile(book, b);
        WriteBook(model, {{"Other", {{"x"}}},
                          {"Total",
                           {{"Item", "Units", "", "Extra"},
                            {"Lamp", "(SUM)", "", "(sum)"},
                            {"Pen", "(Sum)"},
                            {"", "(SUM) "}}}});
    }
};

std::unique_ptr<CAddCellByCellTask> MakeTask(const BranchTree& tree, const CString& sheet, int keep,
                                             const platform::CNotifyHandle& notify,
                                             const CString& templateFile) {
    return std::make_unique<CAddCellByCellTask>(tree.root.Path(), SheetSelection{}, templateFile,
                                                sheet, keep, tree.result.c_str(), notify);
}

TEST(AddCellByCellTask, SumsTheMarkedCellsAndReportsCellsWithoutNumbers) {
    BranchTree tree;
    const std::string modelBefore = Slurp(tree.model);
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;

    MessageLog log =
        RunAndLog(MakeTask(tree, "Total", 1, target.Handle(), tree.model.c_str()), target);

    const CString warning =
        "Warring: When processing \"Sales\". Some cells don't have data.Please click this item "
        "for detailed information.";
    const std::vector<CString> expected = {
        warning,
        CString("Processing of the file '" + tree.a +
                "' is complete. This file has 1 worksheets in total. 1 worksheets you specified "
                "have been processed."),
        warning,
        CString("Processing of the file '" + tree.b +
                "' is complete. This file has 1 worksheets in total. 1 worksheets you specified "
                "have been processed."),
        CString("Task is complete. 2 worksheets located in 2 Excel files were processed. The "
                "result is saved in the Excel file \"" +
                tree.result + "\"."),
    };
    EXPECT_EQ(log.Lines(), expected);
    // The 0 in B3 of a.xlsx is a number; digits as text are not. "(SUM) " is no marker.
    const std::vector<std::vector<CString>> details = {
        {warning, CString(tree.a), "Sales", "D2: No data in this cell"},
        {warning, CString(tree.b), "Sales", "D2: No data in this cell", "B3: No data in this cell"},
    };
    EXPECT_EQ(log.Details(), details);
    // The progress line of a worksheet with missing cells ends with an empty text.
    int ends = 0;
    for (const Posted& m : log.messages) {
        if (m.code == TN_PROGRESS_END) {
            EXPECT_EQ(m.texts[1], "");
            ++ends;
        }
    }
    EXPECT_EQ(ends, 2);
    // The template's content range A1:D4 has 16 cells.
    EXPECT_EQ(log.Updates().back(), "Processing Worksheet \"Sales\", 100% completed");

    EXPECT_EQ(Slurp(tree.model), modelBefore);
    auto book = ReadBook(tree.result);
    const spreadsheet::Worksheet& sheet = book->Sheet(0);
    EXPECT_EQ(CellText(sheet, 1, 1), "Item");
    EXPECT_EQ(CellText(sheet, 2, 2), "7");       // 3 + 4
    EXPECT_EQ(CellText(sheet, 3, 2), "0");       // 0; the text 7 left out
    EXPECT_EQ(CellText(sheet, 2, 4), "(sum)");   // no number ever arrived
    EXPECT_EQ(CellText(sheet, 4, 2), "(SUM) ");  // not a marker
}

TEST(AddCellByCellTask, WithoutTemplateTheFirstWorksheetStartsTheSums) {
    TempFolder root, out;
    WriteBook(root / "1.xlsx", {{"Jan", {{"Item", "Units", "Twice"}, {"Lamp", "3", "=B2*2"}}},
                                {"Feb", {{"Item", "Units", "Twice"}, {"Lamp", "4", "5"}}},
                                {"Mar", {}},
                                {"Apr", {{"9", "=1+1", "1"}, {"", "", "", "=2*3"}}}});
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;
    const std::string result = out / "r.xlsx";

    MessageLog log =
        RunAndLog(std::make_unique<CAddCellByCellTask>(root.Path(), SheetSelection{}, "", "", 1,
                                                       result.c_str(), target.Handle()),
                  target);
    const std::vector<CString> expected = {
        "Processing of the worksheet \"Jan\" is complete.",
        "Processing of the worksheet \"Feb\" is complete.",
        "There is no content in the template worksheet \"Mar\". Please check it.",
        "Processing of the worksheet \"Apr\" is complete.",
    };
    std::vector<CString> lines = log.Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(std::vector<CString>(lines.begin(), lines.begin() + 4), expected);
    // Feb has 6 cells, Apr 8: 16, 33, 50, 66, 83, 100 and 12, 25, ..., 100.
    std::vector<CString> updates = log.Updates();
    std::vector<CString> feb = ProgressTexts("Feb", {16, 33, 50, 66, 83, 100});
    ASSERT_GE(updates.size(), feb.size());
    EXPECT_EQ(std::vector<CString>(updates.begin(), updates.begin() + 6), feb);

    auto book = ReadBook(result);
    const spreadsheet::Worksheet& sheet = book->Sheet(0);
    EXPECT_EQ(CellText(sheet, 1, 1), "Item");  // text is never overwritten
    EXPECT_EQ(CellText(sheet, 1, 2), "Units");
    EXPECT_EQ(CellText(sheet, 2, 2), "7");      // 3 + 4
    EXPECT_EQ(CellText(sheet, 2, 3), "=B2*2");  // a formula is never added to
    EXPECT_EQ(CellText(sheet, 2, 4), "6");      // an empty cell takes what a formula shows
    EXPECT_EQ(CellText(sheet, 1, 3), "Twice");
}

TEST(AddCellByCellTask, MissingOrEmptyTemplateWorksheetCancels) {
    BranchTree tree;
    WriteBook(tree.out / "blank.xlsx", {{"Total", {}}});
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;

    MessageLog missing =
        RunAndLog(MakeTask(tree, "total", 1, target.Handle(), tree.model.c_str()), target);
    const std::vector<CString> first = {
        CString("In Excel file \"" + tree.model +
                "\", there is not Worksheet\"total\" you specified, please check it."),
        "Task is canceled."};
    EXPECT_EQ(missing.Lines(), first);

    const std::string blank = tree.out / "blank.xlsx";
    MessageLog empty =
        RunAndLog(MakeTask(tree, "Total", 0, target.Handle(), blank.c_str()), target);
    const std::vector<CString> second = {
        "Template worksheet \"Total\" has not any content，please check it. ", "Task is canceled."};
    EXPECT_EQ(empty.Lines(), second);
    EXPECT_FALSE(std::filesystem::exists(tree.result));
}

}  // namespace
}  // namespace tabulon::engine
