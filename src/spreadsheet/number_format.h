// Number format codes: the built-in ids, classifying a code, and rendering a
// value as the text a spreadsheet application displays for it.
#pragma once

#include <string>
#include <string_view>

#include "spreadsheet/value.h"

namespace tabulon::spreadsheet {

enum class FormatClass {
    General,
    Number,
    Percent,
    Scientific,
    Fraction,
    Text,
    Date,
    Time,
    DateTime,
    Currency
};

// The code of a built-in format id 0-49 ("General" for 0, "0.00" for 2, ...);
// empty for ids without a built-in code.
std::string_view BuiltinFormatCode(int id);

// Built-in ids whose code follows the locale the file is opened in (currency
// 5-8, accounting 41-44, the East Asian dates and times 23-36 and 50-58): the
// code this system shows such an id with, English where it can, else empty.
// A file written keeps the id itself, so the meaning stays the reader's.
std::string_view LocaleFormatCode(int id);

// What kind of value a format code presents (decides how a cell's Value is typed).
FormatClass ClassifyFormat(std::string_view code);

// The text shown for `value` under `code`, as a spreadsheet application with an
// English locale displays it (column width not taken into account). Serial dates
// count from 1900 unless `date1904`.
std::string FormatValue(const Value& value, std::string_view code, bool date1904 = false);

}  // namespace tabulon::spreadsheet
