// xl/styles.xml: number formats, fonts, fills, borders and the cell formats.
#include <array>
#include <map>

#include "spreadsheet/number_format.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/xlsx/parts.h"
#include "spreadsheet/xlsx/xml_text.h"

namespace tabulon::spreadsheet::xlsx {

namespace {

// Built-in ids whose code every reader agrees on. Others are written out with
// their code, but for the locale ones read as ids (CellStyle::builtinFormat);
// 47 is left out, as readers differ on whether its "mmss.0" has a colon.
constexpr std::array<int, 26> kPortableBuiltins{0,  1,  2,  3,  4,  9,  10, 11, 12, 13, 14, 15, 16,
                                                17, 18, 19, 20, 21, 22, 37, 38, 39, 40, 45, 46, 48};

template <typename T>
int IndexIn(std::vector<T>& list, const T& item) {
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] == item)
            return static_cast<int>(i);
    }
    list.push_back(item);
    return static_cast<int>(list.size() - 1);
}

void Attr(std::string& out, std::string_view name, std::string_view value) {
    out += ' ';
    out += name;
    out += "=\"";
    AppendXmlText(out, value);
    out += '"';
}

void NumAttr(std::string& out, std::string_view name, double value) {
    out += ' ';
    out += name;
    out += "=\"";
    AppendNumber(out, value);
    out += '"';
}

void AppendColor(std::string& out, std::string_view tag, const Color& c) {
    if (c.kind == Color::Kind::None)
        return;
    out += '<';
    out += tag;
    switch (c.kind) {
        case Color::Kind::Rgb: {
            char buf[9];
            std::snprintf(buf, sizeof buf, "%08X", c.argb);
            Attr(out, "rgb", buf);
            break;
        }
        case Color::Kind::Theme:
            NumAttr(out, "theme", c.index);
            if (c.tint != 0)
                NumAttr(out, "tint", c.tint);
            break;
        case Color::Kind::Indexed:
            NumAttr(out, "indexed", c.index);
            break;
        case Color::Kind::Auto:
            Attr(out, "auto", "1");
            break;
        case Color::Kind::None:
            break;
    }
    out += "/>";
}

// The font's elements in the order both a style's <font> and a text run's <rPr> take them;
// only the element holding the name differs.
void AppendFontElements(std::string& out, const Font& f, std::string_view nameTag) {
    if (f.bold)
        out += "<b/>";
    if (f.italic)
        out += "<i/>";
    if (f.strike)
        out += "<strike/>";
    if (!f.underline.empty()) {
        out += "<u";
        if (f.underline != "single")
            Attr(out, "val", f.underline);
        out += "/>";
    }
    if (!f.vertAlign.empty()) {
        out += "<vertAlign";
        Attr(out, "val", f.vertAlign);
        out += "/>";
    }
    out += "<sz";
    NumAttr(out, "val", f.size);
    out += "/>";
    AppendColor(out, "color", f.color);
    out += '<';
    out += nameTag;
    Attr(out, "val", f.name);
    out += "/>";
    if (f.family != 0) {
        out += "<family";
        NumAttr(out, "val", f.family);
        out += "/>";
    }
    if (!f.scheme.empty()) {
        out += "<scheme";
        Attr(out, "val", f.scheme);
        out += "/>";
    }
}

void AppendFont(std::string& out, const Font& f) {
    out += "<font>";
    AppendFontElements(out, f, "name");
    out += "</font>";
}

void AppendFill(std::string& out, const Fill& f) {
    out += "<fill><patternFill";
    Attr(out, "patternType", f.pattern.empty() ? "none" : f.pattern);
    if (f.fg.kind == Color::Kind::None && f.bg.kind == Color::Kind::None) {
        out += "/></fill>";
        return;
    }
    out += '>';
    AppendColor(out, "fgColor", f.fg);
    AppendColor(out, "bgColor", f.bg);
    out += "</patternFill></fill>";
}

void AppendSide(std::string& out, std::string_view tag, const BorderSide& s) {
    out += '<';
    out += tag;
    if (s.style.empty() && s.color.kind == Color::Kind::None) {
        out += "/>";
        return;
    }
    if (!s.style.empty())
        Attr(out, "style", s.style);
    out += '>';
    AppendColor(out, "color", s.color);
    out += "</";
    out += tag;
    out += '>';
}

void AppendBorder(std::string& out, const Border& b) {
    out += "<border";
    if (b.diagonalUp)
        Attr(out, "diagonalUp", "1");
    if (b.diagonalDown)
        Attr(out, "diagonalDown", "1");
    out += '>';
    AppendSide(out, "left", b.left);
    AppendSide(out, "right", b.right);
    AppendSide(out, "top", b.top);
    AppendSide(out, "bottom", b.bottom);
    AppendSide(out, "diagonal", b.diagonal);
    out += "</border>";
}

}  // namespace

void AppendRunFont(std::string& out, const Font& f) {
    out += "<rPr>";
    AppendFontElements(out, f, "rFont");
    out += "</rPr>";
}

std::string StylesXml(const Workbook& book, std::string_view dxfs) {
    std::map<std::string, int> customFormats;  // code -> id, written in id order below
    std::vector<std::pair<int, std::string>> formatList;
    std::vector<Font> fonts{book.DefaultFont()};
    std::vector<Fill> fills{Fill{}, Fill{"gray125", {}, {}}};
    std::vector<Border> borders{Border{}};
    std::string xfs;
    for (int i = 0; i < book.StyleCount(); ++i) {
        const CellStyle& s = book.Style(i);
        int numFmtId = s.builtinFormat >= 0 && LocaleFormatCode(s.builtinFormat) == s.numberFormat
                           ? s.builtinFormat
                           : -1;
        for (int id : kPortableBuiltins) {
            if (numFmtId >= 0)
                break;
            if (BuiltinFormatCode(id) == s.numberFormat)
                numFmtId = id;
        }
        if (s.numberFormat.empty())
            numFmtId = 0;
        if (numFmtId < 0) {
            auto [it, added] =
                customFormats.emplace(s.numberFormat, 164 + static_cast<int>(customFormats.size()));
            if (added)
                formatList.emplace_back(it->second, s.numberFormat);
            numFmtId = it->second;
        }
        const int font = IndexIn(fonts, s.font);
        const int fill = IndexIn(fills, s.fill);
        const int border = IndexIn(borders, s.border);
        xfs += "<xf";
        NumAttr(xfs, "numFmtId", numFmtId);
        NumAttr(xfs, "fontId", font);
        NumAttr(xfs, "fillId", fill);
        NumAttr(xfs, "borderId", border);
        xfs += " xfId=\"0\"";
        if (numFmtId != 0)
            xfs += " applyNumberFormat=\"1\"";
        if (font != 0)
            xfs += " applyFont=\"1\"";
        if (fill != 0)
            xfs += " applyFill=\"1\"";
        if (border != 0)
            xfs += " applyBorder=\"1\"";
        const Alignment& a = s.alignment;
        const bool align = !(a == Alignment{});
        const bool protect = !(s.protection == Protection{});
        if (align)
            xfs += " applyAlignment=\"1\"";
        if (protect)
            xfs += " applyProtection=\"1\"";
        if (!align && !protect) {
            xfs += "/>";
            continue;
        }
        xfs += '>';
        if (align) {
            xfs += "<alignment";
            if (!a.horizontal.empty())
                Attr(xfs, "horizontal", a.horizontal);
            if (!a.vertical.empty())
                Attr(xfs, "vertical", a.vertical);
            if (a.rotation != 0)
                NumAttr(xfs, "textRotation", a.rotation);
            if (a.wrap)
                xfs += " wrapText=\"1\"";
            if (a.indent != 0)
                NumAttr(xfs, "indent", a.indent);
            if (a.shrink)
                xfs += " shrinkToFit=\"1\"";
            xfs += "/>";
        }
        if (protect) {
            xfs += "<protection";
            if (!s.protection.locked)
                xfs += " locked=\"0\"";
            if (s.protection.hidden)
                xfs += " hidden=\"1\"";
            xfs += "/>";
        }
        xfs += "</xf>";
    }

    std::string out(kXmlHeader);
    out += "<styleSheet xmlns=\"";
    out += kMainNs;
    out += "\">";
    if (!formatList.empty()) {
        out += "<numFmts count=\"" + std::to_string(formatList.size()) + "\">";
        for (const auto& [id, code] : formatList) {
            out += "<numFmt";
            NumAttr(out, "numFmtId", id);
            Attr(out, "formatCode", code);
            out += "/>";
        }
        out += "</numFmts>";
    }
    out += "<fonts count=\"" + std::to_string(fonts.size()) + "\">";
    for (const auto& f : fonts)
        AppendFont(out, f);
    out += "</fonts><fills count=\"" + std::to_string(fills.size()) + "\">";
    for (const auto& f : fills)
        AppendFill(out, f);
    out += "</fills><borders count=\"" + std::to_string(borders.size()) + "\">";
    for (const auto& b : borders)
        AppendBorder(out, b);
    out += "</borders>";
    out +=
        "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
        "</cellStyleXfs>";
    out += "<cellXfs count=\"" + std::to_string(book.StyleCount()) + "\">" + xfs + "</cellXfs>";
    out +=
        "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/>"
        "</cellStyles>";
    out += dxfs;
    out += "<tableStyles count=\"0\"/></styleSheet>";
    return out;
}

}  // namespace tabulon::spreadsheet::xlsx
