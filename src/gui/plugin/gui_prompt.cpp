#include "gui/plugin/gui_prompt.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>
#include <QUrl>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace tabulon::gui {
namespace {

using platform::MessageButtons;
using platform::PromptAnswer;

// A question sent from a worker thread, waiting for the GUI thread.
struct CPendingPrompt {
    bool started = false;  // the GUI thread is showing it
    bool done = false;     // answered (or given up: the cautious answer stands)
};

std::mutex g_mutex;
std::condition_variable g_answered;
std::vector<std::shared_ptr<CPendingPrompt>> g_pending;
int g_refusals = 0;
bool g_quitting = false;

// Every question not yet on screen keeps its cautious answer. Caller holds g_mutex.
void GiveUpPending_unlocked() {
    for (const auto& pending : g_pending) {
        if (!pending->started)
            pending->done = true;
    }
    std::erase_if(g_pending, [](const auto& p) { return p->done; });
    g_answered.notify_all();
}

template <typename R>
R AskOnGuiThread(std::function<R()> ask, R cautious) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return cautious;
    if (QThread::currentThread() == app->thread())
        return ask();

    auto pending = std::make_shared<CPendingPrompt>();
    auto answer = std::make_shared<R>(cautious);
    {
        std::lock_guard lock(g_mutex);
        if (g_refusals > 0 || g_quitting)
            return cautious;
        g_pending.push_back(pending);
    }
    QMetaObject::invokeMethod(
        app,
        [pending, answer, ask = std::move(ask)] {
            {
                std::lock_guard lock(g_mutex);
                if (pending->done)
                    return;
                pending->started = true;
            }
            R result = ask();
            std::lock_guard lock(g_mutex);
            *answer = std::move(result);
            pending->done = true;
            std::erase(g_pending, pending);
            g_answered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(g_mutex);
    g_answered.wait(lock, [&] { return pending->done; });
    return *answer;
}

QWidget* DialogOwner() {
    return QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                             : QApplication::activeWindow();
}

QString Q(const CString& text) {
    return QString::fromUtf8(text.GetString(), text.GetLength());
}

CString C(const QString& text) {
    return CString(text.toUtf8().toStdString());
}

}  // namespace

QStringList NameFiltersFromWindowsFilter(const CString& filter) {
    QStringList parts = Q(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        if (label.isEmpty() && patterns.isEmpty())
            break;
        if (label.endsWith(')') && label.contains('('))
            label = label.left(label.lastIndexOf('(')).trimmed();
        patterns.replace(';', ' ');
        filters << QStringLiteral("%1 (%2)").arg(label, patterns.simplified());
    }
    return filters;
}

CGuiPromptService::CGuiPromptService() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QObject::connect(app, &QCoreApplication::aboutToQuit, [] {
            std::lock_guard lock(g_mutex);
            g_quitting = true;
            GiveUpPending_unlocked();
        });
    }
}

PromptAnswer CGuiPromptService::ShowMessage(const CString& text, MessageButtons buttons) {
    const bool yesNo = buttons == MessageButtons::YesNo;
    return AskOnGuiThread<PromptAnswer>(
        [text, yesNo] {
            QMessageBox box(yesNo ? QMessageBox::Question : QMessageBox::NoIcon, kMessageBoxTitle,
                            Q(text), yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                            DialogOwner());
            box.setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
            int clicked = box.exec();
            if (!yesNo)
                return PromptAnswer::Ok;
            return clicked == QMessageBox::Yes ? PromptAnswer::Yes : PromptAnswer::No;
        },
        yesNo ? PromptAnswer::No : PromptAnswer::Ok);
}

CString CGuiPromptService::PromptForFile(const platform::FilePromptArgs& args) {
    return AskOnGuiThread<CString>(
        [args] {
            QFileDialog dialog(DialogOwner(), Q(args.title), Q(args.initialFolder));
            dialog.setNameFilters(NameFiltersFromWindowsFilter(args.filter));
            dialog.setDefaultSuffix(Q(args.defaultExtension));
            dialog.setFileMode((args.flags & platform::OFN_FILEMUSTEXIST)
                                   ? QFileDialog::ExistingFile
                                   : QFileDialog::AnyFile);
            // A dialog that confirms replacing a file is one that names a file to write.
            const bool overwrite = (args.flags & platform::OFN_OVERWRITEPROMPT) != 0;
            dialog.setAcceptMode(overwrite ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            dialog.setOption(QFileDialog::DontConfirmOverwrite, !overwrite);
            if (!args.initialName.IsEmpty())
                dialog.selectFile(Q(args.initialName));
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
                return CString();
            return C(dialog.selectedFiles().first());
        },
        CString());
}

CString CGuiPromptService::BrowseForFolder(const CString& initialFolder) {
    return AskOnGuiThread<CString>(
        [initialFolder] {
            return C(QFileDialog::getExistingDirectory(DialogOwner(), platform::kFolderPromptTitle,
                                                       Q(initialFolder)));
        },
        CString());
}

bool CGuiPromptService::OpenDocument(const CString& path) {
    return AskOnGuiThread<bool>(
        [path] {
            // A web address ("https://...") as it is; anything else is a file.
            const QString text = Q(path);
            const QUrl url =
                text.contains(QStringLiteral("://")) ? QUrl(text) : QUrl::fromLocalFile(text);
            return QDesktopServices::openUrl(url);
        },
        false);
}

CPromptRefusal::CPromptRefusal() {
    std::lock_guard lock(g_mutex);
    ++g_refusals;
    GiveUpPending_unlocked();
}

CPromptRefusal::~CPromptRefusal() {
    std::lock_guard lock(g_mutex);
    --g_refusals;
}

}  // namespace tabulon::gui
