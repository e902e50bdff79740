// Rewriting formulas: the text a formula takes when copied to another cell, and a
// general rewriter of the references in a formula.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "spreadsheet/formula/token.h"

namespace tabulon::spreadsheet::formula {

// The formula as it reads after being copied `dRows` down and `dCols` right
// (negative: up, left). Relative parts shift, absolute parts stay; whole columns
// and rows shift in their one dimension. A reference pushed off the sheet becomes
// #REF! (keeping its sheet part: Sheet1!#REF!). Text, names and table references
// are left alone; everything else keeps its spelling. Throws FormulaSyntaxError.
std::string MoveFormula(std::string_view formula, int dRows, int dCols);

// Calls `rewrite` with every Reference token and every Name token of the formula;
// the callback may change the token's prefix (sheet part) and, for references,
// its shape and parts, and returns true when it did. Changed tokens are printed
// again from their parts; the rest keeps its spelling. Throws FormulaSyntaxError.
std::string RewriteReferences(std::string_view formula, const std::function<bool(Token&)>& rewrite);

// Rewrites the sheet part of every reference and qualified name through `rewrite`
// (an unqualified reference arrives with prefix.present false and may be given one).
// A workbook name that is not a bare index ([1]) is written quoted:
// '[src.xlsx]Sheet2'!A1.
std::string RewriteSheets(std::string_view formula,
                          const std::function<void(SheetPrefix&)>& rewrite);

}  // namespace tabulon::spreadsheet::formula
