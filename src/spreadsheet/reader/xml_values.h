// Reading attribute values and text as OOXML writes them. Lenient: a value that
// does not parse gives the fallback, since producers disagree on details.
#pragma once

#include <string>
#include <string_view>

namespace tabulon::spreadsheet::xml {

// "1", "true" and "on" are true; "0", "false" and "off" false; else `fallback`.
bool ToBool(const char* text, bool fallback);
int ToInt(const char* text, int fallback);
int ToInt(std::string_view text, int fallback);
double ToDouble(const char* text, double fallback);
// Parses a whole number text; false when it is not one (used for cell values).
bool ParseDouble(std::string_view text, double& out);
// Replaces the _xHHHH_ escapes of OOXML strings by the characters they stand
// for (UTF-8); "_x005F_" escapes a literal underscore sequence.
void DecodeEscapes(std::string& text);
// Appends the UTF-8 form of code point `cp`.
void AppendUtf8(std::string& out, unsigned cp);

}  // namespace tabulon::spreadsheet::xml
