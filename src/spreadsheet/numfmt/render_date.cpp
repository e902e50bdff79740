// GCC 12 warns falsely about std::string copies at -O2 (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
// Date and time sections over serial day numbers.
#include <array>
#include <cmath>
#include <cstdint>
#include <string>

#include "spreadsheet/calendar.h"
#include "spreadsheet/numfmt/format_code.h"

namespace tabulon::spreadsheet::numfmt {

namespace {

constexpr std::array<const char*, 12> kMonths{"January",   "February", "March",    "April",
                                              "May",       "June",     "July",     "August",
                                              "September", "October",  "November", "December"};
constexpr std::array<const char*, 7> kDays{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                           "Thursday", "Friday", "Saturday"};

// Past the last day a spreadsheet shows (31 Dec 9999).
constexpr double kLastSerial = kMaxSerial + 1;

std::string Two(std::int64_t n) {
    std::string s = std::to_string(n);
    if (s.size() < 2)
        s.insert(s.begin(), '0');
    return s;
}

std::string Padded(std::int64_t n, int width) {
    std::string s = std::to_string(n);
    if (static_cast<int>(s.size()) < width)
        s.insert(0, static_cast<size_t>(width) - s.size(), '0');
    return s;
}

}  // namespace

std::string RenderDate(const Section& section, double serial, bool date1904) {
    if (!std::isfinite(serial) || serial < 0 || serial >= kLastSerial)
        return "########";
    int subDigits = 0;
    bool twelveHour = false;
    for (const Token& t : section.tokens) {
        if (t.kind == TokenKind::SubSecond)
            subDigits = std::max(subDigits, t.count);
        if (t.kind == TokenKind::AmPm)
            twelveHour = true;
    }
    std::int64_t perSecond = 1;
    for (int i = 0; i < subDigits; ++i)
        perSecond *= 10;
    // Times are rounded to the finest unit shown, so 23:59:59.7 shows as the next day.
    const auto units = static_cast<std::int64_t>(
        std::floor(serial * 86400.0 * static_cast<double>(perSecond) + 0.5));
    const std::int64_t perDay = 86400 * perSecond;
    const std::int64_t days = units / perDay;
    const std::int64_t totalSeconds = units / perSecond;
    const std::int64_t secondOfDay = totalSeconds % 86400;
    const std::int64_t sub = units % perSecond;
    const auto civil = DateFromSerial(static_cast<double>(days), date1904);
    if (!civil)
        return "########";
    const CivilDate date = *civil;
    const std::int64_t weekday = (days + (date1904 ? 5 : 6)) % 7;
    const std::int64_t hour = secondOfDay / 3600;
    const std::int64_t minute = secondOfDay / 60 % 60;
    const std::int64_t second = secondOfDay % 60;
    const std::int64_t shownHour = twelveHour ? (hour % 12 == 0 ? 12 : hour % 12) : hour;

    std::string out;
    for (const Token& t : section.tokens) {
        switch (t.kind) {
            case TokenKind::Literal:
                out += t.text;
                break;
            case TokenKind::Year:
                out += t.count <= 2 ? Two(date.year % 100) : std::to_string(date.year);
                break;
            case TokenKind::Month:
                if (t.count == 1)
                    out += std::to_string(date.month);
                if (t.count == 2)
                    out += Two(date.month);
                if (t.count == 3)
                    out += std::string(kMonths[date.month - 1]).substr(0, 3);
                if (t.count == 4 || t.count > 5)
                    out += kMonths[date.month - 1];
                if (t.count == 5)
                    out += kMonths[date.month - 1][0];
                break;
            case TokenKind::Day:
                if (t.count == 1)
                    out += std::to_string(date.day);
                if (t.count == 2)
                    out += Two(date.day);
                if (t.count == 3)
                    out += std::string(kDays[weekday]).substr(0, 3);
                if (t.count >= 4)
                    out += kDays[weekday];
                break;
            case TokenKind::Hour:
                out += t.count == 1 ? std::to_string(shownHour) : Two(shownHour);
                break;
            case TokenKind::Minute:
                out += t.count == 1 ? std::to_string(minute) : Two(minute);
                break;
            case TokenKind::Second:
                out += t.count == 1 ? std::to_string(second) : Two(second);
                break;
            case TokenKind::SubSecond:
                out.push_back('.');
                out += Padded(sub, subDigits).substr(0, static_cast<size_t>(t.count));
                break;
            case TokenKind::AmPm:
                if (t.text.size() == 3) {
                    out += hour < 12 ? t.text[0] : t.text[2];
                } else {
                    out += hour < 12 ? "AM" : "PM";
                }
                break;
            case TokenKind::ElapsedHour:
                out += Padded(totalSeconds / 3600, t.count);
                break;
            case TokenKind::ElapsedMinute:
                out += Padded(totalSeconds / 60, t.count);
                break;
            case TokenKind::ElapsedSecond:
                out += Padded(totalSeconds, t.count);
                break;
            default:
                break;
        }
    }
    return out;
}

}  // namespace tabulon::spreadsheet::numfmt
