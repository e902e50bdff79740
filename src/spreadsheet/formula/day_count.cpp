#include "spreadsheet/formula/day_count.h"

#include <algorithm>
#include <utility>

namespace tabulon::spreadsheet::formula {

namespace {

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

bool LastOfFebruary(const CivilDate& d) {
    return d.month == 2 && d.day == DaysInMonth(d.year, 2);
}

}  // namespace

double Days360(const CivilDate& a, const CivilDate& b, bool european) {
    int d1 = a.day, d2 = b.day;
    if (european) {
        d1 = std::min(d1, 30);
        d2 = std::min(d2, 30);
    } else {
        if (LastOfFebruary(a) && LastOfFebruary(b))
            d2 = 30;
        if (LastOfFebruary(a))
            d1 = 30;
        if (d2 == 31 && d1 >= 30)
            d2 = 30;
        if (d1 == 31)
            d1 = 30;
    }
    return (b.year - a.year) * 360.0 + (b.month - a.month) * 30.0 + (d2 - d1);
}

double YearFraction(double s, double e, int basis, bool date1904) {
    if (s > e)
        std::swap(s, e);
    const CivilDate a = DateFromSerial(s, date1904).value_or(CivilDate{});
    const CivilDate b = DateFromSerial(e, date1904).value_or(CivilDate{});
    switch (basis) {
        case 0:
            return Days360(a, b, false) / 360;
        case 1: {
            auto serial = [&](int y, int m, int d) {
                return SerialFromDate(y, m, d, date1904).value_or(0);
            };
            bool withinYear =
                a.year == b.year || (b.year == a.year + 1 &&
                                     (a.month > b.month || (a.month == b.month && a.day >= b.day)));
            if (withinYear) {
                double length = 365;
                if (a.year == b.year) {
                    length = IsLeap(a.year) ? 366 : 365;
                } else if ((IsLeap(a.year) && s <= serial(a.year, 2, 29)) ||
                           (IsLeap(b.year) && e >= serial(b.year, 2, 29))) {
                    length = 366;
                }
                return (e - s) / length;
            }
            double days = serial(b.year + 1, 1, 1) - serial(a.year, 1, 1);
            return (e - s) / (days / (b.year - a.year + 1));
        }
        case 2:
            return (e - s) / 360;
        case 3:
            return (e - s) / 365;
        default:
            return Days360(a, b, true) / 360;
    }
}

double DayCount(double start, double end, int basis, bool date1904) {
    if (basis != 0 && basis != 4)
        return end - start;
    const CivilDate a = DateFromSerial(start, date1904).value_or(CivilDate{});
    const CivilDate b = DateFromSerial(end, date1904).value_or(CivilDate{});
    return Days360(a, b, basis == 4);
}

}  // namespace tabulon::spreadsheet::formula
