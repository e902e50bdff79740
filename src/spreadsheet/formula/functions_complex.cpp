// Complex numbers as text ("2+3i", "-j", "1.5E-3"): COMPLEX and the IM... functions.
#include <cmath>
#include <complex>
#include <optional>
#include <string>

#include "spreadsheet/formula/aggregate.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

using Complex = std::complex<double>;

struct Parsed {
    Complex z;
    char suffix = 0;  // 'i', 'j', or 0 when the text has no imaginary part
};

std::optional<double> ParseReal(std::string_view s) {
    if (s.empty())
        return std::nullopt;
    std::string text(s);
    char* end = nullptr;
    const double d = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || text.find_first_of("xXnN") != std::string::npos)
        return std::nullopt;
    return d;
}

// "a", "bi", "a+bi", "a-i" (or with j); nullopt for anything else.
std::optional<Parsed> ParseComplex(std::string_view s) {
    if (s.empty())
        return Parsed{};
    Parsed p;
    const char last = s.back();
    if (last != 'i' && last != 'j') {
        auto re = ParseReal(s);
        if (!re)
            return std::nullopt;
        p.z = {*re, 0};
        return p;
    }
    p.suffix = last;
    s.remove_suffix(1);
    // The imaginary part starts at the last sign that is not an exponent's.
    std::size_t split = std::string_view::npos;
    for (std::size_t i = s.size(); i-- > 0;) {
        if ((s[i] == '+' || s[i] == '-') && (i == 0 || (s[i - 1] != 'e' && s[i - 1] != 'E'))) {
            split = i;
            break;
        }
    }
    std::string_view rePart =
        split == std::string_view::npos ? std::string_view() : s.substr(0, split);
    std::string_view imPart = split == std::string_view::npos ? s : s.substr(split);
    double im;
    if (imPart.empty() || imPart == "+")
        im = 1;
    else if (imPart == "-")
        im = -1;
    else if (auto v = ParseReal(imPart))
        im = *v;
    else
        return std::nullopt;
    double re = 0;
    if (!rePart.empty()) {
        auto v = ParseReal(rePart);
        if (!v)
            return std::nullopt;
        re = *v;
    }
    p.z = {re, im};
    return p;
}

// Reads one complex argument; text must be a complex number, a number is real.
Parsed ComplexArg(const Value& v, bool date1904) {
    if (v.IsError())
        Raise(v.AsError());
    if (v.IsBoolean())
        Raise(ErrorCode::Value);
    if (v.IsNumber() || v.IsEmpty())
        return {Complex(ToNumber(v, date1904), 0), 0};
    auto p = ParseComplex(v.AsText());
    if (!p)
        Raise(ErrorCode::Num);
    return *p;
}

Parsed ComplexArg(CallContext& call, std::size_t i) {
    return ComplexArg(call.Scalar(i), call.Eval().Date1904());
}

std::string Part(double d) {
    return NumberToText(Round15(d));
}

Value Format(Complex z, char suffix) {
    if (!std::isfinite(z.real()) || !std::isfinite(z.imag()))
        return Value::Error(ErrorCode::Num);
    const double re = Round15(z.real()), im = Round15(z.imag());
    const std::string s(1, suffix ? suffix : 'i');
    if (im == 0)
        return Value::Text(Part(re));
    std::string imText = im == 1 ? "" : im == -1 ? "-" : Part(im);
    if (re == 0)
        return Value::Text(imText + s);
    return Value::Text(Part(re) + (im > 0 ? "+" : "") + imText + s);
}

// The suffix of a result from two inputs: both must agree when both have one.
char Suffix(char a, char b) {
    if (a && b && a != b)
        Raise(ErrorCode::Value);
    return a ? a : b;
}

Operand MakeComplex(CallContext& call) {
    const double re = call.Number(0), im = call.Number(1);
    // An empty or missing suffix is "i".
    const std::string given = call.Count() > 2 && !call.IsMissing(2) ? call.Text(2) : "";
    if (!given.empty() && given != "i" && given != "j")
        return Value::Error(ErrorCode::Value);
    return Format({re, im}, given.empty() ? 'i' : given[0]);
}

Operand ImReal(CallContext& call) {
    return Value::Number(ComplexArg(call, 0).z.real());
}

Operand ImAginary(CallContext& call) {
    return Value::Number(ComplexArg(call, 0).z.imag());
}

Operand ImAbs(CallContext& call) {
    return Value::Number(std::abs(ComplexArg(call, 0).z));
}

Operand ImArgument(CallContext& call) {
    const Complex z = ComplexArg(call, 0).z;
    if (z == Complex(0, 0))
        return Value::Error(ErrorCode::Div0);
    return Value::Number(std::arg(z));
}

enum class Fn {
    Conjugate,
    Cos,
    Cosh,
    Cot,
    Csc,
    Csch,
    Exp,
    Ln,
    Log10,
    Log2,
    Sec,
    Sech,
    Sin,
    Sinh,
    Sqrt,
    Tan
};

template <Fn F>
Operand Unary(CallContext& call) {
    const Parsed p = ComplexArg(call, 0);
    const Complex z = p.z;
    Complex r;
    switch (F) {
        case Fn::Conjugate:
            r = std::conj(z);
            break;
        case Fn::Cos:
            r = {std::cos(z.real()) * std::cosh(z.imag()),
                 -std::sin(z.real()) * std::sinh(z.imag())};
            break;
        case Fn::Sin:
            r = {std::sin(z.real()) * std::cosh(z.imag()),
                 std::cos(z.real()) * std::sinh(z.imag())};
            break;
        case Fn::Cosh:
            r = std::cosh(z);
            break;
        case Fn::Sinh:
            r = std::sinh(z);
            break;
        case Fn::Tan:
            r = std::tan(z);
            break;
        case Fn::Cot:
            r = 1.0 / std::tan(z);
            break;
        case Fn::Sec:
            r = 1.0 / std::cos(z);
            break;
        case Fn::Csc:
            r = 1.0 / std::sin(z);
            break;
        case Fn::Sech:
            r = 1.0 / std::cosh(z);
            break;
        case Fn::Csch:
            r = 1.0 / std::sinh(z);
            break;
        case Fn::Exp:
            r = std::exp(z);
            break;
        case Fn::Ln:
        case Fn::Log10:
        case Fn::Log2: {
            if (z == Complex(0, 0))
                return Value::Error(ErrorCode::Num);
            const double base = F == Fn::Ln ? 1 : std::log(F == Fn::Log10 ? 10.0 : 2.0);
            r = Complex(std::log(std::abs(z)), std::arg(z)) / base;
            break;
        }
        case Fn::Sqrt: {
            const double m = std::sqrt(std::abs(z)), a = std::arg(z) / 2;
            r = {m * std::cos(a), m * std::sin(a)};
            break;
        }
    }
    return Format(r, p.suffix);
}

Operand ImPower(CallContext& call) {
    const Parsed p = ComplexArg(call, 0);
    const double n = call.Number(1);
    if (p.z == Complex(0, 0))
        return n > 0 ? Format({0, 0}, p.suffix) : Value::Error(ErrorCode::Num);
    const double m = std::pow(std::abs(p.z), n), a = std::arg(p.z) * n;
    return Format({m * std::cos(a), m * std::sin(a)}, p.suffix);
}

// Division by Smith's method, which keeps the tiny parts the application shows.
Operand ImDiv(CallContext& call) {
    const Parsed a = ComplexArg(call, 0), b = ComplexArg(call, 1);
    const double ar = a.z.real(), ai = a.z.imag(), c = b.z.real(), d = b.z.imag();
    if (c == 0 && d == 0)
        return Value::Error(ErrorCode::Num);
    Complex r;
    if (std::fabs(c) >= std::fabs(d)) {
        const double ratio = d / c, den = c + d * ratio;
        r = {(ar + ai * ratio) / den, (ai - ar * ratio) / den};
    } else {
        const double ratio = c / d, den = c * ratio + d;
        r = {(ar * ratio + ai) / den, (ai * ratio - ar) / den};
    }
    return Format(r, Suffix(a.suffix, b.suffix));
}

Operand ImSub(CallContext& call) {
    const Parsed a = ComplexArg(call, 0), b = ComplexArg(call, 1);
    return Format(a.z - b.z, Suffix(a.suffix, b.suffix));
}

// IMSUM and IMPRODUCT take any number of values, ranges and arrays.
template <bool Product>
Operand Fold(CallContext& call) {
    Complex acc = Product ? Complex(1, 0) : Complex(0, 0);
    char suffix = 0;
    const bool date1904 = call.Eval().Date1904();
    ForEachArgValue(call, 0, [&](const Value& v, bool direct) {
        if (v.IsEmpty() && !direct)
            return;
        const Parsed p = ComplexArg(v, date1904);
        suffix = Suffix(suffix, p.suffix);
        if (Product)
            acc = {acc.real() * p.z.real() - acc.imag() * p.z.imag(),
                   acc.real() * p.z.imag() + acc.imag() * p.z.real()};
        else
            acc += p.z;
    });
    return Format(acc, suffix);
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"COMPLEX", MakeComplex, 2, 3},
    {"IMABS", ImAbs, 1, 1},
    {"IMAGINARY", ImAginary, 1, 1},
    {"IMARGUMENT", ImArgument, 1, 1},
    {"IMCONJUGATE", Unary<Fn::Conjugate>, 1, 1},
    {"IMCOS", Unary<Fn::Cos>, 1, 1},
    {"IMCOSH", Unary<Fn::Cosh>, 1, 1},
    {"IMCOT", Unary<Fn::Cot>, 1, 1},
    {"IMCSC", Unary<Fn::Csc>, 1, 1},
    {"IMCSCH", Unary<Fn::Csch>, 1, 1},
    {"IMDIV", ImDiv, 2, 2},
    {"IMEXP", Unary<Fn::Exp>, 1, 1},
    {"IMLN", Unary<Fn::Ln>, 1, 1},
    {"IMLOG10", Unary<Fn::Log10>, 1, 1},
    {"IMLOG2", Unary<Fn::Log2>, 1, 1},
    {"IMPOWER", ImPower, 2, 2},
    {"IMPRODUCT", Fold<true>, 1, kVariadic},
    {"IMREAL", ImReal, 1, 1},
    {"IMSEC", Unary<Fn::Sec>, 1, 1},
    {"IMSECH", Unary<Fn::Sech>, 1, 1},
    {"IMSIN", Unary<Fn::Sin>, 1, 1},
    {"IMSINH", Unary<Fn::Sinh>, 1, 1},
    {"IMSQRT", Unary<Fn::Sqrt>, 1, 1},
    {"IMSUB", ImSub, 2, 2},
    {"IMSUM", Fold<false>, 1, kVariadic},
    {"IMTAN", Unary<Fn::Tan>, 1, 1},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> ComplexFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
