#include "spreadsheet/reader/biff_styles.h"

#include "spreadsheet/number_format.h"

namespace tabulon::spreadsheet {
namespace {

// The palette of a workbook without a PALETTE record, from index 8.
constexpr std::array<std::uint32_t, 56> kDefaultPalette = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};

constexpr const char* kBorderStyles[] = {"",
                                         "thin",
                                         "medium",
                                         "dashed",
                                         "dotted",
                                         "thick",
                                         "double",
                                         "hair",
                                         "mediumDashed",
                                         "dashDot",
                                         "mediumDashDot",
                                         "dashDotDot",
                                         "mediumDashDotDot",
                                         "slantDashDot"};

constexpr const char* kPatterns[] = {"",
                                     "solid",
                                     "mediumGray",
                                     "darkGray",
                                     "lightGray",
                                     "darkHorizontal",
                                     "darkVertical",
                                     "darkDown",
                                     "darkUp",
                                     "darkGrid",
                                     "darkTrellis",
                                     "lightHorizontal",
                                     "lightVertical",
                                     "lightDown",
                                     "lightUp",
                                     "lightGrid",
                                     "lightTrellis",
                                     "gray125",
                                     "gray0625"};

constexpr const char* kHorizontal[] = {"",     "left",    "center",           "right",
                                       "fill", "justify", "centerContinuous", "distributed"};
constexpr const char* kVertical[] = {"top", "center", "", "justify", "distributed"};

const char* BorderStyle(unsigned code) {
    return code < std::size(kBorderStyles) ? kBorderStyles[code] : "";
}

}  // namespace

BiffStyles::BiffStyles() : m_palette(kDefaultPalette) {}

Color BiffStyles::PaletteColor(unsigned icv) const {
    static constexpr std::uint32_t kFixed[] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00,
                                               0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF};
    Color color;
    if (icv < 8 || (icv >= 8 && icv < 64)) {
        color.kind = Color::Kind::Rgb;
        color.argb = 0xFF000000u | (icv < 8 ? kFixed[icv] : m_palette[icv - 8]);
    }
    return color;
}

void BiffStyles::Palette(BiffCursor& cursor) {
    const unsigned count = cursor.U16();
    for (unsigned i = 0; i < count && i < m_palette.size(); ++i) {
        const std::uint32_t rgb = cursor.U32();
        m_palette[i] = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    }
}

void BiffStyles::Font(BiffCursor& cursor, BiffText& text) {
    spreadsheet::Font font;
    font.size = cursor.U16() / 20.0;
    const unsigned flags = cursor.U16();
    font.italic = flags & 0x02;
    font.strike = flags & 0x08;
    const unsigned icv = cursor.U16();
    if (icv != 0x7FFF && icv != 64 && icv != 32767)
        font.color = PaletteColor(icv);
    font.bold = cursor.U16() >= 700;
    const unsigned script = cursor.U16();
    font.vertAlign = script == 1 ? "superscript" : script == 2 ? "subscript" : "";
    switch (cursor.U8()) {
        case 0x01:
            font.underline = "single";
            break;
        case 0x02:
            font.underline = "double";
            break;
        case 0x21:
            font.underline = "singleAccounting";
            break;
        case 0x22:
            font.underline = "doubleAccounting";
            break;
        default:
            break;
    }
    font.family = cursor.U8();
    cursor.Skip(2);  // character set, reserved
    font.name = text.String(cursor, 1);
    m_fonts.push_back(std::move(font));
}

void BiffStyles::Format(BiffCursor& cursor, BiffText& text) {
    const unsigned id = cursor.U16();
    m_formats[id] = text.String(cursor, text.Biff8() ? 2 : 1);
}

void BiffStyles::Xf(BiffCursor& cursor, bool biff8) {
    XfEntry xf;
    xf.font = cursor.U16();
    xf.format = cursor.U16();
    const unsigned type = cursor.U16();
    xf.protection.locked = type & 0x1;
    xf.protection.hidden = type & 0x2;
    const unsigned align = cursor.U8();
    xf.alignment.horizontal = kHorizontal[align & 7];
    xf.alignment.wrap = align & 0x08;
    const unsigned vertical = (align >> 4) & 7;
    xf.alignment.vertical = vertical < std::size(kVertical) ? kVertical[vertical] : "";
    unsigned pattern = 0, fore = 64, back = 65;
    if (biff8) {
        const unsigned rotation = cursor.U8();
        xf.alignment.rotation = rotation <= 180 || rotation == 255 ? static_cast<int>(rotation) : 0;
        const unsigned indent = cursor.U8();
        xf.alignment.indent = static_cast<int>(indent & 0x0F);
        xf.alignment.shrink = indent & 0x10;
        cursor.Skip(1);  // which attributes differ from the parent
        const std::uint32_t sides = cursor.U32();
        const std::uint32_t more = cursor.U32();
        const unsigned colors = cursor.U16();
        Border& b = xf.border;
        b.left.style = BorderStyle(sides & 0xF);
        b.right.style = BorderStyle((sides >> 4) & 0xF);
        b.top.style = BorderStyle((sides >> 8) & 0xF);
        b.bottom.style = BorderStyle((sides >> 12) & 0xF);
        b.diagonal.style = BorderStyle((more >> 21) & 0xF);
        if (!b.left.style.empty())
            b.left.color = PaletteColor((sides >> 16) & 0x7F);
        if (!b.right.style.empty())
            b.right.color = PaletteColor((sides >> 23) & 0x7F);
        if (!b.top.style.empty())
            b.top.color = PaletteColor(more & 0x7F);
        if (!b.bottom.style.empty())
            b.bottom.color = PaletteColor((more >> 7) & 0x7F);
        if (!b.diagonal.style.empty()) {
            b.diagonal.color = PaletteColor((more >> 14) & 0x7F);
            b.diagonalDown = sides & 0x40000000u;
            b.diagonalUp = sides & 0x80000000u;
        }
        pattern = (more >> 26) & 0x3F;
        fore = colors & 0x7F;
        back = (colors >> 7) & 0x7F;
    } else {
        const unsigned orientation = cursor.U8();
        switch (orientation & 3) {
            case 1:
                xf.alignment.rotation = 255;
                break;
            case 2:
                xf.alignment.rotation = 90;
                break;
            case 3:
                xf.alignment.rotation = 180;
                break;
            default:
                break;
        }
        const std::uint32_t fill = cursor.U32();
        const std::uint32_t sides = cursor.U32();
        fore = fill & 0x7F;
        back = (fill >> 7) & 0x7F;
        pattern = (fill >> 16) & 0x3F;
        Border& b = xf.border;
        b.bottom.style = BorderStyle((fill >> 22) & 0x7);
        b.top.style = BorderStyle(sides & 0x7);
        b.left.style = BorderStyle((sides >> 3) & 0x7);
        b.right.style = BorderStyle((sides >> 6) & 0x7);
        if (!b.bottom.style.empty())
            b.bottom.color = PaletteColor((fill >> 25) & 0x7F);
        if (!b.top.style.empty())
            b.top.color = PaletteColor((sides >> 9) & 0x7F);
        if (!b.left.style.empty())
            b.left.color = PaletteColor((sides >> 16) & 0x7F);
        if (!b.right.style.empty())
            b.right.color = PaletteColor((sides >> 23) & 0x7F);
    }
    if (pattern > 0 && pattern < std::size(kPatterns)) {
        xf.fill.pattern = kPatterns[pattern];
        xf.fill.fg = PaletteColor(fore);
        xf.fill.bg = PaletteColor(back);
    }
    m_xfs.push_back(std::move(xf));
}

void BiffStyles::LegacyFont(BiffCursor& cursor, BiffText& text, int version) {
    spreadsheet::Font font;
    font.size = cursor.U16() / 20.0;
    const unsigned flags = cursor.U16();
    font.bold = flags & 0x01;
    font.italic = flags & 0x02;
    font.underline = (flags & 0x04) ? "single" : "";
    font.strike = flags & 0x08;
    m_fonts.push_back(std::move(font));
    if (version >= 3)
        SetLastFontColor(cursor.U16());
    m_fonts.back().name = text.String(cursor, 1);
}

void BiffStyles::SetLastFontColor(unsigned icv) {
    if (!m_fonts.empty() && icv < 64)
        m_fonts.back().color = PaletteColor(icv);
}

namespace {

// The colours of Excel 3 and 4 XF records take five bits; from 24 on they
// name the system's window colours, shown as automatic.
Color LegacyColor(const BiffStyles& styles, unsigned icv) {
    return icv < 24 ? styles.PaletteColor(icv) : Color();
}

}  // namespace

void BiffStyles::LegacyXf(BiffCursor& cursor, int version) {
    if (version == 2) {
        const unsigned font = cursor.U8();
        cursor.Skip(1);
        const unsigned format = cursor.U8();
        return AttributeXf(font, format, cursor.U8());
    }
    XfEntry xf;
    xf.font = cursor.U8();
    xf.format = cursor.U8();
    const unsigned type = version == 3 ? cursor.U8() : cursor.U16();
    xf.protection.locked = type & 0x1;
    xf.protection.hidden = type & 0x2;
    unsigned align;
    if (version == 3) {
        cursor.Skip(1);  // which attributes differ from the parent
        align = cursor.U16() & 0x0F;
    } else {
        align = cursor.U8();
        cursor.Skip(1);
        const unsigned vertical = (align >> 4) & 3;
        xf.alignment.vertical = kVertical[vertical];
        switch (align >> 6) {
            case 1:
                xf.alignment.rotation = 255;
                break;
            case 2:
                xf.alignment.rotation = 90;
                break;
            case 3:
                xf.alignment.rotation = 180;
                break;
            default:
                break;
        }
    }
    xf.alignment.horizontal = kHorizontal[align & 7];
    xf.alignment.wrap = align & 0x08;
    const unsigned fill = cursor.U16();
    const std::uint32_t sides = cursor.U32();
    const unsigned pattern = fill & 0x3F;
    if (pattern > 0 && pattern < std::size(kPatterns)) {
        xf.fill.pattern = kPatterns[pattern];
        xf.fill.fg = LegacyColor(*this, (fill >> 6) & 0x1F);
        xf.fill.bg = LegacyColor(*this, (fill >> 11) & 0x1F);
    }
    BorderSide* order[] = {&xf.border.top, &xf.border.left, &xf.border.bottom, &xf.border.right};
    for (int i = 0; i < 4; ++i) {
        const unsigned bits = (sides >> (8 * i)) & 0xFF;
        order[i]->style = BorderStyle(bits & 7);
        if (!order[i]->style.empty())
            order[i]->color = LegacyColor(*this, bits >> 3);
    }
    m_xfs.push_back(std::move(xf));
}

void BiffStyles::AttributeXf(unsigned font, unsigned formatAndProtection,
                             unsigned alignAndBorders) {
    XfEntry xf;
    xf.font = font;
    xf.format = formatAndProtection & 0x3F;
    xf.protection.locked = formatAndProtection & 0x40;
    xf.protection.hidden = formatAndProtection & 0x80;
    xf.alignment.horizontal = kHorizontal[alignAndBorders & 7];
    // Excel 2 knows one kind of border, thin, and one shading.
    BorderSide* sides[] = {&xf.border.left, &xf.border.right, &xf.border.top, &xf.border.bottom};
    for (unsigned i = 0; i < 4; ++i)
        if (alignAndBorders & (0x08u << i))
            sides[i]->style = "thin";
    if (alignAndBorders & 0x80) {
        xf.fill.pattern = "gray125";
        xf.fill.fg = PaletteColor(0);
        xf.fill.bg = PaletteColor(1);
    }
    m_xfs.push_back(std::move(xf));
}

Font BiffStyles::FontOf(unsigned index) const {
    // Font 4 does not exist: the index skips it. Without a font of its own a
    // cell shows the BIFF default, Arial 10.
    const unsigned font = index >= 4 ? index - 1 : index;
    if (font < m_fonts.size())
        return m_fonts[font];
    spreadsheet::Font arial;
    arial.name = "Arial";
    arial.size = 10;
    return arial;
}

std::vector<CellStyle> BiffStyles::CellStyles() const {
    std::vector<CellStyle> styles;
    styles.reserve(m_xfs.size());
    for (const XfEntry& xf : m_xfs) {
        CellStyle style;
        // Format 0 is General whatever its FORMAT record calls it ("GENERAL",
        // "Standard" ...). A built-in id whose code follows the locale and
        // that the file gives no code for is shown the way .xlsx files show it.
        const auto own = m_formats.find(xf.format);
        const int id = static_cast<int>(xf.format);
        std::string_view code;
        if (id != 0 && own != m_formats.end()) {
            code = own->second;
        } else if (const std::string_view local = LocaleFormatCode(id); id != 0 && !local.empty()) {
            code = local;
            style.builtinFormat = id;
        } else if (id != 0) {
            code = BuiltinFormatCode(id);
        }
        if (!code.empty())
            style.numberFormat = code;
        // Font 4 does not exist: the index skips it. Without a font of its
        // own a cell shows the BIFF default, Arial 10.
        style.font = FontOf(xf.font);
        style.fill = xf.fill;
        style.border = xf.border;
        style.alignment = xf.alignment;
        style.protection = xf.protection;
        styles.push_back(std::move(style));
    }
    return styles;
}

}  // namespace tabulon::spreadsheet
