// GCC 12 warns falsely about std::string copies at -O2 (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
#include "spreadsheet/numfmt/format_code.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>

namespace tabulon::spreadsheet::numfmt {

namespace {

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (Lower(text[i]) != Lower(prefix[i]))
            return false;
    }
    return true;
}

bool IsDateTimeKind(TokenKind k) {
    switch (k) {
        case TokenKind::Year:
        case TokenKind::Month:
        case TokenKind::Minute:
        case TokenKind::Day:
        case TokenKind::Hour:
        case TokenKind::Second:
        case TokenKind::SubSecond:
        case TokenKind::AmPm:
        case TokenKind::ElapsedHour:
        case TokenKind::ElapsedMinute:
        case TokenKind::ElapsedSecond:
            return true;
        default:
            return false;
    }
}

void AddLiteral(std::vector<Token>& tokens, std::string_view text) {
    if (text.empty())
        return;
    if (!tokens.empty() && tokens.back().kind == TokenKind::Literal) {
        tokens.back().text.append(text);
    } else {
        tokens.push_back({TokenKind::Literal, 0, 0, std::string(text)});
    }
}

std::optional<Condition> ParseCondition(std::string_view body) {
    Condition c;
    size_t n = 0;
    if (body.starts_with("<=")) {
        c.op = Condition::Op::Le, n = 2;
    } else if (body.starts_with(">=")) {
        c.op = Condition::Op::Ge, n = 2;
    } else if (body.starts_with("<>")) {
        c.op = Condition::Op::Ne, n = 2;
    } else if (body.starts_with("<")) {
        c.op = Condition::Op::Lt, n = 1;
    } else if (body.starts_with(">")) {
        c.op = Condition::Op::Gt, n = 1;
    } else if (body.starts_with("=")) {
        c.op = Condition::Op::Eq, n = 1;
    } else {
        return std::nullopt;
    }
    const std::string number(body.substr(n));
    char* end = nullptr;
    c.value = std::strtod(number.c_str(), &end);
    if (end == number.c_str())
        return std::nullopt;
    return c;
}

// Handles the text between [ and ]. Colours, locale tags and unknown tags vanish.
void AddBracket(Section& section, std::string_view body) {
    if (body.empty())
        return;
    if (body[0] == '<' || body[0] == '>' || body[0] == '=') {
        section.condition = ParseCondition(body);
        return;
    }
    if (body[0] == '$') {
        const size_t dash = body.find('-');
        // [$USD-409] or a symbol like [$EUR]: a currency; [$-409] is only a locale.
        if (dash != 1 && body.size() > 1)
            section.hasCurrency = true;
        AddLiteral(
            section.tokens,
            body.substr(1, dash == std::string_view::npos ? std::string_view::npos : dash - 1));
        return;
    }
    const char c = Lower(body[0]);
    const bool same = std::all_of(body.begin(), body.end(), [c](char x) { return Lower(x) == c; });
    if (same && (c == 'h' || c == 'm' || c == 's')) {
        const TokenKind kind = c == 'h'   ? TokenKind::ElapsedHour
                               : c == 'm' ? TokenKind::ElapsedMinute
                                          : TokenKind::ElapsedSecond;
        section.tokens.push_back({kind, 0, static_cast<int>(body.size()), {}});
    }
}

Section ParseSection(std::string_view s) {
    Section section;
    auto& tokens = section.tokens;
    size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        const char lc = Lower(c);
        if (c == '"') {
            const size_t close = s.find('"', i + 1);
            const size_t end = close == std::string_view::npos ? s.size() : close;
            AddLiteral(tokens, s.substr(i + 1, end - i - 1));
            i = end + 1;
        } else if (c == '\\') {
            if (i + 1 < s.size())
                AddLiteral(tokens, s.substr(i + 1, 1));
            i += 2;
        } else if (c == '_') {
            AddLiteral(tokens, " ");
            i += 2;
        } else if (c == '*') {
            i += 2;
        } else if (c == '[') {
            const size_t close = s.find(']', i + 1);
            const size_t end = close == std::string_view::npos ? s.size() : close;
            AddBracket(section, s.substr(i + 1, end - i - 1));
            i = end + 1;
        } else if (StartsWithNoCase(s.substr(i), "General")) {
            tokens.push_back({TokenKind::General, 0, 0, {}});
            i += 7;
        } else if (StartsWithNoCase(s.substr(i), "AM/PM")) {
            tokens.push_back({TokenKind::AmPm, 0, 0, "AM/PM"});
            i += 5;
        } else if (StartsWithNoCase(s.substr(i), "A/P")) {
            tokens.push_back({TokenKind::AmPm, 0, 0, std::string(s.substr(i, 3))});
            i += 3;
        } else if (c == '0' || c == '#' || c == '?') {
            tokens.push_back({TokenKind::Digit, c, 1, {}});
            ++i;
        } else if (c == '.') {
            tokens.push_back({TokenKind::Point, c, 0, {}});
            ++i;
        } else if (c == ',') {
            tokens.push_back({TokenKind::Comma, c, 0, {}});
            ++i;
        } else if (c == '%') {
            tokens.push_back({TokenKind::Percent, c, 0, {}});
            ++i;
        } else if (c == '@') {
            tokens.push_back({TokenKind::At, c, 0, {}});
            ++i;
        } else if (c == '/') {
            tokens.push_back({TokenKind::Slash, c, 0, {}});
            ++i;
        } else if (lc == 'e' && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-') &&
                   std::any_of(tokens.begin(), tokens.end(),
                               [](const Token& t) { return t.kind == TokenKind::Digit; })) {
            tokens.push_back({TokenKind::Exponent, s[i + 1], 0, {}});
            i += 2;
        } else if (lc == 'e') {
            // "e" alone is the year in full, as "yyyy".
            while (i < s.size() && Lower(s[i]) == 'e')
                ++i;
            tokens.push_back({TokenKind::Year, 0, 4, {}});
        } else if (lc == 'y' || lc == 'm' || lc == 'd' || lc == 'h' || lc == 's') {
            size_t j = i;
            while (j < s.size() && Lower(s[j]) == lc)
                ++j;
            const TokenKind kind = lc == 'y'   ? TokenKind::Year
                                   : lc == 'm' ? TokenKind::Month
                                   : lc == 'd' ? TokenKind::Day
                                   : lc == 'h' ? TokenKind::Hour
                                               : TokenKind::Second;
            tokens.push_back({kind, 0, static_cast<int>(j - i), {}});
            i = j;
        } else {
            // Multi-byte UTF-8 sequences are kept whole.
            size_t len = 1;
            const auto u = static_cast<unsigned char>(c);
            if (u >= 0xF0) {
                len = 4;
            } else if (u >= 0xE0) {
                len = 3;
            } else if (u >= 0xC0) {
                len = 2;
            }
            AddLiteral(tokens, s.substr(i, std::min(len, s.size() - i)));
            i += len;
        }
    }
    return section;
}

// In a date section, "m" right after an hour or right before a second means
// minutes, and ".00" after seconds is a fraction of a second.
void ResolveDateTokens(Section& section) {
    auto& t = section.tokens;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind != TokenKind::Month || t[i].count > 2)
            continue;
        bool minute = false;
        for (size_t j = i; j-- > 0;) {
            if (!IsDateTimeKind(t[j].kind))
                continue;
            minute = t[j].kind == TokenKind::Hour || t[j].kind == TokenKind::ElapsedHour;
            break;
        }
        for (size_t j = i + 1; !minute && j < t.size(); ++j) {
            if (!IsDateTimeKind(t[j].kind))
                continue;
            minute = t[j].kind == TokenKind::Second || t[j].kind == TokenKind::ElapsedSecond;
            break;
        }
        if (minute)
            t[i].kind = TokenKind::Minute;
    }
    std::vector<Token> out;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind == TokenKind::Point && i + 1 < t.size() &&
            t[i + 1].kind == TokenKind::Digit && t[i + 1].ch == '0') {
            int n = 0;
            while (i + 1 < t.size() && t[i + 1].kind == TokenKind::Digit && t[i + 1].ch == '0') {
                ++n, ++i;
            }
            out.push_back({TokenKind::SubSecond, 0, std::min(n, 3), {}});
        } else if (t[i].kind == TokenKind::Point) {
            AddLiteral(out, ".");
        } else if (t[i].kind == TokenKind::Digit || t[i].kind == TokenKind::Comma ||
                   t[i].kind == TokenKind::Slash) {
            AddLiteral(out, std::string(1, t[i].ch));
        } else if (t[i].kind == TokenKind::Literal) {
            AddLiteral(out, t[i].text);
        } else {
            out.push_back(t[i]);
        }
    }
    t = std::move(out);
}

bool HasCurrencySymbol(const Section& section) {
    static constexpr std::array<std::string_view, 5> kSymbols{"$", "\xE2\x82\xAC", "\xC2\xA3",
                                                              "\xC2\xA5", "\xE2\x82\xB9"};
    for (const Token& t : section.tokens) {
        if (t.kind != TokenKind::Literal)
            continue;
        for (auto sym : kSymbols) {
            if (t.text.find(sym) != std::string::npos)
                return true;
        }
    }
    return false;
}

}  // namespace

bool Condition::Matches(double v) const {
    switch (op) {
        case Op::Lt:
            return v < value;
        case Op::Le:
            return v <= value;
        case Op::Gt:
            return v > value;
        case Op::Ge:
            return v >= value;
        case Op::Eq:
            return v == value;
        case Op::Ne:
            return v != value;
    }
    return false;
}

bool Section::Has(TokenKind kind) const {
    return std::any_of(tokens.begin(), tokens.end(),
                       [kind](const Token& t) { return t.kind == kind; });
}

bool Section::IsDate() const {
    return std::any_of(tokens.begin(), tokens.end(),
                       [](const Token& t) { return IsDateTimeKind(t.kind); });
}

std::vector<Section> ParseFormatCode(std::string_view code) {
    std::vector<Section> sections;
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i <= code.size(); ++i) {
        if (i < code.size()) {
            if (code[i] == '"')
                quoted = !quoted;
            if (!quoted && code[i] == '\\' && i + 1 < code.size()) {
                ++i;
                continue;
            }
            if (quoted || code[i] != ';')
                continue;
        }
        if (sections.size() < 4) {
            Section section = ParseSection(code.substr(start, i - start));
            if (section.IsDate())
                ResolveDateTokens(section);
            section.hasCurrency = section.hasCurrency || HasCurrencySymbol(section);
            sections.push_back(std::move(section));
        }
        start = i + 1;
    }
    return sections;
}

}  // namespace tabulon::spreadsheet::numfmt
