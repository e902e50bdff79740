// Lookup and reference: CHOOSE, VLOOKUP, HLOOKUP, LOOKUP, MATCH, INDEX, ROW(S), COLUMN(S).
#include <cmath>

#include "spreadsheet/formula/aggregate.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

// A rectangle of values to search: a one-area reference (read cell by cell, only
// as far as the sheet is used) or an array.
class Grid {
  public:
    Grid(Evaluation& eval, const Operand& o) : m_eval(eval) {
        if (o.IsScalar() && o.value.IsError())
            Raise(o.value.AsError());
        if (o.IsRef()) {
            m_area = SingleArea(o);
            rows = m_area.range.Rows();
            cols = m_area.range.Columns();
            RangeRef used = eval.Clip(m_area.sheet, m_area.range);
            usedRows = used.Rows();
            usedCols = used.Columns();
        } else {
            m_matrix = eval.ToMatrix(o);
            rows = usedRows = m_matrix->rows;
            cols = usedCols = m_matrix->cols;
        }
    }
    Value At(int r, int c) const {
        if (m_matrix)
            return m_matrix->At(r, c);
        return m_eval.CellValue(m_area.sheet,
                                CellRef{m_area.range.first.row + r, m_area.range.first.col + c});
    }
    bool IsRef() const { return !m_matrix; }
    const Area& GetArea() const { return m_area; }

    int rows = 0, cols = 0;          // as given
    int usedRows = 0, usedCols = 0;  // the part that can hold values

  private:
    Evaluation& m_eval;
    Area m_area;
    std::shared_ptr<const Matrix> m_matrix;
};

bool SameKind(const Value& a, const Value& b) {
    return a.Kind() == b.Kind() || (a.IsEmpty() && b.IsNumber());
}

// Position of `x` among `count` values read by `at`: exact (0), the last value
// <= x in ascending data (1) or the last value >= x in descending data (-1).
template <typename At>
int Find(const Value& x, int count, int mode, At at) {
    if (mode == 0) {
        bool wild = x.IsText() && x.AsText().find_first_of("*?~") != std::string::npos;
        for (int i = 0; i < count; ++i) {
            Value v = at(i);
            if (v.IsEmpty() || !SameKind(x, v))
                continue;
            if (wild ? (v.IsText() && WildcardMatch(x.AsText(), v.AsText()))
                     : CompareValues(v, x) == 0)
                return i;
        }
        return -1;
    }
    // Binary search as the application does it: values of another kind are passed over.
    int lo = 0, hi = count - 1, found = -1;
    while (lo <= hi) {
        int mid = lo + (hi - lo) / 2;
        int probe = mid;
        Value v = at(probe);
        while (probe <= hi && (v.IsEmpty() || !SameKind(x, v))) {
            ++probe;
            if (probe <= hi)
                v = at(probe);
        }
        if (probe > hi) {
            hi = mid - 1;
            continue;
        }
        int c = CompareValues(v, x);
        if (mode < 0)
            c = -c;
        if (c <= 0) {
            found = probe;  // keep looking right: the last of equal values wins
            lo = probe + 1;
        } else {
            hi = mid - 1;
        }
    }
    return found;
}

Value LookupKey(CallContext& call) {
    Value x = call.Scalar(0);
    if (x.IsError())
        Raise(x.AsError());
    if (x.IsEmpty())
        Raise(ErrorCode::NA);
    return x;
}

Operand TableLookup(CallContext& call, bool vertical) {
    Value x = LookupKey(call);
    Grid g(call.Eval(), call.Arg(1));
    double index = std::trunc(call.Number(2));
    bool approximate = call.Boolean(3, true);
    int limit = vertical ? g.cols : g.rows;
    if (index < 1)
        return Value::Error(ErrorCode::Value);
    if (index > limit)
        return Value::Error(ErrorCode::Ref);
    int count = vertical ? g.usedRows : g.usedCols;
    int pos = Find(x, count, approximate ? 1 : 0,
                   [&](int i) { return vertical ? g.At(i, 0) : g.At(0, i); });
    if (pos < 0)
        return Value::Error(ErrorCode::NA);
    int k = static_cast<int>(index) - 1;
    return vertical ? g.At(pos, k) : g.At(k, pos);
}

Operand VLookup(CallContext& call) {
    return TableLookup(call, true);
}
Operand HLookup(CallContext& call) {
    return TableLookup(call, false);
}

Operand Match(CallContext& call) {
    Value x = LookupKey(call);
    Grid g(call.Eval(), call.Arg(1));
    double type = call.Number(2, 1);
    int mode = type > 0 ? 1 : (type < 0 ? -1 : 0);
    if (g.rows != 1 && g.cols != 1)
        return Value::Error(ErrorCode::NA);
    bool column = g.cols == 1;
    int count = column ? g.usedRows : g.usedCols;
    int pos = Find(x, count, mode, [&](int i) { return column ? g.At(i, 0) : g.At(0, i); });
    if (pos < 0)
        return Value::Error(ErrorCode::NA);
    return Value::Number(pos + 1);
}

Operand Lookup(CallContext& call) {
    Value x = LookupKey(call);
    Grid g(call.Eval(), call.Arg(1));
    if (call.Count() >= 3) {
        Grid result(call.Eval(), call.Arg(2));
        bool column = g.cols == 1;
        int count = column ? g.usedRows : g.usedCols;
        int pos = Find(x, count, 1, [&](int i) { return column ? g.At(i, 0) : g.At(0, i); });
        if (pos < 0)
            return Value::Error(ErrorCode::NA);
        bool resultColumn = result.cols == 1;
        if (pos >= (resultColumn ? result.rows : result.cols))
            return Value::Error(ErrorCode::NA);
        return resultColumn ? result.At(pos, 0) : result.At(0, pos);
    }
    bool byRows = g.rows >= g.cols;  // search the first column, answer from the last
    int count = byRows ? g.usedRows : g.usedCols;
    int pos = Find(x, count, 1, [&](int i) { return byRows ? g.At(i, 0) : g.At(0, i); });
    if (pos < 0)
        return Value::Error(ErrorCode::NA);
    return byRows ? g.At(pos, g.cols - 1) : g.At(g.rows - 1, pos);
}

Operand Index(CallContext& call) {
    Operand source = call.Arg(0);
    if (source.IsScalar() && source.value.IsError())
        return source.value;
    int areaIndex = TruncToInt(call.Number(3, 1));
    if (source.IsRef()) {
        if (areaIndex < 1 || areaIndex > static_cast<int>(source.areas.size()))
            return Value::Error(ErrorCode::Ref);
        Area a = source.areas[static_cast<std::size_t>(areaIndex - 1)];
        int rows = a.range.Rows(), cols = a.range.Columns();
        int r = TruncToInt(call.Number(1, 0));
        int c = TruncToInt(call.Number(2, 0));
        if (call.Count() == 2 && rows == 1)
            std::swap(r, c);  // INDEX(A1:E1, 3)
        if (r < 0 || c < 0 || r > rows || c > cols)
            return Value::Error(ErrorCode::Ref);
        RangeRef out = a.range;
        if (r > 0)
            out.first.row = out.last.row = a.range.first.row + r - 1;
        if (c > 0)
            out.first.col = out.last.col = a.range.first.col + c - 1;
        return Operand::Ref(Area{a.sheet, a.sheetLast, out});
    }
    auto m = call.Eval().ToMatrix(source);
    int r = TruncToInt(call.Number(1, 0));
    int c = TruncToInt(call.Number(2, 0));
    if (call.Count() == 2 && m->rows == 1)
        std::swap(r, c);
    if (r < 0 || c < 0 || r > m->rows || c > m->cols)
        return Value::Error(ErrorCode::Ref);
    if (r == 0 && c == 0)
        return source;
    if (r > 0 && c > 0)
        return m->At(r - 1, c - 1);
    if (r > 0 && m->cols == 1)
        return m->At(r - 1, 0);
    if (c > 0 && m->rows == 1)
        return m->At(0, c - 1);
    return Value::Error(ErrorCode::Value);
}

Operand Choose(CallContext& call) {
    double i = std::trunc(call.Number(0));
    if (i < 1 || i >= static_cast<double>(call.Count()))
        return Value::Error(ErrorCode::Value);
    return call.Arg(static_cast<std::size_t>(i));
}

// ROW/COLUMN of the argument's top-left cell, or of the formula's own cell.
template <bool IsRow>
Operand Position(CallContext& call) {
    if (call.IsMissing(0)) {
        const CellRef& c = call.Eval().Origin().cell;
        return Value::Number(IsRow ? c.row : c.col);
    }
    Operand o = call.Arg(0);
    if (o.IsScalar() && o.value.IsError())
        return o.value;
    if (!o.IsRef())
        return Value::Error(ErrorCode::Value);
    const RangeRef& r = o.areas[0].range;
    int count = IsRow ? r.Rows() : r.Columns();
    if (call.Eval().arrayMode == 0 || count == 1)
        return Value::Number(IsRow ? r.first.row : r.first.col);
    // Inside array evaluation: every row (column) number, as SUMPRODUCT idioms expect.
    if (count > 1 << 20)
        return Value::Error(ErrorCode::Num);
    auto m = std::make_shared<Matrix>(IsRow ? count : 1, IsRow ? 1 : count);
    for (int i = 0; i < count; ++i)
        m->cells[static_cast<std::size_t>(i)] =
            Value::Number((IsRow ? r.first.row : r.first.col) + i);
    return Operand::Array(std::move(m));
}

// OFFSET(reference, rows, cols, [height], [width]): a reference moved and resized.
Operand Offset(CallContext& call) {
    Operand base = call.Arg(0);
    if (base.IsScalar() && base.value.IsError())
        return base.value;
    if (!base.IsRef() || base.areas.size() != 1)
        return Value::Error(ErrorCode::Value);
    const Area& a = base.areas[0];
    double rows = std::trunc(call.Number(1));
    double cols = std::trunc(call.Number(2));
    double height = call.IsMissing(3) ? a.range.Rows() : std::trunc(call.Number(3));
    double width = call.IsMissing(4) ? a.range.Columns() : std::trunc(call.Number(4));
    if (height == 0 || width == 0)
        return Value::Error(ErrorCode::Ref);
    double top = a.range.first.row + rows;
    double left = a.range.first.col + cols;
    double bottom = top + height + (height > 0 ? -1 : 1);
    double right = left + width + (width > 0 ? -1 : 1);
    if (std::min(top, bottom) < 1 || std::max(top, bottom) > kMaxRows ||
        std::min(left, right) < 1 || std::max(left, right) > kMaxColumns)
        return Value::Error(ErrorCode::Ref);
    RangeRef out{
        {static_cast<int>(std::min(top, bottom)), static_cast<int>(std::min(left, right))},
        {static_cast<int>(std::max(top, bottom)), static_cast<int>(std::max(left, right))}};
    return Operand::Ref(Area{a.sheet, a.sheetLast, out});
}

template <bool IsRow>
Operand Extent(CallContext& call) {
    Operand o = call.Arg(0);
    if (o.IsScalar() && o.value.IsError())
        return o.value;
    if (o.IsRef()) {
        if (o.areas.size() != 1)
            return Value::Error(ErrorCode::Ref);
        return Value::Number(IsRow ? o.areas[0].range.Rows() : o.areas[0].range.Columns());
    }
    if (o.IsArray())
        return Value::Number(IsRow ? o.matrix->rows : o.matrix->cols);
    return Value::Number(1);
}

// INDIRECT of an array of texts (inside array evaluation) refers to every area
// they name, for SUMIF and friends to answer one result per area.
Operand Indirect(CallContext& call) {
    Evaluation& eval = call.Eval();
    bool a1 = call.Boolean(1, true);
    Operand given = call.Arg(0);
    if (eval.arrayMode == 0 || given.IsScalar() ||
        (given.IsRef() && given.areas.size() == 1 && given.areas[0].IsCell()))
        return eval.EvalReferenceText(ToText(eval.Deref(given)), a1);
    Operand out;
    out.kind = Operand::Kind::Reference;
    auto texts = eval.ToMatrix(given);
    for (const Value& v : texts->cells) {
        Operand one = eval.EvalReferenceText(ToText(v), a1);
        if (!one.IsRef())
            return one;
        out.areas.insert(out.areas.end(), one.areas.begin(), one.areas.end());
    }
    return out;
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"CHOOSE", Choose, 2, kVariadic},
    {"COLUMN", Position<false>, 0, 1},
    {"COLUMNS", Extent<false>, 1, 1},
    {"HLOOKUP", HLookup, 3, 4},
    {"INDEX", Index, 2, 4},
    {"INDIRECT", Indirect, 1, 2},
    {"LOOKUP", Lookup, 2, 3},
    {"MATCH", Match, 2, 3},
    {"OFFSET", Offset, 3, 5},
    {"ROW", Position<true>, 0, 1},
    {"ROWS", Extent<true>, 1, 1},
    {"VLOOKUP", VLookup, 3, 4},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> LookupFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
