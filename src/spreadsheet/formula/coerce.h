// Conversions between value kinds and comparisons, as a spreadsheet application
// makes them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "spreadsheet/value.h"

namespace tabulon::spreadsheet::formula {

// Text that reads as a number: "12", " -1.5e3 ", "50%", "1,234.5", "$12", dates
// "2020-01-31" / "1/31/2020" and times "13:45[:30]" (as serials). nullopt otherwise.
std::optional<double> TextToNumber(std::string_view text, bool date1904 = false);

// A number as the General format writes it into text (up to 15 significant digits).
std::string NumberToText(double d);

// `d` rounded to 15 significant digits, as results are stored and compared.
double Round15(double d);

// Value -> number for arithmetic: empty 0, booleans 0/1, numeric text; throws
// ErrorSignal (#VALUE! for other text, the error itself for errors).
double ToNumber(const Value& v, bool date1904 = false);
// Value -> text: numbers in General form, TRUE/FALSE; throws ErrorSignal for errors.
std::string ToText(const Value& v);
// Value -> boolean: numbers non-zero, "TRUE"/"FALSE" text; throws ErrorSignal.
bool ToBoolean(const Value& v);

// Orders two values as the comparison operators do: empty takes the other side's
// kind (0, "" or FALSE), numbers < text < booleans, text without regard to case,
// numbers to 15 significant digits. Errors must be handled by the caller.
int CompareValues(const Value& a, const Value& b);

// A number argument as an int, truncated toward zero and held within the int
// range (a cast of an out-of-range double would be undefined).
int TruncToInt(double d);

std::string ToUpperAscii(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Length in characters of UTF-8 text, and byte offset of character `index`.
std::size_t Utf8Length(std::string_view s);
std::size_t Utf8Offset(std::string_view s, std::size_t index);

// Does `text` match `pattern` with '*' (any run), '?' (any one character) and '~'
// escaping the next character; without regard to case.
bool WildcardMatch(std::string_view pattern, std::string_view text);

}  // namespace tabulon::spreadsheet::formula
