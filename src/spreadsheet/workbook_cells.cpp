#include "spreadsheet/workbook_cells.h"

#include <unordered_set>
#include <vector>

#include "spreadsheet/workbook.h"

namespace tabulon::spreadsheet {

namespace {

// Formula calls nest this deep on the C++ stack at most. Each level costs the
// evaluator's own frames too, so this stays well below what a thread's stack
// holds even in sanitizer builds.
constexpr int kMaxDepth = 200;

struct Pending {
    int sheet;
    CellRef cell;
};

std::uint64_t Key(int sheet, CellRef cell) {
    return (static_cast<std::uint64_t>(sheet) << 35) |
           (static_cast<std::uint64_t>(cell.row) << 14) | static_cast<std::uint64_t>(cell.col - 1);
}

}  // namespace

struct WorkbookCells::Impl {
    Impl(Workbook& b, formula::IEvaluator* e) : book(b), evaluator(e) {}

    Workbook& book;
    formula::IEvaluator* evaluator;
    int depth = 0;
    std::unordered_set<std::uint64_t> active;   // on the C++ stack now
    std::unordered_set<std::uint64_t> waiting;  // waiting for a deeper cell
    bool incomplete = false;                    // a result used a placeholder
    bool unknown = false;                       // a result read a cell with no known result
    std::optional<Pending> deferred;            // the cell met too deep

    // The range of the array formula whose top-left cell is `cell` (anchor) or
    // that covers `cell` without starting there (!anchor).
    static std::optional<RangeRef> ArrayRange(const Worksheet& ws, CellRef cell, bool anchor) {
        for (const ArrayFormula& a : ws.ArrayFormulas()) {
            if (anchor ? a.range.first == cell : a.range.first != cell && a.range.Contains(cell))
                return a.range;
        }
        return std::nullopt;
    }

    bool Valid(int sheet, CellRef cell) const {
        return sheet >= 0 && sheet < book.SheetCount() && cell.row >= 1 && cell.row <= kMaxRows &&
               cell.col >= 1 && cell.col <= kMaxColumns;
    }
};

WorkbookCells::WorkbookCells(Workbook& workbook, formula::IEvaluator* evaluator)
    : m_impl(std::make_unique<Impl>(workbook, evaluator)) {}

WorkbookCells::~WorkbookCells() = default;

int WorkbookCells::FindSheet(std::string_view name) const {
    return m_impl->book.FindSheet(name);
}

int WorkbookCells::SheetCount() const {
    return m_impl->book.SheetCount();
}

std::string WorkbookCells::SheetName(int sheet) const {
    if (sheet < 0 || sheet >= SheetCount())
        return {};
    return m_impl->book.Sheet(sheet).Name();
}

Value WorkbookCells::CellValue(int sheet, CellRef cell) {
    Impl& m = *m_impl;
    if (!m.Valid(sheet, cell))
        return Value::Error(ErrorCode::Ref);
    Worksheet& ws = m.book.Sheet(sheet);
    const CellView view = ws.Cell(cell);
    if (view.kind == CellKind::Formula && view.uncalculable)
        m.unknown = true;
    if (view.kind != CellKind::Formula && m.evaluator && !ws.ArrayFormulas().empty()) {
        // A cell inside an array formula's range shows its part of the formula's result.
        if (auto range = Impl::ArrayRange(ws, cell, false)) {
            const CellView anchor = ws.Cell(range->first);
            if (anchor.kind == CellKind::Formula && anchor.stale) {
                CellValue(sheet, range->first);
                return ws.GetValue(cell);
            }
        }
    }
    if (view.kind != CellKind::Formula || !view.stale || !m.evaluator)
        return view.ToValue();
    const std::uint64_t key = Key(sheet, cell);
    if (m.active.count(key) || m.waiting.count(key)) {
        return Value::Error(kCircularReferenceError);
    }

    // A formula the evaluator cannot calculate, or one that reads such a cell, has
    // no known result. One whose file gave it a result in this place keeps that.
    auto evaluateOne = [&](int s, CellRef c, const CellView& v) {
        const std::uint64_t k = Key(s, c);
        m.active.insert(k);
        ++m.depth;
        const bool outerUnknown = m.unknown;
        m.unknown = false;
        Worksheet& target = m.book.Sheet(s);
        std::optional<Value> result;
        std::optional<std::vector<Value>> array;
        const std::optional<RangeRef> range =
            target.ArrayFormulas().empty() ? std::nullopt : Impl::ArrayRange(target, c, true);
        if (range) {
            array = m.evaluator->TryEvaluateArray(v.formula, {s, c}, *this, range->Rows(),
                                                  range->Columns());
            if (array)
                result = array->front();
        } else {
            result = m.evaluator->TryEvaluate(v.formula, {s, c}, *this);
        }
        if (m.unknown) {
            result.reset();
            array.reset();
        }
        --m.depth;
        m.active.erase(k);
        if (!result && v.fileResult)
            result = v.ToValue();
        m.unknown = outerUnknown || !result;
        if (!m.incomplete) {
            if (result)
                target.SetCachedValue(c, *result);
            else
                target.SetUncalculable(c);
            if (array) {
                const int cols = range->Columns();
                for (std::size_t i = 1; i < array->size(); ++i) {
                    const CellRef at{c.row + static_cast<int>(i) / cols,
                                     c.col + static_cast<int>(i) % cols};
                    target.SetValue(at, (*array)[i]);
                }
            }
        }
        return result.value_or(Value{});
    };

    if (m.depth > 0) {
        if (m.depth < kMaxDepth)
            return evaluateOne(sheet, cell, view);
        // Too deep: give a placeholder, and have the outermost call calculate
        // this cell first and then try again.
        m.incomplete = true;
        if (!m.deferred)
            m.deferred = Pending{sheet, cell};
        return {};
    }

    std::vector<Pending> work{{sheet, cell}};
    try {
        while (!work.empty()) {
            const Pending p = work.back();
            const CellView v = m.book.Sheet(p.sheet).Cell(p.cell);
            if (v.kind == CellKind::Formula && v.stale) {
                m.incomplete = false;
                m.deferred.reset();
                m.unknown = false;
                evaluateOne(p.sheet, p.cell, v);
                if (m.incomplete && m.deferred) {
                    m.waiting.insert(Key(p.sheet, p.cell));
                    work.push_back(*m.deferred);
                    continue;
                }
            }
            work.pop_back();
            if (!work.empty())
                m.waiting.erase(Key(work.back().sheet, work.back().cell));
        }
    } catch (...) {
        m.active.clear();
        m.waiting.clear();
        m.depth = 0;
        m.incomplete = false;
        m.unknown = false;
        m.deferred.reset();
        throw;
    }
    m.incomplete = false;
    m.unknown = false;
    m.deferred.reset();
    return ws.GetValue(cell);
}

void WorkbookCells::VisitCells(int sheet, const RangeRef& range,
                               const std::function<void(CellRef, const Value&)>& visit) {
    if (sheet < 0 || sheet >= SheetCount())
        return;
    std::vector<CellRef> refs;
    m_impl->book.Sheet(sheet).ForEachCell(range, IterationOrder::RowByRow, [&](const CellView& v) {
        if (v.kind != CellKind::Empty)
            refs.push_back(v.ref);
    });
    // Values are fetched after the walk: calculating may store results in the sheet.
    for (CellRef c : refs)
        visit(c, CellValue(sheet, c));
}

std::optional<RangeRef> WorkbookCells::UsedExtent(int sheet) const {
    if (sheet < 0 || sheet >= SheetCount())
        return std::nullopt;
    const auto used = m_impl->book.Sheet(sheet).UsedExtent(false);
    if (!used)
        return std::nullopt;
    return RangeRef{{1, 1}, used->last};
}

std::optional<std::string> WorkbookCells::DefinedName(std::string_view name, int sheet) const {
    const auto* n = m_impl->book.FindDefinedName(name, sheet);
    if (!n)
        return std::nullopt;
    return n->formula;
}

bool WorkbookCells::Date1904() const {
    return m_impl->book.Date1904();
}

formula::RowVisibility WorkbookCells::RowState(int sheet, int row) const {
    if (sheet < 0 || sheet >= SheetCount())
        return formula::RowVisibility::Shown;
    const Worksheet& ws = m_impl->book.Sheet(sheet);
    if (!ws.Row(row).hidden)
        return formula::RowVisibility::Shown;
    // A hidden row below the header of the filter range is one the filter hides.
    const auto filter = ws.AutoFilter();
    if (filter && row > filter->first.row && row <= filter->last.row)
        return formula::RowVisibility::Filtered;
    return formula::RowVisibility::Hidden;
}

std::string WorkbookCells::CellFormula(int sheet, CellRef cell) const {
    if (!m_impl->Valid(sheet, cell))
        return {};
    const CellView view = m_impl->book.Sheet(sheet).Cell(cell);
    return view.kind == CellKind::Formula ? std::string(view.formula) : std::string();
}

void WorkbookCells::Calculate(int sheet, const RangeRef& range) {
    if (sheet < 0 || sheet >= SheetCount())
        return;
    Worksheet& ws = m_impl->book.Sheet(sheet);
    std::vector<CellRef> formulas;
    ws.ForEachCell(range, IterationOrder::RowByRow, [&](const CellView& v) {
        if (v.kind == CellKind::Formula)
            formulas.push_back(v.ref);
    });
    for (CellRef c : formulas)
        ws.MarkStale(c);
    for (CellRef c : formulas)
        CellValue(sheet, c);
}

void WorkbookCells::CalculateAll() {
    for (int s = 0; s < SheetCount(); ++s)
        Calculate(s, {{1, 1}, {kMaxRows, kMaxColumns}});
}

}  // namespace tabulon::spreadsheet
