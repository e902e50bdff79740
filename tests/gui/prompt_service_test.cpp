// The GUI's prompt service asked from a task's worker thread: a copy-rows run whose
// result file is asked for in the file dialog, whose overwrite and open questions come
// up as message boxes, and the guard against both threads waiting for each other.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <chrono>
#include <future>
#include <thread>

#include "engine/tasks/copy_rows_task.h"
#include "engine/tasks/task_test_support.h"
#include "gui/plugin/gui_prompt.h"
#include "gui_test_support.h"
#include "platform/temp_folder.h"

namespace tabulon::gui::testing {
namespace {

using platform::testing::TempFolder;

// The rows of the first worksheet of a workbook, read with openpyxl.
QString ReadRowsWithOpenpyxl(const std::string& path) {
    QProcess python;
    python.start("/usr/bin/python3",
                 {"-c",
                  "import sys, openpyxl\n"
                  "ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
                  "for row in ws.iter_rows(values_only=True):\n"
                  "    print('|'.join('' if v is None else str(v) for v in row))\n",
                  QString::fromStdString(path)});
    if (!python.waitForFinished(60000))
        return "python did not finish";
    return QString::fromUtf8(python.readAllStandardOutput()) +
           QString::fromUtf8(python.readAllStandardError());
}

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
    answerer.Expect([&](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr);
        title = files->windowTitle();
        filters = files->nameFilters();
        // Typed as a person would, then the dialog's own accept button. The file exists:
        // the dialog asks before it closes.
        auto* name = files->findChild<QLineEdit*>("fileNameEdit");
        auto* buttons = files->findChild<QDialogButtonBox*>("buttonBox");
        ASSERT_TRUE(name && buttons);
        name->setText(QString::fromStdString(result));
        for (QAbstractButton* button : buttons->buttons()) {
            if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
                button->click();
        }
    });
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
    const QString rows = ReadRowsWithOpenpyxl(result);
    EXPECT_TRUE(rows == "Lamp|3\nChair|5\nPen|7\n" || rows == "Pen|7\nLamp|3\nChair|5\n")
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
