#include "spreadsheet/reader/xml_values.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "platform/hex_digit.h"
#include "platform/xml_scanner.h"

namespace tabulon::spreadsheet::xml {
namespace {

bool Plain(char c) {
    return c > ' ' && c < 0x7F;
}

std::string_view Trim(std::string_view s) {
    if (!s.empty() && Plain(s.front()) && Plain(s.back()))
        return s;
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

}  // namespace

bool ToBool(const char* text, bool fallback) {
    if (!text)
        return fallback;
    const std::string_view s = Trim(text);
    if (s == "1" || s == "true" || s == "on")
        return true;
    if (s == "0" || s == "false" || s == "off")
        return false;
    return fallback;
}

int ToInt(const char* text, int fallback) {
    if (!text)
        return fallback;
    return ToInt(std::string_view(text), fallback);
}

int ToInt(std::string_view text, int fallback) {
    const std::string_view s = Trim(text);
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end == s.data()) {
        // Some producers write whole numbers as "3.0".
        double d = 0;
        if (ParseDouble(s, d) && d >= -2147483648.0 && d <= 2147483647.0)
            return static_cast<int>(d);
        return fallback;
    }
    return value;
}

double ToDouble(const char* text, double fallback) {
    if (!text)
        return fallback;
    double value = 0;
    return ParseDouble(text, value) ? value : fallback;
}

// "-123.45" with at most 15 digits: the digits as a whole number and the power
// of ten are both exact in a double, so one division rounds correctly, giving
// what from_chars gives. Anything else is left to from_chars.
bool ParsePlainDecimal(std::string_view text, double& out) {
    static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::size_t i = 0;
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        ++i;
    std::uint64_t digits = 0;
    int count = 0;
    int scale = 0;
    const std::size_t start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && count < 16) {
        digits = digits * 10 + static_cast<unsigned>(text[i++] - '0');
        ++count;
    }
    if (i == start)
        return false;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fraction = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && count < 16) {
            digits = digits * 10 + static_cast<unsigned>(text[i++] - '0');
            ++count;
            ++scale;
        }
        if (i == fraction)
            return false;
    }
    if (i != text.size() || count > 15)
        return false;
    const double value = static_cast<double>(digits) / kPow10[scale];
    out = negative ? -value : value;
    return true;
}

bool ParseDouble(std::string_view text, double& out) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    if (ParsePlainDecimal(text, out))
        return true;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

void AppendUtf8(std::string& out, unsigned cp) {
    platform::AppendUtf8(out, cp);
}

void DecodeEscapes(std::string& text) {
    if (text.find("_x") == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '_' && i + 6 < text.size() && text[i + 1] == 'x' && text[i + 6] == '_') {
            unsigned cp = 0;
            bool hex = true;
            for (std::size_t k = i + 2; k < i + 6; ++k) {
                const int d = platform::HexDigit(text[k]);
                if (d < 0)
                    hex = false;
                cp = cp * 16 + static_cast<unsigned>(d < 0 ? 0 : d);
            }
            if (hex) {
                // Surrogate pair written as two escapes.
                if (cp >= 0xD800 && cp < 0xDC00 && i + 13 < text.size() &&
                    text.compare(i + 7, 2, "_x") == 0 && text[i + 13] == '_') {
                    unsigned low = 0;
                    bool ok = true;
                    for (std::size_t k = i + 9; k < i + 13; ++k) {
                        const int d = platform::HexDigit(text[k]);
                        if (d < 0)
                            ok = false;
                        low = low * 16 + static_cast<unsigned>(d < 0 ? 0 : d);
                    }
                    if (ok && low >= 0xDC00 && low < 0xE000) {
                        AppendUtf8(out, 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00));
                        i += 14;
                        continue;
                    }
                }
                if (cp >= 0xD800 && cp < 0xE000)
                    cp = 0xFFFD;  // lone surrogate
                AppendUtf8(out, cp);
                i += 7;
                continue;
            }
        }
        out += text[i++];
    }
    text.swap(out);
}

}  // namespace tabulon::spreadsheet::xml
