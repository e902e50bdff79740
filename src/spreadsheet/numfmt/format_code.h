// A number format code split into sections and tokens. Internal to the number
// format unit: FormatValue parses a code with ParseFormatCode and hands the
// chosen section to the number, fraction or date renderer.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon::spreadsheet::numfmt {

enum class TokenKind {
    Literal,        // text shown as is (quoted text, \x, _x as a space, [$sym-...], stray chars)
    Digit,          // 0 # ?  (ch holds which)
    Point,          // decimal point
    Comma,          // thousands separator or scaling, decided by position
    Percent,        // %
    Exponent,       // E+ E- (ch holds the sign)
    Slash,          // fraction bar
    At,             // @ : the text itself
    General,        // General inside a section
    Year,           // y (count = letters)
    Month,          // m as month (count)
    Minute,         // m as minutes (count)
    Day,            // d
    Hour,           // h
    Second,         // s
    SubSecond,      // .0 .00 .000 after seconds (count = digits)
    AmPm,           // AM/PM (text holds the letters as written: "AM/PM" or "A/P")
    ElapsedHour,    // [h]
    ElapsedMinute,  // [m]
    ElapsedSecond,  // [s]
};

struct Token {
    TokenKind kind;
    char ch = 0;
    int count = 0;
    std::string text;
};

struct Condition {
    enum class Op { Lt, Le, Gt, Ge, Eq, Ne };
    Op op = Op::Eq;
    double value = 0;
    bool Matches(double v) const;
};

struct Section {
    std::vector<Token> tokens;
    std::optional<Condition> condition;
    bool hasCurrency = false;  // a currency symbol outside quotes or in [$sym-...]
    bool IsDate() const;
    bool Has(TokenKind kind) const;
    bool Empty() const { return tokens.empty(); }
};

// Splits `code` at unquoted semicolons (at most four sections are kept) and
// tokenizes each section. Never fails: anything unknown becomes a literal.
std::vector<Section> ParseFormatCode(std::string_view code);

// Renderers. `value` is the number to show (already made absolute where the
// section rules ask for it); the sign is left to the caller unless noted.
std::string RenderNumber(const Section& section, double value);
std::string RenderDate(const Section& section, double serial, bool date1904);
// The General display of a number, sign included.
std::string RenderGeneral(double value);

}  // namespace tabulon::spreadsheet::numfmt
