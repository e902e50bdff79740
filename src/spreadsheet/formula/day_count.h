// Day counts between dates under the conventions ("bases") of YEARFRAC and the
// securities functions: 0 US 30/360, 1 actual/actual, 2 actual/360,
// 3 actual/365, 4 European 30/360.
#pragma once

#include "spreadsheet/calendar.h"

namespace tabulon::spreadsheet::formula {

// Days from `a` to `b` counting 30-day months: the US (NASD) rules, where the
// last day of February counts as the 30th, or the European ones.
double Days360(const CivilDate& a, const CivilDate& b, bool european);

// The fraction of a year from serial `start` to `end` (either order) under
// `basis` (0-4, checked by the caller).
double YearFraction(double start, double end, int basis, bool date1904);

// Days from `start` to `end` under `basis`: 30/360 counts for 0 and 4, actual
// days otherwise.
double DayCount(double start, double end, int basis, bool date1904);

}  // namespace tabulon::spreadsheet::formula
