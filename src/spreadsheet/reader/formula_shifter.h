// Moves the relative references of an A1-style formula, as a spreadsheet does
// when it fills a formula from one cell into another. Used to expand shared
// formulas into each cell's own text.
#pragma once

#include <string>
#include <string_view>

namespace tabulon::spreadsheet {

// Writes `formula` with its relative row parts moved by `rows` and relative
// column parts by `cols` into `out` (cleared first). Absolute parts ($) stay;
// strings, quoted sheet names, function names, defined names, error literals and
// bracketed parts (structured and external references) are copied untouched.
// A reference moved off the grid becomes #REF!.
void ShiftFormula(std::string_view formula, int rows, int cols, std::string& out);

inline std::string ShiftFormula(std::string_view formula, int rows, int cols) {
    std::string out;
    ShiftFormula(formula, rows, cols, out);
    return out;
}

}  // namespace tabulon::spreadsheet
