// Reads the styles part into one CellStyle per cell format record (cellXfs).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "spreadsheet/reader/xml_context.h"
#include "spreadsheet/style.h"

namespace tabulon::spreadsheet {

class StylesContext : public XmlContext {
  public:
    StylesContext(std::string fileName, std::string partName);

    // One entry per cellXfs record, in file order, fully resolved.
    std::vector<CellStyle> CellStyles() const;
    // The font of the Normal style, the workbook's default.
    Font NormalFont() const;

  private:
    struct Xf {
        int numFmt = 0, font = 0, fill = 0, border = 0;
        Alignment alignment;
        Protection protection;
    };

    void Start(std::string_view element, const platform::XmlAttributes& attrs) override;
    void End(std::string_view) override {}
    static Color ReadColor(const platform::XmlAttributes& attrs);

    std::map<int, std::string> m_numFmts;
    std::vector<Font> m_fonts;
    std::vector<Fill> m_fills;
    std::vector<Border> m_borders;
    std::vector<Xf> m_xfs;
    BorderSide* m_side = nullptr;  // the border side being read
    int m_normalFont = -1;         // font of the first cell style record
    bool m_inStyleXf = false;      // reading a cell style record, not a cell format
};

}  // namespace tabulon::spreadsheet
