// The rich-text engine's drawing surface on Qt: QPainter for drawing, the device's font
// metrics for measuring; and the system colours of the markup taken from a palette.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QPalette>
#include <optional>

#include "gui/richtext/markup/rich_text_drawer.h"

class QPainter;
class QPaintDevice;

QColor ToQColor(RichColor color);
RichColor FromQColor(const QColor& color);

// The 25 system colours of the markup, from the palette's roles.
RichSystemColors SystemColorsFromPalette(const QPalette& palette);

class CQtRichSurface : public IRichTextSurface {
  public:
    // Measures with device's metrics; draws only when painter is given.
    CQtRichSurface(const QPaintDevice* device, QPainter* painter);

    int PixelsPerInch() const override;
    void SetFont(const RichFont& font) override;
    RichFontMetrics Metrics() override;
    int TextWidth(std::string_view text) override;
    void DrawText(int x, int baseline, std::string_view text, RichColor color) override;
    void FillRect(const RichRect& rect, RichColor color) override;
    void DrawLine(int x1, int y1, int x2, int y2, RichColor color, int width, int style) override;

  private:
    const QPaintDevice* m_pDevice;
    QPainter* m_pPainter;
    RichFont m_richFont;
    QFont m_font;
    std::optional<QFontMetrics> m_metrics;
};
