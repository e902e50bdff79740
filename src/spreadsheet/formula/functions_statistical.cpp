// Statistical: counts, averages, extremes, order statistics, spread.
#include <algorithm>
#include <cmath>

#include "spreadsheet/formula/aggregate.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

enum class Stat { Average, Count, CountA, Max, Min, Product, StDev, StDevP, Sum, Var, VarP };

Value Checked(double d) {
    if (!std::isfinite(d))
        return Value::Error(ErrorCode::Num);
    return Value::Number(d);
}

Value Compute(Stat stat, const std::vector<double>& xs) {
    switch (stat) {
        case Stat::Sum:
        case Stat::Average: {
            double total = 0;
            for (double x : xs)
                total += x;
            if (stat == Stat::Sum)
                return Checked(total);
            if (xs.empty())
                return Value::Error(ErrorCode::Div0);
            return Checked(total / static_cast<double>(xs.size()));
        }
        case Stat::Count:
        case Stat::CountA:
            return Value::Number(static_cast<double>(xs.size()));
        case Stat::Max:
            return Value::Number(xs.empty() ? 0 : *std::max_element(xs.begin(), xs.end()));
        case Stat::Min:
            return Value::Number(xs.empty() ? 0 : *std::min_element(xs.begin(), xs.end()));
        case Stat::Product: {
            if (xs.empty())
                return Value::Number(0);
            double p = 1;
            for (double x : xs)
                p *= x;
            return Checked(p);
        }
        case Stat::Var:
            return VarianceOf(xs, true);
        case Stat::VarP:
            return VarianceOf(xs, false);
        case Stat::StDev:
        case Stat::StDevP: {
            Value v = VarianceOf(xs, stat == Stat::StDev);
            return v.IsError() ? v : Value::Number(std::sqrt(v.AsNumber()));
        }
    }
    return Value::Error(ErrorCode::Value);
}

template <Stat S>
Operand Simple(CallContext& call) {
    return Compute(S, CollectNumbers(call));
}

Operand Count(CallContext& call) {
    double n = 0;
    bool date1904 = call.Eval().Date1904();
    ForEachArgValue(call, 0, [&](const Value& v, bool direct) {
        if (v.IsNumber()) {
            ++n;
        } else if (direct &&
                   (v.IsBoolean() || (v.IsText() && TextToNumber(v.AsText(), date1904)))) {
            ++n;
        }
    });
    return Value::Number(n);
}

Operand CountA(CallContext& call) {
    double n = 0;
    ForEachArgValue(call, 0, [&](const Value& v, bool) {
        if (!v.IsEmpty())
            ++n;
    });
    return Value::Number(n);
}

Operand CountBlank(CallContext& call) {
    Area a = SingleArea(call.Arg(0));
    long long filled = 0;
    call.Eval().Cells().VisitCells(a.sheet, a.range, [&](CellRef, const Value& v) {
        if (!(v.IsText() && v.AsText().empty()))
            ++filled;
    });
    return Value::Number(
        static_cast<double>(static_cast<long long>(a.range.Rows()) * a.range.Columns() - filled));
}

Operand CountIf(CallContext& call) {
    Area range = SingleArea(call.Arg(0));
    Criterion criterion(call.Scalar(1), call.Eval().Date1904());
    double n = 0;
    long long blanks =
        ScanCriteria(call.Eval(), {range}, {criterion}, nullptr, [&](const Value&) { ++n; });
    return Value::Number(n + static_cast<double>(blanks));
}

Operand CountIfs(CallContext& call) {
    if (call.Count() % 2 != 0)
        return Value::Error(ErrorCode::Value);
    const auto [ranges, criteria] = *ReadCriteriaPairs(call, 0);
    double n = 0;
    long long blanks =
        ScanCriteria(call.Eval(), ranges, criteria, nullptr, [&](const Value&) { ++n; });
    return Value::Number(n + static_cast<double>(blanks));
}

Operand AverageOver(CallContext& call, const std::vector<Area>& ranges,
                    const std::vector<Criterion>& criteria, const Area& target) {
    double total = 0;
    double n = 0;
    ScanCriteria(call.Eval(), ranges, criteria, &target, [&](const Value& v) {
        if (v.IsError())
            Raise(v.AsError());
        if (v.IsNumber()) {
            total += v.AsNumber();
            ++n;
        }
    });
    if (n == 0)
        return Value::Error(ErrorCode::Div0);
    return Checked(total / n);
}

Operand AverageIf(CallContext& call) {
    Area range = SingleArea(call.Arg(0));
    Criterion criterion(call.Scalar(1), call.Eval().Date1904());
    Area target = call.IsMissing(2) ? range : SingleArea(call.Arg(2));
    return AverageOver(call, {range}, {criterion}, target);
}

Operand AverageIfs(CallContext& call) {
    if (call.Count() % 2 != 1)
        return Value::Error(ErrorCode::Value);
    Area target = SingleArea(call.Arg(0));
    const auto [ranges, criteria] = *ReadCriteriaPairs(call, 1);
    if (target.range.Rows() != ranges[0].range.Rows() ||
        target.range.Columns() != ranges[0].range.Columns())
        return Value::Error(ErrorCode::Value);
    return AverageOver(call, ranges, criteria, target);
}

Operand Median(CallContext& call) {
    std::vector<double> xs = CollectNumbers(call);
    if (xs.empty())
        return Value::Error(ErrorCode::Num);
    std::sort(xs.begin(), xs.end());
    std::size_t n = xs.size();
    return Value::Number(n % 2 ? xs[n / 2] : (xs[n / 2 - 1] + xs[n / 2]) / 2);
}

Operand KthValue(CallContext& call, bool largest) {
    std::vector<double> xs;
    Operand data = call.Arg(0);
    if (data.IsScalar() && data.value.IsError())
        return data.value;
    auto add = [&](const Value& v) {
        if (v.IsError())
            Raise(v.AsError());
        if (v.IsNumber())
            xs.push_back(v.AsNumber());
    };
    if (data.IsRef()) {
        call.Eval().VisitRef(data, [&](int, CellRef, const Value& v) { add(v); });
    } else {
        auto matrix = call.Eval().ToMatrix(data);
        for (const Value& v : matrix->cells)
            add(v);
    }
    double k = std::ceil(call.Number(1));
    if (xs.empty() || k < 1 || k > static_cast<double>(xs.size()))
        return Value::Error(ErrorCode::Num);
    std::sort(xs.begin(), xs.end());
    std::size_t i = static_cast<std::size_t>(k) - 1;
    return Value::Number(largest ? xs[xs.size() - 1 - i] : xs[i]);
}

Operand Large(CallContext& call) {
    return KthValue(call, true);
}
Operand Small(CallContext& call) {
    return KthValue(call, false);
}

Operand Rank(CallContext& call) {
    double x = call.Number(0);
    Operand ref = call.Arg(1);
    if (!ref.IsRef())
        return Value::Error(ErrorCode::Value);
    bool ascending = call.Number(2, 0) != 0;
    double rank = 1;
    bool found = false;
    call.Eval().VisitRef(ref, [&](int, CellRef, const Value& v) {
        if (!v.IsNumber())
            return;
        double y = v.AsNumber();
        if (CompareValues(v, Value::Number(x)) == 0) {
            found = true;
        } else if (ascending ? y < x : y > x) {
            ++rank;
        }
    });
    if (!found)
        return Value::Error(ErrorCode::NA);
    return Value::Number(rank);
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"AVERAGE", Simple<Stat::Average>, 1, kVariadic},
    {"AVERAGEIF", AverageIf, 2, 3},
    {"AVERAGEIFS", AverageIfs, 3, kVariadic},
    {"COUNT", Count, 1, kVariadic},
    {"COUNTA", CountA, 1, kVariadic},
    {"COUNTBLANK", CountBlank, 1, 1},
    {"COUNTIF", CountIf, 2, 2},
    {"COUNTIFS", CountIfs, 2, kVariadic},
    {"LARGE", Large, 2, 2},
    {"MAX", Simple<Stat::Max>, 1, kVariadic},
    {"MEDIAN", Median, 1, kVariadic},
    {"MIN", Simple<Stat::Min>, 1, kVariadic},
    {"RANK", Rank, 2, 3},
    {"RANK.EQ", Rank, 2, 3},
    {"SMALL", Small, 2, 2},
    {"STDEV", Simple<Stat::StDev>, 1, kVariadic},
    {"STDEV.P", Simple<Stat::StDevP>, 1, kVariadic},
    {"STDEV.S", Simple<Stat::StDev>, 1, kVariadic},
    {"STDEVP", Simple<Stat::StDevP>, 1, kVariadic},
    {"VAR", Simple<Stat::Var>, 1, kVariadic},
    {"VAR.P", Simple<Stat::VarP>, 1, kVariadic},
    {"VAR.S", Simple<Stat::Var>, 1, kVariadic},
    {"VARP", Simple<Stat::VarP>, 1, kVariadic},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> StatisticalFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
