#include "spreadsheet/formula/lexer.h"

#include <array>
#include <cstdlib>

#include "spreadsheet/address.h"

namespace tabulon::spreadsheet::formula {

namespace {

constexpr std::array<std::string_view, 14> kErrorLiterals{
    "#NULL!",        "#DIV/0!", "#VALUE!",   "#REF!",     "#NAME?",    "#NUM!",   "#N/A",
    "#GETTING_DATA", "#SPILL!", "#CONNECT!", "#BLOCKED!", "#UNKNOWN!", "#FIELD!", "#CALC!"};

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsHighByte(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

// Characters of names, function names and unquoted sheet names.
bool IsNameChar(char c) {
    return IsAsciiLetter(c) || IsDigit(c) || c == '_' || c == '.' || c == '\\' || c == '?' ||
           IsHighByte(c);
}
bool IsNameStart(char c) {
    return IsAsciiLetter(c) || c == '_' || c == '\\' || IsHighByte(c);
}
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

// One end of an area: "$A$1", "A", "$7". Sets row/col to 0 for a missing part.
std::size_t ReadPart(std::string_view s, RefPart& part) {
    std::size_t i = 0;
    part = RefPart{};
    bool colAbs = false;
    if (i < s.size() && s[i] == '$') {
        colAbs = true;
        ++i;
    }
    std::size_t letters = i;
    while (letters < s.size() && IsAsciiLetter(s[letters]) && letters - i < 4)
        ++letters;
    if (letters > i) {
        int col = ColumnFromLetters(s.substr(i, letters - i));
        if (col < 0)
            return 0;
        part.col = col;
        part.colAbsolute = colAbs;
        i = letters;
        if (i < s.size() && s[i] == '$') {
            part.rowAbsolute = true;
            ++i;
        }
    } else {
        part.rowAbsolute = colAbs;  // "$7": the '$' belongs to the row
    }
    std::size_t digits = i;
    long row = 0;
    while (digits < s.size() && IsDigit(s[digits]) && row <= kMaxRows) {
        row = row * 10 + (s[digits] - '0');
        ++digits;
    }
    if (digits > i) {
        if (row < 1 || row > kMaxRows || (digits < s.size() && IsDigit(s[digits])))
            return 0;
        part.row = static_cast<int>(row);
        i = digits;
    } else if (part.rowAbsolute) {
        return 0;  // "A$" without a row
    }
    if (part.row == 0 && part.col == 0)
        return 0;
    return i;
}

}  // namespace

std::size_t ReadArea(std::string_view s, RefShape& shape, RefPart& first, RefPart& last) {
    std::size_t n = ReadPart(s, first);
    if (n == 0)
        return 0;
    std::size_t end = n;
    last = first;
    if (n < s.size() && s[n] == ':') {
        RefPart second;
        std::size_t m = ReadPart(s.substr(n + 1), second);
        bool sameKind =
            m > 0 && (second.row == 0) == (first.row == 0) && (second.col == 0) == (first.col == 0);
        if (sameKind) {
            last = second;
            end = n + 1 + m;
        }
    }
    if (end < s.size() &&
        (IsNameChar(s[end]) || s[end] == '(' || s[end] == '$' || s[end] == '[' || s[end] == '!'))
        return 0;
    if (first.row != 0 && first.col != 0) {
        shape = end == n ? RefShape::Cell : RefShape::Area;
        return end;
    }
    if (end == n)
        return 0;  // a lone column or row is not a reference
    shape = first.row == 0 ? RefShape::Columns : RefShape::Rows;
    return end;
}

namespace {

class Lexer {
  public:
    explicit Lexer(std::string_view s) : m_s(s) {}

    TokenList Run() {
        m_tokens.reserve(m_s.size() / 2 + 2);  // growing would move every token again
        if (!m_s.empty() && m_s[0] == '=')
            Push(TokenKind::Operator, 1, OperatorKind::Equal);
        while (m_pos < m_s.size())
            Next();
        return std::move(m_tokens);
    }

  private:
    [[noreturn]] void Fail(const std::string& what) const { throw FormulaSyntaxError(what, m_pos); }

    Token& Push(TokenKind kind, std::size_t length, OperatorKind op = OperatorKind::None) {
        Token t;
        t.kind = kind;
        t.op = op;
        t.text = std::string(m_s.substr(m_pos, length));
        m_pos += length;
        m_tokens.push_back(std::move(t));
        return m_tokens.back();
    }

    char At(std::size_t i) const { return i < m_s.size() ? m_s[i] : '\0'; }

    void Next() {
        char c = m_s[m_pos];
        if (IsSpace(c)) {
            std::size_t e = m_pos;
            while (e < m_s.size() && IsSpace(m_s[e]))
                ++e;
            Push(TokenKind::Whitespace, e - m_pos);
            return;
        }
        switch (c) {
            case '"':
                return String();
            case '#':
                return ErrorLiteral();
            case '\'':
                return QuotedPrefix();
            case '[':
                return Bracket();
            case '(':
                Push(TokenKind::OpenParen, 1);
                return;
            case ')':
                Push(TokenKind::CloseParen, 1);
                return;
            case '{':
                Push(TokenKind::ArrayOpen, 1);
                return;
            case '}':
                Push(TokenKind::ArrayClose, 1);
                return;
            case ',':
                Push(TokenKind::Comma, 1);
                return;
            case ';':
                Push(TokenKind::Semicolon, 1);
                return;
            case '+':
                Push(TokenKind::Operator, 1, OperatorKind::Plus);
                return;
            case '-':
                Push(TokenKind::Operator, 1, OperatorKind::Minus);
                return;
            case '*':
                Push(TokenKind::Operator, 1, OperatorKind::Multiply);
                return;
            case '/':
                Push(TokenKind::Operator, 1, OperatorKind::Divide);
                return;
            case '^':
                Push(TokenKind::Operator, 1, OperatorKind::Power);
                return;
            case '&':
                Push(TokenKind::Operator, 1, OperatorKind::Concat);
                return;
            case '%':
                Push(TokenKind::Operator, 1, OperatorKind::Percent);
                return;
            case '@':
                Push(TokenKind::Operator, 1, OperatorKind::At);
                return;
            case ':':
                Push(TokenKind::Operator, 1, OperatorKind::Range);
                return;
            case '=':
                Push(TokenKind::Operator, 1, OperatorKind::Equal);
                return;
            case '<':
                if (At(m_pos + 1) == '=') {
                    Push(TokenKind::Operator, 2, OperatorKind::LessEqual);
                } else if (At(m_pos + 1) == '>') {
                    Push(TokenKind::Operator, 2, OperatorKind::NotEqual);
                } else {
                    Push(TokenKind::Operator, 1, OperatorKind::Less);
                }
                return;
            case '>':
                if (At(m_pos + 1) == '=') {
                    Push(TokenKind::Operator, 2, OperatorKind::GreaterEqual);
                } else {
                    Push(TokenKind::Operator, 1, OperatorKind::Greater);
                }
                return;
            default:
                break;
        }
        if (IsDigit(c) || (c == '.' && IsDigit(At(m_pos + 1)))) {
            if (TryArea(SheetPrefix{}, m_pos, false))
                return;
            return Number();
        }
        if (c == '$') {
            if (TryArea(SheetPrefix{}, m_pos, false))
                return;
            Fail("unexpected '$'");
        }
        if (IsNameStart(c))
            return Word();
        Fail(std::string("unexpected character '") + c + "'");
    }

    void String() {
        std::size_t e = m_pos + 1;
        for (;;) {
            if (e >= m_s.size())
                Fail("unterminated string");
            if (m_s[e] == '"') {
                if (At(e + 1) == '"') {
                    e += 2;
                    continue;
                }
                break;
            }
            ++e;
        }
        Push(TokenKind::String, e + 1 - m_pos);
    }

    void ErrorLiteral() {
        for (std::string_view lit : kErrorLiterals) {
            if (EqualsNoCase(m_s.substr(m_pos, lit.size()), lit)) {
                Push(TokenKind::Error, lit.size());
                return;
            }
        }
        Fail("unknown error literal");
    }

    void Number() {
        std::size_t e = m_pos;
        while (IsDigit(At(e)))
            ++e;
        if (At(e) == '.') {
            ++e;
            while (IsDigit(At(e)))
                ++e;
        }
        if ((At(e) == 'e' || At(e) == 'E') &&
            (IsDigit(At(e + 1)) ||
             ((At(e + 1) == '+' || At(e + 1) == '-') && IsDigit(At(e + 2))))) {
            e += 2;
            while (IsDigit(At(e)))
                ++e;
        }
        std::string text(m_s.substr(m_pos, e - m_pos));
        Token& t = Push(TokenKind::Number, e - m_pos);
        t.number = std::strtod(text.c_str(), nullptr);
    }

    // An area (or Sheet!#REF!, or a qualified name) starting at `from`; the token
    // covers m_pos .. end. Returns false when nothing fits.
    bool TryArea(const SheetPrefix& prefix, std::size_t from, bool nameAllowed) {
        Token t;
        std::size_t n = ReadArea(m_s.substr(from), t.shape, t.first, t.last);
        if (n > 0) {
            t.kind = TokenKind::Reference;
        } else if (prefix.present && EqualsNoCase(m_s.substr(from, 5), "#REF!")) {
            t.kind = TokenKind::Reference;
            t.shape = RefShape::Invalid;
            n = 5;
        } else if (nameAllowed && IsNameStart(At(from))) {
            n = 0;
            while (IsNameChar(At(from + n)))
                ++n;
            t.kind = TokenKind::Name;
        } else {
            return false;
        }
        t.prefix = prefix;
        t.text = std::string(m_s.substr(m_pos, from + n - m_pos));
        m_pos = from + n;
        m_tokens.push_back(std::move(t));
        return true;
    }

    // Sheet[:Sheet] inside a prefix (the part before '!'), book part already removed.
    static void SplitSheets(std::string_view text, SheetPrefix& prefix) {
        std::size_t colon = text.find(':');
        if (colon == std::string_view::npos) {
            prefix.sheet = std::string(text);
        } else {
            prefix.sheet = std::string(text.substr(0, colon));
            prefix.sheetLast = std::string(text.substr(colon + 1));
        }
    }

    void QuotedPrefix() {
        std::string inner;
        std::size_t e = m_pos + 1;
        for (;;) {
            if (e >= m_s.size())
                Fail("unterminated quoted sheet name");
            if (m_s[e] == '\'') {
                if (At(e + 1) == '\'') {
                    inner += '\'';
                    e += 2;
                    continue;
                }
                break;
            }
            inner += m_s[e++];
        }
        if (At(e + 1) != '!')
            Fail("quoted sheet name without '!'");
        SheetPrefix prefix;
        prefix.present = true;
        prefix.quoted = true;
        std::string_view rest = inner;
        if (!rest.empty() && rest[0] == '[') {
            std::size_t close = rest.find(']');
            if (close == std::string_view::npos)
                Fail("unterminated workbook name");
            prefix.hasBook = true;
            prefix.book = std::string(rest.substr(1, close - 1));
            rest = rest.substr(close + 1);
        }
        SplitSheets(rest, prefix);
        if (!TryArea(prefix, e + 2, true))
            Fail("nothing after sheet name");
    }

    void Bracket() {
        std::size_t close = m_s.find(']', m_pos);
        if (close != std::string_view::npos && m_s.substr(m_pos + 1, 1) != "[" &&
            m_s.substr(m_pos + 1, 1) != "@" && m_s.substr(m_pos + 1, 1) != "#") {
            std::size_t e = close + 1;
            std::size_t sheetStart = e;
            while (IsNameChar(At(e)))
                ++e;
            if (At(e) == ':' && IsNameStart(At(e + 1))) {
                std::size_t f = e + 1;
                while (IsNameChar(At(f)))
                    ++f;
                if (At(f) == '!')
                    e = f;
            }
            if (At(e) == '!') {
                SheetPrefix prefix;
                prefix.present = true;
                prefix.hasBook = true;
                prefix.book = std::string(m_s.substr(m_pos + 1, close - m_pos - 1));
                SplitSheets(m_s.substr(sheetStart, e - sheetStart), prefix);
                if (TryArea(prefix, e + 1, true))
                    return;
                Fail("nothing after workbook reference");
            }
        }
        StructuredTail(m_pos, TokenKind::StructuredRef);
    }

    // A bracketed table specifier starting at `open`; the token covers m_pos .. its end.
    void StructuredTail(std::size_t open, TokenKind kind) {
        int depth = 0;
        std::size_t e = open;
        do {
            if (e >= m_s.size())
                Fail("unterminated table reference");
            char c = m_s[e];
            if (c == '\'' && e + 1 < m_s.size()) {
                e += 2;  // an escaped character inside a column name
                continue;
            }
            if (c == '[')
                ++depth;
            if (c == ']')
                --depth;
            ++e;
        } while (depth > 0);
        Push(kind, e - m_pos);
    }

    void Word() {
        std::size_t e = m_pos;
        while (IsNameChar(At(e)))
            ++e;
        // Sheet!... or Sheet1:Sheet3!...
        std::size_t bang = std::string_view::npos;
        if (At(e) == '!') {
            bang = e;
        } else if (At(e) == ':' && IsNameStart(At(e + 1))) {
            std::size_t f = e + 1;
            while (IsNameChar(At(f)))
                ++f;
            if (At(f) == '!')
                bang = f;
        }
        if (bang != std::string_view::npos) {
            SheetPrefix prefix;
            prefix.present = true;
            SplitSheets(m_s.substr(m_pos, bang - m_pos), prefix);
            if (TryArea(prefix, bang + 1, true))
                return;
            Fail("nothing after sheet name");
        }
        if (At(e) == '(') {
            Push(TokenKind::Function, e - m_pos);
            return;
        }
        if (At(e) == '[')
            return StructuredTail(e, TokenKind::StructuredRef);
        if (TryArea(SheetPrefix{}, m_pos, false))
            return;
        std::string_view word = m_s.substr(m_pos, e - m_pos);
        if (EqualsNoCase(word, "TRUE") || EqualsNoCase(word, "FALSE")) {
            Token& t = Push(TokenKind::Boolean, e - m_pos);
            t.number = EqualsNoCase(word, "TRUE") ? 1 : 0;
            return;
        }
        Push(TokenKind::Name, e - m_pos);
    }

    std::string_view m_s;
    std::size_t m_pos = 0;
    TokenList m_tokens;
};

}  // namespace

TokenList Tokenize(std::string_view formula) {
    return Lexer(formula).Run();
}

}  // namespace tabulon::spreadsheet::formula
