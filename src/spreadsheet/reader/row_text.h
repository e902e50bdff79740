// A worksheet row as nearly every producer writes it, taken apart straight from the
// part's text: <row ...>, then cells <c .../> or <c ...> holding at most one <f> and one
// <v>. Whatever else a row may hold (character references, comments, CDATA, inline
// strings, other children, prefixed names, namespace declarations, carriage returns,
// markup that is not well-formed) is not taken: the row is left to the XML scanner,
// which reads it as it reads any element.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace tabulon::spreadsheet {

// A value's data() is nullptr when the attribute or element is absent.
struct RowTextAttribute {
    std::string_view name;
    std::string_view value;
};

struct RowTextCell {
    std::string_view r, s, t;  // the cell's attributes that are read
    bool hasFormula = false;
    std::string_view formula;               // text of <f>
    std::string_view formulaType, si, ref;  // attributes of <f>
    bool hasValue = false;
    std::string_view value;  // text of <v>
};

struct RowText {
    std::vector<RowTextAttribute> attributes;  // of <row>, in document order
    std::vector<RowTextCell> cells;
};

// Takes one row, with the white space before it, from the start of `text` into `row`.
// Returns the bytes taken, or 0 when `text` does not start with a row this can take.
std::size_t TakeRowText(std::string_view text, RowText& row);

}  // namespace tabulon::spreadsheet
