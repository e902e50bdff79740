// Formulas of the plainest kind, as most cells hold them: cell references and areas,
// numbers, operators and function calls, written in upper case ("C2*D2",
// "SUM($B$2:B9)/2"). Such a formula is handled here straight from its text, without the
// lexer; any other (text, sheet names, names with digits, whole columns or rows, lower
// case, errors, arrays...) is refused, and left to the lexer by the caller.
#pragma once

#include <string>
#include <string_view>

#include "spreadsheet/address.h"
#include "spreadsheet/formula/token.h"

namespace tabulon::spreadsheet::formula {

// The position-independent key of a plain formula read for cell `origin`: two formulas
// with the same key are one formula at two places. False for any other formula.
bool PlainRelativeKey(std::string_view formula, CellRef origin, std::string& key);

// A plain formula moved by dRows and dCols, as MoveFormula writes it. False for any other
// formula, and for one whose references would leave the grid.
bool MovePlainFormula(std::string_view formula, int dRows, int dCols, std::string& out);

// One corner of a reference in a relative key: absolute parts as they are, relative ones
// as offsets from `origin`.
void AppendRelativePart(std::string& key, const RefPart& part, CellRef origin);

}  // namespace tabulon::spreadsheet::formula
