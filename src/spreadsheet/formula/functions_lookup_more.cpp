// Lookup and reference beyond the classic functions: XLOOKUP, XMATCH, ADDRESS,
// AREAS, HYPERLINK, and the logical choosers IFS and SWITCH.
#include <cmath>

#include "spreadsheet/formula/aggregate.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

// A one-row or one-column stretch of values to search, from a reference or array.
struct Line {
    std::shared_ptr<const Matrix> values;
    bool vertical = true;
    int Count() const { return vertical ? values->rows : values->cols; }
    const Value& At(int i) const { return vertical ? values->At(i, 0) : values->At(0, i); }
};

Line LineOf(CallContext& call, std::size_t i) {
    Line line;
    line.values = call.Eval().ToMatrix(call.ArrayArg(i));
    if (line.values->rows != 1 && line.values->cols != 1)
        Raise(ErrorCode::Value);
    line.vertical = line.values->cols == 1 && line.values->rows > 1;
    return line;
}

// Position of `x` in `line` by XLOOKUP's match mode (0 exact, -1 exact or next
// smaller, 1 exact or next larger, 2 wildcards) and search mode (1 first to last,
// -1 last to first; the binary modes 2 and -2 give the same answers on sorted data).
int XFind(const Value& x, const Line& line, int matchMode, int searchMode) {
    const int n = line.Count();
    const bool backward = searchMode == -1 || searchMode == -2;
    int best = -1;
    for (int k = 0; k < n; ++k) {
        const int i = backward ? n - 1 - k : k;
        const Value& v = line.At(i);
        if (v.IsError() || (v.Kind() != x.Kind() && !(v.IsEmpty() && x.IsNumber())))
            continue;
        if (matchMode == 2 && x.IsText()) {
            if (v.IsText() && WildcardMatch(x.AsText(), v.AsText()))
                return i;
            continue;
        }
        const int c = CompareValues(v, x);
        if (c == 0)
            return i;
        if (matchMode == -1 && c < 0 && (best < 0 || CompareValues(v, line.At(best)) > 0))
            best = i;
        if (matchMode == 1 && c > 0 && (best < 0 || CompareValues(v, line.At(best)) < 0))
            best = i;
    }
    return best;
}

void CheckModes(int matchMode, int searchMode) {
    if (matchMode < -1 || matchMode > 2 || searchMode == 0 || searchMode < -2 || searchMode > 2)
        Raise(ErrorCode::Value);
}

Operand XLookup(CallContext& call) {
    Value x = call.Scalar(0);
    if (x.IsError())
        return x;
    Line line = LineOf(call, 1);
    int matchMode = TruncToInt(call.Number(4, 0));
    int searchMode = TruncToInt(call.Number(5, 1));
    CheckModes(matchMode, searchMode);
    Operand result = call.Arg(2);
    int i = XFind(x, line, matchMode, searchMode);
    if (i < 0) {
        if (call.IsMissing(3))
            return Value::Error(ErrorCode::NA);
        return call.Arg(3);
    }
    // The matching row (or column) of the result range, kept a reference.
    if (result.IsRef()) {
        Area a = SingleArea(result);
        const int rows = a.range.Rows(), cols = a.range.Columns();
        if ((line.vertical ? rows : cols) != line.Count())
            return Value::Error(ErrorCode::Value);
        if (line.vertical)
            a.range = {{a.range.first.row + i, a.range.first.col},
                       {a.range.first.row + i, a.range.last.col}};
        else
            a.range = {{a.range.first.row, a.range.first.col + i},
                       {a.range.last.row, a.range.first.col + i}};
        return Operand::Ref(a);
    }
    auto m = call.Eval().ToMatrix(result);
    if ((line.vertical ? m->rows : m->cols) != line.Count())
        return Value::Error(ErrorCode::Value);
    auto out =
        line.vertical ? std::make_shared<Matrix>(1, m->cols) : std::make_shared<Matrix>(m->rows, 1);
    for (std::size_t k = 0; k < out->cells.size(); ++k) {
        const int kk = static_cast<int>(k);
        out->cells[k] = line.vertical ? m->At(i, kk) : m->At(kk, i);
    }
    if (out->cells.size() == 1)
        return out->cells[0];
    return Operand::Array(std::move(out));
}

Operand XMatch(CallContext& call) {
    Value x = call.Scalar(0);
    if (x.IsError())
        return x;
    Line line = LineOf(call, 1);
    int matchMode = TruncToInt(call.Number(2, 0));
    int searchMode = TruncToInt(call.Number(3, 1));
    CheckModes(matchMode, searchMode);
    int i = XFind(x, line, matchMode, searchMode);
    if (i < 0)
        return Value::Error(ErrorCode::NA);
    return Value::Number(i + 1);
}

// A sheet name as a reference writes it: quoted when it is not a plain word.
std::string SheetPrefix(const std::string& name) {
    bool plain = !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0]));
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        plain = plain && (std::isalnum(u) || c == '_' || c == '.' || u >= 0x80);
    }
    if (plain)
        return name + "!";
    std::string quoted = "'";
    for (char c : name) {
        quoted += c;
        if (c == '\'')
            quoted += c;
    }
    return quoted + "'!";
}

Operand Address(CallContext& call) {
    double row = std::trunc(call.Number(0)), col = std::trunc(call.Number(1));
    int kind = TruncToInt(call.Number(2, 1));
    bool a1 = call.Boolean(3, true);
    if (row < 1 || col < 1 || kind < 1 || kind > 4 || row > kMaxRows || col > kMaxColumns)
        return Value::Error(ErrorCode::Value);
    const bool absRow = kind == 1 || kind == 2;
    const bool absCol = kind == 1 || kind == 3;
    const int r = static_cast<int>(row), c = static_cast<int>(col);
    std::string text;
    if (a1) {
        text = (absCol ? "$" : "") + ColumnLetters(c) + (absRow ? "$" : "") + std::to_string(r);
    } else {
        text = "R" + (absRow ? std::to_string(r) : "[" + std::to_string(r) + "]") + "C" +
               (absCol ? std::to_string(c) : "[" + std::to_string(c) + "]");
    }
    if (!call.IsMissing(4)) {
        std::string sheet = call.Text(4);
        if (!sheet.empty())
            text = SheetPrefix(sheet) + text;
    }
    return Value::Text(text);
}

Operand Areas(CallContext& call) {
    Operand o = call.Arg(0);
    if (!o.IsRef()) {
        if (o.IsScalar() && o.value.IsError())
            return o.value;
        return Value::Error(ErrorCode::Value);
    }
    return Value::Number(static_cast<double>(o.areas.size()));
}

Operand Hyperlink(CallContext& call) {
    if (call.IsMissing(1))
        return call.Scalar(0);
    return call.Scalar(1);
}

Operand IsRef(CallContext& call) {
    return Value::Boolean(call.Arg(0).IsRef());
}

Operand Ifs(CallContext& call) {
    if (call.Count() % 2 != 0)
        return Value::Error(ErrorCode::Value);
    for (std::size_t i = 0; i < call.Count(); i += 2) {
        Value condition = call.Scalar(i);
        if (condition.IsError())
            return condition;
        if (ToBoolean(condition))
            return call.Arg(i + 1);
    }
    return Value::Error(ErrorCode::NA);
}

Operand Switch(CallContext& call) {
    Value x = call.Scalar(0);
    if (x.IsError())
        return x;
    std::size_t i = 1;
    for (; i + 1 < call.Count(); i += 2) {
        Value v = call.Scalar(i);
        if (v.IsError())
            return v;
        if (v.Kind() == x.Kind() && CompareValues(v, x) == 0)
            return call.Arg(i + 1);
    }
    if (i < call.Count())
        return call.Arg(i);  // the default
    return Value::Error(ErrorCode::NA);
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"ADDRESS", Address, 2, 5},
    {"AREAS", Areas, 1, 1},
    {"HYPERLINK", Hyperlink, 1, 2},
    {"IFS", Ifs, 2, kVariadic},
    {"ISREF", IsRef, 1, 1},
    {"SWITCH", Switch, 3, kVariadic},
    {"XLOOKUP", XLookup, 3, 6},
    {"XMATCH", XMatch, 2, 4},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> MoreLookupFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
