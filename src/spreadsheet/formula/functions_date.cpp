// Date and time functions over serial numbers (see dates.h for the two systems).
#include <cmath>
#include <ctime>

#include "spreadsheet/calendar.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/evaluation.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

bool Is1904(CallContext& call) {
    return call.Eval().Date1904();
}

CivilDate DateArg(CallContext& call, std::size_t i) {
    auto d = DateFromSerial(call.Number(i), Is1904(call));
    if (!d)
        Raise(ErrorCode::Num);
    return *d;
}

Value SerialOrNum(std::optional<double> serial) {
    if (!serial)
        return Value::Error(ErrorCode::Num);
    return Value::Number(*serial);
}

Operand Date(CallContext& call) {
    double y = std::trunc(call.Number(0));
    double m = std::trunc(call.Number(1));
    double d = std::trunc(call.Number(2));
    bool date1904 = Is1904(call);
    if (y < 0 || y >= 10000)
        return Value::Error(ErrorCode::Num);
    if (y < 1900)
        y += 1900;
    if (std::fabs(m) > 1e6 || std::fabs(d) > 1e8)
        return Value::Error(ErrorCode::Num);
    return SerialOrNum(
        SerialFromDate(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d), date1904));
}

Operand Year(CallContext& call) {
    return Value::Number(DateArg(call, 0).year);
}
Operand Month(CallContext& call) {
    return Value::Number(DateArg(call, 0).month);
}
Operand Day(CallContext& call) {
    return Value::Number(DateArg(call, 0).day);
}

Operand Weekday(CallContext& call) {
    double serial = call.Number(0);
    if (serial < 0)
        return Value::Error(ErrorCode::Num);
    int type = TruncToInt(call.Number(1, 1));
    long whole = static_cast<long>(std::floor(serial));
    int d = static_cast<int>((whole + (Is1904(call) ? 5 : 6)) % 7);  // 0 = Sunday
    switch (type) {
        case 1:
        case 17:
            return Value::Number(d + 1);
        case 2:
        case 11:
            return Value::Number((d + 6) % 7 + 1);
        case 3:
            return Value::Number((d + 6) % 7);
        case 12:
        case 13:
        case 14:
        case 15:
        case 16:
            return Value::Number((d - (type - 10) + 7) % 7 + 1);
        default:
            return Value::Error(ErrorCode::Num);
    }
}

Operand AddMonths(CallContext& call, bool endOfMonth) {
    CivilDate start = DateArg(call, 0);
    double months = std::trunc(call.Number(1));
    if (std::fabs(months) > 120000)
        return Value::Error(ErrorCode::Num);
    long total = static_cast<long>(start.year) * 12 + (start.month - 1) + static_cast<long>(months);
    int year = static_cast<int>(total / 12);
    int month = static_cast<int>(total % 12) + 1;
    if (total < 0 || year > 9999)
        return Value::Error(ErrorCode::Num);
    int last = DaysInMonth(year, month);
    int day = endOfMonth ? last : std::min(start.day, last);
    if (!endOfMonth && start.day == 0)
        day = 0;
    return SerialOrNum(SerialFromDate(year, month, day, Is1904(call)));
}

Operand EDate(CallContext& call) {
    return AddMonths(call, false);
}
Operand EOMonth(CallContext& call) {
    return AddMonths(call, true);
}

Operand DateDif(CallContext& call) {
    double s = std::floor(call.Number(0));
    double e = std::floor(call.Number(1));
    std::string unit = ToUpperAscii(call.Text(2));
    if (s > e)
        return Value::Error(ErrorCode::Num);
    auto a = DateFromSerial(s, Is1904(call));
    auto b = DateFromSerial(e, Is1904(call));
    if (!a || !b)
        return Value::Error(ErrorCode::Num);
    int months = (b->year - a->year) * 12 + (b->month - a->month) - (b->day < a->day ? 1 : 0);
    if (unit == "D")
        return Value::Number(e - s);
    if (unit == "M")
        return Value::Number(months);
    if (unit == "Y")
        return Value::Number(months / 12);
    if (unit == "YM")
        return Value::Number(months % 12);
    if (unit == "MD") {
        if (b->day >= a->day)
            return Value::Number(b->day - a->day);
        int py = b->month == 1 ? b->year - 1 : b->year;
        int pm = b->month == 1 ? 12 : b->month - 1;
        return Value::Number(DaysInMonth(py, pm) - a->day + b->day);
    }
    if (unit == "YD") {
        int y = b->year;
        if (b->month < a->month || (b->month == a->month && b->day < a->day))
            --y;
        int day = std::min(a->day, DaysInMonth(y, a->month));
        long from = DaysFromCivil(y, a->month, day);
        long to = DaysFromCivil(b->year, b->month, b->day);
        return Value::Number(static_cast<double>(to - from));
    }
    return Value::Error(ErrorCode::Num);
}

double NowSerial(bool date1904) {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return SerialFromDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                              local.tm_min, local.tm_sec, date1904);
}

Operand Today(CallContext& call) {
    return Value::Number(std::floor(NowSerial(Is1904(call))));
}
Operand Now(CallContext& call) {
    return Value::Number(NowSerial(Is1904(call)));
}

Operand Time(CallContext& call) {
    double h = std::trunc(call.Number(0));
    double m = std::trunc(call.Number(1));
    double s = std::trunc(call.Number(2));
    double seconds = h * 3600 + m * 60 + s;
    if (seconds < 0 || h > 32767 || m > 32767 || s > 32767)
        return Value::Error(ErrorCode::Num);
    double day = seconds / 86400;
    return Value::Number(day - std::floor(day));
}

// Seconds into the day of a serial, rounded to the nearest second.
long SecondOfDay(CallContext& call) {
    double serial = call.Number(0);
    if (serial < 0)
        Raise(ErrorCode::Num);
    double fraction = serial - std::floor(serial);
    return std::lround(fraction * 86400) % 86400;
}

Operand Hour(CallContext& call) {
    return Value::Number(static_cast<double>(SecondOfDay(call) / 3600));
}
Operand Minute(CallContext& call) {
    return Value::Number(static_cast<double>(SecondOfDay(call) / 60 % 60));
}
Operand Second(CallContext& call) {
    return Value::Number(static_cast<double>(SecondOfDay(call) % 60));
}

// DATEVALUE/TIMEVALUE: the date or time part of a text that reads as one.
Operand FromText(CallContext& call, bool datePart) {
    Value v = call.Scalar(0);
    if (v.IsError())
        return v;
    if (!v.IsText())
        return Value::Error(ErrorCode::Value);
    auto serial = TextToNumber(v.AsText(), Is1904(call));
    if (!serial || *serial < 0)
        return Value::Error(ErrorCode::Value);
    double whole = std::floor(*serial);
    return Value::Number(datePart ? whole : *serial - whole);
}
Operand DateValue(CallContext& call) {
    return FromText(call, true);
}
Operand TimeValue(CallContext& call) {
    return FromText(call, false);
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"DATE", Date, 3, 3},
    {"DATEDIF", DateDif, 3, 3},
    {"DATEVALUE", DateValue, 1, 1},
    {"DAY", Day, 1, 1},
    {"EDATE", EDate, 2, 2},
    {"EOMONTH", EOMonth, 2, 2},
    {"HOUR", Hour, 1, 1},
    {"MINUTE", Minute, 1, 1},
    {"MONTH", Month, 1, 1},
    {"NOW", Now, 0, 0},
    {"SECOND", Second, 1, 1},
    {"TIME", Time, 3, 3},
    {"TIMEVALUE", TimeValue, 1, 1},
    {"TODAY", Today, 0, 0},
    {"WEEKDAY", Weekday, 1, 2},
    {"YEAR", Year, 1, 1},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> DateFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
