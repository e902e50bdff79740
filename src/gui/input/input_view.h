// CInputView: the upper pane. It shows the current work mode (icon, title, two help
// links), the mode's field list and the Start and Stop buttons, and holds the registry
// of the eight modes (work_modes.h). Start checks and saves the fields and runs the
// mode's task on a worker thread; the task reports to this view, which forwards every
// message to the output view and takes the buttons back when the task has finished.
#pragma once

#include <QPixmap>
#include <QWidget>
#include <memory>

#include "gui/plugin/plugin_abi.h"
#include "platform/cstring.h"
#include "platform/notify.h"

class QGroupBox;
class QLabel;
class QPushButton;
class CRichTextStatic;
class CTaskFieldList;

namespace tabulon::engine {
class CTaskControl;
}
namespace tabulon::gui {
class CNotifyPump;
}

class CInputView : public QWidget {
  public:
    CInputView(QWidget* parent, CCreateContext* context);
    ~CInputView() override;

    // The first call registers the view with the module, attaches the field lists and
    // selects the last work mode; later calls do nothing.
    void OnInitialUpdate();

    void SelectWorkMode(const CString& guid);
    // The mode's help page in the resource folder; empty for an unknown GUID.
    CString HelpPagePath(const CString& guid) const;
    void OnStart();
    void OnStop();
    // msg is the clicked link's msg text: 1001 opens the help page, 1002 the home page.
    int OnLinkClicked(const CString& msg);
    void ArrangeControls(CTaskFieldList* list);

    CTaskFieldList* CurrentList() const { return m_pCurList; }
    // The field list of the registry's i-th mode.
    CTaskFieldList* List(int index) const { return m_lists[index]; }
    QPushButton* StartButton() const { return m_pStart; }
    QPushButton* StopButton() const { return m_pStop; }
    QGroupBox* GroupBox() const { return m_pGroup; }
    QLabel* Icon() const { return m_wndIcon; }
    CRichTextStatic* Help() const { return m_wndHelp; }
    QLabel* Instruction() const { return m_pInstruction; }
    bool IsRunning() const { return m_pTask != nullptr; }
    tabulon::platform::CNotifyHandle NotifyHandle() const;

    static constexpr const char* kInstructionText =
        "How to go: Enter necessary data in below list, and click 'Start' button.";
    static constexpr const char* kExcelRunningText =
        "The program detected that Excel is running. You are suggested to close Excel and "
        "click \"OK\" to proceed.";
    static constexpr int kMinHeight = 300;
    // The message the title's msg links send to the view.
    static constexpr int WM_LINKCLICKED = 0x8100;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void Init();
    void OnTaskNotify(tabulon::platform::CNotifyMessage message);

    CDocument* m_pDocument = nullptr;
    int m_bFirstUpdate = 1;
    std::shared_ptr<tabulon::engine::CTaskControl> m_pTask;
    QLabel* m_wndIcon = nullptr;
    CRichTextStatic* m_wndHelp = nullptr;
    QLabel* m_pInstruction = nullptr;
    QGroupBox* m_pGroup = nullptr;
    QPushButton* m_pStart = nullptr;
    QPushButton* m_pStop = nullptr;
    QWidget* m_pMinHeightMark = nullptr;  // the reference point of the minimum height
    CTaskFieldList* m_lists[8] = {};
    CTaskFieldList* m_pCurList = nullptr;
    QPixmap m_hBackground;
    CString m_strHelpPage;
    tabulon::gui::CNotifyPump* m_pPump = nullptr;
};

extern const CRuntimeClass classCInputView;
