// Securities: coupon schedules (COUP...), bonds (PRICE, YIELD, DURATION),
// discounted and at-maturity securities, Treasury bills, accrued interest,
// and the variable declining balance VDB.
#include <algorithm>
#include <cmath>
#include <functional>

#include "spreadsheet/calendar.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/day_count.h"
#include "spreadsheet/formula/evaluation.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

Value Checked(double d) {
    if (!std::isfinite(d))
        return Value::Error(ErrorCode::Num);
    return Value::Number(d);
}

double DateArg(CallContext& call, std::size_t i) {
    const double d = std::floor(call.Number(i));
    if (d < 0 || d > kMaxSerial)
        Raise(ErrorCode::Num);
    return d;
}

int BasisArg(CallContext& call, std::size_t i) {
    const double b = call.Count() > i && !call.IsMissing(i) ? std::trunc(call.Number(i)) : 0;
    if (b < 0 || b > 4)
        Raise(ErrorCode::Num);
    return static_cast<int>(b);
}

int FrequencyArg(CallContext& call, std::size_t i) {
    const double f = std::trunc(call.Number(i));
    if (f != 1 && f != 2 && f != 4)
        Raise(ErrorCode::Num);
    return static_cast<int>(f);
}

// The coupon dates around a settlement date, counted back from maturity in
// steps of 12 / frequency months (month ends stay month ends).
struct Coupons {
    double previous = 0;
    double next = 0;
    int remaining = 0;  // coupons from settlement to maturity
};

Coupons Schedule(double settlement, double maturity, int frequency, bool date1904) {
    const CivilDate m = DateFromSerial(maturity, date1904).value_or(CivilDate{});
    const bool monthEnd = m.day == DaysInMonth(m.year, m.month);
    auto back = [&](int periods) {
        int months = m.year * 12 + (m.month - 1) - periods * (12 / frequency);
        const int y = months / 12, mo = months % 12 + 1;
        const int day = monthEnd ? DaysInMonth(y, mo) : std::min(m.day, DaysInMonth(y, mo));
        return SerialFromDate(y, mo, day, date1904).value_or(0);
    };
    Coupons c;
    int n = 0;
    double date = maturity;
    while (date > settlement) {
        c.next = date;
        date = back(++n);
    }
    c.previous = date;
    c.remaining = n;
    return c;
}

struct Bond {
    double settlement, maturity;
    int frequency, basis;
    bool date1904;
    Coupons coupons;
    double daysInPeriod;  // E
    double accruedDays;   // A: previous coupon to settlement
    double daysToNext;    // DSC: settlement to next coupon
};

// settlement, maturity, then frequency and basis at `freqArg`, `freqArg + 1`.
Bond ReadBond(CallContext& call, std::size_t freqArg) {
    Bond b;
    b.settlement = DateArg(call, 0);
    b.maturity = DateArg(call, 1);
    b.frequency = FrequencyArg(call, freqArg);
    b.basis = BasisArg(call, freqArg + 1);
    b.date1904 = call.Eval().Date1904();
    if (b.settlement >= b.maturity)
        Raise(ErrorCode::Num);
    b.coupons = Schedule(b.settlement, b.maturity, b.frequency, b.date1904);
    if (b.basis == 1)
        b.daysInPeriod = b.coupons.next - b.coupons.previous;
    else
        b.daysInPeriod = (b.basis == 3 ? 365.0 : 360.0) / b.frequency;
    b.accruedDays = DayCount(b.coupons.previous, b.settlement, b.basis, b.date1904);
    if (b.basis == 0)
        b.daysToNext = b.daysInPeriod - b.accruedDays;
    else
        b.daysToNext = DayCount(b.settlement, b.coupons.next, b.basis, b.date1904);
    return b;
}

enum class Coup { DayBs, Days, DaysNc, Ncd, Num, Pcd };

template <Coup C>
Operand CouponFn(CallContext& call) {
    const Bond b = ReadBond(call, 2);
    switch (C) {
        case Coup::DayBs:
            return Value::Number(b.accruedDays);
        case Coup::Days:
            return Value::Number(b.daysInPeriod);
        case Coup::DaysNc:
            return Value::Number(b.daysToNext);
        case Coup::Ncd:
            return Value::Number(b.coupons.next);
        case Coup::Num:
            return Value::Number(b.coupons.remaining);
        case Coup::Pcd:
            return Value::Number(b.coupons.previous);
    }
    return Value::Error(ErrorCode::Value);
}

// The price per 100 of a bond paying `rate` a year, at yield `yld`.
double BondPrice(const Bond& b, double rate, double yld, double redemption) {
    const double f = b.frequency, n = b.coupons.remaining;
    const double coupon = 100 * rate / f;
    const double dsc = b.daysToNext / b.daysInPeriod, a = b.accruedDays / b.daysInPeriod;
    if (n == 1)
        return (redemption + coupon) / (1 + dsc * yld / f) - coupon * a;
    double price = redemption / std::pow(1 + yld / f, n - 1 + dsc);
    for (double k = 1; k <= n; ++k)
        price += coupon / std::pow(1 + yld / f, k - 1 + dsc);
    return price - coupon * a;
}

Operand Price(CallContext& call) {
    const Bond b = ReadBond(call, 5);
    const double rate = call.Number(2), yld = call.Number(3), redemption = call.Number(4);
    if (rate < 0 || yld < 0 || redemption <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked(BondPrice(b, rate, yld, redemption));
}

// The root of `f` near `guess` by Newton's method with a numerical derivative.
double SolveNear(const std::function<double(double)>& f, double guess) {
    double x = guess;
    for (int i = 0; i < 100; ++i) {
        const double y = f(x);
        const double h = std::max(1e-7, std::fabs(x) * 1e-7);
        const double slope = (f(x + h) - y) / h;
        if (slope == 0 || !std::isfinite(slope))
            break;
        const double step = y / slope;
        x -= step;
        if (std::fabs(step) < 1e-14 * std::max(1.0, std::fabs(x)))
            return x;
    }
    return std::fabs(f(x)) < 1e-7 ? x : NAN;
}

Operand Yield(CallContext& call) {
    const Bond b = ReadBond(call, 5);
    const double rate = call.Number(2), price = call.Number(3), redemption = call.Number(4);
    if (rate < 0 || price <= 0 || redemption <= 0)
        return Value::Error(ErrorCode::Num);
    if (b.coupons.remaining == 1) {
        const double f = b.frequency, coupon = 100 * rate / f;
        const double a = b.accruedDays / b.daysInPeriod, dsr = b.daysToNext / b.daysInPeriod;
        const double paid = price + coupon * a;
        return Checked((redemption + coupon - paid) / paid * f / dsr);
    }
    return Checked(SolveNear([&](double y) { return BondPrice(b, rate, y, redemption) - price; },
                             rate + 0.01));
}

// Macaulay duration in years; the modified one divides by 1 + yield / frequency.
template <bool Modified>
Operand Duration(CallContext& call) {
    const Bond b = ReadBond(call, 4);
    const double rate = call.Number(2), yld = call.Number(3);
    if (rate < 0 || yld < 0)
        return Value::Error(ErrorCode::Num);
    const double f = b.frequency, n = b.coupons.remaining;
    const double coupon = 100 * rate / f, dsc = b.daysToNext / b.daysInPeriod;
    double weighted = 0, total = 0;
    for (double k = 1; k <= n; ++k) {
        const double t = k - 1 + dsc;
        const double pv = (coupon + (k == n ? 100 : 0)) / std::pow(1 + yld / f, t);
        weighted += t * pv;
        total += pv;
    }
    double d = weighted / total / f;
    if (Modified)
        d /= 1 + yld / f;
    return Checked(d);
}

// settlement, maturity and the basis at `basisArg`: their year fraction.
struct Term {
    double settlement, maturity, years;
    int basis;
};

Term ReadTerm(CallContext& call, std::size_t basisArg) {
    Term t;
    t.settlement = DateArg(call, 0);
    t.maturity = DateArg(call, 1);
    t.basis = BasisArg(call, basisArg);
    if (t.settlement >= t.maturity)
        Raise(ErrorCode::Num);
    t.years = YearFraction(t.settlement, t.maturity, t.basis, call.Eval().Date1904());
    return t;
}

// DISC(settlement, maturity, pr, redemption, [basis]).
Operand Disc(CallContext& call) {
    const Term t = ReadTerm(call, 4);
    const double pr = call.Number(2), redemption = call.Number(3);
    if (pr <= 0 || redemption <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked((redemption - pr) / redemption / t.years);
}

// PRICEDISC(settlement, maturity, discount, redemption, [basis]).
Operand PriceDisc(CallContext& call) {
    const Term t = ReadTerm(call, 4);
    const double discount = call.Number(2), redemption = call.Number(3);
    if (discount <= 0 || redemption <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked(redemption - discount * redemption * t.years);
}

// YIELDDISC(settlement, maturity, pr, redemption, [basis]) and
// INTRATE(settlement, maturity, investment, redemption, [basis]).
Operand YieldDisc(CallContext& call) {
    const Term t = ReadTerm(call, 4);
    const double pr = call.Number(2), redemption = call.Number(3);
    if (pr <= 0 || redemption <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked((redemption - pr) / pr / t.years);
}

// RECEIVED(settlement, maturity, investment, discount, [basis]).
Operand Received(CallContext& call) {
    const Term t = ReadTerm(call, 4);
    const double investment = call.Number(2), discount = call.Number(3);
    if (investment <= 0 || discount <= 0)
        return Value::Error(ErrorCode::Num);
    const double d = 1 - discount * t.years;
    if (d <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked(investment / d);
}

// The three year fractions of a security paying interest at maturity.
struct AtMaturity {
    double issueToMaturity, settlementToMaturity, issueToSettlement;
};

AtMaturity ReadAtMaturity(CallContext& call, const Term& t) {
    const double issue = DateArg(call, 2);
    if (issue >= t.settlement)
        Raise(ErrorCode::Num);
    const bool date1904 = call.Eval().Date1904();
    return {YearFraction(issue, t.maturity, t.basis, date1904), t.years,
            YearFraction(issue, t.settlement, t.basis, date1904)};
}

// PRICEMAT(settlement, maturity, issue, rate, yld, [basis]).
Operand PriceMat(CallContext& call) {
    const Term t = ReadTerm(call, 5);
    const AtMaturity y = ReadAtMaturity(call, t);
    const double rate = call.Number(3), yld = call.Number(4);
    if (rate < 0 || yld < 0)
        return Value::Error(ErrorCode::Num);
    return Checked((100 + y.issueToMaturity * rate * 100) / (1 + y.settlementToMaturity * yld) -
                   y.issueToSettlement * rate * 100);
}

// YIELDMAT(settlement, maturity, issue, rate, pr, [basis]).
Operand YieldMat(CallContext& call) {
    const Term t = ReadTerm(call, 5);
    const AtMaturity y = ReadAtMaturity(call, t);
    const double rate = call.Number(3), pr = call.Number(4);
    if (rate < 0 || pr <= 0)
        return Value::Error(ErrorCode::Num);
    const double paid = pr / 100 + y.issueToSettlement * rate;
    return Checked(((1 + y.issueToMaturity * rate) - paid) / paid / y.settlementToMaturity);
}

// ACCRINTM(issue, settlement, rate, [par], [basis]).
Operand AccrIntM(CallContext& call) {
    const double issue = DateArg(call, 0), settlement = DateArg(call, 1);
    const double rate = call.Number(2);
    const double par = call.Count() > 3 && !call.IsMissing(3) ? call.Number(3) : 1000;
    const int basis = BasisArg(call, 4);
    if (issue >= settlement || rate <= 0 || par <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked(par * rate * YearFraction(issue, settlement, basis, call.Eval().Date1904()));
}

// ACCRINT(issue, first_interest, settlement, rate, [par], frequency, [basis],
// [calc_method]): interest from issue (or, with calc_method FALSE and a
// settlement after the first interest date, from that date) to settlement.
Operand AccrInt(CallContext& call) {
    const double issue = DateArg(call, 0), first = DateArg(call, 1);
    const double settlement = DateArg(call, 2), rate = call.Number(3);
    const double par = !call.IsMissing(4) ? call.Number(4) : 1000;
    FrequencyArg(call, 5);
    const int basis = BasisArg(call, 6);
    const bool fromIssue = call.Count() < 8 || call.IsMissing(7) || call.Boolean(7);
    if (issue >= settlement || rate <= 0 || par <= 0)
        return Value::Error(ErrorCode::Num);
    const double start = !fromIssue && settlement > first ? first : issue;
    return Checked(par * rate * YearFraction(start, settlement, basis, call.Eval().Date1904()));
}

// The Treasury bill functions take the days to maturity, at most one year.
double BillDays(CallContext& call) {
    const double settlement = DateArg(call, 0), maturity = DateArg(call, 1);
    const double days = maturity - settlement;
    if (days <= 0 || days > 366)
        Raise(ErrorCode::Num);
    return days;
}

Operand TBillPrice(CallContext& call) {
    const double days = BillDays(call), discount = call.Number(2);
    if (discount <= 0)
        return Value::Error(ErrorCode::Num);
    const double price = 100 * (1 - discount * days / 360);
    return price <= 0 ? Value::Error(ErrorCode::Num) : Checked(price);
}

Operand TBillYield(CallContext& call) {
    const double days = BillDays(call), price = call.Number(2);
    if (price <= 0)
        return Value::Error(ErrorCode::Num);
    return Checked((100 - price) / price * 360 / days);
}

// The bond-equivalent yield: simple for up to half a year, beyond that the
// yield of a bond with one coupon half way.
Operand TBillEq(CallContext& call) {
    const double days = BillDays(call), discount = call.Number(2);
    if (discount <= 0)
        return Value::Error(ErrorCode::Num);
    if (days <= 182)
        return Checked(365 * discount / (360 - discount * days));
    const double price = 100 * (1 - discount * days / 360);
    if (price <= 0)
        return Value::Error(ErrorCode::Num);
    const double t = days / 365;
    return Checked((-t + std::sqrt(t * t - (2 * t - 1) * (1 - 100 / price))) / (t - 0.5));
}

// VDB(cost, salvage, life, start, end, [factor], [no_switch]): declining
// balance depreciation from `start` to `end` (fractions of periods allowed),
// switching to straight line when that gives more unless told not to.
Operand Vdb(CallContext& call) {
    const double cost = call.Number(0), salvage = call.Number(1), life = call.Number(2);
    const double start = call.Number(3), end = call.Number(4);
    const double factor = call.Count() > 5 && !call.IsMissing(5) ? call.Number(5) : 2;
    const bool noSwitch = call.Count() > 6 && !call.IsMissing(6) && call.Boolean(6);
    if (cost < 0 || salvage < 0 || life <= 0 || start < 0 || end < start || end > life ||
        factor <= 0)
        return Value::Error(ErrorCode::Num);
    // Depreciation of each whole period, then the cumulative amount at any time.
    std::vector<double> perPeriod;
    double book = cost;
    bool straight = false;
    double straightAmount = 0;
    for (int i = 0; i < static_cast<int>(std::ceil(life)) && i < 100000; ++i) {
        double d = std::min(book * factor / life, std::max(0.0, book - salvage));
        if (!noSwitch) {
            const double remaining = life - i;
            const double sl = remaining > 0 ? (book - salvage) / remaining : 0;
            if (straight || sl > d) {
                if (!straight)
                    straightAmount = sl;
                straight = true;
                d = straightAmount;
            }
        }
        d = std::max(0.0, std::min(d, book - salvage));
        perPeriod.push_back(d);
        book -= d;
    }
    auto cumulative = [&](double t) {
        double sum = 0;
        const auto whole = static_cast<std::size_t>(std::floor(t));
        for (std::size_t i = 0; i < whole && i < perPeriod.size(); ++i)
            sum += perPeriod[i];
        if (whole < perPeriod.size())
            sum += (t - std::floor(t)) * perPeriod[whole];
        return sum;
    };
    return Checked(cumulative(end) - cumulative(start));
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"ACCRINT", AccrInt, 6, 8},
    {"ACCRINTM", AccrIntM, 3, 5},
    {"COUPDAYBS", CouponFn<Coup::DayBs>, 3, 4},
    {"COUPDAYS", CouponFn<Coup::Days>, 3, 4},
    {"COUPDAYSNC", CouponFn<Coup::DaysNc>, 3, 4},
    {"COUPNCD", CouponFn<Coup::Ncd>, 3, 4},
    {"COUPNUM", CouponFn<Coup::Num>, 3, 4},
    {"COUPPCD", CouponFn<Coup::Pcd>, 3, 4},
    {"DISC", Disc, 4, 5},
    {"DURATION", Duration<false>, 5, 6},
    {"INTRATE", YieldDisc, 4, 5},
    {"MDURATION", Duration<true>, 5, 6},
    {"PRICE", Price, 6, 7},
    {"PRICEDISC", PriceDisc, 4, 5},
    {"PRICEMAT", PriceMat, 5, 6},
    {"RECEIVED", Received, 4, 5},
    {"TBILLEQ", TBillEq, 3, 3},
    {"TBILLPRICE", TBillPrice, 3, 3},
    {"TBILLYIELD", TBillYield, 3, 3},
    {"VDB", Vdb, 5, 7},
    {"YIELD", Yield, 6, 7},
    {"YIELDDISC", YieldDisc, 4, 5},
    {"YIELDMAT", YieldMat, 5, 6},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> SecuritiesFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
