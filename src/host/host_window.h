// qxhost: the small shell that carries the Tabulon module. It loads the module from
// beside itself, makes the module's layout view its central widget (with a creation
// context carrying its document), lists the eight work modes at the side and tells the
// module with QX_OnClick which one the user picked.
#pragma once

#include <QLibrary>
#include <QMainWindow>
#include <QString>

#include "gui/plugin/plugin_abi.h"

class QListWidget;

namespace tabulon::host {

// A work mode as the host lists it.
struct HostMode {
    const char* guid;
    const char* iconFile;
};
extern const HostMode kHostModes[8];

// The loaded module and its two exports.
class CHostModule {
  public:
    // False with a message for the user when the file cannot be loaded or lacks an export.
    bool Load(const QString& path, QString& error);

    QString Folder() const;  // where the module lies (its resource folder is beside it)
    QX_GetLayoutViewProc GetLayoutView = nullptr;
    QX_OnClickProc OnClick = nullptr;

  private:
    QLibrary m_library;
};

class CHostWindow : public QMainWindow {
  public:
    explicit CHostWindow(CHostModule& module);
    ~CHostWindow() override;

    QListWidget* ModeList() const { return m_pModes; }
    QWidget* LayoutView() const { return m_pLayoutView; }
    CDocument& Document() { return m_document; }
    // The result of the last QX_OnClick call.
    int LastClickResult() const { return m_nLastClickResult; }

    static constexpr int kDefaultWidth = 1200;
    static constexpr int kDefaultHeight = 720;

  private:
    void OnModePicked(int row);

    CHostModule& m_module;
    CDocument m_document;
    CCreateContext m_context;
    QListWidget* m_pModes = nullptr;
    QWidget* m_pLayoutView = nullptr;
    int m_nLastClickResult = 0;
};

// Plain text of a title written in the module's rich-text markup: line breaks for
// <br>, tags dropped, the common entities decoded.
QString PlainTextOfMarkup(const QString& markup);

// The path of the module beside the host executable.
QString DefaultModulePath();

// Loads the module and runs the window until it is closed; on a load failure shows the
// message and returns 1. A QApplication must exist.
int RunHost(const QString& modulePath);

}  // namespace tabulon::host
