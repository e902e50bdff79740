// Math and trigonometry beyond sums and rounding: trigonometric and hyperbolic
// functions, multiples, integer arithmetic, combinatorics, chance, and the
// aggregates that skip hidden rows (AGGREGATE).
#include <cmath>
#include <numeric>

#include "spreadsheet/formula/aggregate.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/function_table.h"
#include "spreadsheet/formula/random.h"

namespace tabulon::spreadsheet::formula {

namespace {

constexpr double kPi = 3.14159265358979323846;

Value Checked(double d) {
    if (!std::isfinite(d))
        return Value::Error(ErrorCode::Num);
    return Value::Number(d);
}

template <double (*F)(double)>
Operand Unary(CallContext& call) {
    return Checked(F(call.Number(0)));
}

double Sin(double x) {
    return std::fabs(x) >= 134217728 ? NAN : std::sin(x);
}
double Cos(double x) {
    return std::fabs(x) >= 134217728 ? NAN : std::cos(x);
}
double Tan(double x) {
    return std::fabs(x) >= 134217728 ? NAN : std::tan(x);
}
double Asin(double x) {
    return std::asin(x);
}
double Acos(double x) {
    return std::acos(x);
}
double Atan(double x) {
    return std::atan(x);
}
double Sinh(double x) {
    return std::sinh(x);
}
double Cosh(double x) {
    return std::cosh(x);
}
double Tanh(double x) {
    return std::tanh(x);
}
double Asinh(double x) {
    return std::asinh(x);
}
double Acosh(double x) {
    return std::acosh(x);
}
double Atanh(double x) {
    return std::fabs(x) >= 1 ? NAN : std::atanh(x);
}
double Degrees(double x) {
    return x * 180 / kPi;
}
double Radians(double x) {
    return x * kPi / 180;
}
double SqrtPi(double x) {
    return x < 0 ? NAN : std::sqrt(x * kPi);
}

// Reciprocal functions: 1/0 is #DIV/0!.
template <double (*F)(double)>
Operand Reciprocal(CallContext& call) {
    double v = F(call.Number(0));
    if (v == 0)
        return Value::Error(ErrorCode::Div0);
    return Checked(1 / v);
}

Operand Cot(CallContext& call) {
    return Reciprocal<Tan>(call);
}
Operand Csc(CallContext& call) {
    return Reciprocal<Sin>(call);
}
Operand Sec(CallContext& call) {
    return Reciprocal<Cos>(call);
}
Operand Acot(CallContext& call) {
    return Checked(kPi / 2 - std::atan(call.Number(0)));
}

Operand Atan2(CallContext& call) {
    double x = call.Number(0), y = call.Number(1);
    if (x == 0 && y == 0)
        return Value::Error(ErrorCode::Div0);
    return Checked(std::atan2(y, x));
}

// EVEN and ODD round away from zero to the next even or odd integer.
Operand Even(CallContext& call) {
    double x = call.Number(0);
    double r = std::ceil(std::fabs(x) / 2) * 2;
    return Checked(x < 0 ? -r : r);
}

Operand Odd(CallContext& call) {
    double x = call.Number(0);
    double r = std::ceil((std::fabs(x) - 1) / 2) * 2 + 1;
    if (std::fabs(x) <= 1)
        r = 1;
    return Checked(x < 0 ? -r : r);
}

Operand Quotient(CallContext& call) {
    double n = call.Number(0), d = call.Number(1);
    if (d == 0)
        return Value::Error(ErrorCode::Div0);
    return Checked(std::trunc(n / d));
}

Operand MRound(CallContext& call) {
    double x = call.Number(0), step = call.Number(1);
    if (step == 0)
        return Value::Number(0);
    if ((x > 0 && step < 0) || (x < 0 && step > 0))
        return Value::Error(ErrorCode::Num);
    double q = Round15(x / step);
    return Checked(Round15(std::floor(q + 0.5) * step));
}

// CEILING.MATH / FLOOR.MATH(x, [step], [mode]): the step's sign is ignored;
// negative numbers round toward zero unless mode is given and non-zero.
Operand CeilingFloorMath(CallContext& call, bool ceiling) {
    double x = call.Number(0);
    double step = std::fabs(call.Number(1, 1));
    double mode = call.Number(2, 0);
    if (step == 0 || x == 0)
        return Value::Number(0);
    double q = Round15(x / step);
    double r;
    if (x < 0 && mode != 0)
        r = ceiling ? std::floor(q) : std::ceil(q);  // away from zero
    else
        r = ceiling ? std::ceil(q) : std::floor(q);
    return Checked(Round15(r * step));
}

Operand CeilingMath(CallContext& call) {
    return CeilingFloorMath(call, true);
}
Operand FloorMath(CallContext& call) {
    return CeilingFloorMath(call, false);
}

// CEILING.PRECISE, ISO.CEILING, FLOOR.PRECISE: as .MATH without the mode.
Operand CeilingPrecise(CallContext& call) {
    double x = call.Number(0), step = std::fabs(call.Number(1, 1));
    if (step == 0)
        return Value::Number(0);
    return Checked(Round15(std::ceil(Round15(x / step)) * step));
}
Operand FloorPrecise(CallContext& call) {
    double x = call.Number(0), step = std::fabs(call.Number(1, 1));
    if (step == 0)
        return Value::Number(0);
    return Checked(Round15(std::floor(Round15(x / step)) * step));
}

// The integers GCD and LCM take: truncated, never negative.
std::vector<double> Integers(CallContext& call) {
    std::vector<double> out;
    for (double d : CollectNumbers(call)) {
        d = std::trunc(d);
        if (d < 0 || d >= 9007199254740992.0)
            Raise(ErrorCode::Num);
        out.push_back(d);
    }
    return out;
}

Operand Gcd(CallContext& call) {
    double g = 0;
    for (double d : Integers(call))
        g = std::fmod(d, 1) == 0 ? static_cast<double>(std::gcd(static_cast<long long>(g),
                                                                static_cast<long long>(d)))
                                 : g;
    return Value::Number(g);
}

Operand Lcm(CallContext& call) {
    double l = 1;
    for (double d : Integers(call)) {
        if (d == 0)
            return Value::Number(0);
        l = l /
            static_cast<double>(std::gcd(static_cast<long long>(l), static_cast<long long>(d))) * d;
        if (l >= 9007199254740992.0)
            return Value::Error(ErrorCode::Num);
    }
    return Value::Number(l);
}

double Factorial(double n) {
    double f = 1;
    for (double i = 2; i <= n; ++i)
        f *= i;
    return f;
}

Operand Fact(CallContext& call) {
    double n = std::trunc(call.Number(0));
    if (n < 0 || n > 170)
        return Value::Error(ErrorCode::Num);
    return Value::Number(Factorial(n));
}

Operand FactDouble(CallContext& call) {
    double n = std::trunc(call.Number(0));
    if (n < -1 || n > 300)
        return Value::Error(ErrorCode::Num);
    double f = 1;
    for (double i = n; i > 1; i -= 2)
        f *= i;
    return Checked(f);
}

// n over k; beyond k = 1030 (either way) the result overflows, as infinity.
double Choose(double n, double k) {
    double r = 1;
    k = std::min(k, n - k);
    if (k > 1030)
        return HUGE_VAL;
    for (double i = 1; i <= k; ++i)
        r = r * (n - k + i) / i;
    return std::round(r);
}

Operand Combin(CallContext& call) {
    double n = std::trunc(call.Number(0)), k = std::trunc(call.Number(1));
    if (n < 0 || k < 0 || k > n)
        return Value::Error(ErrorCode::Num);
    return Checked(Choose(n, k));
}

Operand Combina(CallContext& call) {
    double n = std::trunc(call.Number(0)), k = std::trunc(call.Number(1));
    if (n < 0 || k < 0 || (n == 0 && k > 0))
        return Value::Error(ErrorCode::Num);
    if (k == 0)
        return Value::Number(1);
    return Checked(Choose(n + k - 1, k));
}

Operand Permut(CallContext& call) {
    double n = std::trunc(call.Number(0)), k = std::trunc(call.Number(1));
    if (n < 0 || k < 0 || k > n || k > 1100)  // beyond 1100 factors: overflow
        return Value::Error(ErrorCode::Num);
    double r = 1;
    for (double j = 0; j < k; ++j)
        r *= n - j;
    return Checked(r);
}

Operand Multinomial(CallContext& call) {
    double sum = 0, result = 1;
    for (double d : CollectNumbers(call)) {
        d = std::trunc(d);
        if (d < 0)
            return Value::Error(ErrorCode::Num);
        sum += d;
        result *= Choose(sum, d);
    }
    return Checked(result);
}

Operand SeriesSum(CallContext& call) {
    double x = call.Number(0), n = call.Number(1), m = call.Number(2);
    double total = 0, i = 0;
    for (double a : CollectNumbers(call, 3))
        total += a * std::pow(x, n + m * i++);
    return Checked(total);
}

// SUMX2MY2, SUMX2PY2, SUMXMY2: over pairs where both sides are numbers.
template <int Kind>
Operand SumOfPairs(CallContext& call) {
    auto a = call.Eval().ToMatrix(call.ArrayArg(0));
    auto b = call.Eval().ToMatrix(call.ArrayArg(1));
    if (a->cells.size() != b->cells.size())
        return Value::Error(ErrorCode::NA);
    double total = 0;
    for (std::size_t i = 0; i < a->cells.size(); ++i) {
        const Value &x = a->cells[i], &y = b->cells[i];
        if (x.IsError())
            return x;
        if (y.IsError())
            return y;
        if (!x.IsNumber() || !y.IsNumber())
            continue;
        double p = x.AsNumber(), q = y.AsNumber();
        total += Kind == 0 ? p * p - q * q : Kind == 1 ? p * p + q * q : (p - q) * (p - q);
    }
    return Checked(total);
}

Operand Rand(CallContext&) {
    return Value::Number(RandomUnit());
}

Operand RandBetween(CallContext& call) {
    double low = std::ceil(call.Number(0)), high = std::floor(call.Number(1));
    if (high < low)
        return Value::Error(ErrorCode::Num);
    return Value::Number(low + std::floor(RandomUnit() * (high - low + 1)));
}

Operand Roman(CallContext& call) {
    double n = std::trunc(call.Number(0));
    if (n < 0 || n > 3999)
        return Value::Error(ErrorCode::Value);
    static const std::pair<int, const char*> kParts[] = {
        {1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
        {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
    int v = static_cast<int>(n);
    std::string out;
    for (const auto& [value, text] : kParts) {
        while (v >= value) {
            out += text;
            v -= value;
        }
    }
    return Value::Text(out);
}

Operand Arabic(CallContext& call) {
    std::string s = ToUpperAscii(call.Text(0));
    auto value = [](char c) {
        switch (c) {
            case 'I':
                return 1;
            case 'V':
                return 5;
            case 'X':
                return 10;
            case 'L':
                return 50;
            case 'C':
                return 100;
            case 'D':
                return 500;
            case 'M':
                return 1000;
            default:
                return 0;
        }
    };
    std::size_t start = s.find_first_not_of(' ');
    std::size_t end = s.find_last_not_of(' ');
    if (start == std::string::npos)
        return Value::Number(0);
    bool negative = s[start] == '-';
    if (negative)
        ++start;
    double total = 0;
    for (std::size_t i = start; i <= end; ++i) {
        int v = value(s[i]);
        if (v == 0)
            return Value::Error(ErrorCode::Value);
        int next = i < end ? value(s[i + 1]) : 0;
        total += v < next ? -v : v;
    }
    return Value::Number(negative ? -total : total);
}

Operand Base(CallContext& call) {
    double n = std::trunc(call.Number(0)), radix = std::trunc(call.Number(1));
    double width = std::trunc(call.Number(2, 0));
    if (n < 0 || n >= 9007199254740992.0 || radix < 2 || radix > 36 || width < 0 || width > 255)
        return Value::Error(ErrorCode::Num);
    std::string out;
    auto v = static_cast<unsigned long long>(n);
    const auto r = static_cast<unsigned long long>(radix);
    do {
        out.insert(out.begin(), "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[v % r]);
        v /= r;
    } while (v > 0);
    if (out.size() < width)
        out.insert(0, static_cast<std::size_t>(width) - out.size(), '0');
    return Value::Text(out);
}

Operand Decimal(CallContext& call) {
    std::string s = ToUpperAscii(call.Text(0));
    double radix = std::trunc(call.Number(1));
    if (radix < 2 || radix > 36)
        return Value::Error(ErrorCode::Num);
    double total = 0;
    for (char c : s) {
        int d = c >= '0' && c <= '9' ? c - '0' : (c >= 'A' && c <= 'Z' ? c - 'A' + 10 : 99);
        if (d >= radix)
            return Value::Error(ErrorCode::Num);
        total = total * radix + d;
    }
    return Checked(total);
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"ACOS", Unary<Acos>, 1, 1},
    {"ACOSH", Unary<Acosh>, 1, 1},
    {"ACOT", Acot, 1, 1},
    {"ARABIC", Arabic, 1, 1},
    {"ASIN", Unary<Asin>, 1, 1},
    {"ASINH", Unary<Asinh>, 1, 1},
    {"ATAN", Unary<Atan>, 1, 1},
    {"ATAN2", Atan2, 2, 2},
    {"ATANH", Unary<Atanh>, 1, 1},
    {"BASE", Base, 2, 3},
    {"CEILING.MATH", CeilingMath, 1, 3},
    {"CEILING.PRECISE", CeilingPrecise, 1, 2},
    {"COMBIN", Combin, 2, 2},
    {"COMBINA", Combina, 2, 2},
    {"COS", Unary<Cos>, 1, 1},
    {"COSH", Unary<Cosh>, 1, 1},
    {"COT", Cot, 1, 1},
    {"CSC", Csc, 1, 1},
    {"DECIMAL", Decimal, 2, 2},
    {"DEGREES", Unary<Degrees>, 1, 1},
    {"ECMA.CEILING", CeilingPrecise, 1, 2},
    {"EVEN", Even, 1, 1},
    {"FACT", Fact, 1, 1},
    {"FACTDOUBLE", FactDouble, 1, 1},
    {"FLOOR.MATH", FloorMath, 1, 3},
    {"FLOOR.PRECISE", FloorPrecise, 1, 2},
    {"GCD", Gcd, 1, kVariadic},
    {"ISO.CEILING", CeilingPrecise, 1, 2},
    {"LCM", Lcm, 1, kVariadic},
    {"MROUND", MRound, 2, 2},
    {"MULTINOMIAL", Multinomial, 1, kVariadic},
    {"ODD", Odd, 1, 1},
    {"PERMUT", Permut, 2, 2},
    {"QUOTIENT", Quotient, 2, 2},
    {"RADIANS", Unary<Radians>, 1, 1},
    {"RAND", Rand, 0, 0},
    {"RANDBETWEEN", RandBetween, 2, 2},
    {"ROMAN", Roman, 1, 2},
    {"SEC", Sec, 1, 1},
    {"SERIESSUM", SeriesSum, 4, 4},
    {"SIN", Unary<Sin>, 1, 1},
    {"SINH", Unary<Sinh>, 1, 1},
    {"SQRTPI", Unary<SqrtPi>, 1, 1},
    {"SUMX2MY2", SumOfPairs<0>, 2, 2},
    {"SUMX2PY2", SumOfPairs<1>, 2, 2},
    {"SUMXMY2", SumOfPairs<2>, 2, 2},
    {"TAN", Unary<Tan>, 1, 1},
    {"TANH", Unary<Tanh>, 1, 1},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> MoreMathFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
