#include "engine/automation/find_index.h"

#include <cstdio>

#include "spreadsheet/worksheet.h"

namespace tabulon::engine::detail {

using spreadsheet::CellKind;
using spreadsheet::CellRef;
using spreadsheet::RangeRef;
using spreadsheet::ValueKind;
using spreadsheet::Worksheet;

namespace {

// Writes touching more rows than this drop a column's index instead of updating it.
constexpr int kMaxRowsUpdated = 256;

std::string PlainNumber(double d) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", d);
    return buffer;
}

}  // namespace

void FoldInPlace(std::string& text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
}

std::string FoldCase(std::string text) {
    FoldInPlace(text);
    return text;
}

bool FindTexts(const Worksheet& sheet, CellRef cell, bool formulas, CellTexts& out) {
    spreadsheet::CellView view = sheet.Cell(cell);
    out.plain.clear();
    if (formulas && view.kind == CellKind::Formula) {
        out.shown.clear();
        out.shown.push_back('=');
        out.shown.append(view.formula);
        return true;
    }
    switch (view.valueKind) {
        case ValueKind::Empty:
            return false;
        case ValueKind::Number:
            if (formulas) {
                out.shown = PlainNumber(view.number);
            } else {
                out.shown = sheet.DisplayText(cell);
                out.plain = PlainNumber(view.number);
                if (out.plain == out.shown)
                    out.plain.clear();
            }
            return true;
        case ValueKind::Text:
            out.shown = view.text;
            return true;
        case ValueKind::Boolean:
            out.shown = view.number != 0 ? "TRUE" : "FALSE";
            return true;
        case ValueKind::Error:
            out.shown = spreadsheet::ErrorText(view.error);
            return true;
    }
    return false;
}

bool FindIndex::AddCell(Column& column, const Worksheet& sheet, CellRef cell) {
    return AddView(column, sheet, sheet.Cell(cell));
}

bool FindIndex::AddView(Column& column, const Worksheet& sheet, const spreadsheet::CellView& view) {
    const CellRef cell = view.ref;
    if (view.kind == CellKind::Formula)
        return false;
    if (view.valueKind == ValueKind::Text) {
        // A constant text shows itself and is its own formula text: one key for both.
        std::string& folded = m_scratch;
        folded.assign(view.text);
        FoldInPlace(folded);
        column.keys.InsertBoth(folded, cell.row);
        return true;
    }
    CellTexts texts;
    if (FindTexts(sheet, cell, false, texts)) {
        column.keys.Insert(false, FoldCase(texts.shown), cell.row);
        if (!texts.plain.empty())
            column.keys.Insert(false, FoldCase(texts.plain), cell.row);
    }
    if (FindTexts(sheet, cell, true, texts))
        column.keys.Insert(true, FoldCase(texts.shown), cell.row);
    return true;
}

void FindIndex::RemoveCell(Column& column, const Worksheet& sheet, CellRef cell) {
    CellTexts texts;
    if (FindTexts(sheet, cell, false, texts)) {
        column.keys.Erase(false, FoldCase(texts.shown), cell.row);
        if (!texts.plain.empty())
            column.keys.Erase(false, FoldCase(texts.plain), cell.row);
    }
    if (FindTexts(sheet, cell, true, texts))
        column.keys.Erase(true, FoldCase(texts.shown), cell.row);
}

const FindKeyTable* FindIndex::Table(const Worksheet& sheet, int column) {
    auto it = m_columns.find(column);
    if (it == m_columns.end()) {
        Column built;
        bool indexable = true;
        sheet.ForEachCell(RangeRef{{1, column}, {spreadsheet::kMaxRows, column}},
                          spreadsheet::IterationOrder::RowByRow,
                          [&](const spreadsheet::CellView& view) {
                              if (indexable && !AddView(built, sheet, view))
                                  indexable = false;
                          });
        if (!indexable)
            built = Column{false, {}};
        it = m_columns.emplace(column, std::move(built)).first;
    }
    return it->second.indexable ? &it->second.keys : nullptr;
}

std::optional<std::vector<int>> FindIndex::Lookup(const Worksheet& sheet, int column, bool formulas,
                                                  const std::string& foldedKey) {
    const FindKeyTable* table = Table(sheet, column);
    if (!table)
        return std::nullopt;
    return table->Rows(formulas, foldedKey);
}

void FindIndex::BeforeWrite(const Worksheet& sheet, const RangeRef& area) {
    for (auto it = m_columns.begin(); it != m_columns.end();) {
        if (it->first < area.first.col || it->first > area.last.col) {
            ++it;
        } else if (area.Rows() > kMaxRowsUpdated) {
            it = m_columns.erase(it);
        } else {
            if (it->second.indexable)
                for (int row = area.first.row; row <= area.last.row; ++row)
                    RemoveCell(it->second, sheet, {row, it->first});
            ++it;
        }
    }
}

void FindIndex::AfterWrite(const Worksheet& sheet, const RangeRef& area) {
    for (auto& [col, column] : m_columns) {
        if (!column.indexable || col < area.first.col || col > area.last.col)
            continue;
        for (int row = area.first.row; row <= area.last.row; ++row) {
            if (!AddCell(column, sheet, {row, col})) {
                column = Column{false, {}};  // a formula arrived: scan from now on
                break;
            }
        }
    }
}

}  // namespace tabulon::engine::detail
