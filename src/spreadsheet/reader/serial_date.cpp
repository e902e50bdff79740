#include "spreadsheet/reader/serial_date.h"

#include <charconv>

namespace tabulon::spreadsheet {
namespace {

bool ReadInt(std::string_view text, std::size_t pos, std::size_t len, int& out) {
    if (pos + len > text.size())
        return false;
    for (std::size_t i = pos; i < pos + len; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    std::from_chars(text.data() + pos, text.data() + pos + len, out);
    return true;
}

// Reads "hh:mm[:ss[.fff]]" at `pos`; returns the fraction of a day.
std::optional<double> ReadTime(std::string_view text, std::size_t pos) {
    int h = 0, m = 0;
    double s = 0;
    if (!ReadInt(text, pos, 2, h) || pos + 2 >= text.size() || text[pos + 2] != ':' ||
        !ReadInt(text, pos + 3, 2, m)) {
        return std::nullopt;
    }
    std::size_t i = pos + 5;
    if (i < text.size() && text[i] == ':') {
        const char* begin = text.data() + i + 1;
        const char* end = text.data() + text.size();
        const auto [p, ec] = std::from_chars(begin, end, s);
        if (ec != std::errc() || p == begin)
            return std::nullopt;
        i = static_cast<std::size_t>(p - text.data());
    }
    // A zone designator is accepted and ignored: serial dates carry no zone.
    if (i < text.size() && text.substr(i) != "Z" && text[i] != '+' && text[i] != '-')
        return std::nullopt;
    if (h > 24 || m > 59 || s < 0 || s >= 61)
        return std::nullopt;
    return (h * 3600.0 + m * 60.0 + s) / 86400.0;
}

}  // namespace

std::optional<double> SerialFromIsoText(std::string_view text, bool date1904) {
    int y = 0, mo = 0, d = 0;
    if (text.size() >= 8 && text[2] == ':') {
        const auto time = ReadTime(text, 0);
        return time;
    }
    if (!ReadInt(text, 0, 4, y) || text.size() < 10 || text[4] != '-' || text[7] != '-' ||
        !ReadInt(text, 5, 2, mo) || !ReadInt(text, 8, 2, d) || mo < 1 || mo > 12 || d < 1 ||
        d > 31) {
        return std::nullopt;
    }
    double serial = SerialFromDateTime(y, mo, d, 0, 0, 0, date1904);
    if (text.size() > 10) {
        if (text[10] != 'T' && text[10] != ' ')
            return std::nullopt;
        const auto time = ReadTime(text, 11);
        if (!time)
            return std::nullopt;
        serial += *time;
    }
    return serial;
}

}  // namespace tabulon::spreadsheet
