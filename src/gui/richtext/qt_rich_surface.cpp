#include "gui/richtext/qt_rich_surface.h"

#include <QPaintDevice>
#include <QPainter>
#include <algorithm>

QColor ToQColor(RichColor color) {
    return QColor(RichRed(color), RichGreen(color), RichBlue(color));
}

RichColor FromQColor(const QColor& color) {
    return RichRgb(color.red(), color.green(), color.blue());
}

RichSystemColors SystemColorsFromPalette(const QPalette& p) {
    auto c = [&p](QPalette::ColorRole role, QPalette::ColorGroup group = QPalette::Active) {
        return FromQColor(p.color(group, role));
    };
    return {
        c(QPalette::Button),                               // scrollbar
        c(QPalette::Dark),                                 // background (desktop)
        c(QPalette::Highlight),                            // activecaption
        c(QPalette::Highlight, QPalette::Inactive),        // inactivecaption
        c(QPalette::Window),                               // menu
        c(QPalette::Base),                                 // window
        c(QPalette::Shadow),                               // windowframe
        c(QPalette::WindowText),                           // menutext
        c(QPalette::WindowText),                           // windowtext
        c(QPalette::HighlightedText),                      // captiontext
        c(QPalette::Window),                               // activeborder
        c(QPalette::Window),                               // inactiveborder
        c(QPalette::Mid),                                  // appworkspace
        c(QPalette::Highlight),                            // highlight
        c(QPalette::HighlightedText),                      // highlighttext
        c(QPalette::Button),                               // buttonface
        c(QPalette::Dark),                                 // buttonshadow
        c(QPalette::Text, QPalette::Disabled),             // graytext
        c(QPalette::ButtonText),                           // buttontext
        c(QPalette::HighlightedText, QPalette::Inactive),  // inactivecaptiontext
        c(QPalette::Light),                                // buttonhighlight
        c(QPalette::Shadow),                               // threeddarkshadow
        c(QPalette::Midlight),                             // threedlightshadow
        c(QPalette::ToolTipText),                          // infotext
        c(QPalette::ToolTipBase),                          // infobackground
    };
}

CQtRichSurface::CQtRichSurface(const QPaintDevice* device, QPainter* painter)
    : m_pDevice(device), m_pPainter(painter) {
    SetFont(RichFont());
}

int CQtRichSurface::PixelsPerInch() const {
    return m_pDevice ? m_pDevice->logicalDpiY() : 96;
}

void CQtRichSurface::SetFont(const RichFont& font) {
    if (m_metrics && font == m_richFont)
        return;
    m_richFont = font;
    m_font = QFont(QString::fromUtf8(font.face.GetString()));
    m_font.setPixelSize(std::max(font.size, 1));
    m_font.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 1, 1000)));
    m_font.setItalic(font.italic);
    m_font.setUnderline(font.underline);
    m_font.setStrikeOut(font.strikeout);
    m_font.setOverline(font.overline);
    m_metrics.emplace(m_font, m_pDevice);
}

RichFontMetrics CQtRichSurface::Metrics() {
    return {m_metrics->ascent(), m_metrics->descent(), m_metrics->xHeight()};
}

int CQtRichSurface::TextWidth(std::string_view text) {
    return m_metrics->horizontalAdvance(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void CQtRichSurface::DrawText(int x, int baseline, std::string_view text, RichColor color) {
    if (!m_pPainter)
        return;
    m_pPainter->setFont(m_font);
    m_pPainter->setPen(ToQColor(color));
    m_pPainter->drawText(QPoint(x, baseline),
                         QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void CQtRichSurface::FillRect(const RichRect& rect, RichColor color) {
    if (m_pPainter)
        m_pPainter->fillRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()),
                             ToQColor(color));
}

void CQtRichSurface::DrawLine(int x1, int y1, int x2, int y2, RichColor color, int width,
                              int style) {
    if (!m_pPainter)
        return;
    Qt::PenStyle pen = style == 2 ? Qt::DashLine : style == 3 ? Qt::DotLine : Qt::SolidLine;
    m_pPainter->setPen(QPen(ToQColor(color), std::max(width, 1), pen));
    m_pPainter->drawLine(x1, y1, x2, y2);
}
