#include "gui/richtext/rich_text_static.h"

CRichTextStatic::CRichTextStatic(QWidget* parent)
    : QLabel(parent),
      m_pDrawer(std::make_unique<CRichTextDrawer>()),
      m_textColor(0),
      m_backColor(0) {}
CRichTextStatic::~CRichTextStatic() = default;
void CRichTextStatic::SetText(const CString& text) {
    m_strText = text;
}
void CRichTextStatic::setText(const QString& text) {
    SetText(CString(text.toStdString()));
}
void CRichTextStatic::SetFont(const QFont&) {}
void CRichTextStatic::SetLinkColors(RichColor, bool, RichColor, bool) {}
void CRichTextStatic::SetLinkNotify(int message, std::intptr_t userValue) {
    m_pNotifyTarget = parent();
    m_nNotifyMessage = message;
    m_nNotifyValue = userValue;
}
void CRichTextStatic::SetMargins(int h, int v) {
    m_nMarginX = h, m_nMarginY = v;
}
void CRichTextStatic::SetAlignmentFlags(unsigned flags) {
    m_nAlignFlags = flags;
}
void CRichTextStatic::SetTextColor(RichColor color) {
    m_textColor = color;
}
void CRichTextStatic::SetBackground(RichColor color, BackgroundMode mode) {
    m_backColor = color;
    m_nBackMode = mode;
}
int CRichTextStatic::heightForWidth(int) const {
    return 0;
}
QSize CRichTextStatic::sizeHint() const {
    return {};
}
QSize CRichTextStatic::minimumSizeHint() const {
    return {};
}
void CRichTextStatic::paintEvent(QPaintEvent*) {}
void CRichTextStatic::resizeEvent(QResizeEvent*) {}
void CRichTextStatic::changeEvent(QEvent*) {}
void CRichTextStatic::mouseMoveEvent(QMouseEvent*) {}
void CRichTextStatic::mousePressEvent(QMouseEvent*) {}
void CRichTextStatic::leaveEvent(QEvent*) {}
CString CRichTextStatic::MarkupToDraw() const {
    return m_strText;
}
QSize CRichTextStatic::LayoutSize(int) const {
    return {};
}
void CRichTextStatic::UpdateHover(const QPoint&) {}
void CRichTextStatic::Redraw() {
    update();
}
