#include "engine/folder_task.h"

#include <gtest/gtest.h>

#include "engine/tasks/task_test_support.h"
#include "platform/scripted_prompt.h"
#include "platform/temp_folder.h"

namespace tabulon::engine {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;

TEST(FolderTask, SelectionMatchesWithWildcardsWithoutCase) {
    CFolderTask task("/none", {"Sheet*", "Jan;Feb"}, {}, "");
    EXPECT_TRUE(task.IsSheetSelected("Sheet1"));
    EXPECT_TRUE(task.IsSheetSelected("sheet2"));
    EXPECT_FALSE(task.IsSheetSelected("MySheet"));
    EXPECT_TRUE(task.IsSheetSelected("Feb"));
    EXPECT_TRUE(CFolderTask("/none", {}, {}, "").IsSheetSelected("anything"));
}

TEST(FolderTask, AFolderWithoutWorkbooksSavesTheBlankResult) {
    TempFolder root;
    root.Write("notes.txt", "not a workbook");
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;
    const std::string result = root / "result.xlsx";
    TaskRun run = RunToEnd(
        std::make_unique<CFolderTask>(root.Path(), SheetSelection{}, target.Handle(), result),
        target);
    EXPECT_EQ(run.lines, std::vector<CString>{
                             CString("Task is complete. 0 worksheets located in 0 Excel files were "
                                     "processed. The result is saved in the Excel file \"" +
                                     result + "\".")});
    EXPECT_EQ(ReadBook(result)->SheetCount(), 1);
}

TEST(FolderTask, AResultThatCannotBeWrittenEndsCancelledWithItsReason) {
    TempFolder root;
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;
    TaskRun run =
        RunToEnd(std::make_unique<CFolderTask>(root.Path(), SheetSelection{}, target.Handle(),
                                               root / "missing/result.xlsx"),
                 target);
    ASSERT_EQ(run.lines.size(), 2u);  // the save failure, then the end
    EXPECT_EQ(run.lines[1], "Task is canceled.");
}

}  // namespace
}  // namespace tabulon::engine
