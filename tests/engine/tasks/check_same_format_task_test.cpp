#include "engine/tasks/check_same_format_task.h"

#include <gtest/gtest.h>

#include "engine/tasks/message_log.h"
#include "platform/scripted_prompt.h"
#include "platform/temp_folder.h"

namespace tabulon::engine {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;

const char* kTypeFinding = ": The type of the cell is inconsistent with template sheet.";

CString FormulaFinding(const char* cell, const char* formula) {
    CString text;
    text.Format("%s: The cell doesn't meet specified formula \"%s\"", cell, formula);
    return text;
}

CString ErrorsLine(const char* sheet) {
    CString text;
    text.Format(
        "When checking \"%s\", Some errors were found, Please click this item for "
        "detailed information.",
        sheet);
    return text;
}

// A template Form (A1:C3) and two files: a.xlsx with two worksheets with findings,
// sub/b.xlsx with one that meets the template.
struct FormTree {
    TempFolder root;
    TempFolder out;
    std::string model = out / "model.xlsx";
    std::string a = root / "a.xlsx";
    std::string b = root / "sub/b.xlsx";
    std::string result = out / "report.xlsx";

    FormTree() {
        WriteBook(
            model,
            {{"Form", {{"Name", "Qty", "Total"}, {"Lamp", "2", "=B2*3"}, {"", "5", "=B3+1"}}}});
        WriteBook(a, {{"S1", {{"Name", "Qty", "Total"}, {"Pen", "x", "5"}, {"7", "5", "=B3*10"}}},
                      {"S2", {{"Name", "Qty", "Total"}, {"Lamp", "2", "7"}, {"", "5", "6"}}}});
        WriteBook(b, {{"S1", {{"Name", "Qty", "Total"}, {"Pen", "4", "12"}, {"", "1", "=1+B3"}}}});
    }
};

std::unique_ptr<CCheckSameFormatSheetTask> MakeTask(const FormTree& tree, const CString& sheet,
                                                    const platform::CNotifyHandle& notify) {
    return std::make_unique<CCheckSameFormatSheetTask>(
        tree.model.c_str(), sheet, tree.root.Path(), SheetSelection{}, tree.result.c_str(), notify);
}

TEST(CheckSameFormatTask, ReportsTypeAndFormulaFindingsInTheListAndTheResult) {
    FormTree tree;
    const std::string aBefore = Slurp(tree.a);
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;

    MessageLog log = RunAndLog(MakeTask(tree, "Form", target.Handle()), target);

    // The scratch copy takes each worksheet at the default place, before the one added
    // last, so S2 comes before S1.
    const std::vector<CString> lines = {
        ErrorsLine("S2"),
        ErrorsLine("S1"),
        CString("Processing of the file '" + tree.a +
                "' is complete. This file has 2 worksheets in total. 2 worksheets you specified "
                "have been processed."),
        "When checking \"S1\", No any error was found.",
        CString("Processing of the file '" + tree.b +
                "' is complete. This file has 1 worksheets in total. 1 worksheets you specified "
                "have been processed."),
        CString("Task is complete. 3 worksheets located in 2 Excel files were processed. The "
                "result is saved in the Excel file \"" +
                tree.result + "\"."),
    };
    EXPECT_EQ(log.Lines(), lines);
    // S1: B2 text against a number; C2 a constant the template formula does not give (B2
    // is text there); A3 a number where the template is empty; C3 a formula of its own
    // showing 50 where the template formula gives 6.
    const std::vector<CString> s1 = {ErrorsLine("S1"),
                                     CString(tree.a),
                                     "S1",
                                     CString("B2") + kTypeFinding,
                                     FormulaFinding("C2", "=B2*3"),
                                     CString("A3") + kTypeFinding,
                                     FormulaFinding("C3", "=B3+1")};
    const std::vector<CString> s2 = {ErrorsLine("S2"), CString(tree.a), "S2",
                                     FormulaFinding("C2", "=B2*3")};
    EXPECT_EQ(log.Details(), (std::vector<std::vector<CString>>{s2, s1}));
    // 9 template cells, three worksheets.
    std::vector<CString> updates = log.Updates();
    ASSERT_EQ(updates.size(), 27u);
    EXPECT_EQ(std::vector<CString>(updates.begin(), updates.begin() + 9),
              ProgressTexts("S2", {11, 22, 33, 44, 55, 66, 77, 88, 100}));
    EXPECT_EQ(Slurp(tree.a), aBefore);

    auto book = ReadBook(tree.result);
    ASSERT_EQ(book->SheetCount(), 1);
    std::vector<std::string> report;
    for (int row = 1; row <= 14; ++row)
        report.push_back(CellText(book->Sheet(0), row, 1));
    std::vector<std::string> expected;
    for (auto* block : {&s2, &s1}) {
        for (size_t k = 1; k < block->size(); ++k)
            expected.push_back((*block)[k].Str());
        expected.push_back(" ");
        expected.push_back(" ");
    }
    expected.push_back("");
    EXPECT_EQ(report, expected);
}

TEST(CheckSameFormatTask, PercentagesOfAHundredCellsSkip29And57) {
    FormTree tree;
    std::vector<std::vector<std::string>> grid(10, std::vector<std::string>(10, "1"));
    WriteBook(tree.model, {{"Grid", grid}});
    std::filesystem::remove(tree.a);
    WriteBook(tree.b, {{"Copy", grid}});
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;

    MessageLog log = RunAndLog(MakeTask(tree, "Grid", target.Handle()), target);
    EXPECT_EQ(log.Updates(), ProgressTexts("Copy", PercentsForHundred()));
    EXPECT_EQ(log.Lines().front(), "When checking \"Copy\", No any error was found.");
}

TEST(CheckSameFormatTask, MissingOrEmptyTemplateWorksheetCancels) {
    FormTree tree;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;

    MessageLog missing = RunAndLog(MakeTask(tree, "form", target.Handle()), target);
    EXPECT_EQ(missing.Lines(),
              (std::vector<CString>{
                  CString("In Excel file \"" + tree.model +
                          "\", there is not Worksheet\"form\" you specified, please check it."),
                  "Task is canceled."}));

    WriteBook(tree.model, {{"Form", {}}});
    MessageLog empty = RunAndLog(MakeTask(tree, "Form", target.Handle()), target);
    EXPECT_EQ(
        empty.Lines(),
        (std::vector<CString>{"Template worksheet \"Form\" has not any content，please check it. ",
                              "Task is canceled."}));
    EXPECT_FALSE(std::filesystem::exists(tree.result));
}

}  // namespace
}  // namespace tabulon::engine
