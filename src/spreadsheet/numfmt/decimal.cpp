// GCC 12 warns falsely about std::string copies at -O2 (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
#include "spreadsheet/numfmt/decimal.h"

#include <cstdio>
#include <cstdlib>

namespace tabulon::spreadsheet::numfmt {

namespace {
void Trim(Decimal& d) {
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        d.point = 0;
}
}  // namespace

Decimal Decimal::FromDouble(double nonNegative) {
    Decimal d;
    if (!(nonNegative > 0))
        return d;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", nonNegative);
    // "d.dddddddddddddde+XX"
    d.digits.push_back(buf[0]);
    int i = 2;
    for (; buf[i] != 'e'; ++i)
        d.digits.push_back(buf[i]);
    d.point = std::atoi(buf + i + 1) + 1;
    Trim(d);
    return d;
}

void Decimal::RoundTo(int decimals) {
    if (IsZero())
        return;
    const long keep = static_cast<long>(point) + decimals;
    if (keep >= static_cast<long>(digits.size()))
        return;
    if (keep < 0) {
        digits.clear();
        point = 0;
        return;
    }
    const bool up = digits[static_cast<size_t>(keep)] >= '5';
    digits.resize(static_cast<size_t>(keep));
    if (up) {
        size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9')
            digits[--i] = '0';
        if (i == 0) {
            std::string carried(1, '1');
            carried.append(digits);
            digits.swap(carried);
            ++point;
        } else {
            ++digits[i - 1];
        }
    }
    Trim(*this);
}

std::string Decimal::IntegerDigits() const {
    if (point <= 0)
        return {};
    std::string s = digits.substr(0, static_cast<size_t>(point));
    s.resize(static_cast<size_t>(point), '0');
    return s;
}

std::string Decimal::FractionDigits(int count) const {
    std::string s;
    for (int k = 0; k < count; ++k) {
        const long idx = static_cast<long>(point) + k;
        s.push_back(idx >= 0 && idx < static_cast<long>(digits.size())
                        ? digits[static_cast<size_t>(idx)]
                        : '0');
    }
    return s;
}

std::string Decimal::Fixed() const {
    std::string s = IntegerDigits();
    if (s.empty())
        s.push_back('0');
    const int fraction = static_cast<int>(digits.size()) - point;
    if (fraction > 0) {
        s.push_back('.');
        s.append(FractionDigits(fraction));
    }
    return s;
}

}  // namespace tabulon::spreadsheet::numfmt
