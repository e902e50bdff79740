// CLayoutView: the one view the host makes. A vertical splitter covers it: the input
// pane on top (360 px high at the start; the user moves the bar) and the output view
// below. Both panes are made with the host's creation context.
#pragma once

#include <QWidget>

#include "gui/plugin/plugin_abi.h"

class QSplitter;

class CLayoutView : public QWidget {
  public:
    CLayoutView(QWidget* parent, CCreateContext* context);
    ~CLayoutView() override;

    QSplitter* Splitter() const { return m_wndSplitter; }
    // The pane of a row (0 input, 1 output), or null when it could not be made.
    QWidget* Pane(int row) const;

    // The classes of the two panes (the placeholder, a plain background that registers
    // nothing with the document, stands in for the input view where a test needs it).
    static const CRuntimeClass* s_pInputPaneClass;
    static const CRuntimeClass* s_pOutputPaneClass;

    static constexpr int kInputPaneHeight = 360;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void CreateSplitter(CCreateContext* context);

    CDocument* m_pDocument = nullptr;
    QSplitter* m_wndSplitter = nullptr;
    int m_bSplitterCreated = 0;
    QWidget* m_pPanes[2] = {nullptr, nullptr};
};

extern const CRuntimeClass classCLayoutView;
extern const CRuntimeClass classCInputPanePlaceholder;
