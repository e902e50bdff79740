#include "spreadsheet/calendar.h"

#include <cmath>

namespace tabulon::spreadsheet {

long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(long z) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    CivilDate out;
    out.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    out.year = static_cast<int>(yoe + era * 400 + (out.month <= 2));
    return out;
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0))
        return 29;
    return kDays[month - 1];
}

namespace {

// The serial of a day counted from 1970-01-01.
double SerialFromDays(long days, bool date1904) {
    if (date1904)
        return static_cast<double>(days - DaysFromCivil(1904, 1, 1));
    double serial = static_cast<double>(days - DaysFromCivil(1899, 12, 31));
    if (serial >= 60)
        serial += 1;  // the day 1900-02-29 that never was
    return serial;
}

}  // namespace

std::optional<double> SerialFromDate(int year, int month, int day, bool date1904) {
    // Fold the month into the year first, then let the day run over.
    long m0 = static_cast<long>(month) - 1;
    long y = year + (m0 >= 0 ? m0 / 12 : -((11 - m0) / 12));
    m0 -= (y - year) * 12;
    if (y < 0 || y > 9999)
        return std::nullopt;
    if (!date1904 && y == 1900 && m0 == 1 && day == 29)
        return 60.0;  // the 1900-02-29 the serials count
    const double serial = SerialFromDays(
        DaysFromCivil(static_cast<int>(y), static_cast<int>(m0) + 1, 1) + day - 1, date1904);
    if (serial < 0 || serial > kMaxSerial)
        return std::nullopt;
    return serial;
}

double SerialFromDateTime(int year, int month, int day, int hour, int minute, double second,
                          bool date1904) {
    const double time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    return SerialFromDays(DaysFromCivil(year, month, day), date1904) + time;
}

std::optional<CivilDate> DateFromSerial(double serial, bool date1904) {
    if (!(serial >= 0) || serial >= kMaxSerial + 1)
        return std::nullopt;
    long whole = static_cast<long>(std::floor(serial));
    if (date1904)
        return CivilFromDays(DaysFromCivil(1904, 1, 1) + whole);
    if (whole == 0)
        return CivilDate{1900, 1, 0};
    if (whole == 60)
        return CivilDate{1900, 2, 29};
    if (whole < 60)
        return CivilFromDays(DaysFromCivil(1899, 12, 31) + whole);
    return CivilFromDays(DaysFromCivil(1899, 12, 30) + whole);
}

}  // namespace tabulon::spreadsheet
