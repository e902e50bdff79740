#include "gui/richtext/rich_text_static.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "gui/richtext/qt_rich_surface.h"

namespace {

// The system colours the control uses by their classic index.
constexpr int kWindowText = 8;
constexpr int kButtonFace = 15;
constexpr int kButtonShadow = 16;
constexpr int kButtonHighlight = 20;

CString HexColor(RichColor color) {
    CString text;
    text.Format("0x%06X", static_cast<unsigned>(color & 0xFFFFFF));
    return text;
}

}  // namespace

CRichTextStatic::CRichTextStatic(QWidget* parent) : QLabel(parent), m_textColor(0), m_backColor(0) {
    const RichSystemColors colors = SystemColorsFromPalette(palette());
    m_pDrawer = std::make_unique<CRichTextDrawer>(&colors);
    m_pDrawer->SetDisabledColor(colors[kButtonShadow]);
    m_textColor = colors[kWindowText];
    m_backColor = colors[kButtonFace];
    m_pDrawer->SetHotLinkHandler([this] { Redraw(); });
    m_pDrawer->SetMessageHandler([this](const CString& text) {
        if (!m_pNotifyTarget || m_nNotifyMessage < QEvent::User ||
            m_nNotifyMessage > QEvent::MaxUser)
            return;
        CLinkNotifyEvent event(m_nNotifyMessage, text, m_nNotifyValue);
        QCoreApplication::sendEvent(m_pNotifyTarget, &event);
    });
    SetLinkColors(RichRgb(0, 0, 255), false, RichRgb(0, 0, 255), true);
    // A static control wraps its words and starts at the top unless told otherwise.
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMouseTracking(true);
    SetFont(font());
    SetText(CString());
}

CRichTextStatic::~CRichTextStatic() = default;

void CRichTextStatic::SetText(const CString& text) {
    m_strText = text;
    m_pDrawer->SetText(MarkupToDraw());
    updateGeometry();
    Redraw();
}

void CRichTextStatic::setText(const QString& text) {
    SetText(CString(text.toStdString()));
}

void CRichTextStatic::SetFont(const QFont& font) {
    // Sizes in points as the font has them (a font given in pixels keeps its pixels).
    CString rule;
    const CString size = font.pointSize() > 0 ? CString(std::to_string(font.pointSize()) + "pt")
                                              : CString(std::to_string(font.pixelSize()) + "px");
    rule.Format("font-size:%s; color:%s; font-family:%s; font-weight:%d", size.GetString(),
                HexColor(m_pDrawer->SystemColor(kWindowText)).GetString(),
                font.family().toUtf8().constData(), static_cast<int>(font.weight()));
    if (font.italic())
        rule += "; font-style:italic";
    m_pDrawer->SetStyleRule("body", rule);
    updateGeometry();
    Redraw();
}

void CRichTextStatic::SetLinkColors(RichColor normal, bool normalUnderline, RichColor hover,
                                    bool hoverUnderline) {
    auto rule = [](RichColor color, bool underline) {
        return "color:" + HexColor(color) +
               "; text-decoration:" + (underline ? "underline" : "none");
    };
    m_pDrawer->SetStyleRule("a:link", rule(normal, normalUnderline));
    m_pDrawer->SetStyleRule("a:hover", rule(hover, hoverUnderline));
    Redraw();
}

void CRichTextStatic::SetLinkNotify(int message, std::intptr_t userValue) {
    m_pNotifyTarget = parent();
    m_nNotifyMessage = message;
    m_nNotifyValue = userValue;
}

void CRichTextStatic::SetMargins(int horizontal, int vertical) {
    m_nMarginX = std::max(horizontal, 0);
    m_nMarginY = std::max(vertical, 0);
    updateGeometry();
    Redraw();
}

void CRichTextStatic::SetAlignmentFlags(unsigned flags) {
    m_nAlignFlags = flags & 0xF;
    Redraw();
}

void CRichTextStatic::SetTextColor(RichColor color) {
    m_textColor = color;
    m_pDrawer->SetText(MarkupToDraw());
    Redraw();
}

void CRichTextStatic::SetBackground(RichColor color, BackgroundMode mode) {
    m_backColor = color;
    m_nBackMode = mode;
    m_background = QImage();
    setAttribute(Qt::WA_OpaquePaintEvent, mode == BackPlain);
    Redraw();
}

CString CRichTextStatic::MarkupToDraw() const {
    if (m_textColor == kNoColor)
        return m_strText;
    return "<font color=" + HexColor(m_textColor) + ">" + m_strText + "</font>";
}

QSize CRichTextStatic::LayoutSize(int width) const {
    CQtRichSurface surface(this, nullptr);
    auto [w, h] = m_pDrawer->Measure(surface, width);
    return {w, h};
}

int CRichTextStatic::heightForWidth(int width) const {
    return LayoutSize(std::max(width - 2 * m_nMarginX - 1, 1)).height() + 2 * m_nMarginY;
}

QSize CRichTextStatic::sizeHint() const {
    QSize size = LayoutSize(0);
    return {size.width() + 2 * m_nMarginX + 1, size.height() + 2 * m_nMarginY};
}

QSize CRichTextStatic::minimumSizeHint() const {
    return {2 * m_nMarginX + 1, fontMetrics().height() + 2 * m_nMarginY};
}

void CRichTextStatic::paintEvent(QPaintEvent*) {
    const QRect client = rect();
    const qreal ratio = devicePixelRatioF();
    if (m_background.isNull() || m_background.size() != client.size() * ratio) {
        m_background = QImage(client.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        m_background.setDevicePixelRatio(ratio);
        m_background.fill(m_nBackMode == BackPlain ? ToQColor(m_backColor) : Qt::transparent);
    }

    const bool wrap = wordWrap();
    const int wrapWidth = std::max(client.width() - 2 * m_nMarginX - 1, 1);
    QSize size = LayoutSize(wrap ? wrapWidth : 0);
    size = size.boundedTo(client.size());

    unsigned horizontal = m_nAlignFlags & 3, vertical = m_nAlignFlags & 12;
    const Qt::Alignment own = alignment();
    if (horizontal == 0)
        horizontal = own & Qt::AlignHCenter ? AlignHCenter
                     : own & Qt::AlignRight ? AlignRight
                                            : AlignLeft;
    if (vertical == 0)
        vertical = own & Qt::AlignVCenter  ? AlignVCenter
                   : own & Qt::AlignBottom ? AlignBottom
                                           : AlignTop;
    const int x = horizontal == AlignLeft    ? client.left() + m_nMarginX
                  : horizontal == AlignRight ? client.right() + 1 - m_nMarginX - size.width()
                                             : client.left() + (client.width() - size.width()) / 2;
    const int y = vertical == AlignTop      ? client.top() + m_nMarginY
                  : vertical == AlignBottom ? client.bottom() + 1 - m_nMarginY - size.height()
                                            : client.top() + (client.height() - size.height()) / 2;
    m_textRect = QRect(x, y, size.width(), size.height());

    QImage work = m_background;
    {
        QPainter painter(&work);
        painter.setRenderHint(QPainter::TextAntialiasing);
        CQtRichSurface surface(&work, &painter);
        // Laid out for the wrapping width even when the block is narrower.
        RichRect box{x, y, x + (wrap ? wrapWidth : size.width()), y + size.height()};
        if (wrap && horizontal != AlignLeft)
            box = {client.left() + m_nMarginX, y, client.left() + m_nMarginX + wrapWidth,
                   y + size.height()};
        m_pDrawer->SetEnabled(isEnabled());
        if (isEnabled()) {
            m_pDrawer->Draw(surface, box, !wrap);
        } else {
            // Embossed: the highlight one pixel right and down, then the shadow in place.
            m_pDrawer->SetDisabledColor(m_pDrawer->SystemColor(kButtonHighlight));
            m_pDrawer->Draw(surface, {box.left + 1, box.top + 1, box.right + 1, box.bottom + 1},
                            !wrap);
            m_pDrawer->SetDisabledColor(m_pDrawer->SystemColor(kButtonShadow));
            m_pDrawer->Draw(surface, box, !wrap);
        }
    }
    QPainter(this).drawImage(0, 0, work);
}

void CRichTextStatic::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    m_background = QImage();
}

void CRichTextStatic::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    switch (event->type()) {
        case QEvent::FontChange:
            SetFont(font());
            break;
        case QEvent::EnabledChange:
            m_pDrawer->SetEnabled(isEnabled());
            if (!isEnabled()) {
                m_pDrawer->HitTest(-1, -1);
                unsetCursor();
            }
            Redraw();
            break;
        case QEvent::PaletteChange:
            m_background = QImage();
            Redraw();
            break;
        default:
            break;
    }
}

void CRichTextStatic::UpdateHover(const QPoint& pos) {
    if (!isEnabled())
        return;
    const int index = m_pDrawer->HitTest(pos.x(), pos.y());
    if (index >= 0 && !m_pDrawer->LinkAreas()[index].text.IsEmpty())
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void CRichTextStatic::mouseMoveEvent(QMouseEvent* event) {
    UpdateHover(event->position().toPoint());
    QLabel::mouseMoveEvent(event);
}

void CRichTextStatic::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && isEnabled() && m_textRect.contains(pos)) {
        const int index = m_pDrawer->HitTest(pos.x(), pos.y());
        if (index >= 0) {
            m_pDrawer->ActivateLink(index);
            event->accept();
            return;
        }
    }
    QLabel::mousePressEvent(event);
}

void CRichTextStatic::leaveEvent(QEvent* event) {
    m_pDrawer->HitTest(-1, -1);
    unsetCursor();
    QLabel::leaveEvent(event);
}

void CRichTextStatic::Redraw() {
    update();
}
