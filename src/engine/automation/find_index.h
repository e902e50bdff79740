// FindIndex: for each column searched with a whole-cell Find, the rows holding each
// cell text (one FindKeyTable per column), so that looking a key up again costs a hash
// lookup instead of a scan.
// Kept true across writes (the sheet reports every write around it). A column with
// formulas is not indexed, as their results may change without a write there; it
// is searched by scanning until a write of many rows lets it be indexed afresh.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/automation/find_key_table.h"
#include "spreadsheet/address.h"

namespace tabulon::spreadsheet {
class Worksheet;
struct CellView;
}  // namespace tabulon::spreadsheet

namespace tabulon::engine::detail {

// The texts a Find compares for one cell, ASCII-folded when `fold`: with LookIn
// values what the cell shows (and for numbers also their plain text, so "1234.5"
// finds a cell showing 1,234.50); with LookIn formulas "=" and the formula, or the
// constant as entered. Nothing for empty cells. `value` must be calculated.
struct CellTexts {
    std::string shown;  // values: the display text; formulas: the formula or constant
    std::string plain;  // values of numbers: the plain number text; else empty
};

class FindIndex {
  public:
    // Rows (ascending) of `column` whose folded texts for `formulas` equal `key`
    // (folded); nullopt when the column cannot be indexed (it holds formulas).
    std::optional<std::vector<int>> Lookup(const spreadsheet::Worksheet& sheet, int column,
                                           bool formulas, const std::string& foldedKey);
    // The table of `column`, built when first asked for; nullptr when the column cannot
    // be indexed (it holds formulas). Valid until the next write to the sheet.
    const FindKeyTable* Table(const spreadsheet::Worksheet& sheet, int column);

    void BeforeWrite(const spreadsheet::Worksheet& sheet, const spreadsheet::RangeRef& area);
    void AfterWrite(const spreadsheet::Worksheet& sheet, const spreadsheet::RangeRef& area);
    void Clear() { m_columns.clear(); }

  private:
    struct Column {
        bool indexable = true;  // false once a formula was met: searched by scanning
        FindKeyTable keys;
    };
    // False when the cell holds a formula (the column is then dropped).
    bool AddCell(Column& column, const spreadsheet::Worksheet& sheet, spreadsheet::CellRef cell);
    bool AddView(Column& column, const spreadsheet::Worksheet& sheet,
                 const spreadsheet::CellView& view);
    void RemoveCell(Column& column, const spreadsheet::Worksheet& sheet, spreadsheet::CellRef cell);

    std::unordered_map<int, Column> m_columns;
    std::string m_scratch;  // a folded text being added
};

// ASCII case folding.
std::string FoldCase(std::string text);
void FoldInPlace(std::string& text);
// The texts of a (non-formula or calculated) cell for Find; false for an empty cell.
bool FindTexts(const spreadsheet::Worksheet& sheet, spreadsheet::CellRef cell, bool formulas,
               CellTexts& out);

}  // namespace tabulon::engine::detail
