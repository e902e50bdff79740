// Text functions. Positions and lengths count characters of UTF-8 text; case
// conversions and case-insensitive matching cover ASCII letters.
#include <cmath>

#include "spreadsheet/formula/aggregate.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/function_table.h"
#include "spreadsheet/number_format.h"

namespace tabulon::spreadsheet::formula {

namespace {

constexpr std::size_t kMaxTextLength = 32767;

Value TextResult(std::string s) {
    if (Utf8Length(s) > kMaxTextLength)
        return Value::Error(ErrorCode::Value);
    return Value::Text(std::move(s));
}

// A count argument: truncated, negative raises #VALUE!.
std::size_t Count(CallContext& call, std::size_t i, double absent) {
    double d = std::trunc(call.Number(i, absent));
    if (d < 0)
        Raise(ErrorCode::Value);
    return d > 1e9 ? static_cast<std::size_t>(1e9) : static_cast<std::size_t>(d);
}

// A 1-based position argument; below 1 raises #VALUE!.
std::size_t Start(CallContext& call, std::size_t i) {
    double d = std::trunc(call.Number(i, 1));
    if (d < 1)
        Raise(ErrorCode::Value);
    return d > 1e9 ? static_cast<std::size_t>(1e9) : static_cast<std::size_t>(d);
}

std::string Substr(const std::string& s, std::size_t from, std::size_t count) {
    std::size_t a = Utf8Offset(s, from);
    std::size_t b = Utf8Offset(s, from + count > from ? from + count : from);
    return s.substr(a, b - a);
}

Operand Len(CallContext& call) {
    return Value::Number(static_cast<double>(Utf8Length(call.Text(0))));
}

Operand Left(CallContext& call) {
    std::string s = call.Text(0);
    return Value::Text(Substr(s, 0, Count(call, 1, 1)));
}

Operand Right(CallContext& call) {
    std::string s = call.Text(0);
    std::size_t n = Count(call, 1, 1);
    std::size_t len = Utf8Length(s);
    return Value::Text(n >= len ? s : Substr(s, len - n, n));
}

Operand Mid(CallContext& call) {
    std::string s = call.Text(0);
    std::size_t start = Start(call, 1);
    std::size_t n = Count(call, 2, 0);
    return Value::Text(Substr(s, start - 1, n));
}

Operand Upper(CallContext& call) {
    return Value::Text(ToUpperAscii(call.Text(0)));
}

Operand Lower(CallContext& call) {
    std::string s = call.Text(0);
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return Value::Text(s);
}

Operand Proper(CallContext& call) {
    std::string s = call.Text(0);
    bool afterLetter = false;
    for (char& c : s) {
        bool upper = c >= 'A' && c <= 'Z';
        bool lower = c >= 'a' && c <= 'z';
        if (afterLetter && upper)
            c = static_cast<char>(c + 32);
        if (!afterLetter && lower)
            c = static_cast<char>(c - 32);
        afterLetter = upper || lower || static_cast<unsigned char>(c) >= 0x80;
    }
    return Value::Text(s);
}

Operand Trim(CallContext& call) {
    std::string s = call.Text(0);
    std::string out;
    for (char c : s) {
        if (c == ' ' && (out.empty() || out.back() == ' '))
            continue;
        out += c;
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return Value::Text(out);
}

Operand Concatenate(CallContext& call) {
    std::string out;
    for (std::size_t i = 0; i < call.Count(); ++i)
        out += call.Text(i);
    return TextResult(std::move(out));
}

// Every value of the arguments from `from` on, cells of ranges in order, as text.
std::vector<std::string> TextsOf(CallContext& call, std::size_t from) {
    std::vector<std::string> out;
    for (std::size_t i = from; i < call.Count(); ++i) {
        Operand o = call.Arg(i);
        if (o.IsRef()) {
            for (const Area& a : o.areas) {
                auto m = call.Eval().ToMatrix(Operand::Ref(a));
                for (const Value& v : m->cells)
                    out.push_back(ToText(v));
            }
        } else if (o.IsArray()) {
            for (const Value& v : o.matrix->cells)
                out.push_back(ToText(v));
        } else {
            out.push_back(ToText(o.value));
        }
    }
    return out;
}

Operand Concat(CallContext& call) {
    std::string out;
    for (const std::string& s : TextsOf(call, 0))
        out += s;
    return TextResult(std::move(out));
}

Operand TextJoin(CallContext& call) {
    std::string delimiter = call.Text(0);
    bool ignoreEmpty = call.Boolean(1);
    std::string out;
    bool first = true;
    for (const std::string& s : TextsOf(call, 2)) {
        if (ignoreEmpty && s.empty())
            continue;
        if (!first)
            out += delimiter;
        out += s;
        first = false;
    }
    return TextResult(std::move(out));
}

Operand Text(CallContext& call) {
    Value v = call.Scalar(0);
    if (v.IsError())
        return v;
    std::string code = call.Text(1);
    bool date1904 = call.Eval().Date1904();
    if (v.IsText()) {
        if (auto d = TextToNumber(v.AsText(), date1904))
            v = Value::Number(*d);
    } else if (v.IsEmpty()) {
        v = Value::Number(0);
    }
    return Value::Text(FormatValue(v, code, date1904));
}

Operand ValueFn(CallContext& call) {
    Value v = call.Scalar(0);
    if (v.IsError())
        return v;
    if (v.IsNumber())
        return v;
    if (v.IsEmpty())
        return Value::Number(0);
    if (v.IsBoolean())
        return Value::Error(ErrorCode::Value);
    if (auto d = TextToNumber(v.AsText(), call.Eval().Date1904()))
        return Value::Number(*d);
    return Value::Error(ErrorCode::Value);
}

Operand FindText(CallContext& call, bool caseless) {
    std::string needle = call.Text(0);
    std::string hay = call.Text(1);
    std::size_t start = Start(call, 2);
    std::size_t len = Utf8Length(hay);
    if (start > len + 1)
        return Value::Error(ErrorCode::Value);
    if (needle.empty())
        return Value::Number(static_cast<double>(start));
    for (std::size_t i = start - 1; i < len; ++i) {
        std::string_view rest = std::string_view(hay).substr(Utf8Offset(hay, i));
        bool hit =
            caseless ? WildcardMatch(needle + "*", rest) : rest.substr(0, needle.size()) == needle;
        if (hit)
            return Value::Number(static_cast<double>(i + 1));
    }
    return Value::Error(ErrorCode::Value);
}

Operand Find(CallContext& call) {
    return FindText(call, false);
}
Operand Search(CallContext& call) {
    return FindText(call, true);
}

Operand Substitute(CallContext& call) {
    std::string s = call.Text(0);
    std::string from = call.Text(1);
    std::string to = call.Text(2);
    double instance = call.IsMissing(3) ? 0 : std::trunc(call.Number(3));
    if (!call.IsMissing(3) && instance < 1)
        return Value::Error(ErrorCode::Value);
    if (from.empty())
        return Value::Text(s);
    std::string out;
    std::size_t pos = 0;
    int seen = 0;
    for (;;) {
        std::size_t hit = s.find(from, pos);
        if (hit == std::string::npos)
            break;
        ++seen;
        out.append(s, pos, hit - pos);
        out += instance == 0 || seen == instance ? to : from;
        pos = hit + from.size();
    }
    out.append(s, pos, std::string::npos);
    return TextResult(std::move(out));
}

Operand Replace(CallContext& call) {
    std::string s = call.Text(0);
    std::size_t start = Start(call, 1);
    std::size_t n = Count(call, 2, 0);
    std::string with = call.Text(3);
    std::size_t a = Utf8Offset(s, start - 1);
    std::size_t b = Utf8Offset(s, start - 1 + n);
    return TextResult(s.substr(0, a) + with + s.substr(b));
}

Operand Rept(CallContext& call) {
    std::string s = call.Text(0);
    std::size_t n = Count(call, 1, 0);
    if (n * Utf8Length(s) > kMaxTextLength)
        return Value::Error(ErrorCode::Value);
    if (s.empty())
        return Value::Text("");  // any count of nothing: do not loop over it
    std::string out;
    for (std::size_t i = 0; i < n; ++i)
        out += s;
    return Value::Text(out);
}

Operand Exact(CallContext& call) {
    return Value::Boolean(call.Text(0) == call.Text(1));
}

// Characters 128-159 of the Windows Latin-1 code page, as Unicode code points.
constexpr unsigned kCp1252High[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

std::string Utf8(unsigned cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

Operand Char(CallContext& call) {
    double n = std::trunc(call.Number(0));
    if (n < 1 || n > 255)
        return Value::Error(ErrorCode::Value);
    unsigned code = static_cast<unsigned>(n);
    return Value::Text(Utf8(code >= 128 && code < 160 ? kCp1252High[code - 128] : code));
}

Operand Code(CallContext& call) {
    std::string s = call.Text(0);
    if (s.empty())
        return Value::Error(ErrorCode::Value);
    unsigned char c = static_cast<unsigned char>(s[0]);
    unsigned cp = c;
    if (c >= 0xC0 && s.size() >= 2) {
        std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        cp = c & (0xFF >> (len + 1));
        for (std::size_t i = 1; i < len && i < s.size(); ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    }
    if (cp < 128 || (cp >= 160 && cp < 256))
        return Value::Number(cp);
    for (unsigned i = 0; i < 32; ++i)
        if (kCp1252High[i] == cp)
            return Value::Number(128 + i);
    return Value::Number('?');
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"CHAR", Char, 1, 1},
    {"CODE", Code, 1, 1},
    {"CONCAT", Concat, 1, kVariadic},
    {"CONCATENATE", Concatenate, 1, kVariadic},
    {"EXACT", Exact, 2, 2},
    {"FIND", Find, 2, 3},
    {"LEFT", Left, 1, 2},
    {"LEN", Len, 1, 1},
    {"LOWER", Lower, 1, 1},
    {"MID", Mid, 3, 3},
    {"PROPER", Proper, 1, 1},
    {"REPLACE", Replace, 4, 4},
    {"REPT", Rept, 2, 2},
    {"RIGHT", Right, 1, 2},
    {"SEARCH", Search, 2, 3},
    {"SUBSTITUTE", Substitute, 3, 4},
    {"TEXT", Text, 2, 2},
    {"TEXTJOIN", TextJoin, 3, kVariadic},
    {"TRIM", Trim, 1, 1},
    {"UPPER", Upper, 1, 1},
    {"VALUE", ValueFn, 1, 1},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> TextFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
