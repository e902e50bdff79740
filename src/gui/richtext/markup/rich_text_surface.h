// What the rich-text engine draws on: fonts, metrics, text, lines and fills, and the
// device's pixels per inch. The control draws with QPainter through it; tests use a fake.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/cstring.h"

// A colour as 0x00BBGGRR (red in the low byte).
using RichColor = std::uint32_t;

constexpr RichColor RichRgb(int r, int g, int b) {
    return static_cast<RichColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RichRed(RichColor c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int RichGreen(RichColor c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int RichBlue(RichColor c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

struct RichRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const RichRect&) const = default;
};

struct RichFont {
    CString face;
    int size = 13;  // pixels
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    bool overline = false;

    bool operator==(const RichFont&) const = default;
};

struct RichFontMetrics {
    int ascent = 0;
    int descent = 0;
    int xHeight = 0;  // the height of "x"
};

class IRichTextSurface {
  public:
    virtual ~IRichTextSurface() = default;

    // Vertical pixels per inch of the device.
    virtual int PixelsPerInch() const = 0;
    // The font of the following measuring and drawing.
    virtual void SetFont(const RichFont& font) = 0;
    virtual RichFontMetrics Metrics() = 0;
    // Width in pixels of a UTF-8 text in the current font.
    virtual int TextWidth(std::string_view text) = 0;
    // Draws text with its baseline at y, decorations as the current font says.
    virtual void DrawText(int x, int baseline, std::string_view text, RichColor color) = 0;
    virtual void FillRect(const RichRect& rect, RichColor color) = 0;
    // A horizontal or vertical line of the given thickness; style as border-style.
    virtual void DrawLine(int x1, int y1, int x2, int y2, RichColor color, int width,
                          int style) = 0;
};
