// CRichTextDrawer: lays out and draws a text written in a small HTML-like markup (tags b,
// i, u, s, font, br, t, hr, alignment tags, styled tags, span classes, links) with a style
// sheet, through an IRichTextSurface, and remembers where each link was drawn so that a
// control can hit-test the mouse and activate links. Knows nothing of any window system.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "gui/richtext/markup/rich_text_surface.h"

// The system colours by their classic index (0 scrollbar ... 24 infobackground).
using RichSystemColors = std::array<RichColor, 25>;

// The style in force at a point of the text; the open styled tags keep a stack of them.
struct RichTextStyle {
    int size = 13;  // pixels
    int weight = 400;
    int italic = 0;
    int underline = 0;
    int strikeout = 0;
    int overline = 0;
    CString face = "Verdana";
    RichColor textColor = 0;
    RichColor backColor = 0xFFFFFF;
    int backMode = 1;  // 1 transparent, 2 opaque
    RichColor borderLight = 0;
    RichColor borderDark = 0;
    int borderStyle = 0;  // 0 none, 1 solid, 2 dashed, 3 dotted, 6 double
    int borderWidth = 0;
    int hAlign = 0;     // 0 left, 1 center, 2 right, 3 justify
    int vAlign = 3;     // 0 top, 1 middle, 2 bottom, 3 baseline
    int transform = 0;  // 0 none, 1 uppercase, 2 lowercase, 3 capitalize
    int margin = 0;
    int padding = 0;
    int linkKind = 0;  // 0 none, 1 href, 2 msg
    CString linkText;
    int linkId = -1;  // shared by every piece of one link

    RichFont Font() const;
};

// Where a piece of a link was drawn.
struct RichLinkArea {
    RichRect rect;
    int kind = 0;  // 1 href, 2 msg
    CString text;
    int id = -1;
};

// One piece of laid-out text (or a rule), in layout coordinates.
struct RichPiece {
    enum Kind { Text, Rule };
    Kind kind = Text;
    RichRect rect;
    int baseline = 0;
    CString text;
    RichTextStyle style;
    int ruleThickness = 1;
};

class CRichTextDrawer {
  public:
    static constexpr int kNoHotLink = -2;

    // systemColors: the platform's colours for the system colour names; the classic
    // Windows scheme when none are given.
    explicit CRichTextDrawer(const RichSystemColors* systemColors = nullptr);
    ~CRichTextDrawer();

    void SetText(const CString& text);
    const CString& GetText() const { return m_strText; }
    // An empty text installs the default style sheet.
    void SetStyleSheet(const CString& text);
    // Sets one rule, replacing the rule of the same (lower-cased) selector.
    void SetStyleRule(const CString& selector, const CString& properties);
    // The property text of a rule, empty when there is none.
    CString StyleRule(const CString& selector) const;
    // Line feeds and tabs in the source become breaks and tabulations (else removed).
    void SetKeepLineBreaks(bool keep) { m_bKeepLineBreaks = keep; }

    // Lays the text out for a width (0 or less: no wrapping) and returns its size.
    std::pair<int, int> Measure(IRichTextSurface& surface, int width);
    // Draws the text laid out for rect's width (or the width of the last Measure when
    // rect is wider and noWrap is set) with its top left corner at rect's; records the
    // link areas there.
    void Draw(IRichTextSurface& surface, const RichRect& rect, bool noWrap = false);

    // The index of the link area under the point, -1 when none; updates the hot link
    // and calls the hot-link handler when it changes.
    int HitTest(int x, int y);
    const std::vector<RichLinkArea>& LinkAreas() const { return m_links; }
    // The id of the hovered link, kNoHotLink when none.
    int HotLink() const { return m_nHotLink; }
    // Opens or notifies the link at an index; nothing for an empty link text.
    void ActivateLink(int index);

    void SetEnabled(bool enabled) { m_bEnabled = enabled; }
    bool IsEnabled() const { return m_bEnabled; }
    // While disabled every colour taken from the markup is this one.
    void SetDisabledColor(RichColor color) { m_disabledColor = color; }
    RichColor SystemColor(int index) const;

    // What activation and hovering do: href links open (by default through the desktop),
    // msg links call the message handler with their text.
    void SetHrefHandler(std::function<void(const CString& text)> handler);
    void SetMessageHandler(std::function<void(const CString& text)> handler);
    void SetHotLinkHandler(std::function<void()> handler);

    // The laid-out pieces of the last Measure or Draw, in layout coordinates (tests).
    const std::vector<RichPiece>& Pieces() const { return m_pieces; }

    // The text as the tokeniser sees it: wrapped in body, entities replaced, carriage
    // returns removed, line feeds and tabs handled.
    CString PrepareSource(const CString& text) const;

  private:
    class CLayout;
    friend class CLayout;

    CString m_strText;
    std::map<CString, CString> m_styleSheet;  // lower-cased selector -> properties
    RichSystemColors m_systemColors;
    bool m_bKeepLineBreaks = false;
    bool m_bEnabled = true;
    RichColor m_disabledColor;
    int m_nHotLink = kNoHotLink;
    int m_nLaidWidth = -1;
    std::pair<int, int> m_size{0, 0};
    std::vector<RichPiece> m_pieces;
    std::vector<RichLinkArea> m_links;
    std::function<void(const CString&)> m_onHref;
    std::function<void(const CString&)> m_onMessage;
    std::function<void()> m_onHotLink;
};
