#include "gui/controls/property_list.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kRowHeight = 20;    // at 96 dpi
constexpr int kSplitX = 290;      // the column line's first place, at 96 dpi
constexpr int kGrabDistance = 5;  // how near the line a press grabs it
constexpr int kTrackMargin = 10;  // the dragged line stays this far from the sides
const QColor kLabelColumn(220, 220, 220);

class CPropertyDelegate : public QStyledItemDelegate {
  public:
    explicit CPropertyDelegate(CPropertyList* list) : QStyledItemDelegate(list), m_pList(list) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        m_pList->DrawItem(*painter, index.row(), option.rect);
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return QSize(0, m_pList->RowHeight());
    }

  private:
    CPropertyList* m_pList;
};

// A sunken edge along the right or bottom side of a rectangle, as the classic look draws it.
void SunkenRight(QPainter& dc, const QRect& r) {
    dc.setPen(QColor(255, 255, 255));
    dc.drawLine(r.right(), r.top(), r.right(), r.bottom());
    dc.setPen(QColor(160, 160, 160));
    dc.drawLine(r.right() - 1, r.top(), r.right() - 1, r.bottom());
}
void SunkenBottom(QPainter& dc, const QRect& r) {
    dc.setPen(QColor(255, 255, 255));
    dc.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    dc.setPen(QColor(160, 160, 160));
    dc.drawLine(r.left(), r.bottom() - 1, r.right(), r.bottom() - 1);
}

}  // namespace

void CPropertyItem::DrawValue(QPainter& dc, const QRect& rect) {
    dc.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                QString::fromUtf8(m_strValue.GetString()));
}

CPropertyList::CPropertyList(QWidget* parent) : QListWidget(parent) {
    // The list's 8-point font, a little narrowed: the labels were written for a narrow
    // face and the 290-pixel label column.
    m_font = QApplication::font();
    m_font.setPointSize(8);
    m_font.setStretch(QFont::SemiCondensed);
    setFont(m_font);
    setItemDelegate(new CPropertyDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setMouseTracking(true);
    setFrameShape(QFrame::StyledPanel);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) { OnSelChange(row); });
}

CPropertyList::~CPropertyList() = default;

int CPropertyList::AddRow(CPropertyItem* item) {
    m_rows.emplace_back(item);
    addItem(QString());
    item->m_pList = this;
    item->CreateEditors(m_font);
    return count() - 1;
}

CPropertyItem* CPropertyList::GetItem(int index) const {
    if (index < 0 || index >= GetCount())
        return nullptr;
    return m_rows[index].get();
}

void CPropertyList::EndEdit() {
    if (CPropertyItem* item = GetItem(m_nCurSel))
        item->EndEdit();
    m_nCurSel = -1;
    m_nPrevSel = -1;
    // The row counts as unchosen again, so choosing it reopens its editor.
    QSignalBlocker block(this);
    setCurrentRow(-1);
    viewport()->update();
}

void CPropertyList::RouteCommand(int notifyCode, int id) {
    if (CPropertyItem* item = GetItem(m_nCurSel))
        item->OnCommand(notifyCode, id);
}

int CPropertyList::Scaled(int pixels) const {
    const double dpi = logicalDpiY() > 0 ? logicalDpiY() : 96;
    return static_cast<int>(std::lround(pixels * std::max(1.0, dpi / 96.0)));
}

int CPropertyList::RowHeight() const {
    // The 96-dpi size, or more when the font needs it.
    return std::max(Scaled(kRowHeight), QFontMetrics(m_font).height() + 6);
}

QRect CPropertyList::ValueRect(int index) const {
    QRect rect = visualItemRect(item(index));
    rect.setLeft(m_nSplitX);
    return rect;
}

int CPropertyList::FirstSplitX() const {
    // 290 pixels, or more where a label needs it in the platform's font.
    int widest = 0;
    QFont bold = m_font;
    bold.setWeight(QFont::Bold);
    const QFontMetrics plainMetrics(m_font), boldMetrics(bold);
    for (const auto& row : m_rows) {
        const QString label = QString::fromUtf8(row->m_strLabel.GetString());
        widest =
            std::max(widest, (row->m_bBold ? boldMetrics : plainMetrics).horizontalAdvance(label));
    }
    return std::max(Scaled(kSplitX), widest + 8);
}

void CPropertyList::DrawItem(QPainter& dc, int index, const QRect& rect) {
    if (m_nSplitX == 0)
        m_nSplitX = FirstSplitX();
    const int s = m_nSplitX;
    CPropertyItem* item = GetItem(index);
    if (!item)
        return;
    dc.save();
    const QRect label(QPoint(rect.left(), rect.top()), QPoint(s - 1, rect.bottom()));
    const QRect value(QPoint(s, rect.top()), rect.bottomRight());
    dc.fillRect(value, Qt::white);
    dc.fillRect(label, kLabelColumn);
    SunkenRight(dc, label);
    SunkenBottom(dc, label);
    SunkenBottom(dc, value);

    QFont labelFont = m_font;
    if (item->m_bBold)
        labelFont.setWeight(QFont::Bold);
    dc.setFont(labelFont);
    dc.setPen(Qt::black);
    dc.drawText(QRect(QPoint(rect.left() + 3, rect.top()), QPoint(s - 4, rect.bottom())),
                Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                QString::fromUtf8(item->m_strLabel.GetString()));
    dc.setFont(m_font);
    item->DrawValue(dc, QRect(QPoint(s + 3, rect.top()), QPoint(rect.right(), rect.bottom())));
    dc.restore();
}

void CPropertyList::OnSelChange(int row) {
    m_nPrevSel = m_nCurSel;
    m_nCurSel = row;
    if (CPropertyItem* previous = GetItem(m_nPrevSel))
        previous->EndEdit();
    if (CPropertyItem* current = GetItem(m_nCurSel)) {
        if (m_nSplitX == 0)
            m_nSplitX = FirstSplitX();
        const QRect r = ValueRect(m_nCurSel);
        current->BeginEdit(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
    }
    viewport()->update();
}

bool CPropertyList::NearSplit(int x) const {
    return m_nSplitX > 0 && x >= m_nSplitX - kGrabDistance && x <= m_nSplitX + kGrabDistance;
}

void CPropertyList::mousePressEvent(QMouseEvent* event) {
    const int x = static_cast<int>(event->position().x());
    if (event->button() == Qt::LeftButton && NearSplit(x)) {
        viewport()->setCursor(Qt::SizeHorCursor);
        EndEdit();
        m_bTracking = 1;
        m_nTrackX = x;
        viewport()->update();
        return;  // the viewport keeps the mouse until the release
    }
    m_bTracking = 0;
    QListWidget::mousePressEvent(event);
}

void CPropertyList::mouseMoveEvent(QMouseEvent* event) {
    const int x = static_cast<int>(event->position().x());
    if (m_bTracking) {
        m_nTrackX = std::clamp(x, kTrackMargin, std::max(kTrackMargin, width() - kTrackMargin));
        viewport()->update();
        return;
    }
    if (NearSplit(x))
        viewport()->setCursor(Qt::SizeHorCursor);
    else
        viewport()->unsetCursor();
    QListWidget::mouseMoveEvent(event);
}

void CPropertyList::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_bTracking) {
        QListWidget::mouseReleaseEvent(event);
        return;
    }
    m_bTracking = 0;
    viewport()->unsetCursor();
    const int x = static_cast<int>(event->position().x());
    m_nSplitX = std::clamp(x, kTrackMargin, std::max(kTrackMargin, width() - kTrackMargin));
    viewport()->update();
}

void CPropertyList::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    if (!m_bTracking)
        return;
    QPainter dc(viewport());
    dc.setCompositionMode(QPainter::RasterOp_NotDestination);
    dc.drawLine(m_nTrackX, 0, m_nTrackX, viewport()->height());
}

void CPropertyList::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    // The open editor follows the value column's new width.
    if (CPropertyItem* item = GetItem(m_nCurSel)) {
        item->EndEdit();
        const QRect r = ValueRect(m_nCurSel);
        item->BeginEdit(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
    }
}
