#include "engine/tasks/merge_cols_task.h"

#include <gtest/gtest.h>

#include <future>

#include "engine/tasks/task_test_support.h"
#include "output/task_messages.h"
#include "platform/scripted_prompt.h"
#include "platform/temp_folder.h"

namespace tabulon::engine {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;

// People (A..C): keys Id, 1, 2, ?, 2, (empty), #N/A. Phones (A..E, A 15 wide): keys Id, 2,
// x?, 3, with a formula in E.
struct MergeBooks {
    TempFolder folder;
    std::string one = folder / "people.xlsx";
    std::string two = folder / "phones.xlsx";
    std::string result = folder / "merged.xlsx";
    MergeBooks() {
        WriteBook(one, {{"People",
                         {{"Id", "Name", "Town"},
                          {"1", "Ann", "Oslo"},
                          {"2", "Bob", "Rome"},
                          {"?", "Cid", "Lima"},
                          {"2", "Dan", "Kiev"},
                          {"", "Eve", "Bonn"},
                          {"=NA()", "Fay", "Riga"}}}});
        WriteBook(two, {{"Phones",
                         {{"Id", "Phone", "Kind", "Note", "Twice"},
                          {"2", "555", "home", "n", "=B2*2"},
                          {"x?", "556", "work", "w", "=B3*2"},
                          {"3", "557", "cell", "c", "=B4*2"}},
                         15}});
    }
    TaskRun Run(int keepFormulas) {
        platform::CNotifyTarget target;
        return RunToEnd(
            std::make_unique<CMergeColsTask>(target.Handle(), one.c_str(), "People", two.c_str(),
                                             "Phones", 1, 1, keepFormulas, result.c_str()),
            target);
    }
};

TEST(MergeColsTask, PlacesTheMatchingRowRightOfWorksheet1WithItsWidthsAndFormulas) {
    MergeBooks books;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    const std::string before = Slurp(books.two);

    TaskRun run = books.Run(1);
    EXPECT_EQ(run.lines, std::vector<CString>{"Mission accomplished"});
    std::vector<CString> progress;
    for (int percent : {0, 14, 28, 42, 57, 71, 85, 100, 100})
        progress.push_back(output::FormatTaskProgress(percent));
    EXPECT_EQ(run.progress, progress);

    auto book = ReadBook(books.result);
    const spreadsheet::Worksheet& sheet = book->Sheet(0);
    auto row = [&](int r) {
        std::vector<std::string> cells;
        for (int c = 1; c <= 8; ++c)
            cells.push_back(CellText(sheet, r, c));
        return cells;
    };
    using Row = std::vector<std::string>;
    EXPECT_EQ(row(1), (Row{"Id", "Name", "Town", "Id", "Phone", "Kind", "Note", "Twice"}));
    EXPECT_EQ(row(2), (Row{"1", "Ann", "Oslo", "", "", "", "", ""}));
    EXPECT_EQ(row(3), (Row{"2", "Bob", "Rome", "2", "555", "home", "n", "=E3*2"}));
    EXPECT_EQ(row(4), (Row{"?", "Cid", "Lima", "", "", "", "", ""}));  // ? is no pattern
    EXPECT_EQ(row(5), (Row{"2", "Dan", "Kiev", "2", "555", "home", "n", "=E5*2"}));
    EXPECT_EQ(row(6), (Row{"", "Eve", "Bonn", "", "", "", "", ""}));
    EXPECT_EQ(row(7)[3], "");  // an error key is never looked up
    EXPECT_DOUBLE_EQ(sheet.ColumnWidth(4), 15);
    EXPECT_EQ(Slurp(books.two), before);
}

TEST(MergeColsTask, WithoutFormulasTheMergedCellsHoldTheShownValues) {
    MergeBooks books;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    books.Run(0);
    auto book = ReadBook(books.result);
    EXPECT_EQ(CellText(book->Sheet(0), 3, 8), "1110");
    EXPECT_EQ(CellText(book->Sheet(0), 7, 1), "#N/A");
}

TEST(MergeColsTask, ADuplicateKeyOfWorksheet2IsTakenFromRow2Downward) {
    MergeBooks books;
    WriteBook(books.two, {{"Phones", {{"2", "top"}, {"1", "one"}, {"2", "lower"}, {"2", "last"}}}});
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    books.Run(1);
    auto book = ReadBook(books.result);
    EXPECT_EQ(CellText(book->Sheet(0), 2, 5), "one");
    EXPECT_EQ(CellText(book->Sheet(0), 3, 5), "lower");  // row 1 comes round last
}

// Stops the task from its worker thread when the result worksheet is ready.
class MergeStoppedBeforeProcess : public CMergeColsTask {
  public:
    MergeStoppedBeforeProcess(const MergeBooks& books, const platform::CNotifyHandle& notify,
                              std::shared_future<std::shared_ptr<CTaskControl>> control)
        : CMergeColsTask(notify, books.one.c_str(), "People", books.two.c_str(), "Phones", 1, 1, 1,
                         books.result.c_str()),
          m_control(std::move(control)) {}

  protected:
    int Prepare() override {
        int result = CMergeColsTask::Prepare();
        m_control.get()->Stop(std::chrono::milliseconds(0));
        return result;
    }

  private:
    std::shared_future<std::shared_ptr<CTaskControl>> m_control;
};

TEST(MergeColsTask, Worksheet1ReachingColumnXfdLeavesNoRoomAndSaysSo) {
    MergeBooks books;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    std::vector<std::string> wide(16384, "");
    wide.front() = "2";
    wide.back() = "far";
    WriteBook(books.one, {{"People", {{"Id"}, wide}}});
    TaskRun run = books.Run(1);
    EXPECT_EQ(run.lines, (std::vector<CString>{
                             CString("Worksheet \"People\" of Excel file \"" + books.one +
                                     "\" has data up to the last column, XFD: there is no column "
                                     "right of it to merge into."),
                             "Task is canceled."}));
}

TEST(MergeColsTask, StopEndsWithinARowWithoutTheFinalProgressOrAResult) {
    MergeBooks books;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;
    std::promise<std::shared_ptr<CTaskControl>> promise;
    auto control = CTask::Start(std::make_unique<MergeStoppedBeforeProcess>(
        books, target.Handle(), promise.get_future().share()));
    promise.set_value(control);
    ASSERT_TRUE(control->WaitFinished(std::chrono::seconds(30)));
    std::vector<CString> progress, lines;
    for (auto& message : target.Drain()) {
        if (const CString* text = message.payload.Text())
            lines.push_back(*text);
        else
            progress.push_back(message.payload.Record()->at(1));
    }
    EXPECT_EQ(lines, std::vector<CString>{"Task is canceled."});
    const std::vector<CString> expected = {output::FormatTaskProgress(0),
                                           output::FormatTaskProgress(14)};
    EXPECT_EQ(progress, expected);
    EXPECT_FALSE(std::filesystem::exists(books.result));
}

}  // namespace
}  // namespace tabulon::engine
