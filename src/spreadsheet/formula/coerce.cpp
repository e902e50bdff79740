#include "spreadsheet/formula/coerce.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "spreadsheet/calendar.h"
#include "spreadsheet/formula/operand.h"

namespace tabulon::spreadsheet::formula {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// Reads up to `maxDigits` digits as an int at s[i]; advances i.
bool ReadInt(std::string_view s, std::size_t& i, int maxDigits, int& out) {
    std::size_t start = i;
    out = 0;
    while (i < s.size() && IsDigit(s[i]) && static_cast<int>(i - start) < maxDigits) {
        out = out * 10 + (s[i] - '0');
        ++i;
    }
    return i > start;
}

// "13:45", "13:45:30", "1:05 PM" as a fraction of a day.
std::optional<double> ReadTime(std::string_view s) {
    std::size_t i = 0;
    int h = 0, m = 0, sec = 0;
    if (!ReadInt(s, i, 2, h) || i >= s.size() || s[i] != ':')
        return std::nullopt;
    ++i;
    if (!ReadInt(s, i, 2, m))
        return std::nullopt;
    if (i < s.size() && s[i] == ':') {
        ++i;
        if (!ReadInt(s, i, 2, sec))
            return std::nullopt;
    }
    std::string_view rest = Trim(s.substr(i));
    if (!rest.empty()) {
        bool pm = EqualsNoCase(rest, "PM");
        if (!pm && !EqualsNoCase(rest, "AM"))
            return std::nullopt;
        if (h < 1 || h > 12)
            return std::nullopt;
        h = h % 12 + (pm ? 12 : 0);
    }
    if (m > 59 || sec > 59 || h > 23)
        return std::nullopt;
    return (h * 3600.0 + m * 60.0 + sec) / 86400.0;
}

// "2020-01-31" or "1/31/2020" (month first) or "1/31/20".
std::optional<double> ReadDate(std::string_view s, bool date1904) {
    std::size_t i = 0;
    int a = 0, b = 0, c = 0;
    if (!ReadInt(s, i, 4, a) || i >= s.size() || (s[i] != '-' && s[i] != '/'))
        return std::nullopt;
    char sep = s[i++];
    if (!ReadInt(s, i, 2, b) || i >= s.size() || s[i] != sep)
        return std::nullopt;
    ++i;
    std::size_t yearStart = i;
    if (!ReadInt(s, i, 4, c) || i != s.size())
        return std::nullopt;
    int year, month, day;
    if (a >= 1000) {
        year = a, month = b, day = c;
    } else {
        month = a, day = b, year = c;
        if (i - yearStart <= 2)
            year += year < 30 ? 2000 : 1900;
    }
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    return SerialFromDate(year, month, day, date1904);
}

// "June 9, 1969", "9 June 1969", "9-Jun-69", "Jun 9 1969".
std::optional<double> ReadNamedMonthDate(std::string_view s, bool date1904) {
    static const char* const kMonths[] = {"january",   "february", "march",    "april",
                                          "may",       "june",     "july",     "august",
                                          "september", "october",  "november", "december"};
    std::vector<std::string> words;
    std::string word;
    for (char c : s) {
        if (c == ' ' || c == ',' || c == '-' || c == '/') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        }
    }
    if (!word.empty())
        words.push_back(word);
    if (words.size() != 3)
        return std::nullopt;
    auto monthOf = [](const std::string& w) {
        if (w.size() < 3)
            return 0;
        for (int m = 0; m < 12; ++m) {
            std::string_view name = kMonths[m];
            if (w.size() <= name.size() && name.substr(0, w.size()) == w)
                return m + 1;
        }
        return 0;
    };
    auto numberOf = [](const std::string& w) {
        if (w.empty() || w.size() > 4)
            return -1;
        int n = 0;
        for (char c : w) {
            if (!IsDigit(c))
                return -1;
            n = n * 10 + (c - '0');
        }
        return n;
    };
    int month = monthOf(words[0]);
    int day;
    if (month) {
        day = numberOf(words[1]);
    } else {
        month = monthOf(words[1]);
        day = numberOf(words[0]);
    }
    int year = numberOf(words[2]);
    if (!month || day < 1 || year < 0)
        return std::nullopt;
    if (words[2].size() <= 2)
        year += year < 30 ? 2000 : 1900;
    if (day > DaysInMonth(year, month))
        return std::nullopt;
    return SerialFromDate(year, month, day, date1904);
}

}  // namespace

std::optional<double> TextToNumber(std::string_view text, bool date1904) {
    std::string_view s = Trim(text);
    if (s.empty())
        return std::nullopt;
    std::string digits;
    std::size_t i = 0;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-')
        negative = s[i++] == '-';
    if (i < s.size() && s[i] == '$')
        ++i;
    bool any = false;
    bool dot = false;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (IsDigit(c)) {
            digits += c;
            any = true;
        } else if (c == ',' && any && !dot) {
            continue;
        } else if (c == '.' && !dot) {
            digits += c;
            dot = true;
        } else {
            break;
        }
    }
    if (any && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        std::string exp = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exp += s[j++];
        std::size_t k = j;
        while (k < s.size() && IsDigit(s[k]))
            exp += s[k++];
        if (k > j) {
            digits += exp;
            i = k;
        }
    }
    double scale = 1;
    if (any && i < s.size() && s[i] == '%') {
        scale = 0.01;
        ++i;
    }
    if (any && Trim(s.substr(i)).empty()) {
        double d = std::strtod(digits.c_str(), nullptr) * scale;
        return negative ? -d : d;
    }
    // Dates, times and date-times.
    if (auto t = ReadTime(s))
        return *t;
    std::size_t space = s.find(' ');
    std::string_view datePart = space == std::string_view::npos ? s : s.substr(0, space);
    auto d = ReadDate(datePart, date1904);
    if (!d)
        return ReadNamedMonthDate(s, date1904);
    if (space == std::string_view::npos)
        return *d;
    auto t = ReadTime(Trim(s.substr(space)));
    if (!t)
        return std::nullopt;
    return *d + *t;
}

std::string NumberToText(double d) {
    if (d == 0)
        return "0";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", d);
    return buf;  // "0.1", "1E+15", "1E-05"
}

double Round15(double d) {
    if (d == 0 || !std::isfinite(d))
        return d;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", d);
    return std::strtod(buf, nullptr);
}

double ToNumber(const Value& v, bool date1904) {
    switch (v.Kind()) {
        case ValueKind::Empty:
            return 0;
        case ValueKind::Number:
        case ValueKind::Boolean:
            return v.AsNumber();
        case ValueKind::Error:
            Raise(v.AsError());
        case ValueKind::Text:
            if (auto d = TextToNumber(v.AsText(), date1904))
                return *d;
            Raise(ErrorCode::Value);
    }
    Raise(ErrorCode::Value);
}

std::string ToText(const Value& v) {
    switch (v.Kind()) {
        case ValueKind::Empty:
            return {};
        case ValueKind::Number:
            return NumberToText(v.AsNumber());
        case ValueKind::Boolean:
            return v.AsBoolean() ? "TRUE" : "FALSE";
        case ValueKind::Error:
            Raise(v.AsError());
        case ValueKind::Text:
            return v.AsText();
    }
    return {};
}

bool ToBoolean(const Value& v) {
    switch (v.Kind()) {
        case ValueKind::Empty:
            return false;
        case ValueKind::Number:
        case ValueKind::Boolean:
            return v.AsNumber() != 0;
        case ValueKind::Error:
            Raise(v.AsError());
        case ValueKind::Text:
            if (EqualsNoCase(v.AsText(), "TRUE"))
                return true;
            if (EqualsNoCase(v.AsText(), "FALSE"))
                return false;
            Raise(ErrorCode::Value);
    }
    return false;
}

namespace {
int Rank(ValueKind k) {
    switch (k) {
        case ValueKind::Text:
            return 1;
        case ValueKind::Boolean:
            return 2;
        default:
            return 0;
    }
}

int CompareText(std::string_view a, std::string_view b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<unsigned char>(y - 32);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}
}  // namespace

int CompareValues(const Value& a, const Value& b) {
    ValueKind ka = a.Kind(), kb = b.Kind();
    if (ka == ValueKind::Empty && kb == ValueKind::Empty)
        return 0;
    if (ka == ValueKind::Empty)
        ka = kb == ValueKind::Error ? ValueKind::Number : kb;
    if (kb == ValueKind::Empty)
        kb = ka;
    if (Rank(ka) != Rank(kb))
        return Rank(ka) < Rank(kb) ? -1 : 1;
    if (ka == ValueKind::Text) {
        return CompareText(a.IsEmpty() ? std::string_view() : a.AsText(),
                           b.IsEmpty() ? std::string_view() : b.AsText());
    }
    double x = Round15(a.AsNumber()), y = Round15(b.AsNumber());
    if (x == y)
        return 0;
    return x < y ? -1 : 1;
}

int TruncToInt(double d) {
    if (!(d > -2147483647.0))
        return d != d ? 0 : -2147483647;
    if (d > 2147483647.0)
        return 2147483647;
    return static_cast<int>(d);
}

std::string ToUpperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

std::size_t Utf8Length(std::string_view s) {
    std::size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

std::size_t Utf8Offset(std::string_view s, std::size_t index) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (chars == index)
                return i;
            ++chars;
        }
    }
    return s.size();
}

namespace {
std::size_t CharLength(std::string_view s, std::size_t i) {
    std::size_t j = i + 1;
    while (j < s.size() && (static_cast<unsigned char>(s[j]) & 0xC0) == 0x80)
        ++j;
    return j - i;
}
}  // namespace

bool WildcardMatch(std::string_view p, std::string_view t) {
    std::size_t pi = 0, ti = 0;
    std::size_t starP = std::string_view::npos, starT = 0;
    while (ti < t.size()) {
        if (pi < p.size() && p[pi] == '*') {
            starP = ++pi;
            starT = ti;
            continue;
        }
        if (pi < p.size()) {
            if (p[pi] == '?') {
                ++pi;
                ti += CharLength(t, ti);
                continue;
            }
            std::size_t lit = pi;
            if (p[pi] == '~' && pi + 1 < p.size())
                lit = pi + 1;
            std::size_t len = CharLength(p, lit);
            if (CompareText(p.substr(lit, len), t.substr(ti, CharLength(t, ti))) == 0) {
                pi = lit + len;
                ti += CharLength(t, ti);
                continue;
            }
        }
        if (starP == std::string_view::npos)
            return false;
        pi = starP;
        starT += CharLength(t, starT);
        ti = starT;
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

}  // namespace tabulon::spreadsheet::formula
