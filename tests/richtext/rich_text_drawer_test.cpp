// The markup engine on a fake surface: preparation and tokenising, styles, values,
// wrapping, links, and malformed or huge input.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <utility>

#include "gui/richtext/markup/rich_text_drawer.h"
#include "richtext/fake_surface.h"

using tabulon::richtext::testing::CFakeSurface;

namespace {

// Characters 6 pixels wide (font 12 px) unless a case sets another size.
constexpr const char* kBody = "font-size:12px; color:black; font-family:Verdana";

RichSystemColors TestSystemColors() {
    RichSystemColors colors{};
    for (int i = 0; i < 25; ++i)
        colors[i] = 0x010101u * static_cast<RichColor>(i + 1);
    return colors;
}

struct Drawn {
    CFakeSurface surface;
    std::vector<std::string> lines;  // the texts drawn, joined per baseline
    std::string all;
};

Drawn DrawMarkup(CRichTextDrawer& drawer, const CString& markup, int width = 1000) {
    drawer.SetText(markup);
    Drawn out;
    drawer.Draw(out.surface, {0, 0, width, 1000});
    std::map<int, std::string> byBaseline;
    for (const auto& t : out.surface.m_texts) {
        byBaseline[t.baseline] += t.text;
        out.all += t.text;
    }
    for (auto& [baseline, text] : byBaseline)
        out.lines.push_back(text);
    return out;
}

class RichTextDrawerTest : public ::testing::Test {
  protected:
    RichTextDrawerTest() : m_colors(TestSystemColors()), m_drawer(&m_colors) {
        m_drawer.SetStyleRule("body", kBody);
    }
    // The first drawn piece whose text is "X".
    const CFakeSurface::Text* DrawnX(const CString& markup) {
        m_last = DrawMarkup(m_drawer, markup);
        for (const auto& t : m_last.surface.m_texts) {
            if (t.text == "X")
                return &t;
        }
        return nullptr;
    }

    RichSystemColors m_colors;
    CRichTextDrawer m_drawer;
    Drawn m_last;
};

TEST_F(RichTextDrawerTest, PreparesEntitiesBreaksAndEscapes) {
    struct Case {
        const char* markup;
        bool keepBreaks;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        // "&amp;" goes first, so an escaped ampersand before "lt;" is a literal "<".
        {"&amp;lt;b&gt;", false, {"<b>"}},
        {"a<<b &lt;c", false, {"a<b <c"}},
        {"&bull;&copy;&euro;&iquest;&para;&pound;&reg;&trade;&quot;&nbsp;!",
         false,
         {"\u2022\u00A9\u20AC\u00BF\u00B6\u00A3\u00AE\u2122\" !"}},
        {"x\r\ny\tz", false, {"xyz"}},
        {"x\r\ny\tz", true, {"x", "yz"}},
        {"<br />one<br=2>two", false, {"one", "two"}},
        {"<blink>a</blink><table><tr><td>b</td></tr></table><img src=x>c", false, {"abc"}},
        // A tag runs to the next ">", here the end of the wrapping body tag.
        {"a < b", false, {"a "}},
    };
    for (const Case& c : cases) {
        m_drawer.SetKeepLineBreaks(c.keepBreaks);
        Drawn drawn = DrawMarkup(m_drawer, c.markup);
        EXPECT_EQ(drawn.lines, c.lines) << c.markup;
    }
    // Two breaks leave an empty line between "one" and "two".
    m_drawer.SetKeepLineBreaks(false);
    Drawn drawn = DrawMarkup(m_drawer, "one<br=2>two");
    ASSERT_EQ(drawn.surface.m_texts.size(), 2u);
    EXPECT_EQ(drawn.surface.m_texts[1].baseline - drawn.surface.m_texts[0].baseline, 24);
}

TEST_F(RichTextDrawerTest, StylesNestAndRestore) {
    struct Case {
        const char* markup;
        int size, weight;
        bool italic, underline;
        RichColor color;
    };
    const RichColor orange = RichRgb(0xff, 0x99, 0x00);
    const Case cases[] = {
        {"X", 12, 400, false, false, 0},
        {"<b>X</b>", 12, 800, false, false, 0},
        {"<b><b>X</b></b>", 12, 900, false, false, 0},
        {"<i><i>X</i></i>", 12, 400, false, false, 0},
        {"<u>X</u>", 12, 400, false, true, 0},
        // A closing tag that is not the innermost changes nothing...
        {"<b><i>A</b>X</i>", 12, 800, true, false, 0},
        // ...and the innermost one restores what its opening saved.
        {"<b><i>A</i>X</b>", 12, 800, false, false, 0},
        {"<font color=red><b>A</b>X</font>", 12, 400, false, false, RichRgb(255, 0, 0)},
        {"<h2>X</h2>", 17, 700, false, false, orange},
        {"<span class=CPP-Comment>X</span>", 12, 400, true, false, RichRgb(0, 128, 0)},
        {"<big>X</big>", 15, 400, false, false, 0},
        {"<em><span class=nosuch>X</span></em>", 12, 400, true, false, 0},
    };
    for (const Case& c : cases) {
        const auto* x = DrawnX(c.markup);
        ASSERT_NE(x, nullptr) << c.markup;
        EXPECT_EQ(x->font.size, c.size) << c.markup;
        EXPECT_EQ(x->font.weight, c.weight) << c.markup;
        EXPECT_EQ(x->font.italic, c.italic) << c.markup;
        EXPECT_EQ(x->font.underline, c.underline) << c.markup;
        EXPECT_EQ(x->color, c.color) << c.markup;
    }
}

TEST_F(RichTextDrawerTest, FontSizesInEveryUnit) {
    const std::pair<const char*, int> cases[] = {
        {"1", 8},     {"3", 12},      {"7", 36},      {"+1", 8},   {"-2", 10},
        {"8", 8},     {"10pt", 13},   {"16px", 16},   {"2em", 24}, {"2ex", 12},
        {"1in", 96},  {"2.54cm", 96}, {"25.4mm", 96}, {"6pc", 96}, {"0x10", 16},
        {"150%", 18}, {"125%", 15},   {"abc", 12},    {"", 12},    {"0", 12},
    };
    for (const auto& [size, expected] : cases) {
        CString markup;
        markup.Format("<font size=\"%s\">X</font>", size);
        const auto* x = DrawnX(markup);
        ASSERT_NE(x, nullptr) << size;
        EXPECT_EQ(x->font.size, expected) << size;
    }
    // The style sheet's lengths: percentages of the current size.
    m_drawer.SetStyleRule("SMALL", "font-size:50%");
    EXPECT_EQ(DrawnX("<small>X</small>")->font.size, 6);
    EXPECT_EQ(m_drawer.StyleRule("small"), "font-size:50%");
}

TEST_F(RichTextDrawerTest, ColoursInEveryForm) {
    const std::pair<const char*, RichColor> cases[] = {
        {"#ff9900", RichRgb(0xff, 0x99, 0x00)},
        {"0x0099FF", RichRgb(0xff, 0x99, 0x00)},
        {"16711680", RichRgb(0, 0, 255)},
        {"0100", 64},  // octal
        {"red", RichRgb(255, 0, 0)},
        {"Navy", RichRgb(0, 0, 128)},
        {"lightgrey", RichRgb(211, 211, 211)},
        {"darkslategray", RichRgb(47, 79, 79)},
        {"yellowgreen", RichRgb(154, 205, 50)},
        {"windowtext", 0x090909},      // system colour 8
        {"threedface", 0x101010},      // 15
        {"infobackground", 0x191919},  // 24
        // Kept: other spellings of the greys, short or bad "#" values, unknown names.
        {"lightgray", RichRgb(1, 2, 3)},
        {"darkgrey", RichRgb(1, 2, 3)},
        {"#fff", RichRgb(1, 2, 3)},
        {"#ff99zz", RichRgb(1, 2, 3)},
        {"nosuchcolour", RichRgb(1, 2, 3)},
        {"", RichRgb(1, 2, 3)},
    };
    for (const auto& [value, expected] : cases) {
        CString markup;
        markup.Format("<font color=#010203><font color='%s'>X</font></font>", value);
        const auto* x = DrawnX(markup);
        ASSERT_NE(x, nullptr) << value;
        EXPECT_EQ(x->color, expected) << value;
    }
    // Disabled: every colour from the markup is the disabled colour.
    m_drawer.SetEnabled(false);
    m_drawer.SetDisabledColor(0x123456);
    EXPECT_EQ(DrawnX("<font color=red>X</font>")->color, 0x123456u);
}

TEST_F(RichTextDrawerTest, PropertiesOfTheStyleSheet) {
    m_drawer.SetStyleSheet(
        "body {font-size:12px}\r\n.up {text-transform:uppercase}\r\n"
        ".cap {text-transform:capitalize; font-weight:bolder; font-family:'Courier New'}\r\n"
        ".mark {background-color:yellow; text-decoration:line-through}");
    struct Case {
        const char* markup;
        const char* text;
    };
    Drawn drawn = DrawMarkup(m_drawer, "<span class=up>abc</span>");
    EXPECT_EQ(drawn.all, "ABC");
    drawn = DrawMarkup(m_drawer, "<span class=cap>hello wORLD</span>");
    EXPECT_EQ(drawn.all, "Hello World");
    EXPECT_EQ(drawn.surface.m_texts[0].font.weight, 900);
    EXPECT_EQ(drawn.surface.m_texts[0].font.face, "Courier New");
    drawn = DrawMarkup(m_drawer, "<span class=mark>m</span>");
    ASSERT_EQ(drawn.surface.m_fills.size(), 1u);
    EXPECT_EQ(drawn.surface.m_fills[0].color, RichRgb(255, 255, 0));
    EXPECT_TRUE(drawn.surface.m_texts[0].font.strikeout);
    // An empty style sheet installs the default one.
    m_drawer.SetStyleSheet("");
    EXPECT_EQ(m_drawer.StyleRule("a:hover"), "text-decoration:underline; color:blue");
    EXPECT_EQ(m_drawer.StyleRule(".CPP-comment"), "color:green; font-style:italic");
}

TEST_F(RichTextDrawerTest, WrapsAtBreakCharactersAndCutsLongWords) {
    struct Case {
        const char* markup;
        int width;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"aaaa bbbb cccc", 60, {"aaaa bbbb", "cccc"}},
        {"aaaa bbbb cccc", 1000, {"aaaa bbbb cccc"}},
        {"abc-defghijk", 60, {"abc-", "defghijk"}},
        {"one,two;three", 60, {"one,two;", "three"}},
        {"abcdefghijklmnop", 60, {"abcdefghij", "klmnop"}},
        // Cut between characters, never inside one.
        {"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9",
         60,
         {"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9", "\u00e9\u00e9"}},
        // A run with no break that does not fit after others starts the next line.
        {"<b>aaaaaa</b>bbbbbbbb", 60, {"aaaaaa", "bbbbbbbb"}},
        // Narrower than one character: one character per line, no endless loop.
        {"abc", 3, {"a", "b", "c"}},
    };
    for (const Case& c : cases) {
        Drawn drawn = DrawMarkup(m_drawer, c.markup, c.width);
        EXPECT_EQ(drawn.lines, c.lines) << c.markup << " in " << c.width;
    }
}

TEST_F(RichTextDrawerTest, LinkSplitOverTwoLinesLightsUpAsOne) {
    std::vector<CString> messages, opened;
    int hotChanges = 0;
    m_drawer.SetMessageHandler([&](const CString& text) { messages.push_back(text); });
    m_drawer.SetHrefHandler([&](const CString& text) { opened.push_back(text); });
    m_drawer.SetHotLinkHandler([&] { ++hotChanges; });
    const CString markup = "Go <a msg=\"1001\">more help here</a> <a href='x.htm'>home</a>";
    Drawn drawn = DrawMarkup(m_drawer, markup, 60);
    ASSERT_EQ(drawn.lines, (std::vector<std::string>{"Go more", "help here", "home"}));
    const auto& links = m_drawer.LinkAreas();
    ASSERT_EQ(links.size(), 3u);
    EXPECT_EQ(links[0].id, links[1].id);
    EXPECT_NE(links[1].id, links[2].id);
    EXPECT_EQ(links[0].kind, 2);
    EXPECT_EQ(links[0].text, "1001");
    EXPECT_FALSE(drawn.surface.m_texts[1].font.underline);  // "a:link" has none

    // Hovering the second line makes the whole link hot; drawn again, both pieces
    // take "a:hover" (underlined), the other link does not.
    const RichRect second = links[1].rect;
    EXPECT_EQ(m_drawer.HitTest(second.left + 1, second.top + 1), 1);
    EXPECT_EQ(m_drawer.HotLink(), links[0].id);
    EXPECT_EQ(hotChanges, 1);
    m_drawer.HitTest(second.left + 2, second.top + 1);
    EXPECT_EQ(hotChanges, 1);
    drawn = DrawMarkup(m_drawer, markup, 60);
    std::map<std::string, bool> underlined;
    for (const auto& t : drawn.surface.m_texts)
        underlined[t.text] = t.font.underline;
    EXPECT_TRUE(underlined["more"]);
    EXPECT_TRUE(underlined["help here"]);
    EXPECT_FALSE(underlined["home"]);
    EXPECT_EQ(m_drawer.HitTest(-5, -5), -1);
    EXPECT_EQ(m_drawer.HotLink(), CRichTextDrawer::kNoHotLink);

    m_drawer.ActivateLink(1);
    m_drawer.ActivateLink(2);
    m_drawer.ActivateLink(7);
    EXPECT_EQ(messages, std::vector<CString>{"1001"});
    EXPECT_EQ(opened, std::vector<CString>{"x.htm"});
    // A link without text does nothing.
    DrawMarkup(m_drawer, "<a msg=\"\">empty</a>");
    ASSERT_EQ(m_drawer.LinkAreas().size(), 1u);
    m_drawer.ActivateLink(0);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(RichTextDrawerTest, BlanksAndTagsDrawNothing) {
    Drawn drawn = DrawMarkup(m_drawer, "  <b> </b> <a msg=1>  </a><font size=7>   </font>  ");
    EXPECT_TRUE(drawn.surface.m_texts.empty());
    EXPECT_TRUE(drawn.surface.m_fills.empty());
    EXPECT_TRUE(m_drawer.LinkAreas().empty());
}

TEST_F(RichTextDrawerTest, RuleSpansTheLine) {
    Drawn drawn = DrawMarkup(m_drawer, "above<hr size=2 color=red>below<hr width=50%>", 200);
    EXPECT_EQ(drawn.lines, (std::vector<std::string>{"above", "below"}));
    ASSERT_EQ(drawn.surface.m_fills.size(), 2u);
    EXPECT_EQ(drawn.surface.m_fills[0].rect.Width(), 200);
    EXPECT_EQ(drawn.surface.m_fills[0].rect.Height(), 2);
    EXPECT_EQ(drawn.surface.m_fills[0].color, RichRgb(255, 0, 0));
    EXPECT_EQ(drawn.surface.m_fills[1].rect, (RichRect{50, drawn.surface.m_fills[1].rect.top, 150,
                                                       drawn.surface.m_fills[1].rect.bottom}));
    EXPECT_GT(drawn.surface.m_fills[0].rect.top, drawn.surface.m_texts[0].baseline);
    EXPECT_LT(drawn.surface.m_fills[0].rect.bottom, drawn.surface.m_texts[1].baseline);
}

TEST_F(RichTextDrawerTest, CentredLinesAndMeasuredSize) {
    m_drawer.SetText("<center>ab</center><br><right>abcd</right>");
    CFakeSurface surface;
    auto [width, height] = m_drawer.Measure(surface, 0);
    EXPECT_EQ(width, 24);
    EXPECT_EQ(height, 24);
    Drawn drawn = DrawMarkup(m_drawer, m_drawer.GetText(), 100);
    ASSERT_EQ(drawn.surface.m_texts.size(), 2u);
    EXPECT_EQ(drawn.surface.m_texts[0].x, 44);
    EXPECT_EQ(drawn.surface.m_texts[1].x, 76);
}

TEST_F(RichTextDrawerTest, MalformedMarkupNeitherCrashesNorHangs) {
    const char* cases[] = {
        "<",
        "<<",
        "<<<",
        ">>>",
        "<b",
        "</",
        "<>",
        "</>x",
        "<a msg>x</a>",
        "<a href='x>y</a>",
        "<font size= color= face=>x</font>",
        "<font size=99999999999px>x",
        "</b></b></i>x",
        "<br=999999999>x",
        "<br=99999999999999999999999>x",
        "<b><font weight=99999999999999999999>x",
        "<t=-5>x",
        "&amp;&amp;lt;&",
        "<hr width=-5 size=0x7fffffff>",
        "<span class>x</span>",
        "<font color=#>x<font color=0xFFFFFFFFFF>y",
        "<a msg='1'><a msg='2'>x</a>",
        "\xff\xfe\xc3",
        "<b =x>y",
        "<= = =>z",
    };
    for (const char* markup : cases) {
        SCOPED_TRACE(markup);
        DrawMarkup(m_drawer, markup, 30);
        DrawMarkup(m_drawer, markup, 0);
    }
}

// A layout that grew worse than linear would not end within the test's time-out.
TEST_F(RichTextDrawerTest, OneMegabyteTextIsLaidOut) {
    std::mt19937 random(17);
    const char* pieces[] = {"word ",   "<b>",       "</b>", "<i>",  "long-hyphenated,text ",
                            "&amp;",   "<a msg=3>", "</a>", "<br>", "<font size=5>",
                            "</font>", "<"};
    std::string mixed;
    while (mixed.size() < (1u << 20))
        mixed += pieces[random() % std::size(pieces)];
    const std::string oneWord(1u << 20, 'w');
    const std::string openTags = [] {
        std::string s;
        while (s.size() < (1u << 20))
            s += "<b><i>x";
        return s;
    }();
    for (const std::string* text : {&std::as_const(mixed), &oneWord, &openTags}) {
        m_drawer.SetText(CString(*text));
        CFakeSurface surface;
        auto [width, height] = m_drawer.Measure(surface, 200);
        // A break character other than a blank may stand one character beyond the width.
        EXPECT_LE(width, 200 + 9);
        EXPECT_GT(height, 0);
    }
}

}  // namespace
