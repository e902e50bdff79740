// SUBTOTAL and AGGREGATE: the aggregates that can leave out hidden rows, cells
// holding other subtotals, and (AGGREGATE) error values.
#include <algorithm>
#include <cmath>

#include "spreadsheet/formula/aggregate.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

// Which values an aggregate leaves out.
struct Skips {
    bool filteredRows = false;  // rows the sheet's filter hides
    bool hiddenRows = false;    // every hidden row
    bool subtotals = false;     // cells whose formula calls SUBTOTAL or AGGREGATE
    bool errors = false;        // error values (else the first one is the result)
};

bool CallsSubtotal(const std::string& formula) {
    if (formula.empty())
        return false;
    const std::string upper = ToUpperAscii(formula);
    return upper.find("SUBTOTAL(") != std::string::npos ||
           upper.find("AGGREGATE(") != std::string::npos;
}

// The values of the arguments from `from` on, with what `skips` names left out.
// `direct` is true for a value given as such rather than from a range or array.
void VisitKept(CallContext& call, std::size_t from, std::size_t to, const Skips& skips,
               const std::function<void(const Value&, bool direct)>& visit) {
    ICellProvider& cells = call.Eval().Cells();
    for (std::size_t i = from; i < to; ++i) {
        Operand o = from + 1 == to ? call.ArrayArg(i) : call.Arg(i);
        if (o.IsRef()) {
            call.Eval().VisitRef(o, [&](int sheet, CellRef cell, const Value& v) {
                if (skips.errors && v.IsError())
                    return;
                if (skips.hiddenRows || skips.filteredRows) {
                    RowVisibility state = cells.RowState(sheet, cell.row);
                    if (state == RowVisibility::Filtered ||
                        (skips.hiddenRows && state == RowVisibility::Hidden))
                        return;
                }
                if (skips.subtotals && CallsSubtotal(cells.CellFormula(sheet, cell)))
                    return;
                visit(v, false);
            });
        } else if (o.IsArray()) {
            for (const Value& v : o.matrix->cells) {
                if (!(skips.errors && v.IsError()))
                    visit(v, false);
            }
        } else if (!(skips.errors && o.value.IsError())) {
            visit(o.value, true);
        }
    }
}

std::vector<double> KeptNumbers(CallContext& call, std::size_t from, std::size_t to,
                                const Skips& skips) {
    std::vector<double> out;
    const bool date1904 = call.Eval().Date1904();
    VisitKept(call, from, to, skips, [&](const Value& v, bool direct) {
        if (v.IsError())
            Raise(v.AsError());
        if (v.IsNumber())
            out.push_back(v.AsNumber());
        else if (direct && !v.IsEmpty())
            out.push_back(ToNumber(v, date1904));
    });
    return out;
}

Value Checked(double d) {
    if (!std::isfinite(d))
        return Value::Error(ErrorCode::Num);
    return Value::Number(d);
}

// Functions 1-13 of AGGREGATE (1-11 are SUBTOTAL's): AVERAGE, COUNT, COUNTA,
// MAX, MIN, PRODUCT, STDEV.S, STDEV.P, SUM, VAR.S, VAR.P, MEDIAN, MODE.SNGL.
Value Reduce(CallContext& call, int code, std::size_t from, std::size_t to, const Skips& skips) {
    if (code == 2 || code == 3) {
        double n = 0;
        VisitKept(call, from, to, skips, [&](const Value& v, bool) {
            if (code == 3 ? !v.IsEmpty() : v.IsNumber())
                ++n;
        });
        return Value::Number(n);
    }
    std::vector<double> xs = KeptNumbers(call, from, to, skips);
    double total = 0;
    for (double x : xs)
        total += x;
    switch (code) {
        case 1:
            return xs.empty() ? Value::Error(ErrorCode::Div0)
                              : Checked(total / static_cast<double>(xs.size()));
        case 4:
            return Value::Number(xs.empty() ? 0 : *std::max_element(xs.begin(), xs.end()));
        case 5:
            return Value::Number(xs.empty() ? 0 : *std::min_element(xs.begin(), xs.end()));
        case 6: {
            double p = xs.empty() ? 0 : 1;
            for (double x : xs)
                p *= x;
            return Checked(p);
        }
        case 7:
        case 8: {
            Value v = VarianceOf(xs, code == 7);
            return v.IsError() ? v : Value::Number(std::sqrt(v.AsNumber()));
        }
        case 9:
            return Checked(total);
        case 10:
        case 11:
            return VarianceOf(xs, code == 10);
        case 12: {
            if (xs.empty())
                return Value::Error(ErrorCode::Num);
            std::sort(xs.begin(), xs.end());
            const std::size_t n = xs.size();
            return Value::Number(n % 2 ? xs[n / 2] : (xs[n / 2 - 1] + xs[n / 2]) / 2);
        }
        case 13: {
            std::vector<double> modes = ModesOf(xs);
            return modes.empty() ? Value::Error(ErrorCode::NA) : Value::Number(modes.front());
        }
        default:
            return Value::Error(ErrorCode::Value);
    }
}

Operand Subtotal(CallContext& call) {
    int code = TruncToInt(call.Number(0));
    Skips skips;
    skips.filteredRows = true;
    skips.subtotals = true;
    if (code > 100) {
        code -= 100;
        skips.hiddenRows = true;
    }
    if (code < 1 || code > 11)
        return Value::Error(ErrorCode::Value);
    return Reduce(call, code, 1, call.Count(), skips);
}

// AGGREGATE(function, options, ref1, ...) for functions 1-13;
// AGGREGATE(function, options, array, k) for 14-19: LARGE, SMALL,
// PERCENTILE.INC, QUARTILE.INC, PERCENTILE.EXC, QUARTILE.EXC.
Operand Aggregate(CallContext& call) {
    const int code = TruncToInt(call.Number(0));
    const int options = call.IsMissing(1) ? 0 : TruncToInt(call.Number(1));
    if (code < 1 || code > 19 || options < 0 || options > 7)
        return Value::Error(ErrorCode::Value);
    Skips skips;
    skips.subtotals = options <= 3;
    skips.hiddenRows = options % 2 == 1;
    skips.errors = options == 2 || options == 3 || options == 6 || options == 7;
    if (code <= 13)
        return Reduce(call, code, 2, call.Count(), skips);
    if (call.Count() != 4)
        return Value::Error(ErrorCode::Value);
    std::vector<double> xs = KeptNumbers(call, 2, 3, skips);
    const double k = call.Number(3);
    if (code <= 15) {
        const double rank = std::ceil(k);
        if (xs.empty() || rank < 1 || rank > static_cast<double>(xs.size()))
            return Value::Error(ErrorCode::Num);
        std::sort(xs.begin(), xs.end());
        const auto i = static_cast<std::size_t>(rank) - 1;
        return Value::Number(code == 14 ? xs[xs.size() - 1 - i] : xs[i]);
    }
    const bool exclusive = code >= 18;
    if (code == 17 || code == 19) {
        const double q = std::trunc(k);
        if (q < (exclusive ? 1 : 0) || q > (exclusive ? 3 : 4))
            return Value::Error(ErrorCode::Num);
        return PercentileOf(std::move(xs), q / 4, exclusive);
    }
    return PercentileOf(std::move(xs), k, exclusive);
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"AGGREGATE", Aggregate, 3, kVariadic},
    {"SUBTOTAL", Subtotal, 2, kVariadic},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> SubtotalFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
