// The one exception the workbook readers throw.
#pragma once

#include <stdexcept>
#include <string>

namespace tabulon::spreadsheet {

// A workbook that cannot be read. The message is one line that names the file
// and, where known, the part and line inside it and what is wrong, e.g.
// "book.xlsx: xl/worksheets/sheet2.xml:41: unexpected <foo> in <row>".
class ReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace tabulon::spreadsheet
