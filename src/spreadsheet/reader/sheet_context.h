// Reads one worksheet or macro sheet part and hands its content to an
// ISheetImport: cells, formulas (shared ones expanded), columns, rows, merges
// and the auto filter. Buffers are reused from cell to cell.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "spreadsheet/import.h"
#include "spreadsheet/reader/row_text.h"
#include "spreadsheet/reader/xml_context.h"

namespace tabulon::spreadsheet {

// Reads a worksheet or macro sheet part; `onWholeText` receives the part's text
// when it was held whole. The part is scanned by XmlScanner and,
// when the scanner refuses it, read again through expat, so that the result is
// what expat reads and a damaged part fails with expat's message. Throws
// ReadError.
void ReadSheetPart(platform::ZipArchive& zip, std::size_t entry, const std::string& fileName,
                   const std::string& partName, ISheetImport& sink,
                   const std::vector<Value>& strings, const std::vector<int>& styles, bool date1904,
                   const std::vector<std::string>& externalBooks,
                   const std::map<std::size_t, RichText>* sharedRuns = nullptr,
                   const std::function<void(std::string_view xml)>& onWholeText = {});

// Which parser reads the big parts (worksheets, the shared string table), for
// the whole process: tests compare the two and troubleshooting may want expat
// alone.
enum class SheetParser { Scanner, Expat };
void UseSheetParser(SheetParser parser);
SheetParser SheetParserInUse();
// How many parts were scanned, and how many of them were read again through
// expat because the scanner refused them.
struct SheetParserCounts {
    std::uint64_t scanned = 0;
    std::uint64_t reread = 0;
};
SheetParserCounts SheetParserCountsSoFar();
// Counts a part scanned, and whether it had to be read again.
void CountScannedPart(bool reread);

class SheetContext final : public XmlContext {
  public:
    // `strings` is the shared string table, `styles` maps cell format record
    // indexes to the sink's style indexes, `externalBooks` names the workbook of
    // each external link ([1] is the first).
    SheetContext(std::string fileName, std::string partName, ISheetImport& sink,
                 const std::vector<Value>& strings, const std::vector<int>& styles, bool date1904,
                 const std::vector<std::string>& externalBooks,
                 const std::map<std::size_t, RichText>* sharedRuns = nullptr);

    // SetArrayFormula calls made so far.
    std::size_t ArrayFormulasSent() const { return m_arraysSent; }

  private:
    enum class CellType { Number, SharedString, FormulaString, InlineString, Boolean, Error, Date };
    enum class FormulaKind { None, Normal, Shared, Array, DataTable };
    struct SharedFormula {
        CellRef master;
        std::string formula;
    };

    void Start(std::string_view element, const platform::XmlAttributes& attrs) override;
    void End(std::string_view element) override;
    void Characters(std::string_view text) override;
    std::size_t ReadRaw(std::string_view text) override;

    void StartRow(const platform::XmlAttributes& attrs);
    void StartCell(const platform::XmlAttributes& attrs);
    // An absent attribute is a view whose data() is nullptr.
    void StartCell(std::string_view r, std::string_view t, std::string_view s);
    void StartFormula(const char* t, const char* si, const char* ref);
    void StartColumns(const platform::XmlAttributes& attrs);
    void EndCell();
    const Value& CellValue();
    std::size_t SharedIndex() const;
    Value ConvertValue();
    int Style(const char* attr) const;
    int StyleOf(int xf) const;
    RangeRef Range(const char* text, const char* what);

    ISheetImport& m_sink;
    const std::vector<Value>& m_strings;
    const std::vector<int>& m_styles;
    const std::vector<std::string>& m_externalBooks;
    const std::map<std::size_t, RichText>* m_sharedRuns;  // nullptr or non-empty
    bool m_date1904;

    int m_row = 0;  // current row, 0 before the first
    int m_col = 0;  // column of the last cell in the row
    // The cell being read.
    CellRef m_cell;
    CellType m_type = CellType::Number;
    int m_xf = 0;
    std::string m_value;
    std::string m_formula;
    std::string m_expanded;
    std::string m_formulaRef;
    std::string m_inline;
    FormulaKind m_formulaKind = FormulaKind::None;
    int m_sharedIndex = -1;
    bool m_hasValue = false;
    bool m_hasInline = false;
    enum class Text { None, Value, Formula, Inline } m_text = Text::None;
    Value m_scratch;
    std::unordered_map<int, SharedFormula> m_shared;
    // Rows read straight from the text (ReadRaw), and room for their attributes'
    // values, each closed by a NUL.
    RowText m_rowText;
    std::string m_rawValues;
    std::vector<platform::XmlAttribute> m_rawAttributes;
    std::size_t m_arraysSent = 0;
};

}  // namespace tabulon::spreadsheet
