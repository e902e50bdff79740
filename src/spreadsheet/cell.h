// What a worksheet cell holds, as seen from outside the model.
#pragma once

#include <cstdint>
#include <string_view>

#include "spreadsheet/address.h"
#include "spreadsheet/value.h"

namespace tabulon::spreadsheet {

enum class CellKind : std::uint8_t { Empty, Number, Text, Boolean, Error, Formula };

// A read-only look at one stored cell. The views point into the workbook and
// stay valid until the workbook is destroyed (its texts never move).
struct CellView {
    CellRef ref;
    CellKind kind = CellKind::Empty;  // Empty: a formatted blank cell
    // The constant, or for a formula cell its cached result.
    ValueKind valueKind = ValueKind::Empty;
    double number = 0;  // Number; Boolean as 0/1
    ErrorCode error = ErrorCode::Null;
    std::string_view text;      // Text
    std::uint32_t textId = 0;   // Text: its id in the owner workbook's string pool
    std::string_view formula;   // Formula: A1 text without '='
    bool stale = false;         // Formula: the cached result is out of date
    bool uncalculable = false;  // Formula: could not be calculated here; no result known
    bool fileResult = false;    // Formula: the cached result is its file's, for this place
    int style = 0;

    Value ToValue() const;
};

enum class IterationOrder { RowByRow, ColumnByColumn };

}  // namespace tabulon::spreadsheet
