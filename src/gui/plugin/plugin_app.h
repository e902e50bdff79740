// CPluginApp: the module's application object, and the module-wide services the views
// share. theApp is its one instance.
#pragma once

#include <QPixmap>

#include "gui/plugin/plugin_abi.h"
#include "platform/cstring.h"
#include "platform/notify.h"

class QAbstractItemView;
class QPainter;
class CInputView;

class CPluginApp {
  public:
    // The live input view: null until the input view's first initial update sets it.
    CInputView* m_pInputView = nullptr;

    // Installs the GUI's prompt service (dialogs on the GUI thread) the first time a view
    // of the module is made, when the application object of Qt exists.
    void InstallPromptService();

    // Switches the live input view to the work mode of a GUID text (what QX_OnClick does).
    // Nothing happens while there is no input view.
    void SelectWorkMode(const CString& guid);

    static CString GetIniPath();        // module folder + "/Tabulon.ini"
    CString GetResourceFolder() const;  // module folder + "/Tabulon_DLL"

    // The posting operations the tasks call on the worker thread (see output/task_messages.h).
    bool PostFinished(const tabulon::platform::CNotifyHandle& target, const CString& text);
    bool PostText(const tabulon::platform::CNotifyHandle& target, const CString& text);
    CString BeginProgress(const tabulon::platform::CNotifyHandle& target, const CString& text);
    bool UpdateProgress(const tabulon::platform::CNotifyHandle& target, const CString& progressId,
                        const CString& text);
    bool EndProgress(const tabulon::platform::CNotifyHandle& target, const CString& progressId,
                     const CString& text);
    // Asks for or confirms the result file; empty when there is nothing to save to.
    static CString PromptResultFile(CString& path);

  private:
    bool m_bPromptServiceInstalled = false;
};

extern CPluginApp theApp;

// The first view of doc whose class is runtimeClass or derives from it; null when none.
QWidget* FindView(const CDocument* doc, const CRuntimeClass* runtimeClass);

// The first selected row of a list, or -1.
int GetSelectedItem(const QAbstractItemView* list);

// The bitmap in the file, or a null pixmap when it cannot be loaded.
QPixmap LoadBitmapFile(const CString& path);
// Tiles bitmap from the painter's origin over a rectangle of (right - left) x (bottom - top).
int FillWithBitmap(const QPixmap& bitmap, QPainter& painter, int left, int top, int right,
                   int bottom);
