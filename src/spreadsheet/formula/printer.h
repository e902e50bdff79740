// Tokens back to formula text.
#pragma once

#include <string>
#include <string_view>

#include "spreadsheet/formula/token.h"

namespace tabulon::spreadsheet::formula {

// The formula the tokens spell: each token's text in order.
std::string PrintTokens(const TokenList& tokens);

// The text of a Reference or Name token rebuilt from its parts (prefix, area);
// for other tokens their text. Equal to the token's text for a token just read,
// except that column letters come out in upper case.
std::string FormatToken(const Token& token);

// "Sheet1!", "'My sheet'!", "[1]Sheet1!", "'[b.xlsx]S 1'!", "Sheet1:Sheet3!"; empty when
// not present. Quotes when written quoted or when a name needs them.
std::string FormatPrefix(const SheetPrefix& prefix);

// "A1", "$A$1:B2", "A:C", "$2:$5", "#REF!".
std::string FormatArea(RefShape shape, const RefPart& first, const RefPart& last);

// True when a sheet name must be quoted in a formula ("My sheet", "2020", "A1", "It's").
bool SheetNeedsQuotes(std::string_view sheet);

}  // namespace tabulon::spreadsheet::formula
