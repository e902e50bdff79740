// Serial date numbers: day 1 is 1900-01-01 (with the fictitious 1900-02-29 as day
// 60, kept for compatibility) or, in the 1904 system, day 0 is 1904-01-01.
#pragma once

#include <optional>

namespace tabulon::spreadsheet::formula {

struct CivilDate {
    int year = 1900;
    int month = 1;
    int day = 1;
};

constexpr double kMaxSerial = 2958465;  // 9999-12-31 in the 1900 system

// Serial of a date; month and day may run over (month 13 is January next year,
// day 0 the last day of the month before). nullopt before the first day or after 9999.
std::optional<double> SerialFromDate(int year, int month, int day, bool date1904);

// Date of the whole part of a serial. Serial 0 (1900 system) is "1900-01-00".
// nullopt for negative serials or serials after 9999-12-31.
std::optional<CivilDate> DateFromSerial(double serial, bool date1904);

// Day count since 1970-01-01 of a proleptic Gregorian date (month/day already valid).
long DaysFromCivil(int year, int month, int day);
CivilDate CivilFromDays(long days);
int DaysInMonth(int year, int month);

}  // namespace tabulon::spreadsheet::formula
