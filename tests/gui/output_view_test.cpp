// The output view inside the host: a task's messages posted from a worker thread become
// list lines in posting order; clicks show a line's text or its details dialog.
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QThread>
#include <QTreeView>
#include <thread>

#include "gui/output/details_dlg.h"
#include "gui/plugin/dialog_units.h"
#include "gui_test_support.h"
#include "output/task_messages.h"
#include "platform/scripted_prompt.h"

namespace tabulon::gui::testing {
namespace {

using platform::CNotifyHandle;

const CString kLongLine(
    "The worksheet \"Budget 2024 (final)\" of the file '/home/office/reports/2024/regional "
    "branches/north/consolidated budget for the board meeting.xlsx' could not be read: the "
    "file is damaged. Please run the task again without this file.");

// A whole task's worth of messages, as a worker thread posts them.
void PostScriptedTask(const CNotifyHandle& out) {
    output::PostText(out, "Processing of the file '/data/a.xlsx' begins.");
    CString id = output::BeginProgress(out, "Processing Worksheet \"North\", 0% completed");
    output::UpdateProgress(out, id, "Processing Worksheet \"North\", 50% completed");  // in place
    output::PostText(out, kLongLine);
    // The progress line is no longer last: it moves below the text line.
    output::UpdateProgress(out, id, "Processing Worksheet \"North\", 75% completed");
    output::EndProgress(out, id, "");  // an empty text removes it
    CString id2 = output::BeginProgress(out, "Processing task... 0% completed");
    output::EndProgress(out, id2, "Processing task... 100% completed");  // ends in place
    output::PostDetail(out, {"Worksheet \"North\" of '/data/a.xlsx' differs from the template.",
                             "/data/a.xlsx", "North", "Cell B2: a number is expected.",
                             "Cell C7: the formula result differs.", "Cell D9: empty."});
    output::PostFinished(out,
                         "Task is complete. 1 worksheets located in 1 Excel files were "
                         "processed.");
}

std::vector<CString> Lines(const COutputView& view) {
    std::vector<CString> lines;
    for (int i = 0; i < view.LineCount(); ++i)
        lines.push_back(view.LineText(i));
    return lines;
}

void ClickLine(COutputView& view, int line) {
    QTreeView* list = view.List();
    QModelIndex index = list->model()->index(line, 0);
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

TEST(OutputView, ShowsAWorkerThreadsMessagesInPostingOrderOnTheGuiThread) {
    CLoadedHost host;
    ASSERT_TRUE(host.Loaded());
    COutputView* view = host.Output();
    ASSERT_NE(view, nullptr);
    bool offGuiThread = false;
    QObject::connect(view->List()->model(), &QAbstractItemModel::rowsInserted,
                     [&] { offGuiThread |= QThread::currentThread() != qApp->thread(); });

    std::thread worker(PostScriptedTask, view->NotifyHandle());
    worker.join();
    ASSERT_TRUE(WaitUntil([&] { return view->LineCount() == 5; }));
    QCoreApplication::processEvents();

    const std::vector<CString> expected = {
        "Processing of the file '/data/a.xlsx' begins.", kLongLine,
        "Processing task... 100% completed",
        "Worksheet \"North\" of '/data/a.xlsx' differs from the template.",
        "Task is complete. 1 worksheets located in 1 Excel files were processed."};
    EXPECT_EQ(Lines(*view), expected);
    EXPECT_EQ(view->ProgressItem(), 2);
    EXPECT_FALSE(offGuiThread);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(view->ItemData(i) != nullptr, i == 3) << i;
    EXPECT_EQ(view->ItemData(3)->m_nKind, 2);
    EXPECT_EQ(view->ItemData(3)->m_pRecord->size(), 6u);

    // The routed way (the input view forwards each message) lands in the same list; a
    // document without an output view drops the message.
    platform::CNotifyMessage message{WM_TASK_NOTIFY, TN_TEXT, std::make_unique<CString>("routed")};
    EXPECT_TRUE(RouteToOutputView(&host.Window().Document(), std::move(message)));
    ASSERT_TRUE(WaitUntil([&] { return view->LineCount() == 6; }));
    EXPECT_EQ(view->LineText(5), "routed");
    CDocument empty;
    EXPECT_FALSE(
        RouteToOutputView(&empty, {WM_TASK_NOTIFY, TN_TEXT, std::make_unique<CString>("dropped")}));

    // A clear (sent by Start) empties the list.
    view->OnTaskNotify(TN_CLEAR, {});
    EXPECT_EQ(view->LineCount(), 0);
}

// Thousands of lines posted from a worker: the newest stays in view (not timed here).
TEST(OutputView, AfterThousandsOfLinesTheLastOneIsInView) {
    CLoadedHost host;
    ASSERT_TRUE(host.Loaded());
    COutputView* view = host.Output();
    constexpr int kLines = 5000;
    std::thread worker([handle = view->NotifyHandle()] {
        for (int i = 0; i < kLines; ++i) {
            CString text;
            text.Format("Processing of the worksheet \"Sheet%d\" is complete.", i);
            output::PostText(handle, text);
        }
    });
    ASSERT_TRUE(WaitUntil([&] { return view->LineCount() == kLines; }, 60000));
    worker.join();
    QCoreApplication::processEvents();
    QTreeView* list = view->List();
    QRect last = list->visualRect(list->model()->index(kLines - 1, 0));
    EXPECT_GE(last.top(), 0) << "the newest line is not in view";
    EXPECT_LE(last.bottom(), list->viewport()->height()) << "the newest line is not in view";
    EXPECT_EQ(list->verticalScrollBar()->value(), list->verticalScrollBar()->maximum());
}

TEST(OutputView, AClickShowsAPlainLineInAMessageBoxAndADetailLineInTheDetailsDialog) {
    CLoadedHost host;
    ASSERT_TRUE(host.Loaded());
    host.Window().resize(host::CHostWindow::kDefaultWidth, host::CHostWindow::kDefaultHeight);
    COutputView* view = host.Output();
    std::thread worker(PostScriptedTask, view->NotifyHandle());
    worker.join();
    ASSERT_TRUE(WaitUntil([&] { return view->LineCount() == 5; }));
    QCoreApplication::processEvents();
    host.Window().grab().save(ScreenshotFolder() + "/host_output.png");

    // A plain line: its whole text, however long.
    CDialogAnswerer answerer;
    QString boxText;
    answerer.Expect(CDialogAnswerer::Message(QMessageBox::Ok, &boxText));
    ClickLine(*view, 1);
    EXPECT_TRUE(WaitUntil([&] { return answerer.AllAnswered(); }));
    EXPECT_EQ(boxText.toStdString(), kLongLine.Str());

    // A detail line: the dialog with the record minus its first string. Its open button
    // hands the workbook to the desktop and leaves the dialog open.
    auto recorder = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(recorder);  // the dialog itself is Qt's own
    QStringList seen;
    bool openedWhileOpen = false;
    answerer.Expect([&](QWidget* dialog) {
        auto* details = dynamic_cast<CDetailsDlg*>(dialog);
        ASSERT_NE(details, nullptr);
        seen << details->windowTitle() << details->FileLabel()->text()
             << details->SheetLabel()->text();
        for (int i = 0; i < details->List()->count(); ++i)
            seen << details->List()->item(i)->text();
        seen << details->OpenButton()->text() << details->CloseButton()->text();
        details->grab().save(ScreenshotFolder() + "/details_dialog.png");
        // Nothing is cut off: every text fits its control.
        for (QWidget* control :
             details->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (auto* button = qobject_cast<QPushButton*>(control)) {
                EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()) + 8,
                          button->width());
            }
            if (auto* label = qobject_cast<QLabel*>(control); label && !label->wordWrap()) {
                EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
            }
            EXPECT_TRUE(details->rect().contains(control->geometry()))
                << control->metaObject()->className();
        }
        details->OpenButton()->click();
        openedWhileOpen = details->isVisible();
        details->CloseButton()->click();
    });
    ClickLine(*view, 3);
    EXPECT_TRUE(WaitUntil([&] { return answerer.AllAnswered(); }));

    const QStringList expected = {"Detailed information",
                                  "/data/a.xlsx",
                                  "North",
                                  "Cell B2: a number is expected.",
                                  "Cell C7: the formula result differs.",
                                  "Cell D9: empty.",
                                  "Open this Excel file...",
                                  "Close"};
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(openedWhileOpen);
    const std::vector<platform::PromptRecord> opened = recorder->Records();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].kind, platform::PromptKind::OpenDocument);
    EXPECT_EQ(opened[0].text, "/data/a.xlsx");
    EXPECT_TRUE(answerer.Unexpected().isEmpty()) << answerer.Unexpected().join("|").toStdString();
}

TEST(DetailsDialog, UsesTheTemplatesProportionsAndShowsARecordWithoutDetailLines) {
    CDetailsDlg dialog({"/data/only.xlsx", "Sheet1"}, nullptr);
    EXPECT_EQ(dialog.List()->count(), 0);
    EXPECT_EQ(dialog.FileLabel()->text(), "/data/only.xlsx");
    EXPECT_EQ(dialog.SheetLabel()->text(), "Sheet1");
    // 387 x 270 dialog units: the ratio survives the conversion with the font's metrics.
    const double ratio = double(dialog.width()) / dialog.height();
    const CDialogUnits du(dialog.font());
    EXPECT_NEAR(ratio, (387 * du.BaseX() / 4) / (270 * du.BaseY() / 8), 0.02);
    EXPECT_EQ(dialog.List()->geometry(), du.Rect(6, 55, 369, 177));
}

}  // namespace
}  // namespace tabulon::gui::testing
