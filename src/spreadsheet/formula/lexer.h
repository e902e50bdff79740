// Splits formula text into tokens. Accepts the text with or without a leading '='
// (kept as an Operator token so that printing gives the text back unchanged).
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "spreadsheet/formula/token.h"

namespace tabulon::spreadsheet::formula {

// A formula that cannot be read: says what is wrong and where (0-based offset).
class FormulaSyntaxError : public std::runtime_error {
  public:
    FormulaSyntaxError(const std::string& what, std::size_t offset)
        : std::runtime_error(what + " at offset " + std::to_string(offset)), m_offset(offset) {}
    std::size_t Offset() const { return m_offset; }

  private:
    std::size_t m_offset;
};

// Throws FormulaSyntaxError for text that holds no valid token sequence
// (unterminated string or quoted sheet name, unknown '#' error, stray character).
TokenList Tokenize(std::string_view formula);

// Reads the area part of a reference ("A1", "$A$1:B2", "A:C", "2:5") from the
// start of `text`; returns the length read, or 0 when `text` does not start with one.
std::size_t ReadArea(std::string_view text, RefShape& shape, RefPart& first, RefPart& last);

}  // namespace tabulon::spreadsheet::formula
