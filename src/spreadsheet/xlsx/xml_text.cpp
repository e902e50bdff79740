#include "spreadsheet/xlsx/xml_text.h"

#include <array>
#include <charconv>
#include <cmath>

namespace tabulon::spreadsheet::xlsx {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Length of the valid UTF-8 sequence at s[i], or 0 when it is not one.
size_t SequenceLength(std::string_view s, size_t i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    size_t len;
    std::uint32_t cp;
    if (b0 < 0x80)
        return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    const bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    // U+FFFE and U+FFFF are not XML characters.
    if (overlong || surrogate || cp > 0x10FFFF || cp == 0xFFFE || cp == 0xFFFF)
        return 0;
    return len;
}

void AppendEscapeCode(std::string& out, unsigned code) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "_x";
    for (int shift = 12; shift >= 0; shift -= 4)
        out.push_back(kHex[(code >> shift) & 0xF]);
    out.push_back('_');
}

// Bytes that go out as they are: printable ASCII other than markup and '_'.
constexpr auto kPlain = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x7F; ++c)
        plain[static_cast<size_t>(c)] = c != '<' && c != '>' && c != '&' && c != '"' && c != '_';
    return plain;
}();

}  // namespace

void AppendXmlText(std::string& out, std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        // Runs of plain text are copied at once.
        size_t run = i;
        while (run < text.size() && kPlain[static_cast<unsigned char>(text[run])])
            ++run;
        if (run != i) {
            out.append(text.data() + i, run - i);
            i = run;
            if (i == text.size())
                break;
        }
        const char c = text[i];
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80) {
            const size_t len = SequenceLength(text, i);
            if (len == 0) {
                out += kReplacement;
                ++i;
            } else {
                out.append(text.substr(i, len));
                i += len;
            }
            continue;
        }
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\t':
                out += "&#9;";
                break;
            case '\n':
                out += "&#10;";
                break;
            case '\r':
                out += "&#13;";
                break;
            case '_':
                if (i + 6 < text.size() && text[i + 1] == 'x' && IsHex(text[i + 2]) &&
                    IsHex(text[i + 3]) && IsHex(text[i + 4]) && IsHex(text[i + 5]) &&
                    text[i + 6] == '_') {
                    AppendEscapeCode(out, '_');
                } else {
                    out.push_back('_');
                }
                break;
            default:
                if (u < 0x20 || u == 0x7F) {
                    AppendEscapeCode(out, u);
                } else {
                    out.push_back(c);
                }
        }
        ++i;
    }
}

namespace {

// The text std::to_chars gives for a number of at most four decimals below 2^31 in
// magnitude (most numbers of a worksheet), worked out on integers; false for any other
// number. With such magnitudes one decimal string of the fewest decimals reads back as
// the number, and it is the shortest; the scientific form is shorter only for a few
// numbers below 1 (0.0001 is "1e-04"), which are left to std::to_chars.
bool AppendShortDecimal(std::string& out, double value) {
    const double magnitude = std::fabs(value);
    if (!(magnitude < 2147483648.0))
        return false;
    static constexpr double kScales[] = {1, 10, 100, 1000, 10000};
    for (int decimals = 0; decimals <= 4; ++decimals) {
        const double scaled = magnitude * kScales[decimals];
        // Rounds half up, as llround does for these non-negative numbers: whichever
        // way a tie goes, only digits that read back as the number are kept below.
        const auto digits = static_cast<long long>(scaled + 0.5);
        if (static_cast<double>(digits) / kScales[decimals] != magnitude)
            continue;
        char buf[24];
        int n = 0;
        for (long long d = digits; d > 0 || n <= decimals; d /= 10)
            buf[n++] = static_cast<char>('0' + d % 10);  // backwards, at least "0.000x"
        if (magnitude < 1 && decimals > 0) {
            int significant = n;
            while (significant > 0 && buf[significant - 1] == '0')
                --significant;
            // "0.00ddd" against "d.dde-0x": the scientific form wins when shorter.
            if (decimals + 2 > significant + (significant > 1 ? 1 : 0) + 4)
                return false;
        }
        if (decimals == 0 && digits >= 100000) {
            int trailing = 0;
            while (trailing < n && buf[trailing] == '0')
                ++trailing;
            const int significant = n - trailing;
            if (n > significant + (significant > 1 ? 1 : 0) + 4)
                return false;  // 100000 is "1e+05"
        }
        if (value < 0)
            out.push_back('-');
        for (int i = n - 1; i >= 0; --i) {
            if (i == decimals - 1)
                out.push_back('.');
            out.push_back(buf[i]);
        }
        return true;
    }
    return false;
}

}  // namespace

void AppendNumber(std::string& out, double value) {
    if (!std::isfinite(value))
        value = 0;
    if (value == 0)
        value = 0;  // no "-0"
    if (AppendShortDecimal(out, value))
        return;
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, result.ptr);
}

void AppendCellRef(std::string& out, int row, int col) {
    char letters[4];
    int n = 0;
    while (col > 0) {
        letters[n++] = static_cast<char>('A' + (col - 1) % 26);
        col = (col - 1) / 26;
    }
    while (n > 0)
        out.push_back(letters[--n]);
    char buf[12];
    const auto result = std::to_chars(buf, buf + sizeof buf, row);
    out.append(buf, result.ptr);
}

}  // namespace tabulon::spreadsheet::xlsx
