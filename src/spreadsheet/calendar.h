// The serial-date calendar every part of the spreadsheet shares (formulas, readers,
// number formats, copies between workbooks). A serial date counts days: in the 1900
// system day 1 is 1900-01-01 and day 60 the 1900-02-29 that never was, kept for
// compatibility with the first spreadsheets; in the 1904 system day 0 is 1904-01-01.
// The time of day is the fraction.
#pragma once

#include <optional>

namespace tabulon::spreadsheet {

struct CivilDate {
    int year = 1900;
    int month = 1;
    int day = 1;
};

constexpr double kMaxSerial = 2958465;  // 9999-12-31 in the 1900 system
// Days between the two systems' serials for the same date (1904-01-01 is 1462 in 1900).
constexpr double k1904Offset = 1462;

// Day count since 1970-01-01 of a proleptic Gregorian date (month/day already valid).
long DaysFromCivil(int year, int month, int day);
CivilDate CivilFromDays(long days);
int DaysInMonth(int year, int month);

// Serial of a date; month and day may run over (month 13 is January next year,
// day 0 the last day of the month before). nullopt before the first day or after 9999.
std::optional<double> SerialFromDate(int year, int month, int day, bool date1904);

// Serial of a date (which must be valid) and a time of day.
double SerialFromDateTime(int year, int month, int day, int hour, int minute, double second,
                          bool date1904);

// Date of the whole part of a serial. Serial 0 (1900 system) is "1900-01-00".
// nullopt for negative serials or serials after 9999-12-31.
std::optional<CivilDate> DateFromSerial(double serial, bool date1904);

// The serial in the other system of the same date and time.
constexpr double SerialInSystem(double serial, bool from1904, bool to1904) {
    return from1904 == to1904 ? serial : from1904 ? serial + k1904Offset : serial - k1904Offset;
}

}  // namespace tabulon::spreadsheet
