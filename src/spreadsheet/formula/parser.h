// Builds the tree of a formula from its tokens, with the usual spreadsheet
// operator precedence: reference operators (':' then intersection ' ' then union
// ',' inside parentheses), unary sign, '%', '^', '*' '/', '+' '-', '&', comparisons.
#pragma once

#include <string_view>

#include "spreadsheet/address.h"
#include "spreadsheet/formula/ast.h"
#include "spreadsheet/formula/lexer.h"

namespace tabulon::spreadsheet::formula {

// Deepest nesting of parentheses, function calls and signs accepted, and the
// tallest tree; deeper formulas are refused with FormulaSyntaxError rather than
// risking the stack while parsing or evaluating.
constexpr int kMaxNesting = 200;
constexpr int kMaxTreeHeight = 1000;

// Parses tokens read from a formula meant for cell `origin` (relative parts are
// stored as offsets from it). Throws FormulaSyntaxError.
Ast Parse(const TokenList& tokens, CellRef origin);

// Tokenize + Parse.
Ast ParseFormula(std::string_view formula, CellRef origin);

// The name a LET variable or LAMBDA parameter is known by: upper case, without
// the "_xlpm." mark files give it.
std::string LocalName(std::string_view name);

}  // namespace tabulon::spreadsheet::formula
