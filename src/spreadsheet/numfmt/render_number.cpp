// GCC 12 warns falsely about std::string copies at -O2 (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
// Number sections: digit placeholders, grouping and scaling, percent,
// scientific notation, fractions and the General display.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "spreadsheet/numfmt/decimal.h"
#include "spreadsheet/numfmt/format_code.h"

namespace tabulon::spreadsheet::numfmt {

namespace {

using Tokens = std::vector<Token>;

bool IsDigit(const Token& t) {
    return t.kind == TokenKind::Digit;
}

std::string StripExponentZeros(Decimal d, int sig) {
    // d.ddddE+XX with up to `sig - 1` decimals, trailing zeros removed.
    d.RoundSignificant(sig);
    const int exp = d.Exponent();
    std::string mant(1, d.digits.empty() ? '0' : d.digits[0]);
    if (d.digits.size() > 1) {
        mant.push_back('.');
        mant += d.digits.substr(1);
    }
    mant += exp < 0 ? "E-" : "E+";
    const std::string e = std::to_string(std::abs(exp));
    if (e.size() < 2)
        mant.push_back('0');
    return mant + e;
}

// Lays `digits` (the integer part, "" for zero) over the placeholders, right to
// left; the leftmost placeholder takes any digits left over.
std::vector<std::string> FillInteger(const std::vector<char>& placeholders,
                                     const std::string& digits, bool grouping) {
    const size_t k = placeholders.size();
    const size_t len = digits.size();
    std::vector<std::string> parts(k);
    int emitted = 0;
    auto emit = [&](std::string& rev, char d) {
        if (grouping && emitted > 0 && emitted % 3 == 0)
            rev.push_back(',');
        rev.push_back(d);
        ++emitted;
    };
    for (size_t j = 0; j < k; ++j) {
        const size_t idx = k - 1 - j;
        std::string rev;
        if (j < len) {
            emit(rev, digits[len - 1 - j]);
        } else if (placeholders[idx] == '0') {
            emit(rev, '0');
        } else if (placeholders[idx] == '?') {
            rev.push_back(' ');
        }
        if (idx == 0 && len > k) {
            for (size_t m = len - k; m-- > 0;)
                emit(rev, digits[m]);
        }
        std::reverse(rev.begin(), rev.end());
        parts[idx] = std::move(rev);
    }
    return parts;
}

// Fraction digits with trailing zeros dropped ('#') or blanked ('?').
std::vector<std::string> FillFraction(const std::vector<char>& placeholders,
                                      const std::string& digits) {
    std::vector<std::string> parts(placeholders.size());
    for (size_t i = 0; i < placeholders.size(); ++i)
        parts[i] = std::string(1, digits[i]);
    for (size_t i = placeholders.size(); i-- > 0;) {
        if (digits[i] != '0' || placeholders[i] == '0')
            break;
        parts[i] = placeholders[i] == '?' ? " " : "";
    }
    return parts;
}

std::string Pad(const std::string& s, const std::vector<char>& placeholders, bool left) {
    if (s.size() >= placeholders.size())
        return s;
    std::string pad;
    const size_t n = placeholders.size() - s.size();
    for (size_t i = 0; i < n; ++i) {
        const char p = placeholders[left ? i : s.size() + i];
        if (p == '0')
            pad.push_back('0');
        if (p == '?')
            pad.push_back(' ');
    }
    return left ? pad + s : s + pad;
}

// Half up; numbers beyond what a long holds (no fraction shows them sensibly) give 0.
long RoundToLong(double x) {
    return std::fabs(x) < 9e18 ? static_cast<long>(std::floor(x + 0.5)) : 0;
}

std::string RenderFraction(const Tokens& t, size_t slash, double value) {
    // Numerator: the placeholders right before the bar; integer part: any before those.
    size_t numStart = slash;
    while (numStart > 0 && IsDigit(t[numStart - 1]))
        --numStart;
    std::vector<char> intPh, numPh, denPh;
    for (size_t i = 0; i < numStart; ++i) {
        if (IsDigit(t[i]))
            intPh.push_back(t[i].ch);
    }
    for (size_t i = numStart; i < slash; ++i)
        numPh.push_back(t[i].ch);
    size_t denEnd = slash + 1;
    long fixedDen = 0;
    std::string denRest;
    while (denEnd < t.size() && IsDigit(t[denEnd]))
        denPh.push_back(t[denEnd++].ch);
    if (denPh.empty() && denEnd < t.size() && t[denEnd].kind == TokenKind::Literal) {
        const std::string& lit = t[denEnd].text;
        size_t n = 0;
        while (n < lit.size() && n < 6 && lit[n] >= '0' && lit[n] <= '9')
            ++n;
        if (n > 0) {
            fixedDen = std::atol(lit.substr(0, n).c_str());
            denRest = lit.substr(n);
            ++denEnd;
        }
    }
    const bool hasInt = !intPh.empty();
    double whole = hasInt ? std::floor(value) : 0;
    const double frac = value - whole;
    long num = 0, den = 1;
    if (fixedDen > 0) {
        den = fixedDen;
        num = RoundToLong(frac * static_cast<double>(den));
    } else {
        const long maxDen =
            static_cast<long>(std::pow(10.0, std::min<size_t>(denPh.size(), 4))) - 1;
        double bestErr = 2;
        for (long q = 1; q <= std::max(1L, maxDen); ++q) {
            const long p = RoundToLong(frac * static_cast<double>(q));
            const double err = std::fabs(frac - static_cast<double>(p) / static_cast<double>(q));
            if (err < bestErr - 1e-12) {
                bestErr = err, num = p, den = q;
            }
        }
    }
    if (hasInt && num == den) {
        whole += 1, num = 0;
    }
    if (fixedDen == 0 && num == 0 && !hasInt)
        den = 1;
    const bool blankFraction = hasInt && num == 0;
    std::string wholeDigits = Decimal::FromDouble(whole).IntegerDigits();
    if (blankFraction && wholeDigits.empty())
        wholeDigits = "0";
    const auto intParts = FillInteger(intPh, wholeDigits, false);
    const std::string numText = Pad(std::to_string(num), numPh, true);
    const std::string denText =
        fixedDen > 0 ? std::to_string(den) + denRest : Pad(std::to_string(den), denPh, false);

    std::string out, fractionText;
    size_t intIdx = 0;
    for (size_t i = 0; i < numStart; ++i) {
        if (IsDigit(t[i])) {
            out += intParts[intIdx++];
        } else if (t[i].kind == TokenKind::Literal) {
            // The gap between whole part and numerator belongs to the fraction.
            const bool gap = intIdx == intPh.size() && hasInt;
            (gap ? fractionText : out) += t[i].text;
        }
    }
    fractionText += numText + "/" + denText;
    if (blankFraction)
        fractionText.assign(fractionText.size(), ' ');
    out += fractionText;
    for (size_t i = denEnd; i < t.size(); ++i) {
        if (t[i].kind == TokenKind::Literal)
            out += t[i].text;
        if (t[i].kind == TokenKind::Percent)
            out += "%";
    }
    return out;
}

std::string RenderWithGeneral(const Tokens& t, double value) {
    std::string out;
    for (const Token& tok : t) {
        if (tok.kind == TokenKind::Literal)
            out += tok.text;
        if (tok.kind == TokenKind::General)
            out += RenderGeneral(value);
    }
    return out;
}

}  // namespace

std::string RenderGeneral(double value) {
    if (value == 0 || !std::isfinite(value))
        return value == 0 ? "0" : "#NUM!";
    const std::string sign = value < 0 ? "-" : "";
    const Decimal d = Decimal::FromDouble(std::fabs(value));
    const int x = d.Exponent();
    std::string s;
    if (x >= -4 && x <= -1) {
        Decimal r = d;
        r.RoundSignificant(10 + x);
        s = r.Fixed();
    } else if (std::abs(x) <= 10) {
        Decimal r = d;
        r.RoundTo(x == 10 ? 0 : 12);
        s = r.Fixed();
        if (s.size() > 11) {
            r = d;
            r.RoundSignificant(10);
            s = r.Fixed();
        }
        if (s.size() > 11)
            s = StripExponentZeros(d, 6);
    } else {
        s = StripExponentZeros(d, 6);
    }
    return sign + s;
}

std::string RenderNumber(const Section& section, double value) {
    const Tokens& t = section.tokens;
    if (section.Has(TokenKind::General))
        return RenderWithGeneral(t, value);

    size_t expAt = t.size();
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind == TokenKind::Exponent) {
            expAt = i;
            break;
        }
    }
    if (expAt == t.size()) {
        for (size_t i = 1; i < t.size(); ++i) {
            if (t[i].kind == TokenKind::Slash && IsDigit(t[i - 1])) {
                return RenderFraction(t, i, value);
            }
        }
    }

    // Roles of the placeholders and commas before the exponent.
    size_t pointAt = expAt;
    for (size_t i = 0; i < expAt; ++i) {
        if (t[i].kind == TokenKind::Point) {
            pointAt = i;
            break;
        }
    }
    std::vector<char> intPh, fracPh, expPh;
    bool grouping = false;
    int scale = 0;
    std::vector<bool> commaShown(t.size(), false);
    for (size_t i = 0; i < t.size(); ++i) {
        if (!IsDigit(t[i]))
            continue;
        (i < pointAt ? intPh : i < expAt ? fracPh : expPh).push_back(t[i].ch);
    }
    for (size_t i = 0; i < expAt; ++i) {
        if (t[i].kind != TokenKind::Comma)
            continue;
        const bool digitBefore = std::any_of(t.begin(), t.begin() + static_cast<long>(i), IsDigit);
        const size_t end = i < pointAt ? pointAt : expAt;
        const bool digitAfter = std::any_of(t.begin() + static_cast<long>(i) + 1,
                                            t.begin() + static_cast<long>(end), IsDigit);
        if (!digitBefore) {
            commaShown[i] = true;
        } else if (digitAfter) {
            grouping = grouping || i < pointAt;
        } else {
            ++scale;
        }
    }
    for (const Token& tok : t) {
        if (tok.kind == TokenKind::Percent)
            value *= 100;
    }
    for (int i = 0; i < scale; ++i)
        value /= 1000;

    Decimal d = Decimal::FromDouble(value);
    int exponent = 0;
    const int fracCount = static_cast<int>(fracPh.size());
    if (expAt < t.size()) {
        const int step = std::max<int>(1, static_cast<int>(intPh.size()));
        if (!d.IsZero()) {
            const int x = d.Exponent();
            exponent = static_cast<int>(std::floor(static_cast<double>(x) / step)) * step;
            d.point -= exponent;
            d.RoundTo(fracCount);
            if (d.point > step) {
                d.point -= step;
                exponent += step;
            }
        }
    } else {
        d.RoundTo(fracCount);
    }
    std::string intDigits = d.IntegerDigits();
    const auto intParts = FillInteger(intPh, intDigits, grouping);
    const auto fracParts = FillFraction(fracPh, d.FractionDigits(fracCount));

    std::string out;
    size_t ii = 0, fi = 0;
    bool pointSeen = false;
    for (size_t i = 0; i < t.size(); ++i) {
        const Token& tok = t[i];
        switch (tok.kind) {
            case TokenKind::Literal:
                out += tok.text;
                break;
            case TokenKind::Digit:
                if (i < pointAt) {
                    out += intParts[ii++];
                } else if (i < expAt) {
                    out += fracParts[fi++];
                }
                break;
            case TokenKind::Point:
                if (intPh.empty() && !pointSeen)
                    out += intDigits;
                out += ".";
                pointSeen = true;
                break;
            case TokenKind::Comma:
                if (commaShown[i])
                    out += ",";
                break;
            case TokenKind::Percent:
                out += "%";
                break;
            case TokenKind::Slash:
                out += "/";
                break;
            case TokenKind::Exponent: {
                out += "E";
                if (exponent < 0) {
                    out += "-";
                } else if (tok.ch == '+') {
                    out += "+";
                }
                std::string e = std::to_string(std::abs(exponent));
                const size_t minDigits =
                    static_cast<size_t>(std::count(expPh.begin(), expPh.end(), '0') +
                                        std::count(expPh.begin(), expPh.end(), '?'));
                if (e.size() < minDigits)
                    e.insert(0, minDigits - e.size(), '0');
                out += e;
                break;
            }
            default:
                break;
        }
    }
    return out;
}

}  // namespace tabulon::spreadsheet::numfmt
