// GCC 12 warns falsely about std::string copies at -O2 (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
#include "spreadsheet/number_format.h"

#include <array>
#include <cmath>
#include <unordered_map>

#include "spreadsheet/numfmt/format_code.h"

namespace tabulon::spreadsheet {

namespace {

using numfmt::Section;
using numfmt::TokenKind;

// Built-in codes as an application with an English (United States) locale shows them.
constexpr std::array<std::string_view, 50> kBuiltin{
    "General",
    "0",
    "0.00",
    "#,##0",
    "#,##0.00",
    "\"$\"#,##0_);\\(\"$\"#,##0\\)",
    "\"$\"#,##0_);[Red]\\(\"$\"#,##0\\)",
    "\"$\"#,##0.00_);\\(\"$\"#,##0.00\\)",
    "\"$\"#,##0.00_);[Red]\\(\"$\"#,##0.00\\)",
    "0%",
    "0.00%",
    "0.00E+00",
    "# ?/?",
    "# ?\?/??",
    "m/d/yyyy",
    "d-mmm-yy",
    "d-mmm",
    "mmm-yy",
    "h:mm AM/PM",
    "h:mm:ss AM/PM",
    "h:mm",
    "h:mm:ss",
    "m/d/yyyy h:mm",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",  // 23-36: locale specific
    "#,##0_);(#,##0)",
    "#,##0_);[Red](#,##0)",
    "#,##0.00_);(#,##0.00)",
    "#,##0.00_);[Red](#,##0.00)",
    "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)",
    "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)",
    "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"?\?_);_(@_)",
    "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"?\?_);_(@_)",
    "mm:ss",
    "[h]:mm:ss",
    "mm:ss.0",  // stored as "mmss.0"; applications show minutes and seconds
    "##0.0E+0",
    "@",
};

// Parsed codes, per thread: a workbook uses few codes for many cells.
const std::vector<Section>& Parsed(std::string_view code) {
    thread_local std::unordered_map<std::string, std::vector<Section>> cache;
    auto it = cache.find(std::string(code));
    if (it != cache.end())
        return it->second;
    if (cache.size() >= 512)
        cache.clear();
    return cache.emplace(std::string(code), numfmt::ParseFormatCode(code)).first->second;
}

bool IsTextSection(const Section& s) {
    return s.Has(TokenKind::At);
}

bool IsGeneralCode(std::string_view code) {
    if (code.size() != 7)
        return code.empty();
    constexpr std::string_view kGeneral = "general";
    for (size_t i = 0; i < 7; ++i) {
        if ((code[i] | 0x20) != kGeneral[i])
            return false;
    }
    return true;
}

std::string RenderText(const Section& section, const std::string& text) {
    std::string out;
    for (const auto& t : section.tokens) {
        if (t.kind == TokenKind::Literal)
            out += t.text;
        if (t.kind == TokenKind::At)
            out += text;
    }
    return out;
}

// Picks the section for a number. Returns its index into `sections`.
// Only the first `n` sections are for numbers.
size_t ChooseSection(const std::vector<Section>& sections, size_t n, double v) {
    const bool conditional =
        sections[0].condition.has_value() || (n > 1 && sections[1].condition.has_value());
    if (!conditional) {
        if (n == 1)
            return 0;
        if (n == 2)
            return v >= 0 ? 0 : 1;
        return v > 0 ? 0 : v < 0 ? 1 : 2;
    }
    // Missing conditions default to the usual meaning of the first two sections.
    auto matches = [&](size_t i, numfmt::Condition fallback) {
        return (sections[i].condition ? *sections[i].condition : fallback).Matches(v);
    };
    using Op = numfmt::Condition::Op;
    if (matches(0, {Op::Ge, 0}))
        return 0;
    if (n == 1)
        return 0;
    if (n == 2 || matches(1, {Op::Lt, 0}))
        return 1;
    return 2;
}

std::string FormatNumber(double v, std::string_view code, bool date1904) {
    if (!std::isfinite(v))
        return "#NUM!";
    if (IsGeneralCode(code))
        return numfmt::RenderGeneral(v);
    const std::vector<Section>& sections = Parsed(code);
    // The text section is the fourth, or a last one holding '@'.
    size_t n = sections.size();
    if (n == 4 || (n > 1 && IsTextSection(sections.back())))
        --n;
    if (n == 0 || (n == 1 && IsTextSection(sections[0])))
        return numfmt::RenderGeneral(v);
    const size_t index = ChooseSection(sections, n, v);
    const Section& section = sections[index];
    if (section.Empty())
        return {};
    if (section.IsDate())
        return numfmt::RenderDate(section, v, date1904);
    // The second section shows negative numbers without their sign; it writes its own.
    const bool negative = v < 0 && index != 1;
    std::string text = numfmt::RenderNumber(section, std::fabs(v));
    if (negative)
        text.insert(text.begin(), '-');
    return text;
}

}  // namespace

std::string_view BuiltinFormatCode(int id) {
    if (id < 0 || id >= static_cast<int>(kBuiltin.size()))
        return {};
    return kBuiltin[static_cast<size_t>(id)];
}

std::string_view LocaleFormatCode(int id) {
    if ((id >= 5 && id <= 8) || (id >= 41 && id <= 44))
        return BuiltinFormatCode(id);
    switch (id) {
        case 23:
        case 24:
        case 25:
        case 26:
            return "General";
        case 32:
            return "h:mm";
        case 33:
            return "h:mm:ss";
        case 34:
        case 55:
            return "h:mm AM/PM";
        case 35:
        case 56:
            return "h:mm:ss AM/PM";
        default:
            break;
    }
    if ((id >= 27 && id <= 36) || (id >= 50 && id <= 58))
        return "m/d/yyyy";
    return {};
}

FormatClass ClassifyFormat(std::string_view code) {
    if (IsGeneralCode(code))
        return FormatClass::General;
    const auto& sections = Parsed(code);
    if (sections.empty())
        return FormatClass::General;
    const Section& s = sections[0];
    if (s.IsDate()) {
        bool date = false, time = false;
        for (const auto& t : s.tokens) {
            switch (t.kind) {
                case TokenKind::Year:
                case TokenKind::Month:
                case TokenKind::Day:
                    date = true;
                    break;
                case TokenKind::Literal:
                case TokenKind::General:
                case TokenKind::At:
                    break;
                default:
                    time = true;
                    break;
            }
        }
        return date && time ? FormatClass::DateTime : date ? FormatClass::Date : FormatClass::Time;
    }
    if (IsTextSection(s))
        return FormatClass::Text;
    if (s.hasCurrency)
        return FormatClass::Currency;
    if (s.Has(TokenKind::Percent))
        return FormatClass::Percent;
    if (s.Has(TokenKind::Exponent))
        return FormatClass::Scientific;
    if (s.Has(TokenKind::Slash) && s.Has(TokenKind::Digit))
        return FormatClass::Fraction;
    if (s.Has(TokenKind::General))
        return FormatClass::General;
    return FormatClass::Number;
}

std::string FormatValue(const Value& value, std::string_view code, bool date1904) {
    switch (value.Kind()) {
        case ValueKind::Empty:
            return {};
        case ValueKind::Boolean:
            return value.AsBoolean() ? "TRUE" : "FALSE";
        case ValueKind::Error:
            return std::string(ErrorText(value.AsError()));
        case ValueKind::Number:
            return FormatNumber(value.AsNumber(), code, date1904);
        case ValueKind::Text: {
            const auto& sections = Parsed(code);
            if (sections.size() == 4)
                return RenderText(sections[3], value.AsText());
            if (!sections.empty() && IsTextSection(sections.back())) {
                return RenderText(sections.back(), value.AsText());
            }
            return value.AsText();
        }
    }
    return {};
}

}  // namespace tabulon::spreadsheet
