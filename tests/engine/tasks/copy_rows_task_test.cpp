#include "engine/tasks/copy_rows_task.h"

#include <gtest/gtest.h>

#include <future>

#include "engine/tasks/task_test_support.h"
#include "platform/scripted_prompt.h"
#include "platform/temp_folder.h"

namespace tabulon::engine {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;

// a.xlsx (North with a header, Empty), bad.xlsx (not a workbook), sub/b.xlsx (North).
struct SalesTree {
    TempFolder root;
    TempFolder out;
    std::string a = root / "a.xlsx";
    std::string b = root / "sub/b.xlsx";
    std::string bad = root / "bad.xlsx";
    std::string result = out / "result.xlsx";

    SalesTree() {
        WriteBook(a, {{"North",
                       {{"Date", "Item", "Units", "Double"},
                        {"45292", "Lamp", "3", "=C2*2"},
                        {"45293", "Chair", "5", "=C3*2"},
                        {"45294", "Pen", "7", "=C4*2"}},
                       20,
                       "yyyy-mm-dd"},
                      {"Empty", {}}});
        WriteBook(b, {{"North", {{"Date", "Item", "Units"}, {"45300", "Tray", "4"}}, 9}});
        root.Write("bad.xlsx", "this is not a workbook");
    }
};

std::unique_ptr<CCopyRowsTask> MakeTask(const SalesTree& tree, int from, int to, int keep,
                                        const platform::CNotifyHandle& notify,
                                        const CString& result) {
    return std::make_unique<CCopyRowsTask>(tree.root.Path(), SheetSelection{}, from, to, notify,
                                           keep, result);
}

TEST(CopyRowsTask, GathersTheBandsOfEveryFileReportsInOrderAndKeepsFormulas) {
    SalesTree tree;
    const std::string aBefore = Slurp(tree.a);
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;

    TaskRun run = RunToEnd(MakeTask(tree, 2, 1, 1, target.Handle(), tree.result), target);

    const std::vector<CString> expected = {
        "Processing of the worksheet \"North\" is complete.",
        "There is no content in the template worksheet \"Empty\". Please check it.",
        CString("Processing of the file '" + tree.a +
                "' is complete. This file has 2 worksheets in total. 2 worksheets you specified "
                "have been processed."),
        CString("A unknown error occurs when processing file " + tree.bad +
                ". Please run the task again without this file."),
        "Reason: cannot be read: it is a text file (CSV or similar), not a workbook; such files "
        "are not supported",
        "Processing of the worksheet \"North\" is complete.",
        CString("Processing of the file '" + tree.b +
                "' is complete. This file has 1 worksheets in total. 1 worksheets you specified "
                "have been processed."),
        CString("Task is complete. 3 worksheets located in 3 Excel files were processed. The "
                "result is saved in the Excel file \"" +
                tree.result + "\"."),
    };
    EXPECT_EQ(run.lines, expected);
    EXPECT_EQ(run.codes.back(), TN_FINISHED);
    EXPECT_EQ(prompts->Messages(), std::vector<CString>{"Do you want to open the result?"});
    EXPECT_EQ(Slurp(tree.a), aBefore);

    auto book = ReadBook(tree.result);
    ASSERT_EQ(book->SheetCount(), 1);
    const spreadsheet::Worksheet& sheet = book->Sheet(0);
    EXPECT_EQ(CellText(sheet, 1, 2), "Lamp");
    EXPECT_EQ(CellText(sheet, 1, 4), "=C1*2");  // formulas move with their rows
    EXPECT_EQ(CellText(sheet, 3, 4), "=C3*2");
    EXPECT_EQ(CellText(sheet, 1, 1), "2024-01-01");  // formats come along
    EXPECT_EQ(CellText(sheet, 4, 2), "Tray");        // the next block right below
    EXPECT_EQ(CellText(sheet, 5, 1), "");
    EXPECT_DOUBLE_EQ(sheet.ColumnWidth(1), 20);  // widths of the first block only
}

TEST(CopyRowsTask, WithoutFormulasCopiesValuesAndSkipsEmptyBandsSilently) {
    SalesTree tree;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;

    // North of a.xlsx has 4 content rows: rows 3..3 remain; b.xlsx has 2: 3 > 1, nothing.
    TaskRun run = RunToEnd(MakeTask(tree, 3, 2, 0, target.Handle(), tree.result), target);
    ASSERT_EQ(run.lines.size(), 7u);
    EXPECT_EQ(run.lines[0], "Processing of the worksheet \"North\" is complete.");
    EXPECT_EQ(run.lines[5].Left(23), "Processing of the file ");  // b.xlsx: no worksheet line
    EXPECT_EQ(run.lines[6].Left(17), "Task is complete.");

    auto book = ReadBook(tree.result);
    const spreadsheet::Worksheet& sheet = book->Sheet(0);
    EXPECT_EQ(CellText(sheet, 1, 2), "Chair");
    EXPECT_EQ(CellText(sheet, 1, 4), "10");  // the value the formula showed
    EXPECT_EQ(CellText(sheet, 2, 2), "");
}

// Stops the task from its worker thread once the first file is done.
class CopyRowsStoppedAfterFirstFile : public CCopyRowsTask {
  public:
    CopyRowsStoppedAfterFirstFile(const SalesTree& tree, const platform::CNotifyHandle& notify,
                                  std::shared_future<std::shared_ptr<CTaskControl>> control)
        : CCopyRowsTask(tree.root.Path(), {}, 1, 1, notify, 1, tree.result.c_str()),
          m_control(std::move(control)) {}

  protected:
    int ProcessFile(const CString& path) override {
        int result = CCopyRowsTask::ProcessFile(path);
        m_control.get()->Stop(std::chrono::milliseconds(0));
        return result;
    }

  private:
    std::shared_future<std::shared_ptr<CTaskControl>> m_control;
};

TEST(CopyRowsTask, StopInTheMiddleCancelsAndWritesNoResult) {
    SalesTree tree;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;
    std::promise<std::shared_ptr<CTaskControl>> promise;
    auto control = CTask::Start(std::make_unique<CopyRowsStoppedAfterFirstFile>(
        tree, target.Handle(), promise.get_future().share()));
    promise.set_value(control);
    ASSERT_TRUE(control->WaitFinished(std::chrono::seconds(30)));

    std::vector<CString> lines;
    for (auto& message : target.Drain())
        lines.push_back(*message.payload.Text());
    ASSERT_EQ(lines.size(), 4u);  // North, Empty, the file line of a.xlsx, cancelled
    EXPECT_EQ(lines.back(), "Task is canceled.");
    EXPECT_FALSE(std::filesystem::exists(tree.result));
    EXPECT_TRUE(prompts->Messages().empty());
}

TEST(CopyRowsTask, ResultPrompts) {
    SalesTree tree;
    std::filesystem::remove(tree.bad);
    platform::CNotifyTarget target;

    {  // No name given and none entered: cancelled, nothing written.
        auto prompts = std::make_shared<platform::CScriptedPromptService>();
        platform::CScopedPromptService scope(prompts);
        prompts->QueueFile("");
        TaskRun run = RunToEnd(MakeTask(tree, 1, 1, 1, target.Handle(), ""), target);
        EXPECT_EQ(run.FinalText(), "Task is canceled.");
        EXPECT_TRUE(std::filesystem::is_empty(tree.out.Path()));
    }
    tree.out.Write("result.xlsx", "old result");
    const CString question =
        CString("File '" + tree.result) + "' already exists. Do you want to overwrite it?";
    {  // An existing file answered No stays untouched.
        auto prompts = std::make_shared<platform::CScriptedPromptService>();
        platform::CScopedPromptService scope(prompts);
        prompts->QueueAnswer(platform::PromptAnswer::No);
        TaskRun run = RunToEnd(MakeTask(tree, 1, 1, 1, target.Handle(), tree.result), target);
        EXPECT_EQ(run.FinalText(), "Task is canceled.");
        EXPECT_EQ(prompts->Messages(), std::vector<CString>{question});
        EXPECT_EQ(Slurp(tree.result), "old result");
    }
    {  // A name entered at the prompt, Yes to overwriting: replaced.
        auto prompts = std::make_shared<platform::CScriptedPromptService>();
        platform::CScopedPromptService scope(prompts);
        prompts->QueueFile(tree.result.c_str());
        prompts->QueueAnswer(platform::PromptAnswer::Yes);
        prompts->QueueAnswer(platform::PromptAnswer::Yes);  // open the result
        TaskRun run = RunToEnd(MakeTask(tree, 1, 1, 1, target.Handle(), ""), target);
        EXPECT_EQ(run.FinalText().Left(17), "Task is complete.");
        EXPECT_EQ(ReadBook(tree.result)->Sheet(0).DisplayText({1, 1}), "Date");
        EXPECT_EQ(prompts->PendingAnswers(), 0u);
        std::vector<platform::PromptRecord> records = prompts->Records();
        ASSERT_FALSE(records.empty());
        EXPECT_EQ(records.back().kind, platform::PromptKind::OpenDocument);
        EXPECT_EQ(records.back().text, CString(tree.result));
    }
}

}  // namespace
}  // namespace tabulon::engine
