// The formatting records of a BIFF workbook: FONT, FORMAT, XF and PALETTE,
// turned into the CellStyle of each XF. Excel 2 to 4 worksheets have records
// of their own for them, and Excel 2 cells may carry their formatting in
// three attribute bytes instead of an XF index.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "spreadsheet/reader/biff_text.h"
#include "spreadsheet/style.h"

namespace tabulon::spreadsheet {

class BiffStyles {
  public:
    BiffStyles();

    void Font(BiffCursor& cursor, BiffText& text);
    void Format(BiffCursor& cursor, BiffText& text);
    void Xf(BiffCursor& cursor, bool biff8);
    void Palette(BiffCursor& cursor);

    // FONT of Excel 2 (0x0031, its colour in a FONTCOLOR after it) and of
    // Excel 3 and 4 (0x0231).
    void LegacyFont(BiffCursor& cursor, BiffText& text, int version);
    void SetLastFontColor(unsigned icv);
    // A format code with its index: Excel 2 to 4 number them in their order.
    void AddFormat(unsigned id, std::string code) { m_formats[id] = std::move(code); }
    // XF of Excel 2 (0x0043), 3 (0x0243) and 4 (0x0443).
    void LegacyXf(BiffCursor& cursor, int version);
    // An XF spelled by the attribute bytes of an Excel 2 cell (or the body of
    // its XF record): font and number format, alignment, borders, shading and
    // protection.
    void AttributeXf(unsigned font, unsigned formatAndProtection, unsigned alignAndBorders);

    // One CellStyle per XF record, in their order.
    std::vector<CellStyle> CellStyles() const;
    // The colour of palette index `icv` (8 and up from the palette, 0-7 fixed);
    // none for the system colours.
    Color PaletteColor(unsigned icv) const;
    std::size_t XfCount() const { return m_xfs.size(); }
    // The font of a FONT index as XF records and text runs give it; font 0 is
    // the workbook's Normal font.
    spreadsheet::Font FontOf(unsigned index) const;

  private:
    struct XfEntry {
        unsigned font = 0, format = 0;
        Alignment alignment;
        Protection protection;
        Border border;
        Fill fill;
    };

    std::vector<spreadsheet::Font> m_fonts;
    std::map<unsigned, std::string> m_formats;
    std::vector<XfEntry> m_xfs;
    std::array<std::uint32_t, 56> m_palette;
};

}  // namespace tabulon::spreadsheet
