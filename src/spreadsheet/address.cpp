#include "spreadsheet/address.h"

#include <algorithm>
#include <cctype>

namespace tabulon::spreadsheet {

std::string ColumnLetters(int col) {
    if (col < 1 || col > kMaxColumns)
        return {};
    std::string letters;
    while (col > 0) {
        const int r = (col - 1) % 26;
        letters.insert(letters.begin(), static_cast<char>('A' + r));
        col = (col - 1) / 26;
    }
    return letters;
}

int ColumnFromLetters(std::string_view letters) {
    if (letters.empty() || letters.size() > 3)
        return -1;
    int col = 0;
    for (char ch : letters) {
        const unsigned char c =
            static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(ch)));
        if (c < 'A' || c > 'Z')
            return -1;
        col = col * 26 + (c - 'A' + 1);
    }
    return col <= kMaxColumns ? col : -1;
}

std::optional<CellRef> ParseCellRef(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && text[i] == '$')
        ++i;
    const size_t letterStart = i;
    while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])))
        ++i;
    const int col = ColumnFromLetters(text.substr(letterStart, i - letterStart));
    if (col < 0)
        return std::nullopt;
    if (i < text.size() && text[i] == '$')
        ++i;
    if (i >= text.size() || text.size() - i > 7)
        return std::nullopt;
    long row = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return std::nullopt;
        row = row * 10 + (text[i] - '0');
    }
    if (row < 1 || row > kMaxRows)
        return std::nullopt;
    return CellRef{static_cast<int>(row), col};
}

std::optional<RangeRef> ParseRangeRef(std::string_view text) {
    const size_t colon = text.find(':');
    const auto a = ParseCellRef(text.substr(0, colon));
    if (!a)
        return std::nullopt;
    if (colon == std::string_view::npos)
        return RangeRef{*a, *a};
    const auto b = ParseCellRef(text.substr(colon + 1));
    if (!b)
        return std::nullopt;
    return RangeRef{{std::min(a->row, b->row), std::min(a->col, b->col)},
                    {std::max(a->row, b->row), std::max(a->col, b->col)}};
}

namespace {

// "A:C", "$B:$B" (whole columns) or "3:5", "$7:$7" (whole rows); nullopt otherwise.
std::optional<RangeRef> ParseWholeLines(std::string_view text) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    auto strip = [](std::string_view part) {
        std::string out;
        for (char c : part)
            if (c != '$')
                out += c;
        return out;
    };
    const std::string a = strip(text.substr(0, colon));
    const std::string b = strip(text.substr(colon + 1));
    if (a.empty() || b.empty())
        return std::nullopt;
    auto allOf = [](const std::string& s, int (*test)(int)) {
        return std::all_of(s.begin(), s.end(),
                           [&](char c) { return test(static_cast<unsigned char>(c)) != 0; });
    };
    if (allOf(a, std::isalpha) && allOf(b, std::isalpha)) {
        const int c1 = ColumnFromLetters(a), c2 = ColumnFromLetters(b);
        if (c1 < 1 || c2 < 1)
            return std::nullopt;
        return RangeRef{{1, std::min(c1, c2)}, {kMaxRows, std::max(c1, c2)}};
    }
    if (allOf(a, std::isdigit) && allOf(b, std::isdigit) && a.size() <= 7 && b.size() <= 7) {
        const int r1 = std::stoi(a), r2 = std::stoi(b);
        if (r1 < 1 || r2 < 1 || r1 > kMaxRows || r2 > kMaxRows)
            return std::nullopt;
        return RangeRef{{std::min(r1, r2), 1}, {std::max(r1, r2), kMaxColumns}};
    }
    return std::nullopt;
}

}  // namespace

std::optional<RangeRef> ParseAreaRef(std::string_view text) {
    if (auto lines = ParseWholeLines(text))
        return lines;
    return ParseRangeRef(text);
}

std::string FormatCellRef(CellRef cell, bool absolute) {
    std::string text;
    if (absolute)
        text += '$';
    text += ColumnLetters(cell.col);
    if (absolute)
        text += '$';
    text += std::to_string(cell.row);
    return text;
}

std::string FormatRangeRef(const RangeRef& range, bool absolute) {
    if (range.first == range.last)
        return FormatCellRef(range.first, absolute);
    return FormatCellRef(range.first, absolute) + ":" + FormatCellRef(range.last, absolute);
}

}  // namespace tabulon::spreadsheet
