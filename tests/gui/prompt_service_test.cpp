// The GUI's prompt service asked from a task's worker thread: a copy-rows run whose
// result file is asked for in the file dialog, whose overwrite and open questions come
// up as message boxes, and the guard against both threads waiting for each other.
#include <chrono>
#include <future>
#include <thread>

#include "engine/tasks/copy_rows_task.h"
#include "engine/tasks/task_test_support.h"
#include "gui/plugin/gui_prompt.h"
#include "input_test_support.h"
#include "platform/temp_folder.h"

namespace tabulon::gui::testing {
namespace {

using platform::testing::TempFolder;

TEST(GuiPromptService, ACopyRowsRunAsksForTheResultFromItsWorkerThroughDialogs) {
    CLoadedHost host;
    ASSERT_TRUE(host.Loaded());
    COutputView* view = host.Output();
    TempFolder sources, out;
    engine::testing::WriteBook(sources / "north.xlsx",
                               {{"Sales", {{"Item", "Units"}, {"Lamp", "3"}, {"Chair", "5"}}}});
    engine::testing::WriteBook(sources / "sub/south.xlsx",
                               {{"Sales", {{"Item", "Units"}, {"Pen", "7"}}}});
    const std::string result = out.Write("result.xlsx", "an older result");

    CDialogAnswerer answerer;
    QString title, confirm, overwrite, openQuestion;
    QStringList filters;
    answerer.Expect(TypeInFileDialog(QString::fromStdString(result), &title, &filters));
    answerer.Expect(CDialogAnswerer::Message(QMessageBox::Yes, &confirm));
    answerer.Expect(CDialogAnswerer::Message(QMessageBox::Yes, &overwrite));
    answerer.Expect(CDialogAnswerer::Message(QMessageBox::No, &openQuestion));

    auto task = std::make_unique<engine::CCopyRowsTask>(sources.Path(), engine::SheetSelection{}, 2,
                                                        1, view->NotifyHandle(), 0, "");
    auto control = engine::CTask::Start(std::move(task));
    ASSERT_TRUE(control);
    ASSERT_TRUE(WaitUntil([&] { return control->IsFinished(); }, 60000));
    ASSERT_TRUE(WaitUntil([&] {
        return view->LineCount() > 0 && view->LineText(view->LineCount() - 1).Find("Task is") == 0;
    }));

    EXPECT_TRUE(answerer.AllAnswered());
    EXPECT_TRUE(answerer.Unexpected().isEmpty()) << answerer.Unexpected().join("|").toStdString();
    EXPECT_EQ(title,
              "Task is complete. Enter the name of the result file, or specify an "
              "existing file");
    EXPECT_EQ(filters, QStringList({"Excel Files (*.xls)", "Excel2007 Files (*.xlsx)"}));
    EXPECT_TRUE(confirm.contains("already exists")) << confirm.toStdString();
    EXPECT_EQ(overwrite.toStdString(),
              "File '" + result + "' already exists. Do you want to overwrite it?");
    EXPECT_EQ(openQuestion, "Do you want to open the result?");
    EXPECT_EQ(view->LineText(view->LineCount() - 1).Str(),
              "Task is complete. 2 worksheets located in 2 Excel files were processed. The "
              "result is saved in the Excel file \"" +
                  result + "\".");
    const QString rows = DumpWithOpenpyxl(result);
    const QString north = "Sheet1!A%1=Lamp\nSheet1!B%1=3\nSheet1!A%2=Chair\nSheet1!B%2=5\n";
    const QString south = "Sheet1!A%1=Pen\nSheet1!B%1=7\n";
    EXPECT_TRUE(rows == north.arg(1).arg(2) + south.arg(3) ||
                rows == south.arg(1) + north.arg(2).arg(3))
        << rows.toStdString();
}

TEST(GuiPromptService, QuestionsWhileTheGuiThreadWaitsForAWorkerGetTheCautiousAnswer) {
    CLoadedHost host;  // installs the GUI's service
    ASSERT_TRUE(host.Loaded());
    CDialogAnswerer answerer;  // any dialog shown would be recorded as unexpected
    using namespace std::chrono_literals;

    // Asked before the wait began (queued, not yet shown), and asked during it.
    std::promise<platform::PromptAnswer> early;
    std::thread asker([&] {
        early.set_value(platform::GetPromptService()->ShowMessage("Do you want to open the result?",
                                                                  platform::MessageButtons::YesNo));
    });
    std::this_thread::sleep_for(100ms);  // the question is queued; no event loop runs
    {
        CPromptRefusal waitingForWorker;
        auto answer = early.get_future();
        ASSERT_EQ(answer.wait_for(2s), std::future_status::ready);
        EXPECT_EQ(answer.get(), platform::PromptAnswer::No);
        asker.join();
        auto during = std::async(std::launch::async, [] {
            return platform::GetPromptService()->PromptForFile({"xls", "", "", "Title", 0, ""});
        });
        ASSERT_EQ(during.wait_for(2s), std::future_status::ready);
        EXPECT_EQ(during.get(), "");
    }
    WaitUntil([] { return false; }, 200);  // the queued question runs now and shows nothing
    EXPECT_TRUE(answerer.Unexpected().isEmpty()) << answerer.Unexpected().join("|").toStdString();

    // After the wait, a worker's question is shown again and answered.
    answerer.Expect(CDialogAnswerer::Message(QMessageBox::Yes));
    auto after = std::async(std::launch::async, [] {
        return platform::GetPromptService()->ShowMessage("Again?", platform::MessageButtons::YesNo);
    });
    ASSERT_TRUE(WaitUntil([&] { return after.wait_for(0s) == std::future_status::ready; }));
    EXPECT_EQ(after.get(), platform::PromptAnswer::Yes);
}

TEST(GuiPromptService, TurnsWindowsFiltersIntoQtNameFilters) {
    EXPECT_EQ(
        NameFiltersFromWindowsFilter("Excel Files(*.xls)|*.xls|Excel2007 Files(*.xlsx)|*.xlsx||"),
        QStringList({"Excel Files (*.xls)", "Excel2007 Files (*.xlsx)"}));
    EXPECT_EQ(NameFiltersFromWindowsFilter("Excel files|*.xls;*.xlsx; *.xlsm|All|*.*||"),
              QStringList({"Excel files (*.xls *.xlsx *.xlsm)", "All (*.*)"}));
    EXPECT_EQ(NameFiltersFromWindowsFilter(""), QStringList());
}

}  // namespace
}  // namespace tabulon::gui::testing
