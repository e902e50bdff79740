#include "engine/folder_task.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>

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

TEST(FolderTask, AFolderThatCannotBeReadIsSaidNotTakenForAnEmptyOne) {
    TempFolder root;
    // A root deeper than PATH_MAX: it exists, and no path to it can be opened.
    std::string deep = root.Path();
    const std::string name(250, 'd');
    int fd = open(root.Path().c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 20 && fd >= 0; ++level) {
        mkdirat(fd, name.c_str(), 0700);
        const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
        deep += "/" + name;
    }
    ASSERT_GE(fd, 0);
    close(fd);
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;
    TaskRun run = RunToEnd(std::make_unique<CFolderTask>(deep, SheetSelection{}, target.Handle(),
                                                         root / "result.xlsx"),
                           target);
    std::system(("rm -rf '" + root / name + "'").c_str());
    ASSERT_EQ(run.lines.size(), 2u);
    EXPECT_EQ(run.lines[0], CString("The folder '" + deep +
                                    "' cannot be read (File name too long). The files in it are "
                                    "skipped."));
    EXPECT_EQ(run.lines[1].Left(18), "Task is complete. ");
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
