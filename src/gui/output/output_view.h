// COutputView: the lower pane, a one-column list of what the running task reports. Tasks
// post to the input view, which forwards each message here (RouteToOutputView); the view
// drains them on the GUI thread in posting order. A click on a plain line shows its text
// in a message box; on a line with details, the details dialog.
#pragma once

#include <QWidget>
#include <memory>

#include "gui/plugin/plugin_abi.h"
#include "platform/notify.h"

class QTreeView;

namespace tabulon::gui {
class COutputModel;
class CNotifyPump;
}  // namespace tabulon::gui

// The item data of a line that carries details: the TN_DETAIL record the line shows,
// owned by the output list until it is cleared.
class COutputItemData {
  public:
    virtual ~COutputItemData() = default;
    const StringRecord* m_pRecord = nullptr;
    int m_nKind = 2;
};

class COutputView : public QWidget {
  public:
    COutputView(QWidget* parent, CCreateContext* context);
    ~COutputView() override;

    // Where messages for this view are posted (from any thread).
    tabulon::platform::CNotifyHandle NotifyHandle() const;
    // Handles one message at once (GUI thread): what a sent, not posted, message does.
    void OnTaskNotify(int code, tabulon::platform::CNotifyPayload payload);
    void Clear();
    // The first selected line: its text in a message box, or its details dialog.
    void OnClickList();

    QTreeView* List() const { return m_list; }
    int LineCount() const;
    CString LineText(int index) const;
    // Null for a plain line.
    std::unique_ptr<COutputItemData> ItemData(int index) const;
    // The line showing progress, -1 when none.
    int ProgressItem() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    // Applies a message; true when it appended a line.
    bool ApplyTaskNotify(int code, tabulon::platform::CNotifyPayload payload);
    void ScrollToLastLine();

    CDocument* m_pDocument = nullptr;
    QTreeView* m_list = nullptr;
    tabulon::gui::COutputModel* m_pModel = nullptr;
    tabulon::gui::CNotifyPump* m_pPump = nullptr;
    bool m_bScrollPending = false;  // a batch of posted messages appended lines
};

extern const CRuntimeClass classCOutputView;

// Posts a task message unchanged to the output view among doc's views; false (and the
// message freed) when there is none.
bool RouteToOutputView(const CDocument* doc, tabulon::platform::CNotifyMessage message);
