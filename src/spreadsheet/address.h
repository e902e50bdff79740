// Cell and range positions on the grid, and their A1 texts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tabulon::spreadsheet {

constexpr int kMaxRows = 1048576;   // rows 1 .. kMaxRows
constexpr int kMaxColumns = 16384;  // columns 1 .. kMaxColumns (A .. XFD)

// A cell position, 1-based.
struct CellRef {
    int row = 1;
    int col = 1;
    friend bool operator==(const CellRef&, const CellRef&) = default;
};

// A rectangle of cells, corners inclusive, first <= last in both directions.
struct RangeRef {
    CellRef first;
    CellRef last;
    int Rows() const { return last.row - first.row + 1; }
    int Columns() const { return last.col - first.col + 1; }
    bool Contains(CellRef c) const {
        return c.row >= first.row && c.row <= last.row && c.col >= first.col && c.col <= last.col;
    }
    friend bool operator==(const RangeRef&, const RangeRef&) = default;
};

// "A" for 1, "XFD" for 16384; empty for anything outside 1 .. kMaxColumns.
std::string ColumnLetters(int col);
// 1 for "A" or "a", 16384 for "XFD"; -1 for anything that is not 1-3 letters within the grid.
int ColumnFromLetters(std::string_view letters);

// Reads "B7", "$B$7" or "b7" (no sheet part); nullopt when not a cell of the grid.
std::optional<CellRef> ParseCellRef(std::string_view text);
// Reads "A1:C3" (corners in any order, '$' allowed) or a single cell; nullopt otherwise.
std::optional<RangeRef> ParseRangeRef(std::string_view text);
// ParseRangeRef, and also whole columns ("A:C", "$B:$B": rows 1 .. kMaxRows) and whole
// rows ("3:5", "$7:$7": columns 1 .. kMaxColumns), the way range addresses print them.
std::optional<RangeRef> ParseAreaRef(std::string_view text);

// "B7", or "$B$7" when absolute.
std::string FormatCellRef(CellRef cell, bool absolute = false);
// "A1:C3" ("$A$1:$C$3" when absolute); a one-cell range prints as that cell.
std::string FormatRangeRef(const RangeRef& range, bool absolute = false);

}  // namespace tabulon::spreadsheet
