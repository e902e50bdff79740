// Math and trigonometry: sums, products, rounding, signs and powers.
#include <cmath>

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

// Rounds half away from zero at `digits` decimals (negative: tens, hundreds...),
// working on the 15-digit value so that 2.675 rounds to 2.68 as displayed.
double RoundTo(double x, double digits, int mode /* 0 nearest, 1 up, -1 down */) {
    int d = TruncToInt(digits);
    if (d > 15)
        d = 15;
    if (d < -15)
        return 0;
    double scale = std::pow(10.0, std::abs(d));
    double v = std::fabs(Round15(x));
    double scaled = d >= 0 ? v * scale : v / scale;
    scaled = Round15(scaled);
    double r;
    if (mode == 0) {
        r = std::floor(scaled + 0.5);
    } else if (mode > 0) {
        r = std::ceil(scaled);
    } else {
        r = std::floor(scaled);
    }
    r = d >= 0 ? r / scale : r * scale;
    return x < 0 ? -r : r;
}

Operand Sum(CallContext& call) {
    double total = 0;
    for (double d : CollectNumbers(call))
        total += d;
    return Checked(total);
}

Operand Product(CallContext& call) {
    std::vector<double> numbers = CollectNumbers(call);
    if (numbers.empty())
        return Value::Number(0);
    double p = 1;
    for (double d : numbers)
        p *= d;
    return Checked(p);
}

Operand SumProduct(CallContext& call) {
    std::vector<std::shared_ptr<const Matrix>> arrays;
    for (std::size_t i = 0; i < call.Count(); ++i) {
        Operand o = call.ArrayArg(i);
        if (o.IsScalar() && o.value.IsError())
            return o.value;
        arrays.push_back(call.Eval().ToMatrix(o));
        if (arrays.back()->rows != arrays[0]->rows || arrays.back()->cols != arrays[0]->cols)
            return Value::Error(ErrorCode::Value);
    }
    double total = 0;
    for (std::size_t k = 0; k < arrays[0]->cells.size(); ++k) {
        double p = 1;
        for (const auto& m : arrays) {
            const Value& v = m->cells[k];
            if (v.IsError())
                return v;
            p *= v.IsNumber() ? v.AsNumber() : 0;  // text and booleans count as 0
        }
        total += p;
    }
    return Checked(total);
}

Operand SumIf(CallContext& call) {
    Area range = SingleArea(call.Arg(0));
    Criterion criterion(call.Scalar(1), call.Eval().Date1904());
    Area target = call.IsMissing(2) ? range : SingleArea(call.Arg(2));
    double total = 0;
    ScanCriteria(call.Eval(), {range}, {criterion}, &target, [&](const Value& v) {
        if (v.IsError())
            Raise(v.AsError());
        if (v.IsNumber())
            total += v.AsNumber();
    });
    return Checked(total);
}

Operand SumIfs(CallContext& call) {
    if (call.Count() % 2 != 1)
        return Value::Error(ErrorCode::Value);
    Area target = SingleArea(call.Arg(0));
    const auto [ranges, criteria] = *ReadCriteriaPairs(call, 1);
    if (target.range.Rows() != ranges[0].range.Rows() ||
        target.range.Columns() != ranges[0].range.Columns())
        return Value::Error(ErrorCode::Value);
    double total = 0;
    ScanCriteria(call.Eval(), ranges, criteria, &target, [&](const Value& v) {
        if (v.IsError())
            Raise(v.AsError());
        if (v.IsNumber())
            total += v.AsNumber();
    });
    return Checked(total);
}

Operand Round(CallContext& call) {
    return Checked(RoundTo(call.Number(0), call.Number(1, 0), 0));
}
Operand RoundUp(CallContext& call) {
    return Checked(RoundTo(call.Number(0), call.Number(1, 0), 1));
}
Operand RoundDown(CallContext& call) {
    return Checked(RoundTo(call.Number(0), call.Number(1, 0), -1));
}
Operand Int(CallContext& call) {
    return Checked(std::floor(Round15(call.Number(0))));
}
Operand Trunc(CallContext& call) {
    return Checked(RoundTo(call.Number(0), call.Number(1, 0), -1));
}
Operand Abs(CallContext& call) {
    return Checked(std::fabs(call.Number(0)));
}

Operand Mod(CallContext& call) {
    double n = call.Number(0);
    double d = call.Number(1);
    if (d == 0)
        return Value::Error(ErrorCode::Div0);
    double r = n - d * std::floor(n / d);
    if (std::fabs(r - d) < std::fabs(d) * 1e-15)
        r = 0;
    return Checked(r);
}

Operand Power(CallContext& call) {
    return ApplyOperator(OperatorKind::Power, Value::Number(call.Number(0)),
                         Value::Number(call.Number(1)), false);
}

Operand Sqrt(CallContext& call) {
    double x = call.Number(0);
    if (x < 0)
        return Value::Error(ErrorCode::Num);
    return Value::Number(std::sqrt(x));
}

Operand Sign(CallContext& call) {
    double x = call.Number(0);
    return Value::Number(x > 0 ? 1 : (x < 0 ? -1 : 0));
}

// FLOOR/CEILING: multiples of a significance of the number's sign (or, for a
// negative number, a negative significance rounding towards zero / away from it).
Operand ToMultiple(CallContext& call, bool up) {
    double x = call.Number(0);
    double sig = call.Number(1, x < 0 ? -1 : 1);
    if (sig == 0)
        return up ? Value::Number(0) : Value::Error(ErrorCode::Div0);
    if (x > 0 && sig < 0)
        return Value::Error(ErrorCode::Num);
    double q = Round15(x / sig);
    return Checked((up ? std::ceil(q) : std::floor(q)) * sig);
}
Operand Floor(CallContext& call) {
    return ToMultiple(call, false);
}
Operand Ceiling(CallContext& call) {
    return ToMultiple(call, true);
}

Operand Log(CallContext& call) {
    double x = call.Number(0);
    double base = call.Number(1, 10);
    if (x <= 0 || base <= 0)
        return Value::Error(ErrorCode::Num);
    if (base == 1)
        return Value::Error(ErrorCode::Div0);
    return Checked(std::log(x) / std::log(base));
}
Operand Log10(CallContext& call) {
    double x = call.Number(0);
    if (x <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked(std::log10(x));
}
Operand Ln(CallContext& call) {
    double x = call.Number(0);
    if (x <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked(std::log(x));
}
Operand Exp(CallContext& call) {
    return Checked(std::exp(call.Number(0)));
}

Operand SumSq(CallContext& call) {
    double total = 0;
    for (double d : CollectNumbers(call))
        total += d * d;
    return Checked(total);
}

Operand Pi(CallContext&) {
    return Value::Number(3.14159265358979323846);
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"ABS", Abs, 1, 1},
    {"CEILING", Ceiling, 1, 2},
    {"EXP", Exp, 1, 1},
    {"FLOOR", Floor, 1, 2},
    {"INT", Int, 1, 1},
    {"LN", Ln, 1, 1},
    {"LOG", Log, 1, 2},
    {"LOG10", Log10, 1, 1},
    {"MOD", Mod, 2, 2},
    {"PI", Pi, 0, 0},
    {"POWER", Power, 2, 2},
    {"PRODUCT", Product, 1, kVariadic},
    {"ROUND", Round, 2, 2},
    {"ROUNDDOWN", RoundDown, 2, 2},
    {"ROUNDUP", RoundUp, 2, 2},
    {"SIGN", Sign, 1, 1},
    {"SQRT", Sqrt, 1, 1},
    {"SUM", Sum, 1, kVariadic},
    {"SUMIF", SumIf, 2, 3},
    {"SUMIFS", SumIfs, 3, kVariadic},
    {"SUMPRODUCT", SumProduct, 1, kVariadic},
    {"SUMSQ", SumSq, 1, kVariadic},
    {"TRUNC", Trunc, 1, 2},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> MathFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
