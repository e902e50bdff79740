// An in-memory workbook for the evaluator tests: a map of cells per sheet,
// formula cells calculated on demand through a FormulaEngine, defined names.
#pragma once

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "spreadsheet/address.h"
#include "spreadsheet/formula/cell_provider.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/engine.h"

namespace tabulon::spreadsheet::formula::testing {

class MemoryCells : public ICellProvider {
  public:
    explicit MemoryCells(std::vector<std::string> sheets = {"Sheet1"})
        : m_sheets(std::move(sheets)) {}

    void SetSheets(std::vector<std::string> sheets) { m_sheets = std::move(sheets); }
    void Set(std::string_view a1, Value v, int sheet = 0) {
        CellRef c = *ParseCellRef(a1);
        m_cells[{sheet, c.row, c.col}] = Cell{std::move(v), {}};
        m_computed.clear();
        m_extents.clear();
    }
    void SetFormula(std::string_view a1, std::string formula, int sheet = 0) {
        CellRef c = *ParseCellRef(a1);
        m_cells[{sheet, c.row, c.col}] = Cell{{}, std::move(formula)};
        m_computed.clear();
        m_extents.clear();
    }
    void DefineName(const std::string& name, const std::string& text, int scope = -1) {
        m_names[{scope, ToUpperAscii(name)}] = text;
    }
    void SetDate1904(bool on) { m_date1904 = on; }
    void SetRowState(int row, RowVisibility state, int sheet = 0) {
        m_rowStates[{sheet, row}] = state;
    }
    FormulaEngine& Engine() { return m_engine; }

    Value Eval(std::string_view formula, std::string_view at = "Z100", int sheet = 0) {
        return m_engine.Evaluate(formula, EvalOrigin{sheet, *ParseCellRef(at)}, *this);
    }

    int FindSheet(std::string_view name) const override {
        for (std::size_t i = 0; i < m_sheets.size(); ++i)
            if (EqualsNoCase(m_sheets[i], name))
                return static_cast<int>(i);
        return -1;
    }
    int SheetCount() const override { return static_cast<int>(m_sheets.size()); }
    std::string SheetName(int sheet) const override { return m_sheets.at(sheet); }

    Value CellValue(int sheet, CellRef cell) override {
        auto it = m_cells.find({sheet, cell.row, cell.col});
        if (it == m_cells.end())
            return Value();
        return Resolve(sheet, cell, it->second);
    }

    void VisitCells(int sheet, const RangeRef& range,
                    const std::function<void(CellRef, const Value&)>& visit) override {
        auto it = m_cells.lower_bound({sheet, range.first.row, 0});
        auto end = m_cells.upper_bound({sheet, range.last.row, kMaxColumns + 1});
        for (; it != end; ++it) {
            CellRef c{std::get<1>(it->first), std::get<2>(it->first)};
            if (c.col < range.first.col || c.col > range.last.col)
                continue;
            Value v = Resolve(sheet, c, it->second);
            if (!v.IsEmpty())
                visit(c, v);
        }
    }

    std::optional<RangeRef> UsedExtent(int sheet) const override {
        auto known = m_extents.find(sheet);
        if (known != m_extents.end())
            return known->second;
        std::optional<RangeRef> out;
        for (const auto& [key, cell] : m_cells) {
            if (std::get<0>(key) != sheet)
                continue;
            if (!out)
                out = RangeRef{{1, 1}, {1, 1}};
            out->last.row = std::max(out->last.row, std::get<1>(key));
            out->last.col = std::max(out->last.col, std::get<2>(key));
        }
        m_extents[sheet] = out;
        return out;
    }

    std::optional<std::string> DefinedName(std::string_view name, int sheet) const override {
        std::string key = ToUpperAscii(name);
        for (int scope : {sheet, -1}) {
            auto it = m_names.find({scope, key});
            if (it != m_names.end())
                return it->second;
        }
        return std::nullopt;
    }

    bool Date1904() const override { return m_date1904; }

    RowVisibility RowState(int sheet, int row) const override {
        auto it = m_rowStates.find({sheet, row});
        return it == m_rowStates.end() ? RowVisibility::Shown : it->second;
    }

    std::string CellFormula(int sheet, CellRef cell) const override {
        auto it = m_cells.find({sheet, cell.row, cell.col});
        return it == m_cells.end() ? std::string() : it->second.formula;
    }

  private:
    struct Cell {
        Value value;
        std::string formula;
    };

    Value Resolve(int sheet, CellRef cell, const Cell& c) {
        if (c.formula.empty())
            return c.value;
        auto key = std::make_tuple(sheet, cell.row, cell.col);
        if (m_busy.count(key))
            return Value::Error(ErrorCode::Ref);  // a cycle
        m_busy.insert(key);
        Value v = m_engine.Evaluate(c.formula, EvalOrigin{sheet, cell}, *this);
        m_busy.erase(key);
        return v;
    }

    std::vector<std::string> m_sheets;
    std::map<std::tuple<int, int, int>, Cell> m_cells;
    std::map<std::pair<int, std::string>, std::string> m_names;
    std::set<std::tuple<int, int, int>> m_busy;
    std::map<std::tuple<int, int, int>, Value> m_computed;
    mutable std::map<int, std::optional<RangeRef>> m_extents;
    std::map<std::pair<int, int>, RowVisibility> m_rowStates;
    bool m_date1904 = false;
    FormulaEngine m_engine;
};

// Expected values, shortly.
inline Value N(double d) {
    return Value::Number(d);
}
inline Value S(std::string s) {
    return Value::Text(std::move(s));
}
inline Value B(bool b) {
    return Value::Boolean(b);
}
inline Value E(ErrorCode e) {
    return Value::Error(e);
}

struct EvalCase {
    const char* formula;
    Value expected;
};

// Numbers equal to 1e-12 relative; everything else exactly.
inline bool SameValue(const Value& a, const Value& b) {
    if (a.IsNumber() && b.IsNumber()) {
        double x = a.AsNumber(), y = b.AsNumber();
        return x == y || std::fabs(x - y) <= 1e-12 * std::max(std::fabs(x), std::fabs(y));
    }
    return a == b;
}

inline std::string Show(const Value& v) {
    switch (v.Kind()) {
        case ValueKind::Empty:
            return "<empty>";
        case ValueKind::Number:
            return "number " + NumberToText(v.AsNumber());
        case ValueKind::Text:
            return "text \"" + v.AsText() + "\"";
        case ValueKind::Boolean:
            return v.AsBoolean() ? "TRUE" : "FALSE";
        case ValueKind::Error:
            return std::string(ErrorText(v.AsError()));
    }
    return "?";
}

}  // namespace tabulon::spreadsheet::formula::testing

// Checks every case of a table against the workbook, naming the formula on failure.
#define EXPECT_EVAL_TABLE(cells, table)                                                     \
    for (const auto& c : table) {                                                           \
        ::tabulon::spreadsheet::Value got = (cells).Eval(c.formula);                        \
        EXPECT_TRUE(::tabulon::spreadsheet::formula::testing::SameValue(got, c.expected))   \
            << c.formula << " gave " << ::tabulon::spreadsheet::formula::testing::Show(got) \
            << ", expected " << ::tabulon::spreadsheet::formula::testing::Show(c.expected); \
    }
