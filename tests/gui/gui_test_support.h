// Helpers of the GUI tests: the host window with the real module loaded, an answerer
// that handles the modal dialogs as a person would, and waiting with the event loop on.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

#include "gui/output/output_view.h"
#include "gui/plugin/plugin_app.h"
#include "host/host_window.h"
#include "platform/paths.h"

namespace tabulon::gui::testing {

inline QString BinFolder() {
    return QStringLiteral(TABULON_BINARY_DIR "/bin");
}

inline QString ModulePath() {
    return BinFolder() + QStringLiteral("/libTabulon.so");
}

// Where the tests leave their screenshots: build/screenshots.
inline QString ScreenshotFolder() {
    QString folder = QDir::cleanPath(QStringLiteral(TABULON_BINARY_DIR "/../screenshots"));
    QDir().mkpath(folder);
    return folder;
}

// Runs the event loop until done() holds or the time is up; done() at the end.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// A module folder of the test's own: its settings file starts missing, and its resource
// folder is the build's (a link). The module's folder is moved there while this lives.
class CIsolatedModuleFolder {
  public:
    CIsolatedModuleFolder() {
        m_folder = QDir::tempPath() + "/tabulon-module-" +
                   QString::number(QCoreApplication::applicationPid()) + "-" +
                   QString::number(s_count++);
        QDir(m_folder).removeRecursively();
        QDir().mkpath(m_folder);
        QFile::link(BinFolder() + "/Tabulon_DLL", m_folder + "/Tabulon_DLL");
        platform::SetModuleFolderOverride(platform::Module::Core, m_folder.toStdString());
    }
    ~CIsolatedModuleFolder() {
        platform::SetModuleFolderOverride(platform::Module::Core, "");
        QFile::remove(m_folder + "/Tabulon_DLL");
        QDir(m_folder).removeRecursively();
    }
    CIsolatedModuleFolder(const CIsolatedModuleFolder&) = delete;
    CIsolatedModuleFolder& operator=(const CIsolatedModuleFolder&) = delete;

    QString Folder() const { return m_folder; }
    QString IniPath() const { return m_folder + "/Tabulon.ini"; }

  private:
    QString m_folder;
    static inline int s_count = 0;
};

// The host window of qxhost with the module loaded from the build's bin folder, whose
// host texts it reads. Unless told otherwise, the module keeps its settings in a folder of
// the test's own (CIsolatedModuleFolder), so tests never share a settings file.
class CLoadedHost {
  public:
    explicit CLoadedHost(bool isolatedSettings = true) {
        if (isolatedSettings)
            m_isolated = std::make_unique<CIsolatedModuleFolder>();
        platform::SetModuleFolderOverride(platform::Module::Host, BinFolder().toStdString());
        QString error;
        m_loaded = m_module.Load(ModulePath(), error);
        EXPECT_TRUE(m_loaded) << error.toStdString();
        if (!m_loaded)
            return;
        m_window = std::make_unique<host::CHostWindow>(m_module);
        m_window->show();
        QCoreApplication::processEvents();
    }
    ~CLoadedHost() {
        m_window.reset();
        platform::SetModuleFolderOverride(platform::Module::Host, "");
    }

    bool Loaded() const { return m_loaded; }
    host::CHostModule& Module() { return m_module; }
    host::CHostWindow& Window() { return *m_window; }
    COutputView* Output() {
        return static_cast<COutputView*>(FindView(&m_window->Document(), &classCOutputView));
    }

    // The module folder of the test, when isolated.
    const CIsolatedModuleFolder* Isolated() const { return m_isolated.get(); }

  private:
    std::unique_ptr<CIsolatedModuleFolder> m_isolated;
    host::CHostModule m_module;
    std::unique_ptr<host::CHostWindow> m_window;
    bool m_loaded = false;
};

// Handles modal dialogs in the order they are expected: each step gets the dialog that
// came up and must close it. Dialogs nobody expected are recorded and closed.
class CDialogAnswerer {
  public:
    using Step = std::function<void(QWidget* dialog)>;

    CDialogAnswerer() {
        m_timer.setInterval(15);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start();
    }

    void Expect(Step step) { m_steps.push_back(std::move(step)); }
    bool AllAnswered() const { return m_steps.empty() && m_nRunning == 0; }
    const QStringList& Unexpected() const { return m_unexpected; }

    // A message box: records its text, then presses the button.
    static Step Message(QMessageBox::StandardButton button, QString* text = nullptr) {
        return [button, text](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            ASSERT_NE(box, nullptr) << "not a message box: " << dialog->metaObject()->className();
            if (text)
                *text = box->text();
            ASSERT_NE(box->button(button), nullptr);
            box->button(button)->click();
        };
    }

  private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        // Marked rather than remembered: the next dialog may live at the same address.
        if (!modal || modal->property("answered").toBool())
            return;
        modal->setProperty("answered", true);
        if (m_steps.empty()) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            m_unexpected << (box ? box->text()
                                 : QString::fromLatin1(modal->metaObject()->className()));
            modal->close();
            return;
        }
        auto step = std::make_shared<Step>(std::move(m_steps.front()));
        m_steps.pop_front();
        // Run outside this timer's slot: a step may open a further dialog in a nested event
        // loop, and Qt does not fire a timer again while its slot is running.
        QPointer<QWidget> dialog(modal);
        ++m_nRunning;
        QTimer::singleShot(0, &m_timer, [this, step, dialog] {
            if (dialog)
                (*step)(dialog);
            --m_nRunning;
        });
    }

    QTimer m_timer;
    std::deque<Step> m_steps;
    QStringList m_unexpected;
    int m_nRunning = 0;  // steps started and not yet returned
};

}  // namespace tabulon::gui::testing
