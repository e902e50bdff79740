#include "spreadsheet/reader/formula_shifter.h"

#include <cctype>

#include "spreadsheet/address.h"

namespace tabulon::spreadsheet {
namespace {

bool IsNameChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '_' || c == '.' || c == '$' || c == '\\' || u >= 0x80;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsAlpha(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The parts of a reference token such as "$B7", "C", or "$12".
struct RefParts {
    bool colAbs = false, rowAbs = false;
    int col = 0, row = 0;  // 0 when the part is absent
};

// Reads "$?letters$?digits", "$?letters" or "$?digits" as a whole token.
bool ParseRefToken(std::string_view t, RefParts& p) {
    std::size_t i = 0;
    bool dollar = i < t.size() && t[i] == '$';
    if (dollar)
        ++i;
    const std::size_t letters = i;
    while (i < t.size() && IsAlpha(t[i]))
        ++i;
    if (i > letters) {
        p.colAbs = dollar;
        p.col = ColumnFromLetters(t.substr(letters, i - letters));
        if (p.col < 0)
            return false;
        dollar = i < t.size() && t[i] == '$';
        if (dollar)
            ++i;
    }
    const std::size_t digits = i;
    while (i < t.size() && IsDigit(t[i]))
        ++i;
    if (i != t.size())
        return false;
    if (i > digits) {
        if (i - digits > 7)
            return false;
        p.rowAbs = dollar;
        p.row = std::stoi(std::string(t.substr(digits)));
        if (p.row < 1 || p.row > kMaxRows)
            return false;
    } else if (dollar) {
        return false;  // "A$" alone
    }
    return p.col > 0 || p.row > 0;
}

// Appends the moved reference; false when it leaves the grid.
bool AppendShifted(const RefParts& p, int rows, int cols, std::string& out) {
    int col = p.col, row = p.row;
    if (col > 0 && !p.colAbs)
        col += cols;
    if (row > 0 && !p.rowAbs)
        row += rows;
    if ((p.col > 0 && (col < 1 || col > kMaxColumns)) ||
        (p.row > 0 && (row < 1 || row > kMaxRows))) {
        return false;
    }
    if (p.col > 0) {
        if (p.colAbs)
            out += '$';
        out += ColumnLetters(col);
    }
    if (p.row > 0) {
        if (p.rowAbs)
            out += '$';
        out += std::to_string(row);
    }
    return true;
}

std::size_t TokenEnd(std::string_view f, std::size_t i) {
    while (i < f.size() && IsNameChar(f[i]))
        ++i;
    return i;
}

// Copies a quoted run ("..." or '...', doubled quotes inside) and returns the
// position after it; an unterminated run ends the formula.
std::size_t CopyQuoted(std::string_view f, std::size_t i, std::string& out) {
    const char quote = f[i];
    out += f[i++];
    while (i < f.size()) {
        out += f[i];
        if (f[i] == quote) {
            if (i + 1 < f.size() && f[i + 1] == quote) {
                out += f[i + 1];
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return i;
}

std::size_t CopyBracketed(std::string_view f, std::size_t i, std::string& out) {
    int depth = 0;
    while (i < f.size()) {
        const char c = f[i];
        out += c;
        ++i;
        if (c == '[')
            ++depth;
        if (c == ']' && --depth == 0)
            break;
    }
    return i;
}

}  // namespace

void ShiftFormula(std::string_view f, int rows, int cols, std::string& out) {
    out.clear();
    out.reserve(f.size() + 8);
    std::size_t i = 0;
    while (i < f.size()) {
        const char c = f[i];
        if (c == '"' || c == '\'') {
            i = CopyQuoted(f, i, out);
            continue;
        }
        if (c == '[') {
            i = CopyBracketed(f, i, out);
            continue;
        }
        if (c == '#') {
            // Error literal such as #REF! or #N/A.
            out += c;
            ++i;
            while (i < f.size() && (std::isalnum(static_cast<unsigned char>(f[i])) || f[i] == '/'))
                out += f[i++];
            if (i < f.size() && (f[i] == '!' || f[i] == '?'))
                out += f[i++];
            continue;
        }
        if (!IsNameChar(c)) {
            out += c;
            ++i;
            continue;
        }
        const std::size_t end = TokenEnd(f, i);
        const std::string_view token = f.substr(i, end - i);
        const char next = end < f.size() ? f[end] : '\0';
        RefParts first;
        if (next == '(' || next == '!' || next == '[' || !ParseRefToken(token, first)) {
            // Function, sheet prefix, table, name, number or logical.
            out += token;
            i = end;
            // A number's exponent sign must not start a new token: 1E+10 stays whole.
            continue;
        }
        RefParts second;
        if (first.col > 0 && first.row > 0) {
            // A cell, or the first corner of an area: an area leaves the grid as a whole.
            std::size_t stop = end;
            std::string moved;
            bool ok = AppendShifted(first, rows, cols, moved);
            if (next == ':') {
                const std::size_t end2 = TokenEnd(f, end + 1);
                if (ParseRefToken(f.substr(end + 1, end2 - end - 1), second) && second.col > 0 &&
                    second.row > 0) {
                    moved += ':';
                    ok = AppendShifted(second, rows, cols, moved) && ok;
                    stop = end2;
                }
            }
            out += ok ? moved : std::string("#REF!");
            i = stop;
            continue;
        }
        // A column ("A") or row ("3") part counts only as one side of a range
        // of whole columns or rows: A:C, $2:$5.
        if (next == ':') {
            const std::size_t end2 = TokenEnd(f, end + 1);
            if (ParseRefToken(f.substr(end + 1, end2 - end - 1), second) &&
                (second.col > 0) == (first.col > 0) && (second.row > 0) == (first.row > 0)) {
                std::string range;
                const bool ok = AppendShifted(first, rows, cols, range) &&
                                (range += ':', AppendShifted(second, rows, cols, range));
                out += ok ? range : std::string("#REF!");
                i = end2;
                continue;
            }
        }
        out += token;
        i = end;
    }
}

}  // namespace tabulon::spreadsheet
