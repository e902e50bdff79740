#include "spreadsheet/formula/printer.h"

#include "spreadsheet/address.h"
#include "spreadsheet/formula/lexer.h"

namespace tabulon::spreadsheet::formula {

namespace {

void AppendPart(std::string& out, const RefPart& part) {
    if (part.col != 0) {
        if (part.colAbsolute)
            out += '$';
        out += ColumnLetters(part.col);
    }
    if (part.row != 0) {
        if (part.rowAbsolute)
            out += '$';
        out += std::to_string(part.row);
    }
}

void AppendQuoted(std::string& out, std::string_view text) {
    for (char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
}

}  // namespace

std::string PrintTokens(const TokenList& tokens) {
    std::string out;
    for (const Token& t : tokens)
        out += t.text;
    return out;
}

bool SheetNeedsQuotes(std::string_view sheet) {
    if (sheet.empty())
        return false;
    for (char c : sheet) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     c == '_' || c == '.' || static_cast<unsigned char>(c) >= 0x80;
        if (!plain)
            return true;
    }
    if (sheet[0] >= '0' && sheet[0] <= '9')
        return true;
    RefShape shape;
    RefPart a, b;
    // A name that reads as a cell (A1, XFD2) or as R1C1-like text would be misread.
    if (ReadArea(sheet, shape, a, b) == sheet.size())
        return true;
    if (sheet[0] == 'R' || sheet[0] == 'r' || sheet[0] == 'C' || sheet[0] == 'c') {
        std::size_t i = 1;
        while (i < sheet.size() && sheet[i] >= '0' && sheet[i] <= '9')
            ++i;
        if (i == sheet.size() || sheet[i] == 'C' || sheet[i] == 'c')
            return true;
    }
    return false;
}

std::string FormatPrefix(const SheetPrefix& prefix) {
    if (!prefix.present)
        return {};
    bool quote =
        prefix.quoted || SheetNeedsQuotes(prefix.sheet) || SheetNeedsQuotes(prefix.sheetLast);
    std::string body;
    if (prefix.hasBook)
        body += "[" + prefix.book + "]";
    body += prefix.sheet;
    if (!prefix.sheetLast.empty())
        body += ":" + prefix.sheetLast;
    if (!quote)
        return body + "!";
    std::string out = "'";
    AppendQuoted(out, body);
    return out + "'!";
}

std::string FormatArea(RefShape shape, const RefPart& first, const RefPart& last) {
    std::string out;
    switch (shape) {
        case RefShape::Invalid:
            return "#REF!";
        case RefShape::Cell:
            AppendPart(out, first);
            return out;
        case RefShape::Area:
        case RefShape::Columns:
        case RefShape::Rows:
            AppendPart(out, first);
            out += ':';
            AppendPart(out, last);
            return out;
    }
    return out;
}

std::string FormatToken(const Token& token) {
    if (token.kind == TokenKind::Reference)
        return FormatPrefix(token.prefix) + FormatArea(token.shape, token.first, token.last);
    if (token.kind == TokenKind::Name) {
        std::string prefix = FormatPrefix(token.prefix);
        std::size_t bang = token.text.rfind('!');
        std::string_view name = token.text;
        if (token.prefix.present && bang != std::string::npos)
            name = name.substr(bang + 1);
        return prefix + std::string(name);
    }
    return token.text;
}

}  // namespace tabulon::spreadsheet::formula
