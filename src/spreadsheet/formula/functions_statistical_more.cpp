// Statistics beyond counts and spread: percentiles and modes, paired data
// (correlation, regression), shape, the ...A variants that count text and
// booleans, MAXIFS/MINIFS, and AGGREGATE.
#include <algorithm>
#include <cmath>
#include <map>

#include "spreadsheet/formula/aggregate.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

Value Checked(double d) {
    if (!std::isfinite(d))
        return Value::Error(ErrorCode::Num);
    return Value::Number(d);
}

// TRIMMEAN(data, percent): the mean without the lowest and highest values, as
// many of each as half of percent of the values, rounded down to whole pairs.
Operand TrimMean(CallContext& call) {
    std::vector<double> xs = NumbersOf(call, 0);
    const double percent = call.Number(1);
    if (xs.empty() || percent < 0 || percent >= 1)
        return Value::Error(ErrorCode::Num);
    std::sort(xs.begin(), xs.end());
    const auto cut =
        static_cast<std::size_t>(std::floor(static_cast<double>(xs.size()) * percent / 2));
    double total = 0;
    for (std::size_t i = cut; i < xs.size() - cut; ++i)
        total += xs[i];
    return Checked(total / static_cast<double>(xs.size() - 2 * cut));
}

template <bool Exclusive>
Operand PercentileFn(CallContext& call) {
    std::vector<double> xs = NumbersOf(call, 0);
    return PercentileOf(std::move(xs), call.Number(1), Exclusive);
}

template <bool Exclusive>
Operand QuartileFn(CallContext& call) {
    std::vector<double> xs = NumbersOf(call, 0);
    double q = std::trunc(call.Number(1));
    if (q < (Exclusive ? 1 : 0) || q > (Exclusive ? 3 : 4))
        return Value::Error(ErrorCode::Num);
    return PercentileOf(std::move(xs), q / 4, Exclusive);
}

template <bool Exclusive>
Operand PercentRank(CallContext& call) {
    std::vector<double> xs = NumbersOf(call, 0);
    double x = call.Number(1);
    double digits = std::trunc(call.Number(2, 3));
    if (xs.empty() || digits < 1)
        return Value::Error(ErrorCode::Num);
    std::sort(xs.begin(), xs.end());
    if (x < xs.front() || x > xs.back())
        return Value::Error(ErrorCode::NA);
    const double n = static_cast<double>(xs.size());
    auto below = [&](double v) {
        return static_cast<double>(std::lower_bound(xs.begin(), xs.end(), v) - xs.begin());
    };
    double rank;
    auto it = std::lower_bound(xs.begin(), xs.end(), x);
    if (*it == x) {
        rank = below(x);
    } else {
        double lo = *(it - 1), hi = *it;
        rank = below(lo) + (x - lo) / (hi - lo);
    }
    double result = Exclusive ? (rank + 1) / (n + 1) : (n == 1 ? 1 : rank / (n - 1));
    double scale = std::pow(10, digits);
    return Checked(std::floor(Round15(result * scale)) / scale);
}

Operand Mode(CallContext& call) {
    std::vector<double> m = ModesOf(CollectNumbers(call));
    if (m.empty())
        return Value::Error(ErrorCode::NA);
    return Value::Number(m.front());
}

Operand ModeMult(CallContext& call) {
    std::vector<double> m = ModesOf(CollectNumbers(call));
    if (m.empty())
        return Value::Error(ErrorCode::NA);
    auto out = std::make_shared<Matrix>(static_cast<int>(m.size()), 1);
    for (std::size_t i = 0; i < m.size(); ++i)
        out->cells[i] = Value::Number(m[i]);
    return Operand::Array(std::move(out));
}

Operand RankAvg(CallContext& call) {
    double x = call.Number(0);
    std::vector<double> xs = NumbersOf(call, 1);
    bool ascending = call.Number(2, 0) != 0;
    double before = 0, equal = 0;
    for (double y : xs) {
        if (y == x)
            ++equal;
        else if (ascending ? y < x : y > x)
            ++before;
    }
    if (equal == 0)
        return Value::Error(ErrorCode::NA);
    return Value::Number(before + (equal + 1) / 2);
}

// Pairs of numbers from two equally sized arrays; pairs where either side is not
// a number are left out. #N/A when the sizes differ.
void Pairs(CallContext& call, std::vector<double>& xs, std::vector<double>& ys,
           std::size_t first = 0) {
    auto a = call.Eval().ToMatrix(call.ArrayArg(first));
    auto b = call.Eval().ToMatrix(call.ArrayArg(first + 1));
    if (a->cells.size() != b->cells.size())
        Raise(ErrorCode::NA);
    for (std::size_t i = 0; i < a->cells.size(); ++i) {
        const Value &x = a->cells[i], &y = b->cells[i];
        if (x.IsError())
            Raise(x.AsError());
        if (y.IsError())
            Raise(y.AsError());
        if (x.IsNumber() && y.IsNumber()) {
            xs.push_back(x.AsNumber());
            ys.push_back(y.AsNumber());
        }
    }
}

struct Moments {
    double n = 0, mx = 0, my = 0, sxx = 0, syy = 0, sxy = 0;
};

Moments MomentsOf(const std::vector<double>& xs, const std::vector<double>& ys) {
    Moments m;
    m.n = static_cast<double>(xs.size());
    for (std::size_t i = 0; i < xs.size(); ++i) {
        m.mx += xs[i];
        m.my += ys[i];
    }
    if (m.n > 0) {
        m.mx /= m.n;
        m.my /= m.n;
    }
    for (std::size_t i = 0; i < xs.size(); ++i) {
        m.sxx += (xs[i] - m.mx) * (xs[i] - m.mx);
        m.syy += (ys[i] - m.my) * (ys[i] - m.my);
        m.sxy += (xs[i] - m.mx) * (ys[i] - m.my);
    }
    return m;
}

enum class Paired { Correl, Rsq, CovarP, CovarS, Slope, Intercept, Steyx };

template <Paired P>
Operand PairedFn(CallContext& call) {
    std::vector<double> xs, ys;
    // SLOPE, INTERCEPT and STEYX take (known_y's, known_x's).
    if (P == Paired::Slope || P == Paired::Intercept || P == Paired::Steyx)
        Pairs(call, ys, xs);
    else
        Pairs(call, xs, ys);
    Moments m = MomentsOf(xs, ys);
    switch (P) {
        case Paired::Correl:
        case Paired::Rsq: {
            if (m.n < 2 || m.sxx == 0 || m.syy == 0)
                return Value::Error(ErrorCode::Div0);
            double r = m.sxy / std::sqrt(m.sxx * m.syy);
            return Checked(P == Paired::Rsq ? r * r : r);
        }
        case Paired::CovarP:
            if (m.n < 1)
                return Value::Error(ErrorCode::Div0);
            return Checked(m.sxy / m.n);
        case Paired::CovarS:
            if (m.n < 2)
                return Value::Error(ErrorCode::Div0);
            return Checked(m.sxy / (m.n - 1));
        case Paired::Slope:
        case Paired::Intercept:
            if (m.n < 1 || m.sxx == 0)
                return Value::Error(ErrorCode::Div0);
            return Checked(P == Paired::Slope ? m.sxy / m.sxx : m.my - m.sxy / m.sxx * m.mx);
        case Paired::Steyx:
            if (m.n < 3 || m.sxx == 0)
                return Value::Error(ErrorCode::Div0);
            return Checked(std::sqrt((m.syy - m.sxy * m.sxy / m.sxx) / (m.n - 2)));
    }
    return Value::Error(ErrorCode::Value);
}

Operand Forecast(CallContext& call) {
    double x = call.Number(0);
    std::vector<double> xs, ys;
    Pairs(call, ys, xs, 1);
    Moments m = MomentsOf(xs, ys);
    if (m.n < 1 || m.sxx == 0)
        return Value::Error(ErrorCode::Div0);
    double slope = m.sxy / m.sxx;
    return Checked(m.my + slope * (x - m.mx));
}

// TREND and GROWTH with one x variable: the fitted line (or exponential curve)
// at new_x's (default: the known x's, default 1, 2, 3...).
Operand Fit(CallContext& call, bool exponential) {
    auto ysM = call.Eval().ToMatrix(call.ArrayArg(0));
    std::vector<double> ys = NumbersOf(call, 0);
    std::vector<double> xs;
    if (call.IsMissing(1)) {
        for (std::size_t i = 0; i < ys.size(); ++i)
            xs.push_back(static_cast<double>(i + 1));
    } else {
        xs = NumbersOf(call, 1);
    }
    if (xs.size() != ys.size() || ys.empty())
        return Value::Error(ErrorCode::Ref);
    if (exponential) {
        for (double& y : ys) {
            if (y <= 0)
                return Value::Error(ErrorCode::Num);
            y = std::log(y);
        }
    }
    bool constant = call.Boolean(3, true);
    Moments m = MomentsOf(xs, ys);
    double slope, intercept;
    if (constant) {
        if (m.sxx == 0)
            return Value::Error(ErrorCode::Div0);
        slope = m.sxy / m.sxx;
        intercept = m.my - slope * m.mx;
    } else {
        double sxy = 0, sxx = 0;
        for (std::size_t i = 0; i < xs.size(); ++i) {
            sxy += xs[i] * ys[i];
            sxx += xs[i] * xs[i];
        }
        if (sxx == 0)
            return Value::Error(ErrorCode::Div0);
        slope = sxy / sxx;
        intercept = 0;
    }
    std::shared_ptr<const Matrix> at;
    if (!call.IsMissing(2)) {
        at = call.Eval().ToMatrix(call.ArrayArg(2));
    } else if (!call.IsMissing(1)) {
        at = call.Eval().ToMatrix(call.ArrayArg(1));
    } else {
        auto seq = std::make_shared<Matrix>(ysM->rows, ysM->cols);
        for (std::size_t i = 0; i < seq->cells.size(); ++i)
            seq->cells[i] = Value::Number(static_cast<double>(i + 1));
        at = seq;
    }
    auto out = std::make_shared<Matrix>(at->rows, at->cols);
    for (std::size_t i = 0; i < at->cells.size(); ++i) {
        const Value& v = at->cells[i];
        if (!v.IsNumber()) {
            out->cells[i] = Value::Error(ErrorCode::Value);
            continue;
        }
        double y = intercept + slope * v.AsNumber();
        out->cells[i] = Checked(exponential ? std::exp(y) : y);
    }
    return Operand::Array(std::move(out));
}

Operand Trend(CallContext& call) {
    return Fit(call, false);
}
Operand Growth(CallContext& call) {
    return Fit(call, true);
}

enum class Shape { DevSq, AveDev, GeoMean, HarMean, Kurt, Skew, SkewP };

template <Shape S>
Operand ShapeFn(CallContext& call) {
    std::vector<double> xs = CollectNumbers(call);
    const double n = static_cast<double>(xs.size());
    if (xs.empty())
        return Value::Error(S == Shape::DevSq ? ErrorCode::Num : ErrorCode::Num);
    double mean = 0;
    for (double x : xs)
        mean += x;
    mean /= n;
    double s2 = 0, s3 = 0, s4 = 0, absDev = 0;
    for (double x : xs) {
        double d = x - mean;
        s2 += d * d;
        s3 += d * d * d;
        s4 += d * d * d * d;
        absDev += std::fabs(d);
    }
    switch (S) {
        case Shape::DevSq:
            return Checked(s2);
        case Shape::AveDev:
            return Checked(absDev / n);
        case Shape::GeoMean: {
            double logs = 0;
            for (double x : xs) {
                if (x <= 0)
                    return Value::Error(ErrorCode::Num);
                logs += std::log(x);
            }
            return Checked(std::exp(logs / n));
        }
        case Shape::HarMean: {
            double inv = 0;
            for (double x : xs) {
                if (x <= 0)
                    return Value::Error(ErrorCode::Num);
                inv += 1 / x;
            }
            return Checked(n / inv);
        }
        case Shape::Kurt: {
            if (n < 4 || s2 == 0)
                return Value::Error(ErrorCode::Div0);
            double var = s2 / (n - 1);
            return Checked(n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) * (s4 / (var * var)) -
                           3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3)));
        }
        case Shape::Skew: {
            if (n < 3 || s2 == 0)
                return Value::Error(ErrorCode::Div0);
            double sd = std::sqrt(s2 / (n - 1));
            return Checked(n / ((n - 1) * (n - 2)) * s3 / (sd * sd * sd));
        }
        case Shape::SkewP: {
            if (s2 == 0)
                return Value::Error(ErrorCode::Div0);
            double sd = std::sqrt(s2 / n);
            return Checked(s3 / n / (sd * sd * sd));
        }
    }
    return Value::Error(ErrorCode::Value);
}

// The ...A functions: in ranges text counts as 0 and booleans as 0/1; given
// directly, numeric text and booleans count, other text is #VALUE!.
std::vector<double> CollectA(CallContext& call) {
    std::vector<double> out;
    bool date1904 = call.Eval().Date1904();
    ForEachArgValue(call, 0, [&](const Value& v, bool direct) {
        if (v.IsError())
            Raise(v.AsError());
        if (v.IsNumber() || v.IsBoolean())
            out.push_back(v.AsNumber());
        else if (v.IsText())
            out.push_back(direct ? ToNumber(v, date1904) : 0);
    });
    return out;
}

enum class AStat { Max, Min, Average, StDev, StDevP, Var, VarP };

template <AStat S>
Operand AFn(CallContext& call) {
    std::vector<double> xs = CollectA(call);
    const double n = static_cast<double>(xs.size());
    if (S == AStat::Max)
        return Value::Number(xs.empty() ? 0 : *std::max_element(xs.begin(), xs.end()));
    if (S == AStat::Min)
        return Value::Number(xs.empty() ? 0 : *std::min_element(xs.begin(), xs.end()));
    if (xs.empty())
        return Value::Error(ErrorCode::Div0);
    double mean = 0;
    for (double x : xs)
        mean += x;
    mean /= n;
    if (S == AStat::Average)
        return Checked(mean);
    bool sample = S == AStat::StDev || S == AStat::Var;
    if (sample && n < 2)
        return Value::Error(ErrorCode::Div0);
    double ss = 0;
    for (double x : xs)
        ss += (x - mean) * (x - mean);
    double var = ss / (sample ? n - 1 : n);
    return Checked(S == AStat::StDev || S == AStat::StDevP ? std::sqrt(var) : var);
}

// MAXIFS / MINIFS(range, criteria_range1, criterion1, ...): 0 when nothing matches.
template <bool Max>
Operand ExtremeIfs(CallContext& call) {
    if (call.Count() % 2 != 1)
        return Value::Error(ErrorCode::Value);
    Area target = SingleArea(call.Arg(0));
    const std::optional<CriteriaPairs> pairs = ReadCriteriaPairs(call, 1, &target);
    if (!pairs)
        return Value::Error(ErrorCode::Value);
    const auto& [ranges, criteria] = *pairs;
    bool any = false;
    double best = 0;
    ScanCriteria(call.Eval(), ranges, criteria, &target, [&](const Value& v) {
        if (v.IsError())
            Raise(v.AsError());
        if (!v.IsNumber())
            return;
        best = !any ? v.AsNumber()
                    : (Max ? std::max(best, v.AsNumber()) : std::min(best, v.AsNumber()));
        any = true;
    });
    return Value::Number(best);
}

Operand Standardize(CallContext& call) {
    double x = call.Number(0), mean = call.Number(1), sd = call.Number(2);
    if (sd <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked((x - mean) / sd);
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"AVEDEV", ShapeFn<Shape::AveDev>, 1, kVariadic},
    {"AVERAGEA", AFn<AStat::Average>, 1, kVariadic},
    {"CORREL", PairedFn<Paired::Correl>, 2, 2},
    {"COVAR", PairedFn<Paired::CovarP>, 2, 2},
    {"COVARIANCE.P", PairedFn<Paired::CovarP>, 2, 2},
    {"COVARIANCE.S", PairedFn<Paired::CovarS>, 2, 2},
    {"DEVSQ", ShapeFn<Shape::DevSq>, 1, kVariadic},
    {"FORECAST", Forecast, 3, 3},
    {"FORECAST.LINEAR", Forecast, 3, 3},
    {"GEOMEAN", ShapeFn<Shape::GeoMean>, 1, kVariadic},
    {"GROWTH", Growth, 1, 4},
    {"HARMEAN", ShapeFn<Shape::HarMean>, 1, kVariadic},
    {"TRIMMEAN", TrimMean, 2, 2},
    {"INTERCEPT", PairedFn<Paired::Intercept>, 2, 2},
    {"KURT", ShapeFn<Shape::Kurt>, 1, kVariadic},
    {"MAXA", AFn<AStat::Max>, 1, kVariadic},
    {"MAXIFS", ExtremeIfs<true>, 3, kVariadic},
    {"MINA", AFn<AStat::Min>, 1, kVariadic},
    {"MINIFS", ExtremeIfs<false>, 3, kVariadic},
    {"MODE", Mode, 1, kVariadic},
    {"MODE.MULT", ModeMult, 1, kVariadic},
    {"MODE.SNGL", Mode, 1, kVariadic},
    {"PEARSON", PairedFn<Paired::Correl>, 2, 2},
    {"PERCENTILE", PercentileFn<false>, 2, 2},
    {"PERCENTILE.EXC", PercentileFn<true>, 2, 2},
    {"PERCENTILE.INC", PercentileFn<false>, 2, 2},
    {"PERCENTRANK", PercentRank<false>, 2, 3},
    {"PERCENTRANK.EXC", PercentRank<true>, 2, 3},
    {"PERCENTRANK.INC", PercentRank<false>, 2, 3},
    {"QUARTILE", QuartileFn<false>, 2, 2},
    {"QUARTILE.EXC", QuartileFn<true>, 2, 2},
    {"QUARTILE.INC", QuartileFn<false>, 2, 2},
    {"RANK.AVG", RankAvg, 2, 3},
    {"RSQ", PairedFn<Paired::Rsq>, 2, 2},
    {"SKEW", ShapeFn<Shape::Skew>, 1, kVariadic},
    {"SKEW.P", ShapeFn<Shape::SkewP>, 1, kVariadic},
    {"SLOPE", PairedFn<Paired::Slope>, 2, 2},
    {"STANDARDIZE", Standardize, 3, 3},
    {"STDEVA", AFn<AStat::StDev>, 1, kVariadic},
    {"STDEVPA", AFn<AStat::StDevP>, 1, kVariadic},
    {"STEYX", PairedFn<Paired::Steyx>, 2, 2},
    {"TREND", Trend, 1, 4},
    {"VARA", AFn<AStat::Var>, 1, kVariadic},
    {"VARPA", AFn<AStat::VarP>, 1, kVariadic},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> MoreStatisticalFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
