// Reading the date and time texts of workbook files as serial numbers (the calendar
// itself is spreadsheet/calendar.h).
#pragma once

#include <optional>
#include <string_view>

#include "spreadsheet/calendar.h"

namespace tabulon::spreadsheet {

// Reads "YYYY-MM-DD", "YYYY-MM-DDThh:mm:ss[.fff][Z]", "YYYY-MM-DD hh:mm:ss" or
// "hh:mm:ss" (a time alone is a fraction of a day); nullopt for anything else.
std::optional<double> SerialFromIsoText(std::string_view text, bool date1904);

}  // namespace tabulon::spreadsheet
