// Text for XML parts: escaping, and making any bytes a valid XML string.
#pragma once

#include <string>
#include <string_view>

namespace tabulon::spreadsheet::xlsx {

// Appends `text` escaped for element content or an attribute value. Invalid
// UTF-8 becomes U+FFFD; control characters XML cannot hold become _xHHHH_ (the
// escape spreadsheet files use), and an existing "_xHHHH_" in the text has its
// underscore escaped so that it reads back as written.
void AppendXmlText(std::string& out, std::string_view text);

// Appends a number in its shortest form that reads back as the same double.
void AppendNumber(std::string& out, double value);

// Appends "A1"-style text for a cell.
void AppendCellRef(std::string& out, int row, int col);

}  // namespace tabulon::spreadsheet::xlsx
