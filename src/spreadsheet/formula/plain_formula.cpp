#include "spreadsheet/formula/plain_formula.h"

#include <charconv>

namespace tabulon::spreadsheet::formula {

namespace {

void AppendInt(std::string& out, int value) {
    char buffer[16];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end);
}

bool IsWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '$' || c == '.';
}

bool IsOperatorChar(char c) {
    switch (c) {
        case '+':
        case '-':
        case '*':
        case '/':
        case '^':
        case '&':
        case '=':
        case '<':
        case '>':
        case '%':
        case '(':
        case ')':
        case ',':
        case ':':
        case ' ':
            return true;
        default:
            return false;
    }
}

// "$AB$12" as one cell: its parts, or false.
bool ReadCell(std::string_view word, RefPart& part) {
    std::size_t i = 0;
    part = RefPart{};
    if (i < word.size() && word[i] == '$') {
        part.colAbsolute = true;
        ++i;
    }
    const std::size_t letters = i;
    int col = 0;
    while (i < word.size() && word[i] >= 'A' && word[i] <= 'Z' && i - letters < 3)
        col = col * 26 + (word[i++] - 'A' + 1);
    if (i == letters || col > kMaxColumns)
        return false;
    if (i < word.size() && word[i] == '$') {
        part.rowAbsolute = true;
        ++i;
    }
    const std::size_t digits = i;
    long row = 0;
    while (i < word.size() && word[i] >= '0' && word[i] <= '9' && i - digits < 7)
        row = row * 10 + (word[i++] - '0');
    if (i != word.size() || i == digits || word[digits] == '0' || row > kMaxRows)
        return false;
    part.col = col;
    part.row = static_cast<int>(row);
    return true;
}

bool HasAny(std::string_view word, char from, char to) {
    for (const char c : word) {
        if (c >= from && c <= to)
            return true;
    }
    return false;
}

// Walks a plain formula: text(part) for what stands as written (operators, numbers,
// function names), cell(part) for each cell reference. False, part way, for a formula
// that is not plain.
template <class OnText, class OnCell>
bool Walk(std::string_view formula, OnText&& text, OnCell&& cell) {
    std::size_t i = 0;
    while (i < formula.size()) {
        const char c = formula[i];
        if (IsOperatorChar(c)) {
            text(formula.substr(i, 1), false);
            ++i;
            continue;
        }
        if (!IsWordChar(c))
            return false;
        const std::size_t start = i;
        while (i < formula.size() && IsWordChar(formula[i]))
            ++i;
        const std::string_view word = formula.substr(start, i - start);
        const bool call = i < formula.size() && formula[i] == '(';
        RefPart part;
        if (!call && ReadCell(word, part)) {
            if (!cell(part))
                return false;
            continue;
        }
        // Anything else must be what the lexer could not take for a reference at any
        // place: a plain number, a function's name before its '(', or a name of letters
        // alone ("TRUE"), none of them next to a ':' (whole columns and rows, "A:C",
        // "3:5", are relative too). Numbers with an exponent and the like are left to
        // the lexer.
        const bool inRange =
            (i < formula.size() && formula[i] == ':') || (start > 0 && formula[start - 1] == ':');
        const bool startsWithDigit =
            word.front() == '.' || (word.front() >= '0' && word.front() <= '9');
        const bool hasDigit = HasAny(word, '0', '9');
        const bool number = startsWithDigit && !HasAny(word, 'A', 'Z');
        const bool function = !startsWithDigit && call;
        const bool name = !startsWithDigit && !hasDigit;
        if (inRange || word.find('$') != std::string_view::npos || !(number || function || name))
            return false;
        text(word, true);
    }
    return true;
}

}  // namespace

void AppendRelativePart(std::string& key, const RefPart& part, CellRef origin) {
    key += part.rowAbsolute ? 'R' : 'r';
    AppendInt(key, part.row == 0 || part.rowAbsolute ? part.row : part.row - origin.row);
    key += part.colAbsolute ? 'C' : 'c';
    AppendInt(key, part.col == 0 || part.colAbsolute ? part.col : part.col - origin.col);
}

bool PlainRelativeKey(std::string_view formula, CellRef origin, std::string& key) {
    key.clear();
    return Walk(
        formula,
        [&](std::string_view part, bool word) {
            key += part;
            if (word)
                key += '\x02';
        },
        [&](const RefPart& part) {
            key += '\x01';
            AppendRelativePart(key, part, origin);
            return true;
        });
}

bool MovePlainFormula(std::string_view formula, int dRows, int dCols, std::string& out) {
    out.clear();
    return Walk(
        formula, [&](std::string_view part, bool) { out += part; },
        [&](RefPart part) {
            if (!part.colAbsolute) {
                part.col += dCols;
                if (part.col < 1 || part.col > kMaxColumns)
                    return false;
            }
            if (!part.rowAbsolute) {
                part.row += dRows;
                if (part.row < 1 || part.row > kMaxRows)
                    return false;
            }
            if (part.colAbsolute)
                out += '$';
            out += ColumnLetters(part.col);
            if (part.rowAbsolute)
                out += '$';
            AppendInt(out, part.row);
            return true;
        });
}

}  // namespace tabulon::spreadsheet::formula
