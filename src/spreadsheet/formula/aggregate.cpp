#include "spreadsheet/formula/aggregate.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>

#include "spreadsheet/formula/coerce.h"

namespace tabulon::spreadsheet::formula {

namespace {

Value Checked(double d) {
    if (!std::isfinite(d))
        return Value::Error(ErrorCode::Num);
    return Value::Number(d);
}

}  // namespace

void ForEachArgValue(CallContext& call, std::size_t from,
                     const std::function<void(const Value&, bool)>& visit) {
    for (std::size_t i = from; i < call.Count(); ++i) {
        Operand o = call.Arg(i);
        if (o.IsRef()) {
            call.Eval().VisitRef(o, [&](int, CellRef, const Value& v) { visit(v, false); });
        } else if (o.IsArray()) {
            for (const Value& v : o.matrix->cells)
                visit(v, false);
        } else {
            visit(o.value, true);
        }
    }
}

std::vector<double> CollectNumbers(CallContext& call, std::size_t from) {
    std::vector<double> out;
    bool date1904 = call.Eval().Date1904();
    ForEachArgValue(call, from, [&](const Value& v, bool direct) {
        if (v.IsError())
            Raise(v.AsError());
        if (v.IsNumber()) {
            out.push_back(v.AsNumber());
        } else if (direct && !v.IsEmpty()) {
            out.push_back(ToNumber(v, date1904));
        }
    });
    return out;
}

Value VarianceOf(const std::vector<double>& xs, bool sample) {
    const std::size_t n = xs.size();
    if (n == 0 || (sample && n < 2))
        return Value::Error(ErrorCode::Div0);
    double mean = 0;
    for (double x : xs)
        mean += x;
    mean /= static_cast<double>(n);
    double ss = 0;
    for (double x : xs)
        ss += (x - mean) * (x - mean);
    return Checked(ss / static_cast<double>(sample ? n - 1 : n));
}

std::vector<double> NumbersOf(CallContext& call, std::size_t i) {
    std::vector<double> out;
    Operand o = call.ArrayArg(i);
    if (o.IsScalar()) {
        if (o.value.IsError())
            Raise(o.value.AsError());
        out.push_back(ToNumber(o.value, call.Eval().Date1904()));
        return out;
    }
    if (o.IsRef()) {
        call.Eval().VisitRef(o, [&](int, CellRef, const Value& v) {
            if (v.IsError())
                Raise(v.AsError());
            if (v.IsNumber())
                out.push_back(v.AsNumber());
        });
        return out;
    }
    for (const Value& v : o.matrix->cells) {
        if (v.IsError())
            Raise(v.AsError());
        if (v.IsNumber())
            out.push_back(v.AsNumber());
    }
    return out;
}

Value PercentileOf(std::vector<double> xs, double p, bool exclusive) {
    if (xs.empty())
        return Value::Error(ErrorCode::Num);
    std::sort(xs.begin(), xs.end());
    const double n = static_cast<double>(xs.size());
    double rank;
    if (exclusive) {
        if (p <= 0 || p >= 1)
            return Value::Error(ErrorCode::Num);
        rank = p * (n + 1) - 1;
        if (rank < 0 || rank > n - 1)
            return Value::Error(ErrorCode::Num);
    } else {
        if (p < 0 || p > 1)
            return Value::Error(ErrorCode::Num);
        rank = p * (n - 1);
    }
    auto lo = static_cast<std::size_t>(std::floor(rank));
    double frac = rank - std::floor(rank);
    if (lo + 1 >= xs.size())
        return Value::Number(xs[lo]);
    return Checked(xs[lo] + frac * (xs[lo + 1] - xs[lo]));
}

std::vector<double> ModesOf(const std::vector<double>& xs) {
    std::map<double, int> counts;
    int best = 1;
    for (double x : xs)
        best = std::max(best, ++counts[x]);
    std::vector<double> out;
    if (best < 2)
        return out;
    for (double x : xs) {
        if (counts[x] == best && std::find(out.begin(), out.end(), x) == out.end())
            out.push_back(x);
    }
    return out;
}

Criterion::Criterion(const Value& c, bool date1904) {
    switch (c.Kind()) {
        case ValueKind::Number:
            m_kind = Kind::Number;
            m_number = c.AsNumber();
            return;
        case ValueKind::Boolean:
            m_kind = Kind::Boolean;
            m_number = c.AsNumber();
            return;
        case ValueKind::Error:
            m_kind = Kind::Error;
            m_number = static_cast<double>(c.AsError());
            return;
        case ValueKind::Empty:
            // An empty cell given as criterion is taken as 0.
            m_kind = Kind::Number;
            m_number = 0;
            return;
        case ValueKind::Text:
            break;
    }
    std::string_view s = c.AsText();
    static const std::pair<std::string_view, Op> kOps[] = {{"<=", Op::Le}, {">=", Op::Ge},
                                                           {"<>", Op::Ne}, {"<", Op::Lt},
                                                           {">", Op::Gt},  {"=", Op::Eq}};
    bool explicitOp = false;
    for (const auto& [text, op] : kOps) {
        if (s.substr(0, text.size()) == text) {
            m_op = op;
            s.remove_prefix(text.size());
            explicitOp = true;
            break;
        }
    }
    if (s.empty()) {
        m_kind = Kind::Blank;
        m_emptyText = !explicitOp;
        return;
    }
    if (auto d = TextToNumber(s, date1904)) {
        m_kind = Kind::Number;
        m_number = *d;
        return;
    }
    if (EqualsNoCase(s, "TRUE") || EqualsNoCase(s, "FALSE")) {
        m_kind = Kind::Boolean;
        m_number = EqualsNoCase(s, "TRUE") ? 1 : 0;
        return;
    }
    if (auto e = ParseErrorText(ToUpperAscii(s))) {
        m_kind = Kind::Error;
        m_number = static_cast<double>(*e);
        return;
    }
    m_kind = Kind::Text;
    m_text = std::string(s);
    m_wildcards =
        (m_op == Op::Eq || m_op == Op::Ne) && m_text.find_first_of("*?~") != std::string::npos;
}

bool Criterion::Matches(const Value& v) const {
    auto result = [this](int c) {
        switch (m_op) {
            case Op::Eq:
                return c == 0;
            case Op::Ne:
                return c != 0;
            case Op::Lt:
                return c < 0;
            case Op::Le:
                return c <= 0;
            case Op::Gt:
                return c > 0;
            case Op::Ge:
                return c >= 0;
        }
        return false;
    };
    switch (m_kind) {
        case Kind::Blank:
            if (m_op == Op::Eq)
                return v.IsEmpty() || (m_emptyText && v.IsText() && v.AsText().empty());
            if (m_op == Op::Ne)
                return !v.IsEmpty();
            return false;
        case Kind::Number:
            if (v.IsText() && (m_op == Op::Eq || m_op == Op::Ne)) {
                // "=5" also finds the text "5" (and "05"): the criterion reads text as numbers.
                auto d = TextToNumber(v.AsText());
                if (d)
                    return result(CompareValues(Value::Number(*d), Value::Number(m_number)));
            }
            if (!v.IsNumber())
                return m_op == Op::Ne;
            return result(CompareValues(v, Value::Number(m_number)));
        case Kind::Boolean:
            if (!v.IsBoolean())
                return m_op == Op::Ne;
            return result(CompareValues(v, Value::Boolean(m_number != 0)));
        case Kind::Error:
            if (!v.IsError())
                return m_op == Op::Ne;
            return result(static_cast<double>(v.AsError()) == m_number ? 0 : 1);
        case Kind::Text:
            if (!v.IsText())
                return m_op == Op::Ne;
            if (m_wildcards) {
                bool match = WildcardMatch(m_text, v.AsText());
                return m_op == Op::Eq ? match : !match;
            }
            return result(CompareValues(v, Value::Text(m_text)));
    }
    return false;
}

Area SingleArea(const Operand& o) {
    if (o.IsScalar() && o.value.IsError())
        Raise(o.value.AsError());
    if (!o.IsRef() || o.areas.size() != 1 || o.areas[0].sheet != o.areas[0].sheetLast)
        Raise(ErrorCode::Value);
    return o.areas[0];
}

long long ScanCriteria(Evaluation& eval, const std::vector<Area>& ranges,
                       const std::vector<Criterion>& criteria, const Area* target,
                       const std::function<void(const Value&)>& visit) {
    const int rows = ranges[0].range.Rows();
    const int cols = ranges[0].range.Columns();
    for (const Area& a : ranges) {
        if (a.range.Rows() != rows || a.range.Columns() != cols)
            Raise(ErrorCode::Value);
    }
    const std::size_t slots = ranges.size() + 1;
    std::unordered_map<long long, std::size_t> index;
    std::vector<Value> values;  // `slots` values per position met
    auto record = [&](std::size_t slot, int r, int c, const Value& v) {
        long long key = static_cast<long long>(r) * kMaxColumns + c;
        auto [it, added] = index.emplace(key, values.size() / slots);
        if (added)
            values.resize(values.size() + slots);
        values[it->second * slots + slot] = v;
    };
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        const RangeRef& r = ranges[i].range;
        eval.Cells().VisitCells(ranges[i].sheet, r, [&](CellRef c, const Value& v) {
            record(i, c.row - r.first.row, c.col - r.first.col, v);
        });
    }
    if (target) {
        RangeRef t{target->range.first,
                   {std::min(kMaxRows, target->range.first.row + rows - 1),
                    std::min(kMaxColumns, target->range.first.col + cols - 1)}};
        eval.Cells().VisitCells(target->sheet, t, [&](CellRef c, const Value& v) {
            record(ranges.size(), c.row - t.first.row, c.col - t.first.col, v);
        });
    }
    for (std::size_t p = 0; p < values.size() / slots; ++p) {
        bool all = true;
        for (std::size_t i = 0; i < ranges.size() && all; ++i)
            all = criteria[i].Matches(values[p * slots + i]);
        if (all)
            visit(values[p * slots + ranges.size()]);
    }
    for (const Criterion& c : criteria) {
        if (!c.Matches(Value()))
            return 0;
    }
    return static_cast<long long>(rows) * cols - static_cast<long long>(index.size());
}

std::optional<CriteriaPairs> ReadCriteriaPairs(CallContext& call, std::size_t first,
                                               const Area* sameShape) {
    CriteriaPairs pairs;
    for (std::size_t i = first; i + 1 < call.Count(); i += 2) {
        pairs.ranges.push_back(SingleArea(call.Arg(i)));
        pairs.criteria.emplace_back(call.Scalar(i + 1), call.Eval().Date1904());
        const RangeRef& range = pairs.ranges.back().range;
        if (sameShape && (range.Rows() != sameShape->range.Rows() ||
                          range.Columns() != sameShape->range.Columns()))
            return std::nullopt;
    }
    return pairs;
}

}  // namespace tabulon::spreadsheet::formula
