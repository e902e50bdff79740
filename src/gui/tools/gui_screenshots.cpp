// gui_screenshots <examples folder> <output folder>: shows the GUI without a display
// (QT_QPA_PLATFORM=offscreen) and saves pictures of it: every work mode's page, an open
// editor of each kind of row, the select-worksheet dialog, and a finished copy-rows run
// over the examples. The module keeps its settings in a folder of its own meanwhile.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <cstdio>
#include <functional>

#include "engine/automation/application.h"
#include "engine/sheet/sheet_helpers.h"
#include "gui/input/excel_file_item.h"
#include "gui/input/input_view.h"
#include "gui/input/select_sheet_dlg.h"
#include "gui/input/task_field_list.h"
#include "gui/input/work_modes.h"
#include "gui/plugin/plugin_app.h"
#include "host/host_window.h"
#include "platform/paths.h"
#include "platform/scripted_prompt.h"

namespace {

using namespace tabulon;

void Wait(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void Save(QWidget* widget, const QString& path) {
    QCoreApplication::processEvents();
    if (widget->grab().save(path))
        std::printf("  %s\n", qPrintable(path));
}

void ClickRow(CPropertyList* list, int row) {
    list->setCurrentRow(row);
    QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: gui_screenshots <examples folder> <output folder>\n");
        return 2;
    }
    const QString examples = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString out = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QDir().mkpath(out);
    const QString bin = QCoreApplication::applicationDirPath();

    // A module folder of its own: fresh settings, the build's resources.
    const QString module = QDir::tempPath() + "/tabulon-screenshots-" +
                           QString::number(QCoreApplication::applicationPid());
    QDir().mkpath(module);
    QFile::link(bin + "/Tabulon_DLL", module + "/Tabulon_DLL");
    platform::SetModuleFolderOverride(platform::Module::Core, module.toStdString());
    platform::SetModuleFolderOverride(platform::Module::Host, bin.toStdString());

    int status = 0;
    {
        host::CHostModule hostModule;
        QString error;
        if (!hostModule.Load(host::DefaultModulePath(), error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        host::CHostWindow window(hostModule);
        window.resize(host::CHostWindow::kDefaultWidth, host::CHostWindow::kDefaultHeight);
        window.show();
        QCoreApplication::processEvents();
        CInputView* view = theApp.m_pInputView;

        // The pages of the eight modes, picked in the host's list.
        for (int m = 0; m < gui::kWorkModeCount; ++m) {
            window.ModeList()->setCurrentRow(m);
            const QString name =
                QString::fromLatin1(gui::kWorkModes[m].iconFile).section('.', 0, 0);
            Save(&window, out + "/mode_" + name + ".png");
        }

        // An open editor of each kind of row.
        window.ModeList()->setCurrentRow(0);
        CTaskFieldList* list = view->CurrentList();
        const char* shots[] = {"editor_folder", "editor_worksheets", "editor_workbook",
                               "editor_yes_no", "editor_result"};
        for (int row = 0; row < list->GetCount(); ++row) {
            ClickRow(list, row);
            Save(view, out + "/" + shots[row] + ".png");
        }
        window.ModeList()->setCurrentRow(2);
        ClickRow(view->CurrentList(), 2);
        Save(view, out + "/editor_number.png");
        view->CurrentList()->EndEdit();

        // The select-worksheet dialog with the worksheets of an example, caption drawn above.
        std::vector<CString> names;
        engine::_Application session = engine::_Application::Create();
        engine::ListWorksheetNames(session, (examples + "/north.xlsx").toStdString(), names);
        session.Quit();
        CSelectSheetDlg dialog(names, &window);
        dialog.show();
        QCoreApplication::processEvents();
        const QPixmap client = dialog.grab();
        const int strip = dialog.fontMetrics().height() + 12;
        QPixmap shot(client.width(), client.height() + strip);
        shot.fill(QColor(60, 90, 150));
        QPainter painter(&shot);
        painter.setPen(Qt::white);
        painter.drawText(QRect(8, 0, client.width() - 16, strip), Qt::AlignVCenter,
                         dialog.windowTitle());
        painter.drawPixmap(0, strip, client);
        painter.end();
        shot.save(out + "/select_worksheet_dialog.png");
        std::printf("  %s\n", qPrintable(out + "/select_worksheet_dialog.png"));
        dialog.hide();

        // A finished copy-rows run over the examples; "open the result?" is answered No.
        auto answers = std::make_shared<platform::CScriptedPromptService>();
        answers->QueueAnswer(platform::PromptAnswer::No);
        platform::CScopedPromptService scope(answers);
        CTaskFieldList* rows = view->CurrentList();
        const QString result = out + "/gui-all-sales-rows.xlsx";
        QFile::remove(result);
        rows->GetItem(0)->m_strValue = examples.toStdString();
        rows->GetItem(1)->m_strValue = "January;February;March";
        rows->GetItem(2)->m_strValue = "2";
        rows->GetItem(5)->m_strValue = result.toStdString();
        rows->viewport()->update();
        view->StartButton()->click();
        Wait([&] { return view->StartButton()->isEnabled(); }, 300000);
        if (!QFile::exists(result)) {
            std::fprintf(stderr, "The copy-rows run left no result.\n");
            status = 1;
        }
        Save(&window, out + "/run_finished.png");
    }
    platform::SetModuleFolderOverride(platform::Module::Core, "");
    QFile::remove(module + "/Tabulon_DLL");
    QDir(module).removeRecursively();
    return status;
}
