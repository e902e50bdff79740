#include "engine/two_file_task.h"

#include <gtest/gtest.h>

#include "engine/tasks/task_test_support.h"
#include "platform/scripted_prompt.h"
#include "platform/temp_folder.h"

namespace tabulon::engine {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;

// Copies the first cell of worksheet 1 into the result, or fails as told.
class FirstCellTask : public CTwoFileTask {
  public:
    enum class Outcome { Copy, Throw };
    FirstCellTask(const platform::CNotifyHandle& notify, const std::string& file1,
                  const char* sheet1, const std::string& file2, const char* sheet2,
                  const std::string& result, Outcome outcome)
        : CTwoFileTask(notify, file1.c_str(), sheet1, file2.c_str(), sheet2, result.c_str()),
          m_outcome(outcome) {}

  protected:
    int Process() override {
        if (m_outcome == Outcome::Throw)
            throw ComError(E_FAIL, "The spreadsheet stopped answering.");
        m_pResultSheet.GetRange(COleVariant("A1"))
            .SetValue(m_pSheet1.GetRange(COleVariant("A1")).GetValue());
        return 1;
    }

  private:
    Outcome m_outcome;
};

struct TwoFiles {
    TempFolder folder;
    std::string one = folder / "one.xlsx";
    std::string two = folder / "two.xlsx";
    std::string result = folder / "result.xlsx";
    TwoFiles() {
        WriteBook(one, {{"Prices", {{"first"}}}});
        WriteBook(two, {{"Stock", {{"second"}}}});
    }
    TaskRun Run(const char* sheet1, const char* sheet2, FirstCellTask::Outcome outcome) {
        platform::CNotifyTarget target;
        return RunToEnd(std::make_unique<FirstCellTask>(target.Handle(), one, sheet1, two, sheet2,
                                                        result, outcome),
                        target);
    }
};

TEST(TwoFileTask, SavesTheResultAndReportsMissionAccomplished) {
    TwoFiles files;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    const std::string before = Slurp(files.one);
    TaskRun run = files.Run("Prices", "Stock", FirstCellTask::Outcome::Copy);
    EXPECT_EQ(run.lines, std::vector<CString>{"Mission accomplished"});
    EXPECT_EQ(ReadBook(files.result)->Sheet(0).DisplayText({1, 1}), "first");
    EXPECT_EQ(Slurp(files.one), before);
}

TEST(TwoFileTask, SheetNamesMatchExactlyAndOnlyTheFirstMissingOneIsReported) {
    TwoFiles files;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    TaskRun run = files.Run("prices", "stock", FirstCellTask::Outcome::Copy);
    const std::vector<CString> expected = {
        CString("In Excel file \"" + files.one +
                "\", there is not Worksheet\"prices\" you specified, please check it."),
        "Task is canceled."};
    EXPECT_EQ(run.lines, expected);
    EXPECT_FALSE(std::filesystem::exists(files.result));
}

TEST(TwoFileTask, AnAutomationFailureIsReportedAndCancelsTheTask) {
    TwoFiles files;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    TaskRun run = files.Run("Prices", "Stock", FirstCellTask::Outcome::Throw);
    ASSERT_EQ(run.lines.size(), 2u);
    EXPECT_NE(run.lines[0].Find("stopped answering"), -1);
    EXPECT_EQ(run.lines[1], "Task is canceled.");
    EXPECT_FALSE(std::filesystem::exists(files.result));
}

}  // namespace
}  // namespace tabulon::engine
