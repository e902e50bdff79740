#include "engine/tasks/key_filter_task.h"

#include <gtest/gtest.h>

#include "engine/tasks/difference_task.h"
#include "engine/tasks/intersection_task.h"
#include "engine/tasks/task_test_support.h"
#include "output/task_messages.h"
#include "platform/scripted_prompt.h"
#include "platform/temp_folder.h"

namespace tabulon::engine {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;

// Orders: keys Key, A, B, C, B, (empty), #DIV/0!, a*c, d, ="" (shows nothing); column A 20
// wide.
// Stock: keys Key, B, D, abc.
struct OrderBooks {
    TempFolder folder;
    std::string one = folder / "orders.xlsx";
    std::string two = folder / "stock.xlsx";
    std::string result = folder / "result.xlsx";
    OrderBooks() {
        WriteBook(one, {{"Orders",
                         {{"Key", "Name", "Qty"},
                          {"A", "Apple", "1"},
                          {"B", "Bean", "=C2*2"},
                          {"C", "Corn", "3"},
                          {"B", "Beet", "4"},
                          {"", "Nothing", "5"},
                          {"=1/0", "Broken", "6"},
                          {"a*c", "Star", "7"},
                          {"d", "Date", "8"},
                          {"=\"\"", "Void", "9"}},
                         20},
                        {"Blank", {}}});
        WriteBook(two, {{"Stock", {{"Key", "Price"}, {"B", "10"}, {"D", "20"}, {"abc", "30"}}}});
    }
    template <class Task>
    TaskRun Run(int keepFormulas, int key2 = 1, const char* sheet1 = "Orders") {
        platform::CNotifyTarget target;
        return RunToEnd(std::make_unique<Task>(target.Handle(), one.c_str(), sheet1, two.c_str(),
                                               "Stock", 1, key2, keepFormulas, result.c_str()),
                        target);
    }
    std::vector<std::string> Column(int col) const {
        auto book = ReadBook(result);
        const spreadsheet::Worksheet& sheet = book->Sheet(0);
        std::vector<std::string> cells;
        for (int row = 1; !sheet.DisplayText({row, 2}).empty(); ++row)
            cells.push_back(CellText(sheet, row, col));
        return cells;
    }
};

TEST(KeyFilterTask, IntersectionKeepsFoundRowsWithFormulasProgressAndWidths) {
    OrderBooks books;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    const std::string before = Slurp(books.one);

    TaskRun run = books.Run<CIntersectionTask>(1);
    EXPECT_EQ(run.lines, std::vector<CString>{"Mission accomplished"});
    // Ten rows: one line per whole percentage change, framed by 0 and a final 100.
    std::vector<CString> progress;
    for (int percent : {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 100})
        progress.push_back(output::FormatTaskProgress(percent));
    EXPECT_EQ(run.progress, progress);
    EXPECT_EQ(progress.front(), "Processing task... 0% completed");

    // The heading, both B's and d (no regard to case); a*c is no pattern for abc.
    EXPECT_EQ(books.Column(2), (std::vector<std::string>{"Name", "Bean", "Beet", "Date"}));
    auto book = ReadBook(books.result);
    EXPECT_EQ(CellText(book->Sheet(0), 2, 3), "=C1*2");  // formulas move with their rows
    EXPECT_DOUBLE_EQ(book->Sheet(0).ColumnWidth(1), 20);
    EXPECT_EQ(Slurp(books.one), before);
}

TEST(KeyFilterTask, DifferenceKeepsTheOthersAsValuesAndSkipsEmptyAndErrorKeys) {
    OrderBooks books;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);

    TaskRun run = books.Run<CDifferenceTask>(0);
    EXPECT_EQ(run.FinalText(), "Mission accomplished");
    EXPECT_EQ(books.Column(2), (std::vector<std::string>{"Apple", "Corn", "Star"}));
    auto book = ReadBook(books.result);
    const spreadsheet::Worksheet& sheet = book->Sheet(0);
    EXPECT_EQ(CellText(sheet, 1, 1), "A");
    EXPECT_EQ(CellText(sheet, 3, 1), "a*c");
    // Widths come from worksheet 1 although its row 1 was not kept.
    EXPECT_DOUBLE_EQ(sheet.ColumnWidth(1), 20);
}

TEST(KeyFilterTask, ValuesOnlyCopiesWhatTheFormulaShowed) {
    OrderBooks books;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    books.Run<CIntersectionTask>(0);
    EXPECT_EQ(books.Column(3), (std::vector<std::string>{"Qty", "2", "4", "8"}));
}

TEST(KeyFilterTask, AKeyColumnBeyondWorksheet2MatchesNothing) {
    OrderBooks books;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    TaskRun run = books.Run<CIntersectionTask>(1, 9);
    EXPECT_EQ(run.FinalText(), "Mission accomplished");
    EXPECT_FALSE(ReadBook(books.result)->Sheet(0).UsedExtent(false));  // saved blank

    prompts->QueueAnswer(platform::PromptAnswer::Yes);  // overwrite the first result
    books.Run<CDifferenceTask>(1, 9);
    EXPECT_EQ(books.Column(2).size(), 7u);  // every row with a key
}

TEST(KeyFilterTask, AWorksheetWithoutDataIsReportedAndCancels) {
    OrderBooks books;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    TaskRun run = books.Run<CIntersectionTask>(1, 1, "Blank");
    EXPECT_EQ(run.lines, std::vector<CString>{"Task is canceled."});
    EXPECT_TRUE(run.progress.empty());
    const CString message("There is no data in Excel file \"" + books.one +
                          "\" --> worksheet \"Blank\" you specified. Please check it and "
                          "perform the operation again.");
    EXPECT_EQ(prompts->Messages(), std::vector<CString>{message});
    EXPECT_FALSE(std::filesystem::exists(books.result));
}

}  // namespace
}  // namespace tabulon::engine
