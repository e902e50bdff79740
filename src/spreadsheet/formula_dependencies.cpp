#include "spreadsheet/formula_dependencies.h"

#include <algorithm>
#include <string_view>

#include "spreadsheet/formula/formula_cache.h"
#include "spreadsheet/formula/function_table.h"
#include "spreadsheet/formula/token.h"
#include "spreadsheet/workbook.h"

namespace tabulon::spreadsheet {

namespace {

constexpr int kRowBlockBits = 10;  // buckets of 1024 rows
constexpr long long kMaxBuckets = 256;

std::uint64_t CellKey(const Worksheet* sheet, CellRef cell) {
    return (reinterpret_cast<std::uintptr_t>(sheet) << 36) ^
           (static_cast<std::uint64_t>(cell.row) << 14) ^ static_cast<std::uint64_t>(cell.col);
}

std::uint64_t BucketKey(const Worksheet* sheet, int col, int block) {
    return (reinterpret_cast<std::uintptr_t>(sheet) << 32) ^
           (static_cast<std::uint64_t>(col) << 12) ^ static_cast<std::uint64_t>(block);
}

long long BucketCount(const RangeRef& r) {
    const long long cols = r.last.col - r.first.col + 1;
    const long long blocks = (r.last.row >> kRowBlockBits) - (r.first.row >> kRowBlockBits) + 1;
    return cols * blocks;
}

bool Overlap(const RangeRef& a, const RangeRef& b) {
    return a.first.row <= b.last.row && b.first.row <= a.last.row && a.first.col <= b.last.col &&
           b.first.col <= a.last.col;
}

// Functions whose result or cells read are not fixed by the formula's text.
bool IsDynamic(std::string_view name) {
    static constexpr std::string_view kNames[] = {
        "CELL", "INDIRECT", "INFO", "NOW", "OFFSET", "RAND", "RANDARRAY", "RANDBETWEEN", "TODAY",
    };
    return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

}  // namespace

FormulaDependencies::FormulaDependencies(Workbook& book, formula::FormulaCache& cache)
    : m_book(book), m_cache(cache) {}

void FormulaDependencies::Reset() {
    m_built = false;
    m_entries.clear();
    m_byCell.clear();
    m_buckets.clear();
    m_single.clear();
    m_wide.clear();
    m_always.clear();
}

std::vector<std::pair<const Worksheet*, std::string>> FormulaDependencies::SheetList() const {
    std::vector<std::pair<const Worksheet*, std::string>> out;
    for (int s = 0; s < m_book.SheetCount(); ++s)
        out.emplace_back(&m_book.Sheet(s), m_book.Sheet(s).Name());
    return out;
}

bool FormulaDependencies::SheetsChanged() const {
    if (static_cast<size_t>(m_book.SheetCount()) != m_sheets.size())
        return true;
    for (int s = 0; s < m_book.SheetCount(); ++s) {
        const auto& [sheet, name] = m_sheets[static_cast<size_t>(s)];
        if (&m_book.Sheet(s) != sheet || m_book.Sheet(s).Name() != name)
            return true;
    }
    return false;
}

void FormulaDependencies::Build() {
    Reset();
    m_built = true;
    m_sheets = SheetList();
    for (int s = 0; s < m_book.SheetCount(); ++s) {
        Worksheet& ws = m_book.Sheet(s);
        for (CellRef cell : ws.FormulaCells())
            Learn(ws, cell);
    }
}

void FormulaDependencies::Learn(Worksheet& sheet, CellRef cell) {
    Entry e{&sheet, cell, {}, false, true};
    const int own = m_book.FindSheet(sheet.Name());
    const CellView view = sheet.Cell(cell);
    try {
        const auto ast = m_cache.Get(view.formula, cell);
        for (const formula::Node& n : ast->nodes) {
            if (n.kind == formula::NodeKind::Name || n.kind == formula::NodeKind::StructuredRef ||
                (n.kind == formula::NodeKind::Function &&
                 (n.function < 0 || IsDynamic(formula::FunctionAt(n.function).name)))) {
                e.always = true;
                break;
            }
            if (n.kind != formula::NodeKind::Reference)
                continue;
            const formula::AstRef& r = n.ref;
            if (r.external || r.shape == formula::RefShape::Invalid)
                continue;
            int first = own, last = own;
            if (r.hasSheet) {
                first = m_book.FindSheet(r.sheet);
                last = r.sheetLast.empty() ? first : m_book.FindSheet(r.sheetLast);
            }
            if (first < 0 || last < 0) {
                e.always = true;  // a sheet that may appear later
                break;
            }
            if (last < first)
                std::swap(first, last);
            int row1 = r.row1Relative ? cell.row + r.row1 : r.row1;
            int col1 = r.col1Relative ? cell.col + r.col1 : r.col1;
            int row2 = r.row2Relative ? cell.row + r.row2 : r.row2;
            int col2 = r.col2Relative ? cell.col + r.col2 : r.col2;
            if (r.shape == formula::RefShape::Columns) {
                row1 = 1;
                row2 = kMaxRows;
            } else if (r.shape == formula::RefShape::Rows) {
                col1 = 1;
                col2 = kMaxColumns;
            }
            RangeRef range{{std::min(row1, row2), std::min(col1, col2)},
                           {std::max(row1, row2), std::max(col1, col2)}};
            range.first.row = std::max(range.first.row, 1);
            range.first.col = std::max(range.first.col, 1);
            for (int s = first; s <= last; ++s)
                e.reads.push_back({&m_book.Sheet(s), range});
        }
    } catch (const std::exception&) {
        e.always = true;  // unreadable: treat as reading anything
    }
    const auto index = static_cast<std::uint32_t>(m_entries.size());
    m_byCell[CellKey(&sheet, cell)] = index;
    if (e.always) {
        m_always.push_back(index);
    } else {
        for (const Read& read : e.reads) {
            if (read.range.first == read.range.last) {
                m_single[CellKey(read.sheet, read.range.first)].push_back(index);
                continue;
            }
            if (BucketCount(read.range) > kMaxBuckets) {
                m_wide[read.sheet].push_back(index);
                continue;
            }
            for (int c = read.range.first.col; c <= read.range.last.col; ++c) {
                for (int b = read.range.first.row >> kRowBlockBits;
                     b <= read.range.last.row >> kRowBlockBits; ++b)
                    m_buckets[BucketKey(read.sheet, c, b)].push_back(index);
            }
        }
    }
    m_entries.push_back(std::move(e));
}

void FormulaDependencies::Forget(const Worksheet& sheet, const RangeRef& area) {
    if (static_cast<long long>(area.Rows()) * area.Columns() >
        static_cast<long long>(m_byCell.size())) {
        for (auto it = m_byCell.begin(); it != m_byCell.end();) {
            Entry& e = m_entries[it->second];
            if (e.sheet == &sheet && area.Contains(e.cell)) {
                e.alive = false;
                it = m_byCell.erase(it);
            } else {
                ++it;
            }
        }
        return;
    }
    for (int r = area.first.row; r <= area.last.row; ++r) {
        for (int c = area.first.col; c <= area.last.col; ++c) {
            auto it = m_byCell.find(CellKey(&sheet, {r, c}));
            if (it != m_byCell.end() && m_entries[it->second].sheet == &sheet &&
                m_entries[it->second].cell == CellRef{r, c}) {
                m_entries[it->second].alive = false;
                m_byCell.erase(it);
            }
        }
    }
}

void FormulaDependencies::Candidates(const Worksheet* sheet, const RangeRef& range,
                                     std::vector<std::uint32_t>& out) {
    out.insert(out.end(), m_always.begin(), m_always.end());
    auto wide = m_wide.find(sheet);
    if (wide != m_wide.end())
        out.insert(out.end(), wide->second.begin(), wide->second.end());
    if (static_cast<long long>(range.Rows()) * range.Columns() >
        static_cast<long long>(m_single.size())) {
        for (const auto& [key, entries] : m_single)
            out.insert(out.end(), entries.begin(), entries.end());
    } else {
        for (int r = range.first.row; r <= range.last.row; ++r) {
            for (int c = range.first.col; c <= range.last.col; ++c) {
                auto it = m_single.find(CellKey(sheet, {r, c}));
                if (it != m_single.end())
                    out.insert(out.end(), it->second.begin(), it->second.end());
            }
        }
    }
    if (BucketCount(range) > static_cast<long long>(m_buckets.size())) {
        for (const auto& [key, entries] : m_buckets)
            out.insert(out.end(), entries.begin(), entries.end());
        return;
    }
    for (int c = range.first.col; c <= range.last.col; ++c) {
        for (int b = range.first.row >> kRowBlockBits; b <= range.last.row >> kRowBlockBits; ++b) {
            auto it = m_buckets.find(BucketKey(sheet, c, b));
            if (it != m_buckets.end())
                out.insert(out.end(), it->second.begin(), it->second.end());
        }
    }
}

void FormulaDependencies::Changed(const Worksheet& sheet, const RangeRef& area) {
    if (!m_built) {
        bool anyFormula = false;
        for (int s = 0; s < m_book.SheetCount() && !anyFormula; ++s)
            anyFormula = m_book.Sheet(s).FormulaCount() > 0;
        if (!anyFormula)
            return;
    }
    if (!m_built || SheetsChanged()) {
        Build();
    } else {
        Forget(sheet, area);
        Worksheet& writable = const_cast<Worksheet&>(sheet);
        if (sheet.FormulaCount() > 0) {
            m_formulas.clear();
            sheet.ForEachCell(area, IterationOrder::RowByRow, [&](const CellView& v) {
                if (v.kind == CellKind::Formula)
                    m_formulas.push_back(v.ref);
            });
            for (CellRef c : m_formulas)
                Learn(writable, c);
        }
    }
    // Marks spread from the written area along the reads, each formula once.
    if (++m_call == 0) {  // wrapped: no entry may look marked by this call
        std::fill(m_markedIn.begin(), m_markedIn.end(), 0);
        m_call = 1;
    }
    m_markedIn.resize(m_entries.size(), 0);
    m_pending.clear();
    m_pending.push_back({&sheet, area});
    while (!m_pending.empty()) {
        const Read changed = m_pending.back();
        m_pending.pop_back();
        m_candidates.clear();
        Candidates(changed.sheet, changed.range, m_candidates);
        for (std::uint32_t i : m_candidates) {
            Entry& e = m_entries[i];
            if (m_markedIn[i] == m_call || !e.alive)
                continue;
            const bool reads =
                e.always || std::any_of(e.reads.begin(), e.reads.end(), [&](const Read& r) {
                    return r.sheet == changed.sheet && Overlap(r.range, changed.range);
                });
            if (!reads)
                continue;
            m_markedIn[i] = m_call;
            e.sheet->MarkStale(e.cell);
            m_pending.push_back({e.sheet, {e.cell, e.cell}});
        }
    }
}

}  // namespace tabulon::spreadsheet
