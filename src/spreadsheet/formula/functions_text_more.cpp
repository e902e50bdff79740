// Text functions beyond the classic ones: cleaning, code points, numbers written
// as text (FIXED, DOLLAR, NUMBERVALUE), splitting around delimiters, and the
// information functions ISEVEN, ISODD and ISNONTEXT.
#include <cmath>

#include "platform/xml_scanner.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/evaluation.h"
#include "spreadsheet/formula/function_table.h"
#include "spreadsheet/number_format.h"

namespace tabulon::spreadsheet::formula {

namespace {

Operand Clean(CallContext& call) {
    std::string s = call.Text(0);
    std::string out;
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 32)
            out += c;
    }
    return Value::Text(out);
}

Operand UniChar(CallContext& call) {
    double n = std::trunc(call.Number(0));
    if (n < 1 || n > 0x10FFFF || (n >= 0xD800 && n <= 0xDFFF))
        return Value::Error(ErrorCode::Value);
    std::string text;
    platform::AppendUtf8(text, static_cast<unsigned long>(n));
    return Value::Text(text);
}

Operand Unicode(CallContext& call) {
    std::string s = call.Text(0);
    if (s.empty())
        return Value::Error(ErrorCode::Value);
    const auto c = static_cast<unsigned char>(s[0]);
    unsigned cp = c;
    std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (len > 1) {
        cp = c & (0xFF >> (len + 1));
        for (std::size_t i = 1; i < len && i < s.size(); ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    }
    return Value::Number(cp);
}

// `x` rounded half away from zero to `decimals` (negative: tens, hundreds...).
double RoundAt(double x, int decimals) {
    double scale = std::pow(10.0, std::abs(decimals));
    double v = std::fabs(Round15(x));
    double r = decimals >= 0 ? std::floor(Round15(v * scale) + 0.5) / scale
                             : std::floor(Round15(v / scale) + 0.5) * scale;
    return x < 0 ? -r : r;
}

// A number with `decimals` decimals and, unless `plain`, thousands separators.
std::string Fixed(double x, int decimals, bool plain) {
    std::string code = plain ? "0" : "#,##0";
    if (decimals > 0)
        code += "." + std::string(static_cast<std::size_t>(std::min(decimals, 127)), '0');
    return FormatValue(Value::Number(RoundAt(x, decimals)), code, false);
}

Operand FixedFn(CallContext& call) {
    double x = call.Number(0);
    double d = std::trunc(call.Number(1, 2));
    bool plain = call.Boolean(2, false);
    if (d > 127)
        return Value::Error(ErrorCode::Value);
    return Value::Text(Fixed(x, static_cast<int>(std::max(d, -127.0)), plain));
}

Operand Dollar(CallContext& call) {
    double x = call.Number(0);
    double d = std::trunc(call.Number(1, 2));
    if (d > 127)
        return Value::Error(ErrorCode::Value);
    std::string text = "$" + Fixed(std::fabs(x), static_cast<int>(std::max(d, -127.0)), false);
    return Value::Text(RoundAt(x, static_cast<int>(d)) < 0 ? "(" + text + ")" : text);
}

Operand NumberValue(CallContext& call) {
    std::string s = call.Text(0);
    std::string decimal = call.IsMissing(1) ? "." : call.Text(1);
    std::string group = call.IsMissing(2) ? "," : call.Text(2);
    if (decimal.empty() || group.empty())
        return Value::Error(ErrorCode::Value);
    const char dec = decimal[0], grp = group[0];
    if (dec == grp)
        return Value::Error(ErrorCode::Value);
    std::string normal;
    bool seenDecimal = false;
    int percents = 0;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        if (c == dec) {
            if (seenDecimal)
                return Value::Error(ErrorCode::Value);
            seenDecimal = true;
            normal += '.';
        } else if (c == grp) {
            if (seenDecimal)
                return Value::Error(ErrorCode::Value);
        } else if (c == '%') {
            ++percents;
        } else {
            if (percents > 0)
                return Value::Error(ErrorCode::Value);
            normal += c;
        }
    }
    if (normal.empty())
        return Value::Number(0);
    auto d = TextToNumber(normal);
    if (!d)
        return Value::Error(ErrorCode::Value);
    return Value::Number(*d / std::pow(100.0, percents));
}

// Byte offsets of every occurrence of `delim` in `text` (case-insensitively when
// asked), non-overlapping, left to right.
std::vector<std::size_t> Occurrences(const std::string& text, const std::string& delim,
                                     bool ignoreCase) {
    std::vector<std::size_t> out;
    if (delim.empty())
        return out;
    const std::string hay = ignoreCase ? ToUpperAscii(text) : text;
    const std::string needle = ignoreCase ? ToUpperAscii(delim) : delim;
    for (std::size_t p = hay.find(needle); p != std::string::npos;
         p = hay.find(needle, p + needle.size()))
        out.push_back(p);
    return out;
}

// TEXTBEFORE / TEXTAFTER(text, delimiter, [instance], [match_mode], [match_end],
// [if_not_found]); a negative instance counts from the end.
Operand TextAround(CallContext& call, bool before) {
    std::string text = call.Text(0);
    std::string delim = call.Text(1);
    double instance = std::trunc(call.Number(2, 1));
    bool ignoreCase = call.Number(3, 0) != 0;
    bool matchEnd = call.Number(4, 0) != 0;
    if (instance == 0 || std::fabs(instance) > static_cast<double>(text.size()) + 1)
        return Value::Error(ErrorCode::Value);
    if (delim.empty())
        return Value::Text(before == (instance > 0) ? "" : text);
    std::vector<std::size_t> at = Occurrences(text, delim, ignoreCase);
    const auto n = static_cast<long long>(at.size());
    auto k = static_cast<long long>(instance);
    std::optional<std::size_t> start, end;  // the delimiter's bytes
    if (k > 0 && k <= n) {
        start = at[static_cast<std::size_t>(k - 1)];
    } else if (k < 0 && -k <= n) {
        start = at[static_cast<std::size_t>(n + k)];
    } else if (matchEnd && (k == n + 1 || -k == n + 1)) {
        // The end (or start) of the text counts as one more delimiter.
        if (k > 0)
            return Value::Text(before ? text : "");
        return Value::Text(before ? "" : text);
    }
    if (!start) {
        if (call.Count() > 5)
            return call.Scalar(5);
        return Value::Error(ErrorCode::NA);
    }
    end = *start + delim.size();
    return Value::Text(before ? text.substr(0, *start) : text.substr(*end));
}

Operand TextBefore(CallContext& call) {
    return TextAround(call, true);
}
Operand TextAfter(CallContext& call) {
    return TextAround(call, false);
}

// The delimiters of a TEXTSPLIT argument: one text, or an array of texts.
std::vector<std::string> Delimiters(CallContext& call, std::size_t i) {
    std::vector<std::string> out;
    if (call.IsMissing(i))
        return out;
    auto m = call.Eval().ToMatrix(call.ArrayArg(i));
    for (const Value& v : m->cells) {
        std::string s = ToText(v);
        if (!s.empty())
            out.push_back(s);
    }
    return out;
}

std::vector<std::string> SplitOn(const std::string& text, const std::vector<std::string>& delims,
                                 bool ignoreCase, bool dropEmpty) {
    std::vector<std::string> parts;
    if (delims.empty()) {
        parts.push_back(text);
        return parts;
    }
    const std::string hay = ignoreCase ? ToUpperAscii(text) : text;
    std::size_t from = 0, pos = 0;
    while (pos <= hay.size()) {
        std::size_t hit = std::string::npos, len = 0;
        for (const std::string& d : delims) {
            const std::string needle = ignoreCase ? ToUpperAscii(d) : d;
            std::size_t p = hay.find(needle, pos);
            if (p != std::string::npos && (p < hit || (p == hit && needle.size() > len))) {
                hit = p;
                len = needle.size();
            }
        }
        if (hit == std::string::npos)
            break;
        std::string part = text.substr(from, hit - from);
        if (!(dropEmpty && part.empty()))
            parts.push_back(part);
        from = pos = hit + len;
    }
    std::string last = text.substr(from);
    if (!(dropEmpty && last.empty()))
        parts.push_back(last);
    return parts;
}

Operand TextSplit(CallContext& call) {
    std::string text = call.Text(0);
    std::vector<std::string> colDelims = Delimiters(call, 1);
    std::vector<std::string> rowDelims = Delimiters(call, 2);
    bool dropEmpty = call.Boolean(3, false);
    bool ignoreCase = call.Number(4, 0) != 0;
    Value pad = call.IsMissing(5) ? Value::Error(ErrorCode::NA) : call.Scalar(5);
    if (colDelims.empty() && rowDelims.empty())
        return Value::Error(ErrorCode::Value);
    std::vector<std::vector<std::string>> rows;
    std::size_t width = 0;
    for (const std::string& line : SplitOn(text, rowDelims, ignoreCase, dropEmpty)) {
        rows.push_back(SplitOn(line, colDelims, ignoreCase, dropEmpty));
        width = std::max(width, rows.back().size());
    }
    if (rows.empty() || width == 0)
        return Value::Error(ErrorCode::Calc);
    auto out = std::make_shared<Matrix>(static_cast<int>(rows.size()), static_cast<int>(width));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < width; ++c)
            out->At(static_cast<int>(r), static_cast<int>(c)) =
                c < rows[r].size() ? Value::Text(rows[r][c]) : pad;
    }
    return Operand::Array(std::move(out));
}

template <bool Even>
Operand IsParity(CallContext& call) {
    Value v = call.Scalar(0);
    if (v.IsError())
        return v;
    if (v.IsBoolean())
        return Value::Error(ErrorCode::Value);
    double d = std::trunc(ToNumber(v, call.Eval().Date1904()));
    bool even = std::fmod(std::fabs(d), 2) == 0;
    return Value::Boolean(even == Even);
}

Operand IsNonText(CallContext& call) {
    return Value::Boolean(!call.Scalar(0).IsText());
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"CLEAN", Clean, 1, 1},
    {"DOLLAR", Dollar, 1, 2},
    {"FIXED", FixedFn, 1, 3},
    {"ISEVEN", IsParity<true>, 1, 1},
    {"ISNONTEXT", IsNonText, 1, 1},
    {"ISODD", IsParity<false>, 1, 1},
    {"NUMBERVALUE", NumberValue, 1, 3},
    {"TEXTAFTER", TextAfter, 2, 6},
    {"TEXTBEFORE", TextBefore, 2, 6},
    {"TEXTSPLIT", TextSplit, 2, 6},
    {"UNICHAR", UniChar, 1, 1},
    {"UNICODE", Unicode, 1, 1},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> MoreTextFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
