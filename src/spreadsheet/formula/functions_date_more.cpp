// Date functions over working days, week numbers and day counts between dates.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "spreadsheet/calendar.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/day_count.h"
#include "spreadsheet/formula/evaluation.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

bool Is1904(CallContext& call) {
    return call.Eval().Date1904();
}

// The last date the calendar has, 9999-12-31 (1900 system).
constexpr double kLastSerial = 2958465;

// A whole serial (a date) argument; negative serials and serials past the
// calendar are #NUM!.
double Day(CallContext& call, std::size_t i) {
    double d = std::floor(call.Number(i));
    if (d < 0 || d > kLastSerial)
        Raise(ErrorCode::Num);
    return d;
}

CivilDate Civil(double serial, bool date1904) {
    auto d = DateFromSerial(serial, date1904);
    if (!d)
        Raise(ErrorCode::Num);
    return *d;
}

// 0 = Sunday ... 6 = Saturday.
int WeekdayOf(double serial, bool date1904) {
    long whole = static_cast<long>(serial);
    return static_cast<int>((whole + (date1904 ? 5 : 6)) % 7);
}

// Which days of the week (0 = Sunday) are weekend days: a weekend number (1-7:
// two days, 11-17: one day) or a seven-character mask from Monday ("0000011").
std::array<bool, 7> Weekend(CallContext& call, std::size_t i) {
    std::array<bool, 7> off{};
    if (call.IsMissing(i)) {
        off[0] = off[6] = true;
        return off;
    }
    Value v = call.Scalar(i);
    if (v.IsError())
        Raise(v.AsError());
    if (v.IsText()) {
        const std::string& s = v.AsText();
        if (s.size() != 7 || s == "1111111")
            Raise(ErrorCode::Value);
        for (int k = 0; k < 7; ++k) {
            if (s[static_cast<std::size_t>(k)] != '0' && s[static_cast<std::size_t>(k)] != '1')
                Raise(ErrorCode::Value);
            off[static_cast<std::size_t>((k + 1) % 7)] = s[static_cast<std::size_t>(k)] == '1';
        }
        return off;
    }
    int code = TruncToInt(ToNumber(v));
    if (code >= 1 && code <= 7) {
        // 1: Saturday and Sunday, 2: Sunday and Monday, ... 7: Friday and Saturday.
        int first = (code + 5) % 7;
        off[static_cast<std::size_t>(first)] = off[static_cast<std::size_t>((first + 1) % 7)] =
            true;
    } else if (code >= 11 && code <= 17) {
        off[static_cast<std::size_t>((code - 11) % 7)] = true;  // 11: Sunday only
    } else {
        Raise(ErrorCode::Num);
    }
    return off;
}

std::vector<double> Holidays(CallContext& call, std::size_t i) {
    std::vector<double> out;
    if (call.IsMissing(i))
        return out;
    auto m = call.Eval().ToMatrix(call.ArrayArg(i));
    for (const Value& v : m->cells) {
        if (v.IsError())
            Raise(v.AsError());
        if (v.IsEmpty())
            continue;
        double d = std::floor(ToNumber(v, Is1904(call)));
        if (d < 0)
            Raise(ErrorCode::Num);
        out.push_back(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

bool IsWorkday(double d, const std::array<bool, 7>& off, const std::vector<double>& holidays,
               bool date1904) {
    return !off[static_cast<std::size_t>(WeekdayOf(d, date1904))] &&
           !std::binary_search(holidays.begin(), holidays.end(), d);
}

Operand NetworkDaysWith(CallContext& call, const std::array<bool, 7>& off, std::size_t holidayArg) {
    double start = Day(call, 0), end = Day(call, 1);
    std::vector<double> holidays = Holidays(call, holidayArg);
    const bool date1904 = Is1904(call);
    const double sign = end < start ? -1 : 1;
    if (end < start)
        std::swap(start, end);
    if (end - start > 4e6)
        return Value::Error(ErrorCode::Num);
    // Whole weeks at once, then the remaining days one by one.
    int perWeek = 0;
    for (bool b : off)
        perWeek += b ? 0 : 1;
    double weeks = std::floor((end - start + 1) / 7);
    double count = weeks * perWeek;
    for (double d = start + weeks * 7; d <= end; ++d)
        count += IsWorkday(d, off, {}, date1904) ? 1 : 0;
    for (double h : holidays) {
        if (h >= start && h <= end && !off[static_cast<std::size_t>(WeekdayOf(h, date1904))])
            --count;
    }
    // A holiday listed twice is taken once.
    for (std::size_t k = 1; k < holidays.size(); ++k) {
        if (holidays[k] == holidays[k - 1] && holidays[k] >= start && holidays[k] <= end &&
            !off[static_cast<std::size_t>(WeekdayOf(holidays[k], date1904))])
            ++count;
    }
    return Value::Number(sign * count);
}

Operand NetworkDays(CallContext& call) {
    std::array<bool, 7> off{};
    off[0] = off[6] = true;
    return NetworkDaysWith(call, off, 2);
}

Operand NetworkDaysIntl(CallContext& call) {
    return NetworkDaysWith(call, Weekend(call, 2), 3);
}

Operand WorkdayWith(CallContext& call, const std::array<bool, 7>& off, std::size_t holidayArg) {
    double day = Day(call, 0);
    double n = std::trunc(call.Number(1));
    std::vector<double> holidays = Holidays(call, holidayArg);
    const bool date1904 = Is1904(call);
    if (std::fabs(n) > 1e6)
        return Value::Error(ErrorCode::Num);
    const double step = n < 0 ? -1 : 1;
    for (double left = std::fabs(n); left > 0;) {
        day += step;
        if (day < 0 || day > kLastSerial)
            return Value::Error(ErrorCode::Num);
        if (IsWorkday(day, off, holidays, date1904))
            --left;
    }
    return Value::Number(day);
}

Operand Workday(CallContext& call) {
    std::array<bool, 7> off{};
    off[0] = off[6] = true;
    return WorkdayWith(call, off, 2);
}

Operand WorkdayIntl(CallContext& call) {
    return WorkdayWith(call, Weekend(call, 2), 3);
}

Operand Days(CallContext& call) {
    return Value::Number(Day(call, 0) - Day(call, 1));
}

Operand Days360Fn(CallContext& call) {
    const bool date1904 = Is1904(call);
    CivilDate a = Civil(Day(call, 0), date1904), b = Civil(Day(call, 1), date1904);
    return Value::Number(Days360(a, b, call.Boolean(2, false)));
}

Operand YearFrac(CallContext& call) {
    const double s = Day(call, 0), e = Day(call, 1);
    const int basis = TruncToInt(call.Number(2, 0));
    if (basis < 0 || basis > 4)
        return Value::Error(ErrorCode::Num);
    return Value::Number(YearFraction(s, e, basis, Is1904(call)));
}

// Week of the year, the week starting on `firstDay` (0 = Sunday); week 1 holds
// January 1st.
double WeekOfYear(double serial, int firstDay, bool date1904) {
    CivilDate d = Civil(serial, date1904);
    double jan1 = SerialFromDate(d.year, 1, 1, date1904).value_or(serial);
    int offset = (WeekdayOf(jan1, date1904) - firstDay + 7) % 7;
    return std::floor((serial - jan1 + offset) / 7) + 1;
}

double IsoWeek(double serial, bool date1904) {
    // The week's Thursday decides the year it belongs to.
    int weekday = (WeekdayOf(serial, date1904) + 6) % 7;  // 0 = Monday
    double thursday = serial - weekday + 3;
    CivilDate t = Civil(std::max(thursday, 1.0), date1904);
    double jan1 = SerialFromDate(t.year, 1, 1, date1904).value_or(thursday);
    return std::floor((thursday - jan1) / 7) + 1;
}

Operand WeekNum(CallContext& call) {
    double serial = Day(call, 0);
    int type = TruncToInt(call.Number(1, 1));
    const bool date1904 = Is1904(call);
    int firstDay;
    if (type == 1 || type == 17)
        firstDay = 0;
    else if (type == 2 || type == 11)
        firstDay = 1;
    else if (type >= 12 && type <= 16)
        firstDay = type - 10;
    else if (type == 21)
        return Value::Number(IsoWeek(serial, date1904));
    else
        return Value::Error(ErrorCode::Num);
    return Value::Number(WeekOfYear(serial, firstDay, date1904));
}

Operand IsoWeekNum(CallContext& call) {
    return Value::Number(IsoWeek(Day(call, 0), Is1904(call)));
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"DAYS", Days, 2, 2},
    {"DAYS360", Days360Fn, 2, 3},
    {"ISOWEEKNUM", IsoWeekNum, 1, 1},
    {"NETWORKDAYS", NetworkDays, 2, 3},
    {"NETWORKDAYS.INTL", NetworkDaysIntl, 2, 4},
    {"WEEKNUM", WeekNum, 1, 2},
    {"WORKDAY", Workday, 2, 3},
    {"WORKDAY.INTL", WorkdayIntl, 2, 4},
    {"YEARFRAC", YearFrac, 2, 3},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> MoreDateFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
