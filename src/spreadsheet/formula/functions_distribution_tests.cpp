// Distributions built on the incomplete gamma and beta functions (chi-squared,
// F, Student's t, gamma, beta), the discrete hypergeometric and negative
// binomial ones, their inverses, and the tests that use them (CHISQ.TEST,
// F.TEST, T.TEST, Z.TEST) with CONFIDENCE.T, BINOM.INV and PROB.
#include <algorithm>
#include <cmath>
#include <functional>

#include "spreadsheet/formula/aggregate.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

constexpr double kPi = 3.14159265358979323846;

Value Checked(double d) {
    if (!std::isfinite(d))
        return Value::Error(ErrorCode::Num);
    return Value::Number(d);
}

// Regularized lower incomplete gamma P(a, x): series below a + 1, continued
// fraction above.
double GammaP(double a, double x) {
    if (x <= 0)
        return 0;
    const double lead = a * std::log(x) - x - std::lgamma(a);
    if (x < a + 1) {
        double sum = 1 / a, term = sum;
        for (int n = 1; n < 10000; ++n) {
            term *= x / (a + n);
            sum += term;
            if (std::fabs(term) < std::fabs(sum) * 1e-17)
                break;
        }
        return sum * std::exp(lead);
    }
    const double tiny = 1e-300;
    double b = x + 1 - a, c = 1 / tiny, d = 1 / b, h = d;
    for (int i = 1; i < 10000; ++i) {
        const double an = -i * (i - a);
        b += 2;
        d = an * d + b;
        if (std::fabs(d) < tiny)
            d = tiny;
        c = b + an / c;
        if (std::fabs(c) < tiny)
            c = tiny;
        d = 1 / d;
        const double del = d * c;
        h *= del;
        if (std::fabs(del - 1) < 1e-17)
            break;
    }
    return 1 - std::exp(lead) * h;
}

double BetaContinuedFraction(double a, double b, double x) {
    const double tiny = 1e-300;
    double c = 1, d = 1 - (a + b) * x / (a + 1);
    if (std::fabs(d) < tiny)
        d = tiny;
    d = 1 / d;
    double h = d;
    for (int m = 1; m < 10000; ++m) {
        const double m2 = 2.0 * m;
        double aa = m * (b - m) * x / ((a + m2 - 1) * (a + m2));
        d = 1 + aa * d;
        d = std::fabs(d) < tiny ? tiny : d;
        c = 1 + aa / c;
        c = std::fabs(c) < tiny ? tiny : c;
        d = 1 / d;
        h *= d * c;
        aa = -(a + m) * (a + b + m) * x / ((a + m2) * (a + m2 + 1));
        d = 1 + aa * d;
        d = std::fabs(d) < tiny ? tiny : d;
        c = 1 + aa / c;
        c = std::fabs(c) < tiny ? tiny : c;
        d = 1 / d;
        const double del = d * c;
        h *= del;
        if (std::fabs(del - 1) < 1e-16)
            break;
    }
    return h;
}

// Regularized incomplete beta I_x(a, b).
double BetaI(double a, double b, double x) {
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    const double lead =
        std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x);
    if (x < (a + 1) / (a + b + 2))
        return std::exp(lead) * BetaContinuedFraction(a, b, x) / a;
    return 1 - std::exp(lead) * BetaContinuedFraction(b, a, 1 - x) / b;
}

double LogBeta(double a, double b) {
    return std::lgamma(a) + std::lgamma(b) - std::lgamma(a + b);
}

// The x in [lo, hi] where the increasing `cdf` reaches p, by bisection.
double Invert(const std::function<double(double)>& cdf, double p, double lo, double hi) {
    while (cdf(hi) < p && hi < 1e300)
        hi *= 2;
    for (int i = 0; i < 2000 && hi - lo > 1e-16 * std::max(1.0, std::fabs(hi)); ++i) {
        const double mid = lo + (hi - lo) / 2;
        if (cdf(mid) < p)
            lo = mid;
        else
            hi = mid;
    }
    return lo + (hi - lo) / 2;
}

double ChiSquaredCdf(double x, double df) {
    return GammaP(df / 2, x / 2);
}

double StudentTail(double t, double df) {  // P(T > |t|)
    return 0.5 * BetaI(df / 2, 0.5, df / (df + t * t));
}

double StudentCdf(double t, double df) {
    const double tail = StudentTail(t, df);
    return t >= 0 ? 1 - tail : tail;
}

double FCdf(double x, double d1, double d2) {
    return x <= 0 ? 0 : BetaI(d1 / 2, d2 / 2, d1 * x / (d1 * x + d2));
}

double NormalCdf(double z) {
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

// Degrees of freedom: truncated, at least 1 (and at most 10^10).
double DegreesOfFreedom(CallContext& call, std::size_t i) {
    const double df = std::trunc(call.Number(i));
    if (df < 1 || df > 1e10)
        Raise(ErrorCode::Num);
    return df;
}

double Probability(CallContext& call, std::size_t i, bool open) {
    const double p = call.Number(i);
    if (p < 0 || p > 1 || (open && (p == 0 || p == 1)))
        Raise(ErrorCode::Num);
    return p;
}

// --- Chi-squared.

Operand ChiSqDist(CallContext& call) {
    const double x = call.Number(0), df = DegreesOfFreedom(call, 1);
    if (x < 0)
        return Value::Error(ErrorCode::Num);
    if (call.Boolean(2))
        return Checked(ChiSquaredCdf(x, df));
    if (x == 0)
        return Value::Number(df == 2 ? 0.5 : 0);
    const double k = df / 2;
    return Checked(std::exp((k - 1) * std::log(x) - x / 2 - k * std::log(2.0) - std::lgamma(k)));
}

Operand ChiSqDistRt(CallContext& call) {
    const double x = call.Number(0), df = DegreesOfFreedom(call, 1);
    if (x < 0)
        return Value::Error(ErrorCode::Num);
    return Checked(1 - ChiSquaredCdf(x, df));
}

template <bool RightTail>
Operand ChiSqInv(CallContext& call) {
    double p = Probability(call, 0, false);
    const double df = DegreesOfFreedom(call, 1);
    if (RightTail ? p == 0 : p == 1)
        return Value::Error(ErrorCode::Num);
    if (RightTail)
        p = 1 - p;
    return Checked(Invert([&](double x) { return ChiSquaredCdf(x, df); }, p, 0, df + 10));
}

// The rectangle of numbers of an argument; `cells` positions kept.
std::shared_ptr<const Matrix> MatrixArg(CallContext& call, std::size_t i) {
    return call.Eval().ToMatrix(call.ArrayArg(i));
}

Operand ChiSqTest(CallContext& call) {
    auto actual = MatrixArg(call, 0), expected = MatrixArg(call, 1);
    if (actual->rows != expected->rows || actual->cols != expected->cols)
        return Value::Error(ErrorCode::NA);
    double chi = 0;
    for (std::size_t i = 0; i < actual->cells.size(); ++i) {
        const Value &a = actual->cells[i], &e = expected->cells[i];
        if (a.IsError())
            return a;
        if (e.IsError())
            return e;
        if (!a.IsNumber() || !e.IsNumber())
            continue;
        if (e.AsNumber() == 0)
            return Value::Error(ErrorCode::Div0);
        chi += (a.AsNumber() - e.AsNumber()) * (a.AsNumber() - e.AsNumber()) / e.AsNumber();
    }
    const int r = actual->rows, c = actual->cols;
    const double df = r > 1 && c > 1 ? (r - 1.0) * (c - 1.0) : r * c - 1.0;
    if (df < 1)
        return Value::Error(ErrorCode::NA);
    return Checked(1 - ChiSquaredCdf(chi, df));
}

// --- F.

Operand FDist(CallContext& call) {
    const double x = call.Number(0), d1 = DegreesOfFreedom(call, 1), d2 = DegreesOfFreedom(call, 2);
    if (x < 0)
        return Value::Error(ErrorCode::Num);
    if (call.Boolean(3))
        return Checked(FCdf(x, d1, d2));
    if (x == 0)
        return Value::Number(d1 == 2 ? 1 : 0);
    const double logPdf =
        0.5 * (d1 * std::log(d1 * x) + d2 * std::log(d2) - (d1 + d2) * std::log(d1 * x + d2)) -
        std::log(x) - LogBeta(d1 / 2, d2 / 2);
    return Checked(std::exp(logPdf));
}

Operand FDistRt(CallContext& call) {
    const double x = call.Number(0), d1 = DegreesOfFreedom(call, 1), d2 = DegreesOfFreedom(call, 2);
    if (x < 0)
        return Value::Error(ErrorCode::Num);
    return Checked(1 - FCdf(x, d1, d2));
}

template <bool RightTail>
Operand FInv(CallContext& call) {
    double p = Probability(call, 0, false);
    const double d1 = DegreesOfFreedom(call, 1), d2 = DegreesOfFreedom(call, 2);
    if (RightTail ? p == 0 : p == 1)
        return Value::Error(ErrorCode::Num);
    if (RightTail)
        p = 1 - p;
    return Checked(Invert([&](double x) { return FCdf(x, d1, d2); }, p, 0, 10));
}

Operand FTest(CallContext& call) {
    const std::vector<double> a = NumbersOf(call, 0), b = NumbersOf(call, 1);
    const Value va = VarianceOf(a, true), vb = VarianceOf(b, true);
    if (va.IsError() || vb.IsError() || vb.AsNumber() == 0 || va.AsNumber() == 0)
        return Value::Error(ErrorCode::Div0);
    const double f = va.AsNumber() / vb.AsNumber();
    const double lower =
        FCdf(f, static_cast<double>(a.size() - 1), static_cast<double>(b.size() - 1));
    return Checked(2 * std::min(lower, 1 - lower));
}

// --- Student's t.

Operand TDist(CallContext& call) {
    const double t = call.Number(0), df = DegreesOfFreedom(call, 1);
    if (call.Boolean(2))
        return Checked(StudentCdf(t, df));
    const double logPdf = std::lgamma((df + 1) / 2) - std::lgamma(df / 2) -
                          0.5 * std::log(df * kPi) - (df + 1) / 2 * std::log1p(t * t / df);
    return Checked(std::exp(logPdf));
}

Operand TDist2T(CallContext& call) {
    const double t = call.Number(0), df = DegreesOfFreedom(call, 1);
    if (t < 0)
        return Value::Error(ErrorCode::Num);
    return Checked(2 * StudentTail(t, df));
}

Operand TDistRt(CallContext& call) {
    const double t = call.Number(0), df = DegreesOfFreedom(call, 1);
    return Checked(1 - StudentCdf(t, df));
}

// TDIST(x, df, tails): x not negative, one or two tails.
Operand TDistLegacy(CallContext& call) {
    const double t = call.Number(0), df = DegreesOfFreedom(call, 1);
    const double tails = std::trunc(call.Number(2));
    if (t < 0 || (tails != 1 && tails != 2))
        return Value::Error(ErrorCode::Num);
    return Checked(tails * StudentTail(t, df));
}

double StudentInverse(double p, double df) {
    if (p == 0.5)
        return 0;
    const double q = p < 0.5 ? p : 1 - p;  // the lower tail beyond -t
    const double t = Invert([&](double x) { return -StudentTail(x, df); }, -q, 0, 10);
    return p < 0.5 ? -t : t;
}

Operand TInv(CallContext& call) {
    const double p = Probability(call, 0, true);
    return Checked(StudentInverse(p, DegreesOfFreedom(call, 1)));
}

Operand TInv2T(CallContext& call) {
    const double p = Probability(call, 0, false);
    if (p == 0)
        return Value::Error(ErrorCode::Num);
    return Checked(std::fabs(StudentInverse(p / 2, DegreesOfFreedom(call, 1))));
}

// T.TEST(array1, array2, tails, type): type 1 paired, 2 equal variances, 3 unequal.
Operand TTest(CallContext& call) {
    const double tails = std::trunc(call.Number(2)), type = std::trunc(call.Number(3));
    if ((tails != 1 && tails != 2) || type < 1 || type > 3)
        return Value::Error(ErrorCode::Num);
    double t, df;
    if (type == 1) {
        auto a = MatrixArg(call, 0), b = MatrixArg(call, 1);
        if (a->cells.size() != b->cells.size())
            return Value::Error(ErrorCode::NA);
        std::vector<double> d;
        for (std::size_t i = 0; i < a->cells.size(); ++i) {
            if (a->cells[i].IsError())
                return a->cells[i];
            if (b->cells[i].IsError())
                return b->cells[i];
            if (a->cells[i].IsNumber() && b->cells[i].IsNumber())
                d.push_back(a->cells[i].AsNumber() - b->cells[i].AsNumber());
        }
        const Value v = VarianceOf(d, true);
        if (v.IsError() || v.AsNumber() == 0)
            return Value::Error(ErrorCode::Div0);
        double mean = 0;
        for (double x : d)
            mean += x;
        const double n = static_cast<double>(d.size());
        mean /= n;
        t = mean / std::sqrt(v.AsNumber() / n);
        df = n - 1;
    } else {
        const std::vector<double> a = NumbersOf(call, 0), b = NumbersOf(call, 1);
        const Value va = VarianceOf(a, true), vb = VarianceOf(b, true);
        if (va.IsError() || vb.IsError())
            return Value::Error(ErrorCode::Div0);
        const double n1 = static_cast<double>(a.size()), n2 = static_cast<double>(b.size());
        double m1 = 0, m2 = 0;
        for (double x : a)
            m1 += x;
        for (double x : b)
            m2 += x;
        m1 /= n1;
        m2 /= n2;
        const double v1 = va.AsNumber(), v2 = vb.AsNumber();
        if (type == 2) {
            df = n1 + n2 - 2;
            const double pooled = ((n1 - 1) * v1 + (n2 - 1) * v2) / df;
            t = (m1 - m2) / std::sqrt(pooled * (1 / n1 + 1 / n2));
        } else {
            const double s1 = v1 / n1, s2 = v2 / n2;
            t = (m1 - m2) / std::sqrt(s1 + s2);
            df = (s1 + s2) * (s1 + s2) / (s1 * s1 / (n1 - 1) + s2 * s2 / (n2 - 1));
        }
        if (!std::isfinite(t))
            return Value::Error(ErrorCode::Div0);
    }
    return Checked(tails * StudentTail(t, df));
}

Operand ConfidenceT(CallContext& call) {
    const double alpha = call.Number(0), sd = call.Number(1), n = std::trunc(call.Number(2));
    if (alpha <= 0 || alpha >= 1 || sd <= 0 || n < 1)
        return Value::Error(ErrorCode::Num);
    if (n == 1)
        return Value::Error(ErrorCode::Div0);
    return Checked(std::fabs(StudentInverse(alpha / 2, n - 1)) * sd / std::sqrt(n));
}

// Z.TEST(array, x, [sigma]): the one-tailed p-value of the mean against x.
Operand ZTest(CallContext& call) {
    const std::vector<double> xs = NumbersOf(call, 0);
    const double x = call.Number(1);
    if (xs.empty())
        return Value::Error(ErrorCode::NA);
    double sigma;
    if (call.Count() > 2 && !call.IsMissing(2)) {
        sigma = call.Number(2);
    } else {
        const Value v = VarianceOf(xs, true);
        if (v.IsError())
            return v;
        sigma = std::sqrt(v.AsNumber());
    }
    if (sigma == 0)
        return Value::Error(ErrorCode::Div0);
    double mean = 0;
    for (double v : xs)
        mean += v;
    const double n = static_cast<double>(xs.size());
    mean /= n;
    return Checked(1 - NormalCdf((mean - x) / (sigma / std::sqrt(n))));
}

// --- Gamma and beta.

Operand GammaDist(CallContext& call) {
    const double x = call.Number(0), a = call.Number(1), b = call.Number(2);
    if (x < 0 || a <= 0 || b <= 0)
        return Value::Error(ErrorCode::Num);
    if (call.Boolean(3))
        return Checked(GammaP(a, x / b));
    if (x == 0)
        return a == 1 ? Checked(1 / b) : Value::Number(0);
    return Checked(std::exp((a - 1) * std::log(x) - x / b - a * std::log(b) - std::lgamma(a)));
}

Operand GammaInv(CallContext& call) {
    const double p = Probability(call, 0, false), a = call.Number(1), b = call.Number(2);
    if (a <= 0 || b <= 0 || p == 1)
        return Value::Error(ErrorCode::Num);
    if (p == 0)
        return Value::Number(0);
    return Checked(Invert([&](double x) { return GammaP(a, x / b); }, p, 0, a * b * 4 + 10));
}

// The bounds A and B of the beta functions (defaults 0 and 1) from `i` on.
std::pair<double, double> BetaBounds(CallContext& call, std::size_t i) {
    const double lo = call.Count() > i && !call.IsMissing(i) ? call.Number(i) : 0;
    const double hi = call.Count() > i + 1 && !call.IsMissing(i + 1) ? call.Number(i + 1) : 1;
    if (lo >= hi)
        Raise(ErrorCode::Num);
    return {lo, hi};
}

// BETA.DIST(x, a, b, cumulative, [A], [B]) and BETADIST(x, a, b, [A], [B]).
template <bool Legacy>
Operand BetaDist(CallContext& call) {
    const double x = call.Number(0), a = call.Number(1), b = call.Number(2);
    const bool cumulative = Legacy || call.Boolean(3);
    const auto [lo, hi] = BetaBounds(call, Legacy ? 3 : 4);
    if (a <= 0 || b <= 0 || x < lo || x > hi)
        return Value::Error(ErrorCode::Num);
    const double u = (x - lo) / (hi - lo);
    if (cumulative)
        return Checked(BetaI(a, b, u));
    if ((u == 0 && a < 1) || (u == 1 && b < 1))
        return Value::Error(ErrorCode::Num);
    const double logPdf = (a - 1) * std::log(u) + (b - 1) * std::log1p(-u) - LogBeta(a, b);
    return Checked(std::exp(logPdf) / (hi - lo));
}

Operand BetaInv(CallContext& call) {
    const double p = Probability(call, 0, false), a = call.Number(1), b = call.Number(2);
    const auto [lo, hi] = BetaBounds(call, 3);
    if (a <= 0 || b <= 0)
        return Value::Error(ErrorCode::Num);
    const double u = Invert([&](double x) { return BetaI(a, b, x); }, p, 0, 1);
    return Checked(lo + u * (hi - lo));
}

// --- Discrete.

double LogCombin(double n, double k) {
    return std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1);
}

double HypergeometricPmf(double s, double n, double m, double total) {
    if (s < std::max(0.0, n + m - total) || s > std::min(n, m))
        return 0;
    return std::exp(LogCombin(m, s) + LogCombin(total - m, n - s) - LogCombin(total, n));
}

// HYPGEOM.DIST(sample_s, number_sample, population_s, number_pop, cumulative);
// HYPGEOMDIST without the last argument.
template <bool Legacy>
Operand HypGeomDist(CallContext& call) {
    const double s = std::trunc(call.Number(0)), n = std::trunc(call.Number(1));
    const double m = std::trunc(call.Number(2)), total = std::trunc(call.Number(3));
    const bool cumulative = !Legacy && call.Boolean(4);
    if (s < 0 || n <= 0 || m <= 0 || total <= 0 || n > total || m > total || s > std::min(n, m) ||
        s < std::max(0.0, n + m - total))
        return Value::Error(ErrorCode::Num);
    if (!cumulative)
        return Checked(HypergeometricPmf(s, n, m, total));
    double sum = 0;
    for (double k = std::max(0.0, n + m - total); k <= s; ++k)
        sum += HypergeometricPmf(k, n, m, total);
    return Checked(std::min(1.0, sum));
}

double NegBinomialPmf(double f, double s, double p) {
    return std::exp(LogCombin(f + s - 1, s - 1) + s * std::log(p) + f * std::log1p(-p));
}

template <bool Legacy>
Operand NegBinomDist(CallContext& call) {
    const double f = std::trunc(call.Number(0)), s = std::trunc(call.Number(1));
    const double p = call.Number(2);
    const bool cumulative = !Legacy && call.Boolean(3);
    if (f < 0 || s < 1 || p <= 0 || p >= 1)
        return Value::Error(ErrorCode::Num);
    if (!cumulative)
        return Checked(NegBinomialPmf(f, s, p));
    return Checked(BetaI(s, f + 1, p));
}

// BINOM.INV(trials, p, alpha): the smallest k whose cumulative binomial
// probability reaches alpha.
Operand BinomInv(CallContext& call) {
    const double n = std::trunc(call.Number(0)), p = call.Number(1), alpha = call.Number(2);
    if (n < 0 || p < 0 || p > 1 || alpha <= 0 || alpha >= 1)
        return Value::Error(ErrorCode::Num);
    double cdf = 0;
    for (double k = 0; k <= n; ++k) {
        double pmf;
        if (p == 0 || p == 1)
            pmf = (p == 0 ? k == 0 : k == n) ? 1 : 0;
        else
            pmf = std::exp(LogCombin(n, k) + k * std::log(p) + (n - k) * std::log1p(-p));
        cdf += pmf;
        if (cdf >= alpha * (1 - 1e-14))
            return Value::Number(k);
    }
    return Value::Number(n);
}

// PROB(values, probabilities, lower, [upper]).
Operand Prob(CallContext& call) {
    auto xs = MatrixArg(call, 0), ps = MatrixArg(call, 1);
    if (xs->cells.size() != ps->cells.size())
        return Value::Error(ErrorCode::NA);
    const double lower = call.Number(2);
    const bool range = call.Count() > 3 && !call.IsMissing(3);
    const double upper = range ? call.Number(3) : lower;
    double total = 0, within = 0;
    for (std::size_t i = 0; i < xs->cells.size(); ++i) {
        const Value &x = xs->cells[i], &p = ps->cells[i];
        if (x.IsError())
            return x;
        if (p.IsError())
            return p;
        if (!p.IsNumber() || !x.IsNumber())
            continue;
        const double pv = p.AsNumber();
        if (pv < 0 || pv > 1)
            return Value::Error(ErrorCode::Num);
        total += pv;
        if (x.AsNumber() >= lower && x.AsNumber() <= upper)
            within += pv;
    }
    if (std::fabs(total - 1) > 1e-7)
        return Value::Error(ErrorCode::Num);
    return Checked(within);
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"BETA.DIST", BetaDist<false>, 4, 6},
    {"BETA.INV", BetaInv, 3, 5},
    {"BETADIST", BetaDist<true>, 3, 5},
    {"BETAINV", BetaInv, 3, 5},
    {"BINOM.INV", BinomInv, 3, 3},
    {"CHIDIST", ChiSqDistRt, 2, 2},
    {"CHIINV", ChiSqInv<true>, 2, 2},
    {"CHISQ.DIST", ChiSqDist, 3, 3},
    {"CHISQ.DIST.RT", ChiSqDistRt, 2, 2},
    {"CHISQ.INV", ChiSqInv<false>, 2, 2},
    {"CHISQ.INV.RT", ChiSqInv<true>, 2, 2},
    {"CHISQ.TEST", ChiSqTest, 2, 2},
    {"CHITEST", ChiSqTest, 2, 2},
    {"CONFIDENCE.T", ConfidenceT, 3, 3},
    {"CRITBINOM", BinomInv, 3, 3},
    {"F.DIST", FDist, 4, 4},
    {"F.DIST.RT", FDistRt, 3, 3},
    {"F.INV", FInv<false>, 3, 3},
    {"F.INV.RT", FInv<true>, 3, 3},
    {"F.TEST", FTest, 2, 2},
    {"FDIST", FDistRt, 3, 3},
    {"FINV", FInv<true>, 3, 3},
    {"FTEST", FTest, 2, 2},
    {"GAMMA.DIST", GammaDist, 4, 4},
    {"GAMMA.INV", GammaInv, 3, 3},
    {"GAMMADIST", GammaDist, 4, 4},
    {"GAMMAINV", GammaInv, 3, 3},
    {"HYPGEOM.DIST", HypGeomDist<false>, 5, 5},
    {"HYPGEOMDIST", HypGeomDist<true>, 4, 4},
    {"NEGBINOM.DIST", NegBinomDist<false>, 4, 4},
    {"NEGBINOMDIST", NegBinomDist<true>, 3, 3},
    {"PROB", Prob, 3, 4},
    {"T.DIST", TDist, 3, 3},
    {"T.DIST.2T", TDist2T, 2, 2},
    {"T.DIST.RT", TDistRt, 2, 2},
    {"T.INV", TInv, 2, 2},
    {"T.INV.2T", TInv2T, 2, 2},
    {"T.TEST", TTest, 4, 4},
    {"TDIST", TDistLegacy, 3, 3},
    {"TINV", TInv2T, 2, 2},
    {"TTEST", TTest, 4, 4},
    {"Z.TEST", ZTest, 2, 3},
    {"ZTEST", ZTest, 2, 3},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> TestDistributionFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
