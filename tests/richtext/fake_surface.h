// A drawing surface for the markup engine's tests: every character is half the font size
// wide, and whatever is drawn is recorded.
#pragma once

#include <string>
#include <vector>

#include "gui/richtext/markup/rich_text_surface.h"

namespace tabulon::richtext::testing {

class CFakeSurface : public IRichTextSurface {
  public:
    struct Text {
        int x, baseline;
        std::string text;
        RichColor color;
        RichFont font;
    };
    struct Fill {
        RichRect rect;
        RichColor color;
    };

    int PixelsPerInch() const override { return 96; }
    void SetFont(const RichFont& font) override { m_font = font; }
    RichFontMetrics Metrics() override {
        return {m_font.size - m_font.size / 4, m_font.size / 4, m_font.size / 2};
    }
    int TextWidth(std::string_view text) override {
        ++m_nMeasured;
        int characters = 0;
        for (char c : text)
            characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        return characters * (m_font.size / 2);
    }
    void DrawText(int x, int baseline, std::string_view text, RichColor color) override {
        m_texts.push_back({x, baseline, std::string(text), color, m_font});
    }
    void FillRect(const RichRect& rect, RichColor color) override {
        m_fills.push_back({rect, color});
    }
    void DrawLine(int, int, int, int, RichColor, int, int) override {}

    RichFont m_font;
    std::vector<Text> m_texts;
    std::vector<Fill> m_fills;
    long m_nMeasured = 0;
};

}  // namespace tabulon::richtext::testing
