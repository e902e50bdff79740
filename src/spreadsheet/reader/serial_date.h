// Converting calendar dates and times to spreadsheet serial numbers.
#pragma once

#include <optional>
#include <string_view>

namespace tabulon::spreadsheet {

// The serial number of a date and time of day. In the 1900 system day 1 is
// 1900-01-01 and day 60 the non-existent 1900-02-29 that spreadsheets keep for
// compatibility; in the 1904 system day 0 is 1904-01-01.
double SerialFromDateTime(int year, int month, int day, int hour, int minute, double second,
                          bool date1904);

// Reads "YYYY-MM-DD", "YYYY-MM-DDThh:mm:ss[.fff][Z]", "YYYY-MM-DD hh:mm:ss" or
// "hh:mm:ss" (a time alone is a fraction of a day); nullopt for anything else.
std::optional<double> SerialFromIsoText(std::string_view text, bool date1904);

}  // namespace tabulon::spreadsheet
