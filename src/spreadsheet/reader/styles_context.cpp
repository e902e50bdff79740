#include "spreadsheet/reader/styles_context.h"

#include <cstdlib>
#include <cstring>

#include "spreadsheet/number_format.h"
#include "spreadsheet/reader/xml_values.h"

namespace tabulon::spreadsheet {
namespace {

constexpr ElementRule kRules[] = {
    {"", "styleSheet"},
    {"styleSheet", "numFmts"},
    {"numFmts", "numFmt"},
    {"styleSheet", "fonts"},
    {"fonts", "font"},
    {"font", "b"},
    {"font", "i"},
    {"font", "u"},
    {"font", "strike"},
    {"font", "vertAlign"},
    {"font", "sz"},
    {"font", "color"},
    {"font", "name"},
    {"font", "family"},
    {"font", "scheme"},
    {"styleSheet", "fills"},
    {"fills", "fill"},
    {"fill", "patternFill"},
    {"patternFill", "fgColor"},
    {"patternFill", "bgColor"},
    {"styleSheet", "borders"},
    {"borders", "border"},
    {"border", "left"},
    {"border", "start"},
    {"border", "right"},
    {"border", "end"},
    {"border", "top"},
    {"border", "bottom"},
    {"border", "diagonal"},
    {"left", "color"},
    {"start", "color"},
    {"right", "color"},
    {"end", "color"},
    {"top", "color"},
    {"bottom", "color"},
    {"diagonal", "color"},
    {"styleSheet", "cellStyleXfs"},
    {"cellStyleXfs", "xf"},
    {"styleSheet", "cellXfs"},
    {"cellXfs", "xf"},
    {"xf", "alignment"},
    {"xf", "protection"},
};

// A flag element such as <b/> or <b val="0"/>.
bool Flag(const platform::XmlAttributes& attrs) {
    return xml::ToBool(attrs.Find("val"), true);
}

}  // namespace

StylesContext::StylesContext(std::string fileName, std::string partName)
    : XmlContext(std::move(fileName), std::move(partName), XmlVocabulary::SpreadsheetMl, kRules,
                 {}) {}

Color StylesContext::ReadColor(const platform::XmlAttributes& attrs) {
    Color color;
    if (const char* rgb = attrs.Find("rgb")) {
        const std::size_t len = std::strlen(rgb);
        char* end = nullptr;
        const unsigned long value = std::strtoul(rgb, &end, 16);
        if (end && *end == '\0' && (len == 8 || len == 6)) {
            color.kind = Color::Kind::Rgb;
            color.argb = static_cast<std::uint32_t>(value) | (len == 6 ? 0xFF000000u : 0u);
        }
    } else if (const char* theme = attrs.Find("theme")) {
        color.kind = Color::Kind::Theme;
        color.index = xml::ToInt(theme, 0);
        color.tint = xml::ToDouble(attrs.Find("tint"), 0);
    } else if (const char* indexed = attrs.Find("indexed")) {
        color.kind = Color::Kind::Indexed;
        color.index = xml::ToInt(indexed, 0);
    } else if (xml::ToBool(attrs.Find("auto"), false)) {
        color.kind = Color::Kind::Auto;
    }
    return color;
}

void StylesContext::Start(std::string_view element, const platform::XmlAttributes& attrs) {
    const std::string_view parent = Parent();
    if (element == "numFmt") {
        const char* code = attrs.Find("formatCode");
        if (code)
            m_numFmts[xml::ToInt(attrs.Find("numFmtId"), -1)] = code;
    } else if (element == "font") {
        m_fonts.emplace_back();
    } else if (parent == "font" && !m_fonts.empty()) {
        Font& font = m_fonts.back();
        const char* val = attrs.Find("val");
        if (element == "b")
            font.bold = Flag(attrs);
        if (element == "i")
            font.italic = Flag(attrs);
        if (element == "strike")
            font.strike = Flag(attrs);
        if (element == "u")
            font.underline = val ? (std::strcmp(val, "none") == 0 ? "" : val) : "single";
        if (element == "vertAlign" && val)
            font.vertAlign = std::strcmp(val, "baseline") == 0 ? "" : val;
        if (element == "sz")
            font.size = xml::ToDouble(val, font.size);
        if (element == "color")
            font.color = ReadColor(attrs);
        if (element == "name" && val)
            font.name = val;
        if (element == "family")
            font.family = xml::ToInt(val, 0);
        if (element == "scheme" && val)
            font.scheme = std::strcmp(val, "none") == 0 ? "" : val;
    } else if (element == "fill") {
        m_fills.emplace_back();
    } else if (element == "patternFill" && !m_fills.empty()) {
        const char* type = attrs.Find("patternType");
        m_fills.back().pattern = type && std::strcmp(type, "none") != 0 ? type : "";
    } else if (element == "fgColor" && !m_fills.empty()) {
        m_fills.back().fg = ReadColor(attrs);
    } else if (element == "bgColor" && !m_fills.empty()) {
        m_fills.back().bg = ReadColor(attrs);
    } else if (element == "border") {
        m_borders.emplace_back();
        m_borders.back().diagonalUp = xml::ToBool(attrs.Find("diagonalUp"), false);
        m_borders.back().diagonalDown = xml::ToBool(attrs.Find("diagonalDown"), false);
    } else if (parent == "border" && !m_borders.empty()) {
        Border& border = m_borders.back();
        m_side = element == "left" || element == "start"  ? &border.left
                 : element == "right" || element == "end" ? &border.right
                 : element == "top"                       ? &border.top
                 : element == "bottom"                    ? &border.bottom
                                                          : &border.diagonal;
        const char* style = attrs.Find("style");
        m_side->style = style && std::strcmp(style, "none") != 0 ? style : "";
    } else if (element == "color" && m_side) {
        m_side->color = ReadColor(attrs);
    } else if (element == "xf" && parent == "cellStyleXfs") {
        if (m_normalFont < 0)
            m_normalFont = xml::ToInt(attrs.Find("fontId"), 0);
        m_side = nullptr;
        m_inStyleXf = true;
    } else if (element == "xf") {
        m_inStyleXf = false;
        Xf xf;
        xf.numFmt = xml::ToInt(attrs.Find("numFmtId"), 0);
        xf.font = xml::ToInt(attrs.Find("fontId"), 0);
        xf.fill = xml::ToInt(attrs.Find("fillId"), 0);
        xf.border = xml::ToInt(attrs.Find("borderId"), 0);
        m_xfs.push_back(xf);
    } else if (m_inStyleXf) {
        // the alignment and protection of a named style: cells carry their own
    } else if (element == "alignment" && !m_xfs.empty()) {
        Alignment& a = m_xfs.back().alignment;
        if (const char* h = attrs.Find("horizontal"))
            a.horizontal = std::strcmp(h, "general") == 0 ? "" : h;
        if (const char* v = attrs.Find("vertical"))
            a.vertical = std::strcmp(v, "bottom") == 0 ? "" : v;
        a.wrap = xml::ToBool(attrs.Find("wrapText"), false);
        a.indent = xml::ToInt(attrs.Find("indent"), 0);
        a.rotation = xml::ToInt(attrs.Find("textRotation"), 0);
        a.shrink = xml::ToBool(attrs.Find("shrinkToFit"), false);
    } else if (element == "protection" && !m_xfs.empty()) {
        Protection& p = m_xfs.back().protection;
        p.locked = xml::ToBool(attrs.Find("locked"), true);
        p.hidden = xml::ToBool(attrs.Find("hidden"), false);
    }
}

Font StylesContext::NormalFont() const {
    const int index = m_normalFont < 0 ? 0 : m_normalFont;
    if (static_cast<std::size_t>(index) < m_fonts.size())
        return m_fonts[static_cast<std::size_t>(index)];
    return m_fonts.empty() ? Font{} : m_fonts.front();
}

std::vector<CellStyle> StylesContext::CellStyles() const {
    std::vector<CellStyle> styles;
    styles.reserve(m_xfs.size());
    for (const Xf& xf : m_xfs) {
        CellStyle style;
        // A format of the file's own wins over the built-in one of the same id;
        // an empty code, or an id without a built-in code, reads as General.
        const auto own = m_numFmts.find(xf.numFmt);
        std::string_view code;
        if (own != m_numFmts.end()) {
            code = own->second;
        } else if (const std::string_view local = LocaleFormatCode(xf.numFmt); !local.empty()) {
            code = local;
            style.builtinFormat = xf.numFmt;
        } else {
            code = BuiltinFormatCode(xf.numFmt);
        }
        if (!code.empty())
            style.numberFormat = code;
        // Out-of-range indexes fall back to the defaults rather than failing:
        // several producers write them and spreadsheet applications accept them.
        if (xf.font >= 0 && static_cast<std::size_t>(xf.font) < m_fonts.size())
            style.font = m_fonts[xf.font];
        if (xf.fill >= 0 && static_cast<std::size_t>(xf.fill) < m_fills.size())
            style.fill = m_fills[xf.fill];
        if (xf.border >= 0 && static_cast<std::size_t>(xf.border) < m_borders.size())
            style.border = m_borders[xf.border];
        style.alignment = xf.alignment;
        style.protection = xf.protection;
        styles.push_back(std::move(style));
    }
    return styles;
}

}  // namespace tabulon::spreadsheet
