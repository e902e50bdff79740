// Rewriting the sheet a reference names, in formula text that is not parsed:
// defined names of a copied sheet, chart series and sparklines carried with it.
#pragma once

#include <string>
#include <string_view>

namespace tabulon::spreadsheet {

// The sheet name as references write it: quoted when it needs to be.
std::string QuotedSheetName(std::string_view name);

// `text` with every reference to sheet `from` (Data!A1, 'My data'!A1; letter
// case aside) made a reference to sheet `to`. References inside string
// literals and to other workbooks ([1]Data!A1) stay as they are.
std::string RepointSheet(std::string_view text, std::string_view from, std::string_view to);

}  // namespace tabulon::spreadsheet
