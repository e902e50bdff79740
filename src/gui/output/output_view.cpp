#include "gui/output/output_view.h"

#include <QHeaderView>
#include <QTreeView>

#include "gui/output/details_dlg.h"
#include "gui/output/output_model.h"
#include "gui/plugin/notify_pump.h"
#include "gui/plugin/plugin_app.h"
#include "platform/prompt.h"

namespace {

QWidget* CreateOutputView(QWidget* parent, CCreateContext* context) {
    return new COutputView(parent, context);
}

}  // namespace

const CRuntimeClass classCOutputView = {"COutputView", nullptr, &CreateOutputView};

COutputView::COutputView(QWidget* parent, CCreateContext* context) : QWidget(parent) {
    m_pModel = new tabulon::gui::COutputModel(this);
    m_list = new QTreeView(this);
    m_list->setModel(m_pModel);
    m_list->setHeaderHidden(true);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setItemsExpandable(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // One column as wide as the list: a line too long for it ends in an ellipsis and is
    // shown whole on a click (and in its tooltip).
    m_list->setTextElideMode(Qt::ElideRight);
    m_list->header()->setStretchLastSection(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_list, &QTreeView::clicked, this, [this] { OnClickList(); });

    // Posted messages come in batches: the list scrolls once per batch, not once per line,
    // which keeps thousands of lines fluid.
    m_pPump = new tabulon::gui::CNotifyPump(
        [this](tabulon::platform::CNotifyMessage message) {
            m_bScrollPending |= ApplyTaskNotify(message.code, std::move(message.payload));
        },
        [this] {
            if (m_bScrollPending)
                ScrollToLastLine();
            m_bScrollPending = false;
        },
        this);

    if (context && context->m_pCurrentDoc) {
        m_pDocument = context->m_pCurrentDoc;
        m_pDocument->AddView(this, &classCOutputView);
    }
}

COutputView::~COutputView() {
    if (m_pDocument)
        m_pDocument->RemoveView(this);
    delete m_pPump;  // no message is handled from here on
    m_pPump = nullptr;
}

tabulon::platform::CNotifyHandle COutputView::NotifyHandle() const {
    return m_pPump->Handle();
}

void COutputView::OnTaskNotify(int code, tabulon::platform::CNotifyPayload payload) {
    if (ApplyTaskNotify(code, std::move(payload)))
        ScrollToLastLine();
}

bool COutputView::ApplyTaskNotify(int code, tabulon::platform::CNotifyPayload payload) {
    bool appended = false;
    for (const auto& change : m_pModel->Apply(code, std::move(payload)))
        appended |= change.kind == tabulon::output::OutputChange::Kind::Appended;
    return appended;
}

void COutputView::ScrollToLastLine() {
    // Lines are only appended at the bottom, so the newest line is the last one.
    if (LineCount() > 0)
        m_list->scrollTo(m_pModel->index(LineCount() - 1), QAbstractItemView::EnsureVisible);
}

void COutputView::Clear() {
    m_pModel->Clear();
}

void COutputView::OnClickList() {
    const int line = GetSelectedItem(m_list);
    if (line < 0 || line >= LineCount())
        return;
    std::unique_ptr<COutputItemData> data = ItemData(line);
    if (!data) {
        tabulon::platform::MessageBoxOk(LineText(line));
        return;
    }
    CDetailsDlg dialog(m_pModel->Lines().DetailsOf(line), this);
    dialog.exec();
}

int COutputView::LineCount() const {
    return m_pModel->rowCount();
}

CString COutputView::LineText(int index) const {
    return m_pModel->Lines().Line(index).text;
}

std::unique_ptr<COutputItemData> COutputView::ItemData(int index) const {
    const tabulon::output::OutputLine& line = m_pModel->Lines().Line(index);
    if (!line.detail)
        return nullptr;
    auto data = std::make_unique<COutputItemData>();
    data->m_pRecord = line.detail.get();
    return data;
}

int COutputView::ProgressItem() const {
    return m_pModel->Lines().ProgressIndex();
}

void COutputView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The list's border lies just outside the pane.
    m_list->setGeometry(-2, -2, width() + 4, height() + 4);
}

bool RouteToOutputView(const CDocument* doc, tabulon::platform::CNotifyMessage message) {
    auto* view = static_cast<COutputView*>(FindView(doc, &classCOutputView));
    if (!view)
        return false;
    return view->NotifyHandle().Post(message.code, std::move(message.payload), message.message);
}
