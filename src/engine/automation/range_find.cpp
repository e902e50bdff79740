// Range::Find, as the application searches:
// - After omitted means the range's first cell; the search starts at the cell after
//   After and comes back round to After itself last.
// - LookIn xlValues compares what a cell shows (its display text; a number also
//   matches its plain text, so "1234.5" finds a cell showing 1,234.50); xlFormulas
//   compares "=" and the formula, or the constant as entered.
// - LookAt xlWhole compares the whole text, xlPart any part of it.
// - '*' stands for any run, '?' for one character; '~' makes the next character
//   literal ("~*", "~?", "~~").
// - MatchCase omitted or false compares without regard to (ASCII) case.
// Cost: a whole-cell search of one column without wildcards is answered from the
// sheet's FindIndex; anything else visits the stored cells of the range once.
#include <algorithm>
#include <climits>
#include <optional>

#include "engine/automation/range.h"
#include "engine/automation/state.h"

namespace tabulon::engine {

using spreadsheet::CellRef;
using spreadsheet::RangeRef;

namespace {

struct Pattern {
    std::string text;  // folded unless case matters; escapes kept
    bool hasWildcards = false;
    std::string literal;   // the text with escapes undone, when no wildcard is active
    bool anyText = false;  // only '*': every cell that shows something matches
};

Pattern MakePattern(std::string what, bool matchCase) {
    Pattern p;
    p.text = matchCase ? what : detail::FoldCase(what);
    for (std::size_t i = 0; i < p.text.size(); ++i) {
        char c = p.text[i];
        if (c == '~' && i + 1 < p.text.size() &&
            (p.text[i + 1] == '*' || p.text[i + 1] == '?' || p.text[i + 1] == '~')) {
            p.literal += p.text[++i];
        } else if (c == '*' || c == '?') {
            p.hasWildcards = true;
        } else {
            p.literal += c;
        }
    }
    p.anyText = p.text.find_first_not_of('*') == std::string::npos;
    return p;
}

// Wildcard match of the whole `text` against `pattern` (iterative, with one
// backtracking point for the last '*': linear in practice, never recursive).
bool WildMatch(std::string_view pattern, std::string_view text) {
    std::size_t p = 0, t = 0, starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size()) {
            char c = pattern[p];
            if (c == '*') {
                starP = ++p;
                starT = t;
                continue;
            }
            if (c == '~' && p + 1 < pattern.size() &&
                (pattern[p + 1] == '*' || pattern[p + 1] == '?' || pattern[p + 1] == '~')) {
                if (pattern[p + 1] == text[t]) {
                    p += 2;
                    ++t;
                    continue;
                }
            } else if (c == '?' || c == text[t]) {
                ++p;
                ++t;
                continue;
            }
        }
        if (starP == std::string_view::npos)
            return false;
        p = starP;
        t = ++starT;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

struct Search {
    Pattern pattern;
    bool formulas = false;
    bool whole = false;
    bool matchCase = false;

    bool Matches(std::string text) const {
        if (!matchCase)
            text = detail::FoldCase(std::move(text));
        if (whole)
            return WildMatch(pattern.text, text);
        return WildMatch("*" + pattern.text + "*", text);
    }

    bool CellMatches(detail::SheetState& state, CellRef cell) const {
        if (!formulas)
            detail::CalculatedValue(state, cell);
        if (pattern.anyText) {
            // The texts FindTexts would give are matched by any run: only their
            // presence counts, so they are not made.
            const spreadsheet::CellView view = state.sheet->Cell(cell);
            return (formulas && view.kind == spreadsheet::CellKind::Formula) ||
                   view.valueKind != spreadsheet::ValueKind::Empty;
        }
        detail::CellTexts texts;
        if (!detail::FindTexts(*state.sheet, cell, formulas, texts))
            return false;
        return Matches(texts.shown) || (!texts.plain.empty() && Matches(texts.plain));
    }
};

long ArgLong(const COleVariant& v, long fallback) {
    return v.IsOmitted() || v.IsEmpty() ? fallback : v.ToLong();
}

// Position of a cell in search order within `area`, as one number.
long long OrderKey(const RangeRef& area, CellRef c, bool byColumns) {
    if (byColumns)
        return static_cast<long long>(c.col - area.first.col) * area.Rows() +
               (c.row - area.first.row);
    return static_cast<long long>(c.row - area.first.row) * area.Columns() +
           (c.col - area.first.col);
}

}  // namespace

Range Range::Find(const COleVariant& what, const COleVariant& after, const COleVariant& lookIn,
                  const COleVariant& lookAt, const COleVariant& searchOrder, long searchDirection,
                  const COleVariant& matchCase, const COleVariant& matchByte) const {
    auto& state = Sheet();
    (void)matchByte;  // only meaningful for double-byte languages
    if (what.IsOmitted() || what.IsArray())
        throw ComError(DISP_E_TYPEMISMATCH, "Find: What must be a value.");
    Search search;
    search.matchCase = !matchCase.IsOmitted() && matchCase.ToBool();
    search.formulas = ArgLong(lookIn, xlValues) == xlFormulas;
    search.whole = ArgLong(lookAt, xlPart) == xlWhole;
    const bool byColumns = ArgLong(searchOrder, xlByRows) == xlByColumns;
    const bool backwards = searchDirection == xlPrevious;
    // A date is looked for as the serial it has in the searched workbook.
    std::string text =
        what.Type() == VT_DATE
            ? COleVariant(detail::SerialOfDate(*state.book->workbook, what.Double())).ToText().Str()
            : what.ToText().Str();
    if (text.empty())
        return {};
    search.pattern = MakePattern(text, search.matchCase);

    CellRef start = m_area.first;
    if (!after.IsOmitted() && !after.IsEmpty()) {
        if (after.Type() != VT_BSTR)
            throw ComError(DISP_E_TYPEMISMATCH, "Find: After must be a cell address.");
        auto cell = spreadsheet::ParseCellRef(after.Text().Str());
        if (!cell || !m_area.Contains(*cell)) {
            CString message;
            message.Format("Find: After (%s) must be a cell of the range searched.",
                           after.Text().GetString());
            throw ComError(XL_E_APPLICATION, message);
        }
        start = *cell;
    }
    const long long startKey = OrderKey(m_area, start, byColumns);
    // The best candidate so far: the first after `start` in search order, else the
    // first from the beginning (which comes round last).
    long long bestAfter = LLONG_MAX, bestWrap = LLONG_MAX;
    CellRef foundAfter{}, foundWrap{};
    auto consider = [&](CellRef c) {
        long long key = OrderKey(m_area, c, byColumns);
        if (backwards)
            key = -key;
        long long s = backwards ? -startKey : startKey;
        if (key > s) {
            if (key < bestAfter) {
                bestAfter = key;
                foundAfter = c;
            }
        } else if (key < bestWrap) {
            bestWrap = key;
            foundWrap = c;
        }
    };

    bool indexed = false;
    if (search.whole && !search.pattern.hasWildcards && m_area.first.col == m_area.last.col) {
        if (const detail::FindKeyTable* table = state.index.Table(*state.sheet, m_area.first.col)) {
            indexed = true;
            const auto rows =
                table->RowSpan(search.formulas, detail::FoldCase(search.pattern.literal));
            auto lo = std::lower_bound(rows.first, rows.second, m_area.first.row);
            auto hi = std::upper_bound(rows.first, rows.second, m_area.last.row);
            if (!search.matchCase) {
                // Rows ascend: the candidates next to `start` settle it at once.
                auto next = std::upper_bound(lo, hi, start.row);
                if (!backwards) {
                    if (next != hi)
                        consider({*next, m_area.first.col});
                    if (lo != hi)
                        consider({*lo, m_area.first.col});
                } else {
                    auto prev = std::lower_bound(lo, hi, start.row);
                    if (prev != lo)
                        consider({*(prev - 1), m_area.first.col});
                    if (lo != hi)
                        consider({*(hi - 1), m_area.first.col});
                }
            } else {
                for (auto it = lo; it != hi; ++it)
                    if (search.CellMatches(state, {*it, m_area.first.col}))
                        consider({*it, m_area.first.col});
            }
        }
    }
    if (!indexed && search.formulas && search.pattern.anyText && backwards &&
        start == m_area.first) {
        // Every stored value or formula matches, and searching back from the first cell
        // comes round to the last of them in search order: it lies on the last row (or
        // column) of the used box that holds one, so only that line is read.
        if (auto used = state.sheet->UsedExtent(false)) {
            const RangeRef r{{std::max(m_area.first.row, used->first.row),
                              std::max(m_area.first.col, used->first.col)},
                             {std::min(m_area.last.row, used->last.row),
                              std::min(m_area.last.col, used->last.col)}};
            const int lines = byColumns ? r.last.col - r.first.col : r.last.row - r.first.row;
            for (int back = 0; back <= lines; ++back) {
                const RangeRef line = byColumns ? RangeRef{{r.first.row, r.last.col - back},
                                                           {r.last.row, r.last.col - back}}
                                                : RangeRef{{r.last.row - back, r.first.col},
                                                           {r.last.row - back, r.last.col}};
                std::optional<CellRef> last;
                state.sheet->ForEachCell(line, spreadsheet::IterationOrder::RowByRow,
                                         [&](const spreadsheet::CellView& v) {
                                             if (v.kind == spreadsheet::CellKind::Formula ||
                                                 v.valueKind != spreadsheet::ValueKind::Empty)
                                                 last = v.ref;
                                         });
                if (last)
                    return Make({*last, *last});
            }
        }
        return {};
    }
    if (!indexed) {
        RangeRef r = m_area;
        if (auto used = state.sheet->UsedExtent(false)) {
            r.last.row = std::min(r.last.row, used->last.row);
            r.last.col = std::min(r.last.col, used->last.col);
        } else {
            return {};
        }
        if (r.first.row > r.last.row || r.first.col > r.last.col)
            return {};
        if (!search.formulas)
            detail::CalculateStale(state, r);
        std::vector<CellRef> cells;
        state.sheet->ForEachCell(r, spreadsheet::IterationOrder::RowByRow,
                                 [&](const spreadsheet::CellView& v) { cells.push_back(v.ref); });
        for (CellRef c : cells)
            if (search.CellMatches(state, c))
                consider(c);
    }
    if (bestAfter != LLONG_MAX)
        return Make({foundAfter, foundAfter});
    if (bestWrap != LLONG_MAX)
        return Make({foundWrap, foundWrap});
    return {};
}

Range Range::FindWhole(const COleVariant& what, bool literal) const {
    auto& state = Sheet();
    auto findIn = [&](long lookIn, const COleVariant& text) {
        const COleVariant omitted = COleVariant::Omitted();
        return Find(text, omitted, COleVariant(lookIn), COleVariant(xlWhole),
                    COleVariant(xlByColumns), xlNext, omitted, omitted);
    };
    // Anything the index cannot answer goes the general way, as two searches.
    auto general = [&] {
        COleVariant text = what;
        if (literal && what.Type() == VT_BSTR) {
            CString escaped = what.Text();
            escaped.Replace("~", "~~");
            escaped.Replace("?", "~?");
            escaped.Replace("*", "~*");
            text = COleVariant(escaped);
        }
        Range found = findIn(xlValues, text);
        if (found.IsEmpty())
            found = findIn(xlFormulas, text);
        return found;
    };
    if (m_area.first.col != m_area.last.col || what.IsOmitted() || what.IsArray() ||
        what.Type() == VT_DATE || (literal && what.Type() != VT_BSTR))
        return general();
    std::string key = what.Type() == VT_BSTR ? what.Text().Str() : what.ToText().Str();
    if (key.empty())
        return {};
    detail::FoldInPlace(key);
    if (!literal && key.find_first_of("*?~") != std::string::npos)
        return general();
    const detail::FindKeyTable* table = state.index.Table(*state.sheet, m_area.first.col);
    if (!table)
        return general();
    // Searching by columns from the first cell of one column: the first row below it
    // that holds the key, else the first cell itself, which comes round last.
    const auto spans = table->RowSpans(key);
    for (const auto& rows : {spans.first, spans.second}) {
        const int* lo = std::lower_bound(rows.first, rows.second, m_area.first.row);
        const int* hi = std::upper_bound(lo, rows.second, m_area.last.row);
        if (lo == hi)
            continue;
        const int* next = std::upper_bound(lo, hi, m_area.first.row);
        const int row = next != hi ? *next : *lo;
        return Make({{row, m_area.first.col}, {row, m_area.first.col}});
    }
    return {};
}

}  // namespace tabulon::engine
