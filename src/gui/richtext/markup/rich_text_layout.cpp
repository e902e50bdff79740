// The layout of a prepared markup text: tokens to styled pieces on lines, with word
// wrapping, alignment and link ids; and drawing the pieces.
#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "gui/richtext/markup/rich_text_drawer.h"
#include "gui/richtext/markup/rich_text_styles.h"

using namespace tabulon::richtext;

namespace {

constexpr std::string_view kBreakCharacters = " -.,!:;)}]?";

bool IsBlankOnly(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string_view TrimBlanks(std::string_view s, bool left, bool right) {
    while (left && !s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (right && !s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// The tags that save the style before changing it (their closing tag restores it).
bool IsStyledTag(const CString& name) {
    static constexpr const char* kTags[] = {
        "b",      "i",     "em",      "u",        "s",   "strike",  "font",   "left",
        "center", "right", "justify", "baseline", "top", "vcenter", "middle", "bottom",
        "body",   "h1",    "h2",      "h3",       "h4",  "h5",      "h6",     "code",
        "pre",    "big",   "small",   "sub",      "sup", "span",    "a"};
    for (const char* tag : kTags) {
        if (name == tag)
            return true;
    }
    return false;
}

int CountOf(const RichToken& tag) {
    if (const CString* count = tag.Attribute("count"))
        return static_cast<int>(std::clamp(std::strtol(*count, nullptr, 10), 1L, 100L));
    CString rest = tag.rest;
    rest.TrimLeft("= ");
    return static_cast<int>(std::clamp(std::strtol(rest, nullptr, 10), 1L, 100L));
}

}  // namespace

class CRichTextDrawer::CLayout {
  public:
    CLayout(CRichTextDrawer& drawer, IRichTextSurface& surface, int width)
        : m_drawer(drawer),
          m_surface(surface),
          m_ctx{surface, drawer.m_systemColors},
          m_bWrap(width > 0),
          m_nLineWidth(std::max(width, 0)) {}

    void Run(const CString& source) {
        std::string_view text = source.Str();
        size_t pos = 0;
        RichToken token;
        while (NextToken(text, pos, token)) {
            if (!token.isTag)
                PlaceRun(TransformText(token.text, m_style.transform));
            else if (token.closing)
                CloseTag(token.text);
            else
                OpenTag(token);
        }
        EndLine(false);
        Finish();
    }

    std::vector<RichPiece> m_pieces;
    int m_nWidth = 0;
    int m_nHeight = 0;

  private:
    struct Line {
        size_t first;
        size_t last;
        int width;
        int align;
    };
    struct Extent {
        int ascent;
        int descent;
    };

    void OpenTag(const RichToken& tag) {
        const CString& name = tag.text;
        if (name == "br") {
            for (int i = CountOf(tag); i > 0; --i)
                EndLine(true);
            return;
        }
        if (name == "t") {
            Tab(CountOf(tag));
            return;
        }
        if (name == "hr") {
            Rule(tag);
            return;
        }
        if (!IsStyledTag(name))
            return;
        m_stack.emplace_back(name, m_style);
        if (name == "b") {
            m_style.weight = std::min(m_style.weight * 2, 900);
        } else if (name == "i" || name == "em") {
            m_style.italic = !m_style.italic;
        } else if (name == "u") {
            m_style.underline = !m_style.underline;
        } else if (name == "s" || name == "strike") {
            m_style.strikeout = !m_style.strikeout;
        } else if (name == "font") {
            ApplyFontAttributes(m_style, tag, m_ctx);
        } else if (name == "left" || name == "center" || name == "right" || name == "justify") {
            m_style.hAlign = name == "left" ? 0 : name == "center" ? 1 : name == "right" ? 2 : 3;
        } else if (name == "baseline" || name == "top" || name == "vcenter" || name == "middle" ||
                   name == "bottom") {
            m_style.vAlign = name == "baseline" ? 3 : name == "top" ? 0 : name == "bottom" ? 2 : 1;
        } else if (name == "span") {
            if (const CString* cls = tag.Attribute("class"))
                ApplyRule(CString(".") + *cls);
        } else if (name == "a") {
            OpenLink(tag);
        } else {
            ApplyRule(name);
        }
    }

    void OpenLink(const RichToken& tag) {
        m_style.linkId = m_nNextLinkId++;
        if (const CString* href = tag.Attribute("href")) {
            m_style.linkKind = 1;
            m_style.linkText = *href;
        } else if (const CString* msg = tag.Attribute("msg")) {
            m_style.linkKind = 2;
            m_style.linkText = *msg;
        } else {
            m_style.linkKind = 0;
            m_style.linkText.Empty();
        }
        ApplyRule(m_style.linkId == m_drawer.m_nHotLink ? "a:hover" : "a:link");
    }

    void CloseTag(const CString& name) {
        if (!m_stack.empty() && m_stack.back().first == name) {
            m_style = std::move(m_stack.back().second);
            m_stack.pop_back();
        }
    }

    void ApplyRule(const CString& selector) {
        CString rule = m_drawer.StyleRule(selector);
        if (!rule.IsEmpty())
            ApplyProperties(m_style, rule.Str(), m_ctx);
    }

    Extent FontExtent(const RichTextStyle& style) {
        m_surface.SetFont(style.Font());
        RichFontMetrics metrics = m_surface.Metrics();
        return {metrics.ascent, metrics.descent};
    }

    int Width(std::string_view text) { return m_surface.TextWidth(text); }

    // How much of a run is measured at most to decide whether it fits width: every
    // character is taken to be at least half a pixel wide.
    static size_t Probe(int width) { return static_cast<size_t>(std::max(width, 0)) * 2 + 64; }

    // Whether text fits width, measuring no more of a long run than can decide it.
    bool Fits(std::string_view text, int width) {
        size_t probe = Probe(width);
        if (text.size() > probe) {
            size_t cut = probe;
            while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
                --cut;
            if (Width(text.substr(0, cut)) > width)
                return false;
        }
        return Width(text) <= width;
    }

    bool LineEmpty() const { return m_pieces.size() == m_nLineFirst && m_nX == 0; }

    void PlaceRun(const CString& run) {
        if (run.IsEmpty())
            return;
        FontExtent(m_style);  // selects the run's font for measuring
        std::string_view text = run.Str();
        while (!text.empty()) {
            const int remaining = m_nLineWidth - m_nX;
            if (!m_bWrap || Fits(text, remaining)) {
                AddPiece(text);
                return;
            }
            // The last break character whose run before it still fits.
            // (A candidate longer than Fits's probe cannot fit: no need to look further.)
            const std::string_view window = text.substr(0, Probe(remaining) + 1);
            size_t breakAt = std::string_view::npos;
            for (size_t i = window.find_first_of(kBreakCharacters, 1); i != std::string_view::npos;
                 i = window.find_first_of(kBreakCharacters, i + 1)) {
                if (Width(text.substr(0, i)) > remaining)
                    break;
                breakAt = i;
            }
            if (breakAt != std::string_view::npos) {
                std::string_view part = TrimBlanks(text.substr(0, breakAt + 1), false, true);
                if (!part.empty())
                    AddPiece(part);
                text = TrimBlanks(text.substr(breakAt + 1), true, false);
                if (!part.empty())
                    EndLine(false);
                continue;
            }
            if (LineEmpty()) {
                size_t cut = CutFitting(text, remaining);
                AddPiece(text.substr(0, cut));
                text = text.substr(cut);
                if (!text.empty())
                    EndLine(false);
                continue;
            }
            // Nothing of the run fits after what the line holds: it starts the next line.
            EndLine(false);
            text = TrimBlanks(text, true, false);
        }
    }

    // The longest prefix of at least one character that fits width, never splitting a
    // UTF-8 sequence.
    size_t CutFitting(std::string_view text, int width) {
        auto continuation = [&text](size_t p) {
            return p < text.size() && (static_cast<unsigned char>(text[p]) & 0xC0) == 0x80;
        };
        const size_t probe = std::min(text.size(), Probe(width));
        std::vector<size_t> cuts;
        for (size_t p = 1; p <= probe; ++p) {
            if (!continuation(p))
                cuts.push_back(p);
        }
        if (cuts.empty()) {
            size_t p = probe;
            while (continuation(p))
                ++p;
            cuts.push_back(p);
        }
        size_t lo = 0, hi = cuts.size() - 1;  // cuts[lo] is taken even when it does not fit
        while (lo < hi) {
            size_t mid = lo + (hi - lo + 1) / 2;
            if (Width(text.substr(0, cuts[mid])) <= width)
                lo = mid;
            else
                hi = mid - 1;
        }
        return cuts[lo];
    }

    void AddPiece(std::string_view text) {
        Extent extent = FontExtent(m_style);
        RichPiece piece;
        piece.text = CString(text);
        piece.style = m_style;
        int width = Width(text);
        piece.rect = {m_nX, -extent.ascent, m_nX + width, extent.descent};
        m_nX += width;
        m_pieces.push_back(std::move(piece));
    }

    void Tab(int count) {
        FontExtent(m_style);
        int stop = std::max(Width("        "), 8);
        for (int i = 0; i < count; ++i)
            m_nX = (m_nX / stop + 1) * stop;
        if (m_bWrap && m_nX > m_nLineWidth)
            EndLine(false);
    }

    void Rule(const RichToken& tag) {
        EndLine(false);
        RichTextStyle style = m_style;
        if (CString rule = m_drawer.StyleRule("hr"); !rule.IsEmpty())
            ApplyProperties(style, rule.Str(), m_ctx);
        if (const CString* color = tag.Attribute("color")) {
            if (auto c = ParseColor(color->Str(), m_drawer.m_systemColors))
                style.textColor = *c;
        }
        int thickness = 1;
        if (const CString* size = tag.Attribute("size")) {
            LengthBase base;
            base.pixelsPerInch = m_surface.PixelsPerInch();
            base.current = 1;
            thickness = std::clamp(ParseLength(size->Str(), base).value_or(1), 1, 100);
        }
        RichPiece piece;
        piece.kind = RichPiece::Rule;
        piece.style = style;
        piece.ruleThickness = thickness;
        piece.text = tag.Attribute("width") ? *tag.Attribute("width") : CString("100%");
        piece.rect = {0, m_nY + 3, 0, m_nY + 3 + thickness};
        m_rules.push_back(m_pieces.size());
        m_pieces.push_back(std::move(piece));
        m_nY += thickness + 6;
        m_nLineFirst = m_pieces.size();
    }

    // Closes the current line: vertical placement of its pieces. An empty line takes the
    // height of the current font only when asked (a break).
    void EndLine(bool evenEmpty) {
        const size_t first = m_nLineFirst, last = m_pieces.size();
        if (first == last && !evenEmpty && m_nX == 0)
            return;
        int ascent = 0, descent = 0, other = 0;
        for (size_t i = first; i < last; ++i) {
            const RichPiece& p = m_pieces[i];
            if (p.style.vAlign == 3) {
                ascent = std::max(ascent, -p.rect.top);
                descent = std::max(descent, p.rect.bottom);
            } else {
                other = std::max(other, p.rect.bottom - p.rect.top);
            }
        }
        if (first == last) {
            Extent extent = FontExtent(m_style);
            ascent = extent.ascent;
            descent = extent.descent;
        }
        const int height = std::max(ascent + descent, other);
        const int baseline = m_nY + ascent;
        for (size_t i = first; i < last; ++i) {
            RichPiece& p = m_pieces[i];
            const int a = -p.rect.top, h = p.rect.bottom - p.rect.top;
            int top = p.style.vAlign == 3   ? baseline - a
                      : p.style.vAlign == 0 ? m_nY
                      : p.style.vAlign == 2 ? m_nY + height - h
                                            : m_nY + (height - h) / 2;
            p.rect.top = top;
            p.rect.bottom = top + h;
            p.baseline = top + a;
        }
        m_lines.push_back({first, last, m_nX, first < last ? m_pieces[first].style.hAlign : 0});
        m_nMaxWidth = std::max(m_nMaxWidth, m_nX);
        m_nY += height;
        m_nX = 0;
        m_nLineFirst = last;
    }

    void Finish() {
        const int box = m_bWrap ? m_nLineWidth : m_nMaxWidth;
        bool aligned = false;
        for (const Line& line : m_lines) {
            if (line.align != 1 && line.align != 2)
                continue;
            aligned = true;
            int shift = std::max(0, line.align == 1 ? (box - line.width) / 2 : box - line.width);
            for (size_t i = line.first; i < line.last; ++i) {
                m_pieces[i].rect.left += shift;
                m_pieces[i].rect.right += shift;
            }
        }
        int ruleBox = std::max(box, 1);
        for (size_t index : m_rules) {
            RichPiece& rule = m_pieces[index];
            LengthBase base;
            base.current = ruleBox;
            base.pixelsPerInch = m_surface.PixelsPerInch();
            int width = std::clamp(ParseLength(rule.text.Str(), base).value_or(ruleBox), 1, 100000);
            // Centred as in HTML, unless the style says right.
            rule.rect.left = rule.style.hAlign == 2 ? ruleBox - width : (ruleBox - width) / 2;
            rule.rect.left = std::max(rule.rect.left, 0);
            rule.rect.right = rule.rect.left + width;
            m_nMaxWidth = std::max(m_nMaxWidth, rule.rect.right);
        }
        m_nWidth = m_bWrap && aligned ? std::max(m_nMaxWidth, m_nLineWidth) : m_nMaxWidth;
        m_nHeight = m_nY;
    }

    CRichTextDrawer& m_drawer;
    IRichTextSurface& m_surface;
    StyleContext m_ctx;
    const bool m_bWrap;
    const int m_nLineWidth;
    RichTextStyle m_style;
    std::vector<std::pair<CString, RichTextStyle>> m_stack;
    std::vector<Line> m_lines;
    std::vector<size_t> m_rules;
    size_t m_nLineFirst = 0;
    int m_nX = 0;
    int m_nY = 0;
    int m_nMaxWidth = 0;
    int m_nNextLinkId = 0;
};

std::pair<int, int> CRichTextDrawer::Measure(IRichTextSurface& surface, int width) {
    CLayout layout(*this, surface, width);
    layout.Run(PrepareSource(m_strText));
    m_pieces = std::move(layout.m_pieces);
    m_size = {layout.m_nWidth, layout.m_nHeight};
    return m_size;
}

void CRichTextDrawer::Draw(IRichTextSurface& surface, const RichRect& rect, bool noWrap) {
    Measure(surface, noWrap ? 0 : rect.Width());
    m_links.clear();
    const int dx = rect.left, dy = rect.top;
    for (const RichPiece& piece : m_pieces) {
        const RichTextStyle& style = piece.style;
        const RichColor color = m_bEnabled ? style.textColor : m_disabledColor;
        RichRect box{piece.rect.left + dx, piece.rect.top + dy, piece.rect.right + dx,
                     piece.rect.bottom + dy};
        if (piece.kind == RichPiece::Rule) {
            surface.FillRect(box, color);
            continue;
        }
        if (IsBlankOnly(piece.text.Str()))
            continue;
        if (m_bEnabled && style.backMode == 2)
            surface.FillRect(box, style.backColor);
        surface.SetFont(style.Font());
        surface.DrawText(box.left, piece.baseline + dy, piece.text.Str(), color);
        if (style.borderStyle != 0 && style.borderWidth > 0) {
            const RichColor light = m_bEnabled ? style.borderLight : m_disabledColor;
            const RichColor dark = m_bEnabled ? style.borderDark : m_disabledColor;
            const int w = style.borderWidth, s = style.borderStyle;
            surface.DrawLine(box.left, box.top, box.right, box.top, light, w, s);
            surface.DrawLine(box.left, box.top, box.left, box.bottom, light, w, s);
            surface.DrawLine(box.left, box.bottom, box.right, box.bottom, dark, w, s);
            surface.DrawLine(box.right, box.top, box.right, box.bottom, dark, w, s);
        }
        if (style.linkKind != 0)
            m_links.push_back({box, style.linkKind, style.linkText, style.linkId});
    }
}
