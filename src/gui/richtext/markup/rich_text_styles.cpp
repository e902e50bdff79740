#include "gui/richtext/markup/rich_text_styles.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace tabulon::richtext {

const char* const kDefaultStyleSheet =
    "body {font-size: 10pt; color:black; font-family:Verdana}\r\n"
    "p {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
    "h1 {font-size: 14pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
    "h2 {font-size: 13pt; color:#ff9900; font-family:Verdana; font-weight:bold}\r\n"
    "h3 {font-size: 12pt; color:#ff9900; font-family:Arial; font-weight:bold}\r\n"
    "h4 {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
    "h5 {font-size: 9pt; color:#ff9900; font-family:Verdana; font-weight:bold}\r\n"
    "h6 {font-size: 65%; color:#626262; font-family:Verdana; font-weight:normal}\r\n"
    "pre {font-size: 9pt; font-family:\"Courier\"; background-color:#fbedbb}\r\n"
    "code {color:#990000; font-family:Arial}\r\n"
    "a:link {text-decoration:none; color:blue}\r\n"
    "a:hover {text-decoration:underline; color:blue}\r\n"
    "sub {font-size:65%; vertical-align:bottom}\r\n"
    "sup {font-size:65%; vertical-align:top}\r\n"
    "big {font-size:125%}\r\n"
    "small {font-size:75%}\r\n"
    ".cpp-comment {color:green; font-style:italic}\r\n";

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// A value without blanks around it and without quotation marks around it.
std::string_view Unquoted(std::string_view s) {
    s = Trimmed(s);
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        s = Trimmed(s.substr(1, s.size() - 2));
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

LengthBase BaseFor(const RichTextStyle& style, int current, StyleContext& ctx) {
    LengthBase base;
    base.current = current;
    base.pixelsPerInch = ctx.surface.PixelsPerInch();
    base.fontSize = style.size;
    base.xHeight = [&style, &ctx] {
        ctx.surface.SetFont(style.Font());
        return ctx.surface.Metrics().xHeight;
    };
    return base;
}

void SetFontSize(RichTextStyle& style, std::string_view value, StyleContext& ctx) {
    LengthBase base = BaseFor(style, style.size, ctx);
    base.htmlSizes = true;
    if (auto size = ParseLength(value, base); size && *size > 0)
        style.size = std::min(*size, 2000);
}

void SetWeight(RichTextStyle& style, std::string_view value) {
    std::string v = Lower(value);
    if (v.empty() || v == "normal")
        style.weight = 400;
    else if (v == "bold")
        style.weight = 700;
    else if (v == "bolder")
        style.weight = 900;
    else if (v == "lighter")
        style.weight = 100;
    else if (long n = std::strtol(v.c_str(), nullptr, 10); n > 0)
        style.weight = static_cast<int>(std::min(n, 1000L));
}

void SetItalic(RichTextStyle& style, std::string_view value) {
    std::string v = Lower(value);
    if (v == "normal")
        style.italic = 0;
    else if (v == "italic" || v == "oblique")
        style.italic = 1;
}

void SetBorderWidth(RichTextStyle& style, std::string_view value, StyleContext& ctx) {
    std::string v = Lower(value);
    if (v == "thin")
        style.borderWidth = style.borderWidth * 75 / 100;
    else if (v == "thick")
        style.borderWidth = style.borderWidth * 125 / 100;
    else if (v != "medium") {
        auto width = ParseLength(value, BaseFor(style, style.borderWidth, ctx));
        if (!width || *width < 0)
            return;
        style.borderWidth = std::min(*width, 1000);
    }
    if (style.borderWidth == 0)
        style.borderStyle = 0;
    else if (style.borderStyle == 0)
        style.borderStyle = 1;
}

void SetBorderStyle(RichTextStyle& style, std::string_view value) {
    std::string v = Lower(value);
    if (v.empty() || v == "none")
        style.borderStyle = 0;
    else if (v == "solid")
        style.borderStyle = 1;
    else if (v == "dashed")
        style.borderStyle = 2;
    else if (v == "dotted")
        style.borderStyle = 3;
    else if (v == "double")
        style.borderStyle = 6;
    else
        return;
    if (style.borderStyle != 0 && style.borderWidth == 0)
        style.borderWidth = 1;
}

void SetBackground(RichTextStyle& style, std::string_view value, StyleContext& ctx) {
    if (Lower(value) == "transparent") {
        style.backMode = 1;
    } else if (auto color = ParseColor(value, ctx.systemColors)) {
        style.backColor = *color;
        style.backMode = 2;
    }
}

void ApplyProperty(RichTextStyle& style, const std::string& name, std::string_view value,
                   StyleContext& ctx) {
    std::string v = Lower(value);
    if (name == "font-size") {
        SetFontSize(style, value, ctx);
    } else if (name == "font-family") {
        if (!value.empty())
            style.face = CString(value);
    } else if (name == "font-style") {
        SetItalic(style, value);
    } else if (name == "font-weight") {
        SetWeight(style, value);
    } else if (name == "text-align") {
        if (v.empty() || v == "left")
            style.hAlign = 0;
        else if (v == "center")
            style.hAlign = 1;
        else if (v == "right")
            style.hAlign = 2;
    } else if (name == "text-transform") {
        if (v.empty() || v == "none")
            style.transform = 0;
        else if (v == "uppercase")
            style.transform = 1;
        else if (v == "lowercase")
            style.transform = 2;
        else if (v == "capitalize")
            style.transform = 3;
    } else if (name == "color") {
        if (auto color = ParseColor(value, ctx.systemColors))
            style.textColor = *color;
    } else if (name == "background-color") {
        SetBackground(style, value, ctx);
    } else if (name == "text-decoration") {
        if (v == "none")
            style.underline = style.strikeout = style.overline = 0;
        else if (v == "underline")
            style.underline = 1;
        else if (v == "line-through")
            style.strikeout = 1;
        else if (v == "overline")
            style.overline = 1;
    } else if (name == "vertical-align") {
        if (v.empty() || v == "baseline")
            style.vAlign = 3;
        else if (v == "middle" || v == "vcenter")
            style.vAlign = 1;
        else if (v == "top")
            style.vAlign = 0;
        else if (v == "bottom")
            style.vAlign = 2;
    } else if (name == "border-color") {
        if (auto color = ParseColor(value, ctx.systemColors))
            style.borderLight = style.borderDark = *color;
    } else if (name == "border-width" || name == "size") {
        SetBorderWidth(style, value, ctx);
    } else if (name == "border-style") {
        SetBorderStyle(style, value);
    } else if (name == "margin" || name == "padding") {
        int& target = name == "margin" ? style.margin : style.padding;
        if (auto length = ParseLength(value, BaseFor(style, target, ctx)); length && *length >= 0)
            target = std::min(*length, 1000);
    }
}

}  // namespace

std::vector<std::pair<CString, CString>> ParseStyleSheet(std::string_view text) {
    std::vector<std::pair<CString, CString>> rules;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t open = text.find('{', pos);
        if (open == std::string_view::npos)
            break;
        size_t close = text.find('}', open + 1);
        if (close == std::string_view::npos)
            close = text.size();
        std::string_view selector = Trimmed(text.substr(pos, open - pos));
        if (!selector.empty())
            rules.emplace_back(CString(selector),
                               CString(Trimmed(text.substr(open + 1, close - open - 1))));
        pos = close + 1;
    }
    return rules;
}

void ApplyProperties(RichTextStyle& style, std::string_view properties, StyleContext& ctx) {
    size_t pos = 0;
    while (pos <= properties.size()) {
        size_t end = properties.find(';', pos);
        if (end == std::string_view::npos)
            end = properties.size();
        std::string_view pair = properties.substr(pos, end - pos);
        size_t colon = pair.find(':');
        if (colon != std::string_view::npos) {
            std::string name = Lower(Trimmed(pair.substr(0, colon)));
            ApplyProperty(style, name, Unquoted(pair.substr(colon + 1)), ctx);
        }
        pos = end + 1;
    }
}

void ApplyFontAttributes(RichTextStyle& style, const RichToken& tag, StyleContext& ctx) {
    for (const auto& [name, value] : tag.attributes) {
        std::string_view v = Unquoted(value.Str());
        if (name == "face") {
            if (!v.empty())
                style.face = CString(v);
        } else if (name == "size") {
            SetFontSize(style, v, ctx);
        } else if (name == "color") {
            if (auto color = ParseColor(v, ctx.systemColors))
                style.textColor = *color;
        } else if (name == "style") {
            SetItalic(style, v);
        } else if (name == "weight") {
            SetWeight(style, v);
        } else if (name == "bkgnd") {
            SetBackground(style, v, ctx);
        }
    }
}

CString TransformText(const CString& text, int transform) {
    CString out = text;
    switch (transform) {
        case 1:
            out.MakeUpper();
            break;
        case 2:
            out.MakeLower();
            break;
        case 3: {
            out.MakeLower();
            for (int i = 0; i < out.GetLength(); ++i) {
                char c = out.GetAt(i);
                if (c >= 'a' && c <= 'z' && (i == 0 || out.GetAt(i - 1) == ' '))
                    out.SetAt(i, static_cast<char>(c - 'a' + 'A'));
            }
            break;
        }
        default:
            break;
    }
    return out;
}

}  // namespace tabulon::richtext
