// Probability distributions with closed forms: normal and log-normal (with
// their inverses), exponential, Poisson, binomial, Weibull, and the helpers
// FISHER, GAMMALN, CONFIDENCE, PHI and GAUSS.
#include <cmath>

#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/evaluation.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

constexpr double kSqrt2 = 1.41421356237309504880;
constexpr double kSqrt2Pi = 2.50662827463100050242;

// Cumulative sums of discrete distributions stop at this many terms.
constexpr double kMaxTerms = 1e7;

Value Checked(double d) {
    if (!std::isfinite(d))
        return Value::Error(ErrorCode::Num);
    return Value::Number(d);
}

double NormalCdf(double z) {
    return 0.5 * std::erfc(-z / kSqrt2);
}

double NormalPdf(double z) {
    return std::exp(-0.5 * z * z) / kSqrt2Pi;
}

// The standard normal quantile: Acklam's rational approximation, polished by
// two Newton steps against erfc.
double NormalQuantile(double p) {
    static constexpr double a[] = {-3.969683028665376e+01, 2.209460984245205e+02,
                                   -2.759285104469687e+02, 1.383577518672690e+02,
                                   -3.066479806614716e+01, 2.506628277459239e+00};
    static constexpr double b[] = {-5.447609879822406e+01, 1.615858368580409e+02,
                                   -1.556989798598866e+02, 6.680131188771972e+01,
                                   -1.328068155288572e+01};
    static constexpr double c[] = {-7.784894002430293e-03, -3.223964580411365e-01,
                                   -2.400758277161838e+00, -2.549732539343734e+00,
                                   4.374664141464968e+00,  2.938163982698783e+00};
    static constexpr double d[] = {7.784695709041462e-03, 3.224671290700398e-01,
                                   2.445134137142996e+00, 3.754408661907416e+00};
    double x;
    if (p < 0.02425) {
        double q = std::sqrt(-2 * std::log(p));
        x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    } else if (p > 1 - 0.02425) {
        double q = std::sqrt(-2 * std::log(1 - p));
        x = -(((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    } else {
        double q = p - 0.5, r = q * q;
        x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
            (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1);
    }
    for (int i = 0; i < 2; ++i) {
        double e = NormalCdf(x) - p;
        x -= e / NormalPdf(x);
    }
    return x;
}

Operand NormDist(CallContext& call) {
    double x = call.Number(0), mean = call.Number(1), sd = call.Number(2);
    bool cumulative = call.Boolean(3);
    if (sd <= 0)
        return Value::Error(ErrorCode::Num);
    double z = (x - mean) / sd;
    return Checked(cumulative ? NormalCdf(z) : NormalPdf(z) / sd);
}

Operand NormInv(CallContext& call) {
    double p = call.Number(0), mean = call.Number(1), sd = call.Number(2);
    if (p <= 0 || p >= 1 || sd <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked(mean + sd * NormalQuantile(p));
}

Operand NormSDist(CallContext& call) {
    double z = call.Number(0);
    return Checked(call.Boolean(1) ? NormalCdf(z) : NormalPdf(z));
}

Operand NormSDistLegacy(CallContext& call) {
    return Checked(NormalCdf(call.Number(0)));
}

Operand NormSInv(CallContext& call) {
    double p = call.Number(0);
    if (p <= 0 || p >= 1)
        return Value::Error(ErrorCode::Num);
    return Checked(NormalQuantile(p));
}

Operand Phi(CallContext& call) {
    return Checked(NormalPdf(call.Number(0)));
}

Operand Gauss(CallContext& call) {
    return Checked(NormalCdf(call.Number(0)) - 0.5);
}

Operand LogNormDist(CallContext& call) {
    double x = call.Number(0), mean = call.Number(1), sd = call.Number(2);
    bool cumulative = call.Count() < 4 || call.Boolean(3);
    if (x <= 0 || sd <= 0)
        return Value::Error(ErrorCode::Num);
    double z = (std::log(x) - mean) / sd;
    return Checked(cumulative ? NormalCdf(z) : NormalPdf(z) / (sd * x));
}

Operand LogNormInv(CallContext& call) {
    double p = call.Number(0), mean = call.Number(1), sd = call.Number(2);
    if (p <= 0 || p >= 1 || sd <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked(std::exp(mean + sd * NormalQuantile(p)));
}

Operand ExponDist(CallContext& call) {
    double x = call.Number(0), lambda = call.Number(1);
    bool cumulative = call.Boolean(2);
    if (x < 0 || lambda <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked(cumulative ? 1 - std::exp(-lambda * x) : lambda * std::exp(-lambda * x));
}

Operand Poisson(CallContext& call) {
    double k = std::trunc(call.Number(0)), mean = call.Number(1);
    bool cumulative = call.Boolean(2);
    if (k < 0 || mean < 0 || (cumulative && k > kMaxTerms))
        return Value::Error(ErrorCode::Num);
    auto pmf = [&](double i) { return std::exp(i * std::log(mean) - mean - std::lgamma(i + 1)); };
    if (mean == 0)
        return Value::Number(cumulative || k == 0 ? 1 : 0);
    if (!cumulative)
        return Checked(pmf(k));
    double total = 0;
    for (double i = 0; i <= k; ++i)
        total += pmf(i);
    return Checked(std::min(total, 1.0));
}

double BinomialPmf(double k, double n, double p) {
    if (p == 0)
        return k == 0 ? 1 : 0;
    if (p == 1)
        return k == n ? 1 : 0;
    return std::exp(std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1) +
                    k * std::log(p) + (n - k) * std::log1p(-p));
}

Operand BinomDist(CallContext& call) {
    double k = std::trunc(call.Number(0)), n = std::trunc(call.Number(1));
    double p = call.Number(2);
    bool cumulative = call.Boolean(3);
    if (k < 0 || k > n || p < 0 || p > 1 || (cumulative && k > kMaxTerms))
        return Value::Error(ErrorCode::Num);
    if (!cumulative)
        return Checked(BinomialPmf(k, n, p));
    double total = 0;
    for (double i = 0; i <= k; ++i)
        total += BinomialPmf(i, n, p);
    return Checked(std::min(total, 1.0));
}

Operand Weibull(CallContext& call) {
    double x = call.Number(0), alpha = call.Number(1), beta = call.Number(2);
    bool cumulative = call.Boolean(3);
    if (x < 0 || alpha <= 0 || beta <= 0)
        return Value::Error(ErrorCode::Num);
    double t = std::pow(x / beta, alpha);
    return Checked(cumulative
                       ? 1 - std::exp(-t)
                       : alpha / std::pow(beta, alpha) * std::pow(x, alpha - 1) * std::exp(-t));
}

Operand Fisher(CallContext& call) {
    double x = call.Number(0);
    if (x <= -1 || x >= 1)
        return Value::Error(ErrorCode::Num);
    return Checked(0.5 * std::log((1 + x) / (1 - x)));
}

Operand FisherInv(CallContext& call) {
    return Checked(std::tanh(call.Number(0)));
}

Operand GammaLn(CallContext& call) {
    double x = call.Number(0);
    if (x <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked(std::lgamma(x));
}

Operand Gamma(CallContext& call) {
    double x = call.Number(0);
    if (x <= 0 && x == std::floor(x))
        return Value::Error(ErrorCode::Num);
    return Checked(std::tgamma(x));
}

Operand Confidence(CallContext& call) {
    double alpha = call.Number(0), sd = call.Number(1), n = std::trunc(call.Number(2));
    if (alpha <= 0 || alpha >= 1 || sd <= 0 || n < 1)
        return Value::Error(ErrorCode::Num);
    return Checked(-NormalQuantile(alpha / 2) * sd / std::sqrt(n));
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"BINOM.DIST", BinomDist, 4, 4},
    {"BINOMDIST", BinomDist, 4, 4},
    {"CONFIDENCE", Confidence, 3, 3},
    {"CONFIDENCE.NORM", Confidence, 3, 3},
    {"EXPON.DIST", ExponDist, 3, 3},
    {"EXPONDIST", ExponDist, 3, 3},
    {"FISHER", Fisher, 1, 1},
    {"FISHERINV", FisherInv, 1, 1},
    {"GAMMA", Gamma, 1, 1},
    {"GAMMALN", GammaLn, 1, 1},
    {"GAMMALN.PRECISE", GammaLn, 1, 1},
    {"GAUSS", Gauss, 1, 1},
    {"LOGINV", LogNormInv, 3, 3},
    {"LOGNORM.DIST", LogNormDist, 4, 4},
    {"LOGNORM.INV", LogNormInv, 3, 3},
    {"LOGNORMDIST", LogNormDist, 3, 3},
    {"NORM.DIST", NormDist, 4, 4},
    {"NORM.INV", NormInv, 3, 3},
    {"NORM.S.DIST", NormSDist, 2, 2},
    {"NORM.S.INV", NormSInv, 1, 1},
    {"NORMDIST", NormDist, 4, 4},
    {"NORMINV", NormInv, 3, 3},
    {"NORMSDIST", NormSDistLegacy, 1, 1},
    {"NORMSINV", NormSInv, 1, 1},
    {"PHI", Phi, 1, 1},
    {"POISSON", Poisson, 3, 3},
    {"POISSON.DIST", Poisson, 3, 3},
    {"WEIBULL", Weibull, 4, 4},
    {"WEIBULL.DIST", Weibull, 4, 4},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> DistributionFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
