#include "gui/plugin/layout_view.h"

#include <QPainter>
#include <QResizeEvent>
#include <QSplitter>

#include "gui/input/input_view.h"
#include "gui/output/output_view.h"
#include "gui/plugin/plugin_app.h"
#include "platform/prompt.h"

namespace {

QWidget* CreateLayoutView(QWidget* parent, CCreateContext* context) {
    return new CLayoutView(parent, context);
}

// The top pane until the input view exists: the module's background, nothing else.
class CInputPanePlaceholder : public QWidget {
  public:
    explicit CInputPanePlaceholder(QWidget* parent)
        : QWidget(parent),
          m_background(LoadBitmapFile(theApp.GetResourceFolder() + "/background.bmp")) {
        setObjectName(QStringLiteral("InputPanePlaceholder"));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        FillWithBitmap(m_background, painter, 0, 0, width(), height());
    }

  private:
    QPixmap m_background;
};

QWidget* CreatePlaceholder(QWidget* parent, CCreateContext*) {
    return new CInputPanePlaceholder(parent);
}

}  // namespace

const CRuntimeClass classCLayoutView = {"CLayoutView", nullptr, &CreateLayoutView};
const CRuntimeClass classCInputPanePlaceholder = {"CInputPanePlaceholder", nullptr,
                                                  &CreatePlaceholder};

const CRuntimeClass* CLayoutView::s_pInputPaneClass = &classCInputView;
const CRuntimeClass* CLayoutView::s_pOutputPaneClass = &classCOutputView;

CLayoutView::CLayoutView(QWidget* parent, CCreateContext* context) : QWidget(parent) {
    theApp.InstallPromptService();
    if (context && context->m_pCurrentDoc) {
        m_pDocument = context->m_pCurrentDoc;
        m_pDocument->AddView(this, &classCLayoutView);
    }
    CreateSplitter(context);
}

CLayoutView::~CLayoutView() {
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

QWidget* CLayoutView::Pane(int row) const {
    return (row == 0 || row == 1) ? m_pPanes[row] : nullptr;
}

void CLayoutView::CreateSplitter(CCreateContext* context) {
    m_wndSplitter = new QSplitter(Qt::Vertical, this);
    m_wndSplitter->setChildrenCollapsible(false);
    m_bSplitterCreated = 1;

    m_pPanes[0] = s_pInputPaneClass->CreateObject(m_wndSplitter, context);
    if (!m_pPanes[0]) {
        tabulon::platform::MessageBoxOk("Can't Create InputView!");
        return;
    }
    m_pPanes[0]->resize(320, kInputPaneHeight);
    m_wndSplitter->addWidget(m_pPanes[0]);

    m_pPanes[1] = s_pOutputPaneClass->CreateObject(m_wndSplitter, context);
    if (!m_pPanes[1]) {
        tabulon::platform::MessageBoxOk("Can't Create OutputView!");
        return;
    }
    m_pPanes[1]->resize(100, 100);
    m_wndSplitter->addWidget(m_pPanes[1]);
    // The input pane keeps its height when the window grows; the output pane takes the rest.
    m_wndSplitter->setStretchFactor(0, 0);
    m_wndSplitter->setStretchFactor(1, 1);
    m_wndSplitter->setSizes({kInputPaneHeight, 100});
}

void CLayoutView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_wndSplitter || !m_bSplitterCreated)
        return;
    const int cx = event->size().width();
    const int cy = event->size().height();
    m_wndSplitter->setGeometry(-2, -2, cx + 4, cy + 4);
}
