// Engineering: numbers in binary, octal and hexadecimal, bit operations, DELTA
// and GESTEP, the error function and Bessel functions.
#include <cmath>
#include <cstdint>
#include <string>

#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/evaluation.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

Value Checked(double d) {
    if (!std::isfinite(d))
        return Value::Error(ErrorCode::Num);
    return Value::Number(d);
}

// Bits in the ten-digit two's complement of each radix: 10 binary digits, 30
// octal bits, 40 hexadecimal bits.
int BitsOf(int radix) {
    return radix == 2 ? 10 : radix == 8 ? 30 : 40;
}

// The argument of BIN2DEC and friends: at most ten digits of `radix`, the tenth
// digit's top bit being the sign. A number argument is read as its digits.
long long ParseRadix(CallContext& call, std::size_t i, int radix) {
    Value v = call.Scalar(i);
    if (v.IsError())
        Raise(v.AsError());
    if (v.IsBoolean())
        Raise(ErrorCode::Value);
    std::string text = v.IsEmpty() ? std::string("0") : ToText(v);
    if (text.size() > 10)
        Raise(ErrorCode::Num);
    long long value = 0;
    for (char ch : text) {
        int digit = -1;
        if (ch >= '0' && ch <= '9')
            digit = ch - '0';
        else if (ch >= 'a' && ch <= 'f')
            digit = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F')
            digit = ch - 'A' + 10;
        if (digit < 0 || digit >= radix)
            Raise(ErrorCode::Num);
        value = value * radix + digit;
    }
    const int bits = BitsOf(radix);
    if (text.size() == 10 && value >= (1LL << (bits - 1)))
        value -= 1LL << bits;
    return value;
}

// `value` written in `radix`: a negative number as ten digits of two's
// complement, a non-negative one padded with zeros to `places` when given.
Value FormatRadix(CallContext& call, long long value, int radix, std::size_t placesArg) {
    const int bits = BitsOf(radix);
    if (value < -(1LL << (bits - 1)) || value >= (1LL << (bits - 1)))
        return Value::Error(ErrorCode::Num);
    const bool negative = value < 0;
    unsigned long long u =
        negative ? static_cast<unsigned long long>(value + (1LL << bits)) : value;
    std::string digits;
    do {
        digits.insert(digits.begin(), "0123456789ABCDEF"[u % radix]);
        u /= radix;
    } while (u);
    if (negative)
        return Value::Text(std::string(10 - std::min<std::size_t>(10, digits.size()), '0') +
                           digits);
    if (placesArg < call.Count() && !call.IsMissing(placesArg)) {
        const double places = std::trunc(call.Number(placesArg));
        if (places < 0 || places > 10 || static_cast<double>(digits.size()) > places)
            return Value::Error(ErrorCode::Num);
        digits.insert(0, static_cast<std::size_t>(places) - digits.size(), '0');
    }
    return Value::Text(digits);
}

template <int From>
Operand ToDecimal(CallContext& call) {
    return Value::Number(static_cast<double>(ParseRadix(call, 0, From)));
}

template <int From, int To>
Operand Convert(CallContext& call) {
    return FormatRadix(call, ParseRadix(call, 0, From), To, 1);
}

template <int To>
Operand FromDecimal(CallContext& call) {
    const double d = std::trunc(call.Number(0));
    if (std::fabs(d) > 1e15)
        return Value::Error(ErrorCode::Num);
    return FormatRadix(call, static_cast<long long>(d), To, 1);
}

Operand Delta(CallContext& call) {
    return Value::Number(call.Number(0) == call.Number(1, 0) ? 1 : 0);
}

Operand GeStep(CallContext& call) {
    return Value::Number(call.Number(0) >= call.Number(1, 0) ? 1 : 0);
}

// An operand of the BIT functions: an integer from 0 to 2^48 - 1.
std::uint64_t BitOperand(CallContext& call, std::size_t i) {
    const double d = call.Number(i);
    if (d < 0 || d >= 281474976710656.0 || d != std::trunc(d))
        Raise(ErrorCode::Num);
    return static_cast<std::uint64_t>(d);
}

enum class BitOp { And, Or, Xor };

template <BitOp Op>
Operand Bitwise(CallContext& call) {
    const std::uint64_t a = BitOperand(call, 0), b = BitOperand(call, 1);
    const std::uint64_t r = Op == BitOp::And ? (a & b) : Op == BitOp::Or ? (a | b) : (a ^ b);
    return Value::Number(static_cast<double>(r));
}

// BITLSHIFT(n, shift) and BITRSHIFT; a negative shift goes the other way.
template <bool Left>
Operand BitShift(CallContext& call) {
    const std::uint64_t n = BitOperand(call, 0);
    double shift = std::trunc(call.Number(1));
    if (std::fabs(shift) > 53)
        return Value::Error(ErrorCode::Num);
    if (!Left)
        shift = -shift;
    const double r = shift >= 0 ? static_cast<double>(n) * std::ldexp(1.0, static_cast<int>(shift))
                                : static_cast<double>(n >> static_cast<int>(-shift));
    if (r >= 281474976710656.0)
        return Value::Error(ErrorCode::Num);
    return Value::Number(r);
}

Operand Erf(CallContext& call) {
    const double lower = call.Number(0);
    if (call.Count() < 2 || call.IsMissing(1))
        return Checked(std::erf(lower));
    return Checked(std::erf(call.Number(1)) - std::erf(lower));
}

Operand ErfPrecise(CallContext& call) {
    return Checked(std::erf(call.Number(0)));
}

Operand Erfc(CallContext& call) {
    return Checked(std::erfc(call.Number(0)));
}

// The modified Bessel function K and the Bessel function Y as the application
// computes them: polynomial approximations of orders 0 and 1 (good to about
// 1e-8) carried up by recurrence. Exact values would differ in the 8th digit.
double BesselI0Approx(double x) {
    const double ax = std::fabs(x);
    if (ax < 3.75) {
        const double y = (x / 3.75) * (x / 3.75);
        return 1.0 +
               y * (3.5156229 +
                    y * (3.0899424 +
                         y * (1.2067492 + y * (0.2659732 + y * (0.360768e-1 + y * 0.45813e-2)))));
    }
    const double y = 3.75 / ax;
    return (std::exp(ax) / std::sqrt(ax)) *
           (0.39894228 +
            y * (0.1328592e-1 +
                 y * (0.225319e-2 +
                      y * (-0.157565e-2 +
                           y * (0.916281e-2 + y * (-0.2057706e-1 +
                                                   y * (0.2635537e-1 + y * (-0.1647633e-1 +
                                                                            y * 0.392377e-2))))))));
}

double BesselI1Approx(double x) {
    const double ax = std::fabs(x);
    double ans;
    if (ax < 3.75) {
        const double y = (x / 3.75) * (x / 3.75);
        ans = ax * (0.5 + y * (0.87890594 +
                               y * (0.51498869 +
                                    y * (0.15084934 + y * (0.2658733e-1 +
                                                           y * (0.301532e-2 + y * 0.32411e-3))))));
    } else {
        const double y = 3.75 / ax;
        ans = 0.2282967e-1 + y * (-0.2895312e-1 + y * (0.1787654e-1 - y * 0.420059e-2));
        ans = 0.39894228 +
              y * (-0.3988024e-1 +
                   y * (-0.362018e-2 + y * (0.163801e-2 + y * (-0.1031555e-1 + y * ans))));
        ans *= std::exp(ax) / std::sqrt(ax);
    }
    return x < 0 ? -ans : ans;
}

double BesselK(int n, double x) {
    double k0, k1;
    if (x <= 2.0) {
        const double y = x * x / 4.0;
        k0 = (-std::log(x / 2.0) * BesselI0Approx(x)) +
             (-0.57721566 +
              y * (0.42278420 +
                   y * (0.23069756 +
                        y * (0.3488590e-1 + y * (0.262698e-2 + y * (0.10750e-3 + y * 0.74e-5))))));
        k1 =
            (std::log(x / 2.0) * BesselI1Approx(x)) +
            (1.0 / x) *
                (1.0 + y * (0.15443144 +
                            y * (-0.67278579 +
                                 y * (-0.18156897 + y * (-0.1919402e-1 +
                                                         y * (-0.110404e-2 + y * (-0.4686e-4)))))));
    } else {
        const double y = 2.0 / x;
        k0 = (std::exp(-x) / std::sqrt(x)) *
             (1.25331414 +
              y * (-0.7832358e-1 +
                   y * (0.2189568e-1 +
                        y * (-0.1062446e-1 +
                             y * (0.587872e-2 + y * (-0.251540e-2 + y * 0.53208e-3))))));
        k1 = (std::exp(-x) / std::sqrt(x)) *
             (1.25331414 +
              y * (0.23498619 +
                   y * (-0.3655620e-1 +
                        y * (0.1504268e-1 +
                             y * (-0.780353e-2 + y * (0.325614e-2 + y * (-0.68245e-3)))))));
    }
    if (n == 0)
        return k0;
    const double tox = 2.0 / x;
    double km = k0, k = k1;
    for (int j = 1; j < n; ++j) {
        const double next = km + j * tox * k;
        km = k;
        k = next;
    }
    return k;
}

double BesselJ0Approx(double x) {
    const double ax = std::fabs(x);
    if (ax < 8.0) {
        const double y = x * x;
        const double a1 =
            57568490574.0 +
            y * (-13362590354.0 +
                 y * (651619640.7 + y * (-11214424.18 + y * (77392.33017 + y * (-184.9052456)))));
        const double a2 = 57568490411.0 +
                          y * (1029532985.0 +
                               y * (9494680.718 + y * (59272.64853 + y * (267.8532712 + y * 1.0))));
        return a1 / a2;
    }
    const double z = 8.0 / ax, y = z * z, xx = ax - 0.785398164;
    const double a1 =
        1.0 + y * (-0.1098628627e-2 +
                   y * (0.2734510407e-4 + y * (-0.2073370639e-5 + y * 0.2093887211e-6)));
    const double a2 =
        -0.1562499995e-1 +
        y * (0.1430488765e-3 + y * (-0.6911147651e-5 + y * (0.7621095161e-6 - y * 0.934935152e-7)));
    return std::sqrt(0.636619772 / ax) * (std::cos(xx) * a1 - z * std::sin(xx) * a2);
}

double BesselJ1Approx(double x) {
    const double ax = std::fabs(x);
    if (ax < 8.0) {
        const double y = x * x;
        const double a1 =
            x *
            (72362614232.0 +
             y * (-7895059235.0 +
                  y * (242396853.1 + y * (-2972611.439 + y * (15704.48260 + y * (-30.16036606))))));
        const double a2 = 144725228442.0 +
                          y * (2300535178.0 +
                               y * (18583304.74 + y * (99447.43394 + y * (376.9991397 + y * 1.0))));
        return a1 / a2;
    }
    const double z = 8.0 / ax, y = z * z, xx = ax - 2.356194491;
    const double a1 =
        1.0 +
        y * (0.183105e-2 + y * (-0.3516396496e-4 + y * (0.2457520174e-5 + y * (-0.240337019e-6))));
    const double a2 =
        0.04687499995 +
        y * (-0.2002690873e-3 + y * (0.8449199096e-5 + y * (-0.88228987e-6 + y * 0.105787412e-6)));
    const double ans = std::sqrt(0.636619772 / ax) * (std::cos(xx) * a1 - z * std::sin(xx) * a2);
    return x > 0 ? ans : -ans;
}

double BesselY(int n, double x) {
    double y0, y1;
    if (x < 8.0) {
        const double y = x * x;
        y0 = (-2957821389.0 +
              y * (7062834065.0 +
                   y * (-512359803.6 + y * (10879881.29 + y * (-86327.92757 + y * 228.4622733))))) /
                 (40076544269.0 +
                  y * (745249964.8 +
                       y * (7189466.438 + y * (47447.26470 + y * (226.1030244 + y * 1.0))))) +
             0.636619772 * BesselJ0Approx(x) * std::log(x);
        y1 = x *
                 (-0.4900604943e13 +
                  y * (0.1275274390e13 +
                       y * (-0.5153438139e11 +
                            y * (0.7349264551e9 + y * (-0.4237922726e7 + y * 0.8511937935e4))))) /
                 (0.2499580570e14 +
                  y * (0.4244419664e12 +
                       y * (0.3733650367e10 +
                            y * (0.2245904002e8 +
                                 y * (0.1020426050e6 + y * (0.3549632885e3 + y)))))) +
             0.636619772 * (BesselJ1Approx(x) * std::log(x) - 1.0 / x);
    } else {
        const double z = 8.0 / x, y = z * z;
        double xx = x - 0.785398164;
        double a1 =
            1.0 + y * (-0.1098628627e-2 +
                       y * (0.2734510407e-4 + y * (-0.2073370639e-5 + y * 0.2093887211e-6)));
        double a2 = -0.1562499995e-1 +
                    y * (0.1430488765e-3 +
                         y * (-0.6911147651e-5 + y * (0.7621095161e-6 + y * (-0.934945152e-7))));
        y0 = std::sqrt(0.636619772 / x) * (std::sin(xx) * a1 + z * std::cos(xx) * a2);
        xx = x - 2.356194491;
        a1 = 1.0 + y * (0.183105e-2 +
                        y * (-0.3516396496e-4 + y * (0.2457520174e-5 + y * (-0.240337019e-6))));
        a2 =
            0.04687499995 + y * (-0.2002690873e-3 +
                                 y * (0.8449199096e-5 + y * (-0.88228987e-6 + y * 0.105787412e-6)));
        y1 = std::sqrt(0.636619772 / x) * (std::sin(xx) * a1 + z * std::cos(xx) * a2);
    }
    if (n == 0)
        return y0;
    const double tox = 2.0 / x;
    double ym = y0, yv = y1;
    for (int j = 1; j < n; ++j) {
        const double next = j * tox * yv - ym;
        ym = yv;
        yv = next;
    }
    return yv;
}

enum class Bessel { I, J, K, Y };

// BESSELI(x, n) and friends: the order is truncated and may not be negative;
// K and Y are defined for x > 0 only.
template <Bessel B>
Operand BesselFn(CallContext& call) {
    const double x = call.Number(0);
    const double n = std::trunc(call.Number(1));
    if (n < 0 || n > 1000)
        return Value::Error(ErrorCode::Num);
    if ((B == Bessel::K || B == Bessel::Y) && x <= 0)
        return Value::Error(ErrorCode::Num);
    const double ax = std::fabs(x);
    const bool odd = std::fmod(n, 2) != 0;
    switch (B) {
        case Bessel::I:
            return Checked((x < 0 && odd ? -1 : 1) * std::cyl_bessel_i(n, ax));
        case Bessel::J:
            return Checked((x < 0 && odd ? -1 : 1) * std::cyl_bessel_j(n, ax));
        case Bessel::K:
            return Checked(BesselK(static_cast<int>(n), x));
        case Bessel::Y:
            return Checked(BesselY(static_cast<int>(n), x));
    }
    return Value::Error(ErrorCode::Value);
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"BESSELI", BesselFn<Bessel::I>, 2, 2},
    {"BESSELJ", BesselFn<Bessel::J>, 2, 2},
    {"BESSELK", BesselFn<Bessel::K>, 2, 2},
    {"BESSELY", BesselFn<Bessel::Y>, 2, 2},
    {"BIN2DEC", ToDecimal<2>, 1, 1},
    {"BIN2HEX", Convert<2, 16>, 1, 2},
    {"BIN2OCT", Convert<2, 8>, 1, 2},
    {"BITAND", Bitwise<BitOp::And>, 2, 2},
    {"BITLSHIFT", BitShift<true>, 2, 2},
    {"BITOR", Bitwise<BitOp::Or>, 2, 2},
    {"BITRSHIFT", BitShift<false>, 2, 2},
    {"BITXOR", Bitwise<BitOp::Xor>, 2, 2},
    {"DEC2BIN", FromDecimal<2>, 1, 2},
    {"DEC2HEX", FromDecimal<16>, 1, 2},
    {"DEC2OCT", FromDecimal<8>, 1, 2},
    {"DELTA", Delta, 1, 2},
    {"ERF", Erf, 1, 2},
    {"ERF.PRECISE", ErfPrecise, 1, 1},
    {"ERFC", Erfc, 1, 1},
    {"ERFC.PRECISE", Erfc, 1, 1},
    {"GESTEP", GeStep, 1, 2},
    {"HEX2BIN", Convert<16, 2>, 1, 2},
    {"HEX2DEC", ToDecimal<16>, 1, 1},
    {"HEX2OCT", Convert<16, 8>, 1, 2},
    {"OCT2BIN", Convert<8, 2>, 1, 2},
    {"OCT2DEC", ToDecimal<8>, 1, 1},
    {"OCT2HEX", Convert<8, 16>, 1, 2},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> EngineeringFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
