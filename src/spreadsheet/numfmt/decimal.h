// Decimal digit strings for rounding the way a spreadsheet shows numbers: a double
// is taken at 15 significant digits and rounded half away from zero, so 1.005
// shown with two decimals is 1.01 and not the 1.00 that binary rounding gives.
#pragma once

#include <string>

namespace tabulon::spreadsheet::numfmt {

// A non-negative number: `digits` without trailing zeros ("" for zero) and
// `point`, the count of digits before the decimal point (may be <= 0 or beyond
// the digits): 123.45 is {"12345", 3}, 0.0012 is {"12", -2}.
struct Decimal {
    std::string digits;
    int point = 0;

    static Decimal FromDouble(double nonNegative);
    bool IsZero() const { return digits.empty(); }
    // The power of ten of the first digit (123.45 -> 2); 0 for zero.
    int Exponent() const { return IsZero() ? 0 : point - 1; }
    // Rounds half up to `decimals` digits after the point (negative: to tens...).
    void RoundTo(int decimals);
    void RoundSignificant(int count) { RoundTo(count - point); }
    // Digits before the point, "" when there are none.
    std::string IntegerDigits() const;
    // Exactly `count` digits after the point.
    std::string FractionDigits(int count) const;
    // Plain notation without trailing zeros: "0.5", "120", "0".
    std::string Fixed() const;
};

}  // namespace tabulon::spreadsheet::numfmt
