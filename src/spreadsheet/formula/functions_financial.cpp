// Financial functions: annuities (payments, values, rates, periods), cash-flow
// values and returns, depreciation, and interest-rate conversions.
#include <cmath>
#include <vector>

#include "spreadsheet/formula/aggregate.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

// Functions that walk period by period stop at this many periods.
constexpr double kMaxPeriods = 1e6;

Value Checked(double d) {
    if (!std::isfinite(d))
        return Value::Error(ErrorCode::Num);
    return Value::Number(d);
}

// The annuity identity all five of PV, FV, PMT, NPER and RATE solve:
// pv*(1+r)^n + pmt*(1+r*type)*((1+r)^n-1)/r + fv = 0.
double FutureValue(double rate, double nper, double pmt, double pv, bool begin) {
    if (rate == 0)
        return -(pv + pmt * nper);
    double growth = std::pow(1 + rate, nper);
    return -(pv * growth + pmt * (1 + rate * (begin ? 1 : 0)) * (growth - 1) / rate);
}

double Payment(double rate, double nper, double pv, double fv, bool begin) {
    if (rate == 0)
        return -(pv + fv) / nper;
    double growth = std::pow(1 + rate, nper);
    return -(rate * (pv * growth + fv)) / ((1 + rate * (begin ? 1 : 0)) * (growth - 1));
}

bool Begins(CallContext& call, std::size_t i) {
    return call.Number(i, 0) != 0;
}

Operand Pmt(CallContext& call) {
    double nper = call.Number(1);
    if (nper == 0)
        return Value::Error(ErrorCode::Num);
    return Checked(
        Payment(call.Number(0), nper, call.Number(2), call.Number(3, 0), Begins(call, 4)));
}

Operand Fv(CallContext& call) {
    return Checked(FutureValue(call.Number(0), call.Number(1), call.Number(2), call.Number(3, 0),
                               Begins(call, 4)));
}

Operand Pv(CallContext& call) {
    double rate = call.Number(0), nper = call.Number(1), pmt = call.Number(2);
    double fv = call.Number(3, 0);
    bool begin = Begins(call, 4);
    if (rate == 0)
        return Checked(-(fv + pmt * nper));
    double growth = std::pow(1 + rate, nper);
    return Checked(-(fv + pmt * (1 + rate * (begin ? 1 : 0)) * (growth - 1) / rate) / growth);
}

Operand Nper(CallContext& call) {
    double rate = call.Number(0), pmt = call.Number(1), pv = call.Number(2);
    double fv = call.Number(3, 0);
    bool begin = Begins(call, 4);
    if (rate == 0) {
        if (pmt == 0)
            return Value::Error(ErrorCode::Num);
        return Checked(-(pv + fv) / pmt);
    }
    double adjusted = pmt * (1 + rate * (begin ? 1 : 0)) / rate;
    double ratio = (adjusted - fv) / (adjusted + pv);
    if (ratio <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked(std::log(ratio) / std::log(1 + rate));
}

Operand Ipmt(CallContext& call) {
    double rate = call.Number(0), per = call.Number(1), nper = call.Number(2);
    double pv = call.Number(3), fv = call.Number(4, 0);
    bool begin = Begins(call, 5);
    if (per < 1 || per > nper || nper <= 0)
        return Value::Error(ErrorCode::Num);
    double balance = FutureValue(rate, per - 1, Payment(rate, nper, pv, fv, begin), pv, begin);
    if (begin && per == 1)
        return Value::Number(0);
    double interest = balance * rate;
    if (begin)
        interest /= 1 + rate;
    return Checked(interest);
}

Operand Ppmt(CallContext& call) {
    double rate = call.Number(0), per = call.Number(1), nper = call.Number(2);
    double pv = call.Number(3), fv = call.Number(4, 0);
    bool begin = Begins(call, 5);
    if (per < 1 || per > nper || nper <= 0)
        return Value::Error(ErrorCode::Num);
    double pmt = Payment(rate, nper, pv, fv, begin);
    double interest = 0;
    if (!(begin && per == 1)) {
        interest = FutureValue(rate, per - 1, pmt, pv, begin) * rate;
        if (begin)
            interest /= 1 + rate;
    }
    return Checked(pmt - interest);
}

// Sums of the interest (or principal) parts of payments `first` to `last`.
Operand Cumulative(CallContext& call, bool principal) {
    double rate = call.Number(0), nper = call.Number(1), pv = call.Number(2);
    double first = std::trunc(call.Number(3)), last = std::trunc(call.Number(4));
    double type = call.Number(5);
    if (rate <= 0 || nper <= 0 || pv <= 0 || first < 1 || last < first || last > nper ||
        (type != 0 && type != 1) || last - first > kMaxPeriods)
        return Value::Error(ErrorCode::Num);
    bool begin = type == 1;
    double pmt = Payment(rate, nper, pv, 0, begin);
    double total = 0;
    for (double step = 0; step <= last - first; ++step) {
        const double per = first + step;
        double interest = 0;
        if (!(begin && per == 1)) {
            interest = FutureValue(rate, per - 1, pmt, pv, begin) * rate;
            if (begin)
                interest /= 1 + rate;
        }
        total += principal ? pmt - interest : interest;
    }
    return Checked(total);
}

Operand CumIpmt(CallContext& call) {
    return Cumulative(call, false);
}
Operand CumPrinc(CallContext& call) {
    return Cumulative(call, true);
}

// Newton's method from `guess`, with the derivative taken numerically.
template <typename F>
std::optional<double> Solve(F f, double guess) {
    double x = guess;
    for (int i = 0; i < 100; ++i) {
        double y = f(x);
        if (!std::isfinite(y))
            return std::nullopt;
        if (std::fabs(y) < 1e-12)
            return x;
        double h = std::max(1e-7, std::fabs(x) * 1e-7);
        double slope = (f(x + h) - y) / h;
        if (slope == 0 || !std::isfinite(slope))
            return std::nullopt;
        double next = x - y / slope;
        if (std::fabs(next - x) < 1e-12 * std::max(1.0, std::fabs(x)))
            return next;
        x = next;
    }
    return std::nullopt;
}

Value SolvedOrNum(std::optional<double> x) {
    if (!x || !std::isfinite(*x))
        return Value::Error(ErrorCode::Num);
    return Value::Number(*x);
}

Operand Rate(CallContext& call) {
    double nper = call.Number(0), pmt = call.Number(1), pv = call.Number(2);
    double fv = call.Number(3, 0);
    bool begin = Begins(call, 4);
    double guess = call.Number(5, 0.1);
    if (nper <= 0)
        return Value::Error(ErrorCode::Num);
    auto f = [&](double r) {
        if (r == 0)
            return pv + pmt * nper + fv;
        double growth = std::pow(1 + r, nper);
        return pv * growth + pmt * (1 + r * (begin ? 1 : 0)) * (growth - 1) / r + fv;
    };
    return SolvedOrNum(Solve(f, guess));
}

Operand Npv(CallContext& call) {
    double rate = call.Number(0);
    if (rate == -1)
        return Value::Error(ErrorCode::Div0);
    double total = 0, factor = 1;
    for (double v : CollectNumbers(call, 1)) {
        factor *= 1 + rate;
        total += v / factor;
    }
    return Checked(total);
}

double NetPresent(double rate, const std::vector<double>& flows) {
    double total = 0, factor = 1;
    for (double v : flows) {
        total += v / factor;
        factor *= 1 + rate;
    }
    return total;
}

Operand Irr(CallContext& call) {
    std::vector<double> flows = NumbersOf(call, 0);
    double guess = call.Number(1, 0.1);
    bool positive = false, negative = false;
    for (double v : flows) {
        positive = positive || v > 0;
        negative = negative || v < 0;
    }
    if (!positive || !negative)
        return Value::Error(ErrorCode::Num);
    return SolvedOrNum(Solve([&](double r) { return NetPresent(r, flows); }, guess));
}

Operand Mirr(CallContext& call) {
    std::vector<double> flows = NumbersOf(call, 0);
    double finance = call.Number(1), reinvest = call.Number(2);
    double n = static_cast<double>(flows.size());
    double positive = 0, negative = 0;
    for (std::size_t i = 0; i < flows.size(); ++i) {
        double t = static_cast<double>(i);
        if (flows[i] > 0)
            positive += flows[i] * std::pow(1 + reinvest, n - 1 - t);
        else
            negative += flows[i] / std::pow(1 + finance, t);
    }
    if (positive == 0 || negative == 0 || n < 2)
        return Value::Error(ErrorCode::Div0);
    return Checked(std::pow(-positive / negative, 1 / (n - 1)) - 1);
}

double DatedValue(double rate, const std::vector<double>& flows, const std::vector<double>& dates) {
    double total = 0;
    for (std::size_t i = 0; i < flows.size(); ++i)
        total += flows[i] / std::pow(1 + rate, (dates[i] - dates[0]) / 365);
    return total;
}

Operand Xnpv(CallContext& call) {
    double rate = call.Number(0);
    std::vector<double> flows = NumbersOf(call, 1), dates = NumbersOf(call, 2);
    if (flows.size() != dates.size() || flows.empty() || rate <= -1)
        return Value::Error(ErrorCode::Num);
    for (double& d : dates)
        d = std::trunc(d);
    return Checked(DatedValue(rate, flows, dates));
}

Operand Xirr(CallContext& call) {
    std::vector<double> flows = NumbersOf(call, 0), dates = NumbersOf(call, 1);
    double guess = call.Number(2, 0.1);
    if (flows.size() != dates.size() || flows.size() < 2)
        return Value::Error(ErrorCode::Num);
    for (double& d : dates)
        d = std::trunc(d);
    return SolvedOrNum(Solve([&](double r) { return DatedValue(r, flows, dates); }, guess));
}

Operand Sln(CallContext& call) {
    double life = call.Number(2);
    if (life == 0)
        return Value::Error(ErrorCode::Div0);
    return Checked((call.Number(0) - call.Number(1)) / life);
}

Operand Syd(CallContext& call) {
    double cost = call.Number(0), salvage = call.Number(1), life = call.Number(2);
    double per = call.Number(3);
    if (life <= 0 || per <= 0 || per > life)
        return Value::Error(ErrorCode::Num);
    return Checked((cost - salvage) * (life - per + 1) * 2 / (life * (life + 1)));
}

// Fixed-declining balance, the rate rounded to three decimals.
Operand Db(CallContext& call) {
    double cost = call.Number(0), salvage = call.Number(1), life = call.Number(2);
    double period = std::trunc(call.Number(3)), month = std::trunc(call.Number(4, 12));
    if (cost < 0 || salvage < 0 || life <= 0 || period <= 0 || month < 1 || month > 12 ||
        period > life + (month < 12 ? 1 : 0) || period > kMaxPeriods)
        return Value::Error(ErrorCode::Num);
    if (cost == 0)
        return Value::Number(0);
    double rate = std::round((1 - std::pow(salvage / cost, 1 / life)) * 1000) / 1000;
    double total = 0, dep = 0;
    for (double p = 1; p <= period; ++p) {
        if (p == 1)
            dep = cost * rate * month / 12;
        else if (p == life + 1)
            dep = (cost - total) * rate * (12 - month) / 12;
        else
            dep = (cost - total) * rate;
        total += dep;
    }
    return Checked(dep);
}

// Double- (or `factor`-) declining balance, never below the salvage value.
Operand Ddb(CallContext& call) {
    double cost = call.Number(0), salvage = call.Number(1), life = call.Number(2);
    double period = call.Number(3), factor = call.Number(4, 2);
    if (cost < 0 || salvage < 0 || life <= 0 || period <= 0 || period > life || factor <= 0)
        return Value::Error(ErrorCode::Num);
    double rate = std::min(factor / life, 1.0);
    double prior = cost * (1 - std::pow(1 - rate, period - 1));
    double dep = std::min((cost - prior) * rate, std::max(0.0, cost - salvage - prior));
    return Checked(dep);
}

Operand Effect(CallContext& call) {
    double rate = call.Number(0), n = std::trunc(call.Number(1));
    if (rate <= 0 || n < 1)
        return Value::Error(ErrorCode::Num);
    return Checked(std::pow(1 + rate / n, n) - 1);
}

Operand Nominal(CallContext& call) {
    double rate = call.Number(0), n = std::trunc(call.Number(1));
    if (rate <= 0 || n < 1)
        return Value::Error(ErrorCode::Num);
    return Checked(n * (std::pow(1 + rate, 1 / n) - 1));
}

Operand Ispmt(CallContext& call) {
    double rate = call.Number(0), per = call.Number(1), nper = call.Number(2);
    double pv = call.Number(3);
    if (nper == 0)
        return Value::Error(ErrorCode::Div0);
    return Checked(pv * rate * (per / nper - 1));
}

Operand FvSchedule(CallContext& call) {
    double value = call.Number(0);
    Operand rates = call.Arg(1);
    auto m = call.Eval().ToMatrix(rates);
    for (const Value& v : m->cells) {
        if (v.IsError())
            Raise(v.AsError());
        if (v.IsText())
            Raise(ErrorCode::Value);
        value *= 1 + (v.IsEmpty() ? 0 : v.AsNumber());
    }
    return Checked(value);
}

Operand Pduration(CallContext& call) {
    double rate = call.Number(0), pv = call.Number(1), fv = call.Number(2);
    if (rate <= 0 || pv <= 0 || fv <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked((std::log(fv) - std::log(pv)) / std::log(1 + rate));
}

Operand Rri(CallContext& call) {
    double n = call.Number(0), pv = call.Number(1), fv = call.Number(2);
    if (n <= 0 || pv == 0)
        return Value::Error(ErrorCode::Num);
    return Checked(std::pow(fv / pv, 1 / n) - 1);
}

// DOLLARDE / DOLLARFR: prices in fractions ("1.02" in sixteenths is 1 2/16).
Operand DollarFraction(CallContext& call, bool toDecimal) {
    double value = call.Number(0), fraction = std::trunc(call.Number(1));
    if (fraction < 0)
        return Value::Error(ErrorCode::Num);
    if (fraction == 0)
        return Value::Error(ErrorCode::Div0);
    double whole = std::trunc(value);
    double part = value - whole;
    double digits = std::ceil(std::log10(fraction));
    double scale = std::pow(10, digits);
    double result = toDecimal ? whole + part * scale / fraction : whole + part * fraction / scale;
    return Checked(Round15(result));
}

Operand DollarDe(CallContext& call) {
    return DollarFraction(call, true);
}
Operand DollarFr(CallContext& call) {
    return DollarFraction(call, false);
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"CUMIPMT", CumIpmt, 6, 6},
    {"CUMPRINC", CumPrinc, 6, 6},
    {"DB", Db, 4, 5},
    {"DDB", Ddb, 4, 5},
    {"DOLLARDE", DollarDe, 2, 2},
    {"DOLLARFR", DollarFr, 2, 2},
    {"EFFECT", Effect, 2, 2},
    {"FV", Fv, 3, 5},
    {"FVSCHEDULE", FvSchedule, 2, 2},
    {"IPMT", Ipmt, 4, 6},
    {"IRR", Irr, 1, 2},
    {"ISPMT", Ispmt, 4, 4},
    {"MIRR", Mirr, 3, 3},
    {"NOMINAL", Nominal, 2, 2},
    {"NPER", Nper, 3, 5},
    {"NPV", Npv, 2, kVariadic},
    {"PDURATION", Pduration, 3, 3},
    {"PMT", Pmt, 3, 5},
    {"PPMT", Ppmt, 4, 6},
    {"PV", Pv, 3, 5},
    {"RATE", Rate, 3, 6},
    {"RRI", Rri, 3, 3},
    {"SLN", Sln, 3, 3},
    {"SYD", Syd, 4, 4},
    {"XIRR", Xirr, 2, 3},
    {"XNPV", Xnpv, 3, 3},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> FinancialFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
