#include "engine/tasks/copy_rows_by_key_task.h"

#include <gtest/gtest.h>

#include <future>

#include "engine/tasks/message_log.h"
#include "platform/scripted_prompt.h"
#include "platform/temp_folder.h"

namespace tabulon::engine {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;

struct KeyTree {
    TempFolder root;
    TempFolder out;
    std::string a = root / "a.xlsx";
    std::string b = root / "sub/b.xlsx";
    std::string result = out / "result.xlsx";

    KeyTree() {
        WriteBook(a, {{"Stock",
                       {{"Item", "Units", "Note"},
                        {"Apple", "3", "red"},
                        {"A*", "10", ""},
                        {"", "50", ""},
                        {"Pear", "2", "=B5*2"}},
                       15},
                      {"Empty", {}}});
        WriteBook(b, {{"Stock",
                       {{"Item", "Units", "Note"},
                        {"apple", "4", "green"},
                        {"Pear", "1", ""},
                        {"Axe", "6", ""}},
                       30}});
    }
};

std::unique_ptr<CCopyRowsByKeyColTask> MakeTask(const KeyTree& tree, int keyColumn, int from,
                                                int to, int keep,
                                                const platform::CNotifyHandle& notify) {
    return std::make_unique<CCopyRowsByKeyColTask>(tree.root.Path(), SheetSelection{}, keyColumn,
                                                   from, to, notify, keep, tree.result.c_str());
}

TEST(CopyRowsByKeyTask, AddsRowsWithTheSameKeyAndAppendsNewKeys) {
    KeyTree tree;
    const std::string aBefore = Slurp(tree.a);
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;

    MessageLog log = RunAndLog(MakeTask(tree, 1, 1, 1, 1, target.Handle()), target);

    const std::vector<CString> expected = {
        "Processing of the worksheet \"Stock\" is complete.",
        "There is no content in the template worksheet \"Empty\". Please check it.",
        CString("Processing of the file '" + tree.a +
                "' is complete. This file has 2 worksheets in total. 2 worksheets you specified "
                "have been processed."),
        "Processing of the worksheet \"Stock\" is complete.",
        CString("Processing of the file '" + tree.b +
                "' is complete. This file has 1 worksheets in total. 1 worksheets you specified "
                "have been processed."),
        CString("Task is complete. 3 worksheets located in 2 Excel files were processed. The "
                "result is saved in the Excel file \"" +
                tree.result + "\"."),
    };
    EXPECT_EQ(log.Lines(), expected);
    EXPECT_TRUE(log.Details().empty());
    EXPECT_EQ(Slurp(tree.a), aBefore);

    auto book = ReadBook(tree.result);
    const spreadsheet::Worksheet& sheet = book->Sheet(0);
    // Header once, Apple 3 + apple 4 (any case), the literal A*, Pear with its formula
    // kept and never added to, then Axe: neither A* nor the empty key matched it.
    const std::vector<std::vector<std::string>> rows = {
        {"Item", "Units", "Note"}, {"Apple", "7", "red"}, {"A*", "10", ""},
        {"Pear", "3", "=B4*2"},    {"Axe", "6", ""},      {"", "", ""}};
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < 3; ++c)
            EXPECT_EQ(CellText(sheet, r + 1, c + 1), rows[r][c]) << "row " << r + 1;
    }
    EXPECT_DOUBLE_EQ(sheet.ColumnWidth(1), 15);  // the first appended row's widths only
}

TEST(CopyRowsByKeyTask, BandKeyColumnAndValuesOnly) {
    KeyTree tree;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;

    // Rows 2 to last - 1, keyed by the Units column, values only.
    MessageLog log = RunAndLog(MakeTask(tree, 2, 2, 2, 0, target.Handle()), target);
    EXPECT_EQ(log.FinalLine().Left(17), "Task is complete.");
    auto book = ReadBook(tree.result);
    const spreadsheet::Worksheet& sheet = book->Sheet(0);
    // a: 3, 10, 50 (its key cell holds 50, the empty item does not matter); b: 4, 1.
    EXPECT_EQ(CellText(sheet, 1, 1), "Apple");
    EXPECT_EQ(CellText(sheet, 3, 1), "");
    EXPECT_EQ(CellText(sheet, 3, 2), "50");
    EXPECT_EQ(CellText(sheet, 4, 1), "apple");
    EXPECT_EQ(CellText(sheet, 5, 1), "Pear");
    EXPECT_EQ(CellText(sheet, 6, 1), "");
}

TEST(CopyRowsByKeyTask, PercentagesOfAHundredRowsSkip29And57) {
    TempFolder root, out;
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= 100; ++i)
        rows.push_back({"K" + std::to_string(i % 7), "1"});
    WriteBook(root / "h.xlsx", {{"Big", rows}});
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;
    const std::string result = out / "r.xlsx";

    MessageLog log =
        RunAndLog(std::make_unique<CCopyRowsByKeyColTask>(root.Path(), SheetSelection{}, 1, 1, 1,
                                                          target.Handle(), 1, result.c_str()),
                  target);
    EXPECT_EQ(log.Updates(), ProgressTexts("Big", PercentsForHundred()));
    auto book = ReadBook(result);
    EXPECT_EQ(CellText(book->Sheet(0), 1, 1), "K1");
    EXPECT_EQ(CellText(book->Sheet(0), 1, 2), "15");  // 1, 8, ..., 99
    EXPECT_EQ(CellText(book->Sheet(0), 8, 1), "");
}

// Asks its own task to stop as its first worksheet begins, so the row loop meets the request.
class KeyTaskStoppedInTheLoop : public CCopyRowsByKeyColTask {
  public:
    KeyTaskStoppedInTheLoop(const KeyTree& tree, const platform::CNotifyHandle& notify,
                            std::shared_future<std::shared_ptr<CTaskControl>> control)
        : CCopyRowsByKeyColTask(tree.root.Path(), {}, 1, 1, 1, notify, 1, tree.result.c_str()),
          m_control(std::move(control)) {}

  protected:
    int ProcessWorksheet(const CString& path, _Worksheet sheet) override {
        m_control.get()->Stop(std::chrono::milliseconds(0));
        return CCopyRowsByKeyColTask::ProcessWorksheet(path, sheet);
    }

  private:
    std::shared_future<std::shared_ptr<CTaskControl>> m_control;
};

TEST(CopyRowsByKeyTask, StopDuringTheRowsCancelsWithoutResult) {
    KeyTree tree;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;
    std::promise<std::shared_ptr<CTaskControl>> promise;
    auto control = CTask::Start(std::make_unique<KeyTaskStoppedInTheLoop>(
        tree, target.Handle(), promise.get_future().share()));
    promise.set_value(control);
    ASSERT_TRUE(control->WaitFinished(std::chrono::seconds(30)));

    std::vector<int> codes;
    for (auto& message : target.Drain())
        codes.push_back(message.code);
    // The progress line keeps its first percentage; no file line, no result.
    EXPECT_EQ(codes, (std::vector<int>{TN_PROGRESS_BEGIN, TN_PROGRESS_UPDATE, TN_FINISHED}));
    EXPECT_FALSE(std::filesystem::exists(tree.result));
    EXPECT_TRUE(prompts->Messages().empty());
}

}  // namespace
}  // namespace tabulon::engine
