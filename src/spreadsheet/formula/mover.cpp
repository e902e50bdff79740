#include "spreadsheet/formula/mover.h"

#include "spreadsheet/formula/plain_formula.h"

#include "spreadsheet/address.h"
#include "spreadsheet/formula/lexer.h"
#include "spreadsheet/formula/printer.h"

namespace tabulon::spreadsheet::formula {

namespace {

// The text of a token's sheet part as written ("'My sheet'!"), empty when none.
std::string WrittenPrefix(const Token& t) {
    if (!t.prefix.present)
        return {};
    std::size_t bang = t.text.rfind('!');
    return bang == std::string::npos ? std::string() : t.text.substr(0, bang + 1);
}

std::string NameOf(const Token& t) {
    std::size_t bang = t.prefix.present ? t.text.rfind('!') : std::string::npos;
    return bang == std::string::npos ? t.text : t.text.substr(bang + 1);
}

// Shifts the relative parts of one end; false when it leaves the grid.
bool Shift(RefPart& p, int dRows, int dCols) {
    // row 0 / col 0 stand for a whole column / row and never move.
    bool rowOk = true, colOk = true;
    if (p.row != 0 && !p.rowAbsolute) {
        p.row += dRows;
        rowOk = p.row >= 1 && p.row <= kMaxRows;
    }
    if (p.col != 0 && !p.colAbsolute) {
        p.col += dCols;
        colOk = p.col >= 1 && p.col <= kMaxColumns;
    }
    return rowOk && colOk;
}

bool AllDigits(const std::string& s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

}  // namespace

std::string MoveFormula(std::string_view formula, int dRows, int dCols) {
    std::string plain;
    if (MovePlainFormula(formula, dRows, dCols, plain))
        return plain;
    TokenList tokens = Tokenize(formula);
    std::string out;
    for (Token& t : tokens) {
        if (t.kind != TokenKind::Reference || t.shape == RefShape::Invalid ||
            (dRows == 0 && dCols == 0)) {
            out += t.text;
            continue;
        }
        int dr = t.shape == RefShape::Columns ? 0 : dRows;
        int dc = t.shape == RefShape::Rows ? 0 : dCols;
        bool ok = Shift(t.first, dr, dc) && Shift(t.last, dr, dc);
        out += WrittenPrefix(t);
        out += ok ? FormatArea(t.shape, t.first, t.last) : "#REF!";
    }
    return out;
}

std::string RewriteReferences(std::string_view formula,
                              const std::function<bool(Token&)>& rewrite) {
    TokenList tokens = Tokenize(formula);
    std::string out;
    for (Token& t : tokens) {
        if ((t.kind != TokenKind::Reference && t.kind != TokenKind::Name) || !rewrite(t)) {
            out += t.text;
            continue;
        }
        if (t.kind == TokenKind::Name) {
            out += FormatPrefix(t.prefix) + NameOf(t);
        } else {
            out += FormatPrefix(t.prefix) + FormatArea(t.shape, t.first, t.last);
        }
    }
    return out;
}

std::string RewriteSheets(std::string_view formula,
                          const std::function<void(SheetPrefix&)>& rewrite) {
    return RewriteReferences(formula, [&](Token& t) {
        SheetPrefix before = t.prefix;
        rewrite(t.prefix);
        if (t.prefix == before)
            return false;
        if (t.prefix.hasBook && !AllDigits(t.prefix.book))
            t.prefix.quoted = true;
        if (t.kind == TokenKind::Name && !before.present) {
            // The bare name's text is all there is; keep it as the name part.
            t.text = NameOf(t);
        }
        return true;
    });
}

}  // namespace tabulon::spreadsheet::formula
