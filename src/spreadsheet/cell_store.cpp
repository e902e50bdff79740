#include "spreadsheet/cell_store.h"

#include <algorithm>

namespace tabulon::spreadsheet::model {

std::vector<Entry>::const_iterator LowerBound(const std::vector<Entry>& cells, int col) {
    // Dense rows: column c sits at index c - 1.
    const auto n = cells.size();
    if (col >= 1 && static_cast<size_t>(col) <= n &&
        cells[static_cast<size_t>(col - 1)].col == col) {
        return cells.begin() + (col - 1);
    }
    if (n == 0 || cells.back().col < col)
        return cells.end();
    return std::lower_bound(cells.begin(), cells.end(), col,
                            [](const Entry& e, int c) { return e.col < c; });
}

const RowInfo* CellStore::Row(int row) const {
    const auto page = static_cast<size_t>((row - 1) / kPageRows);
    if (row < 1 || page >= m_pages.size() || !m_pages[page])
        return nullptr;
    return &(*m_pages[page])[static_cast<size_t>((row - 1) % kPageRows)];
}

RowInfo& CellStore::TouchRow(int row) {
    const auto page = static_cast<size_t>((row - 1) / kPageRows);
    if (page >= m_pages.size())
        m_pages.resize(page + 1);
    if (!m_pages[page])
        m_pages[page] = std::make_unique<Page>();
    return (*m_pages[page])[static_cast<size_t>((row - 1) % kPageRows)];
}

const Entry* CellStore::Find(int row, int col) const {
    const RowInfo* r = Row(row);
    if (!r)
        return nullptr;
    const auto it = LowerBound(r->cells, col);
    return it != r->cells.end() && it->col == col ? &*it : nullptr;
}

Entry& CellStore::Upsert(int row, int col) {
    auto& cells = TouchRow(row).cells;
    auto it = LowerBound(cells, col);
    if (it != cells.end() && it->col == col)
        return cells[static_cast<size_t>(it - cells.begin())];
    if (cells.size() == cells.capacity()) {
        // Grow by half rather than double: rows are many and mostly short.
        const size_t offset = static_cast<size_t>(it - cells.cbegin());
        cells.reserve(cells.size() < 4 ? 4 : cells.size() + cells.size() / 2);
        it = cells.cbegin() + static_cast<long>(offset);
    }
    Entry e{};
    e.col = static_cast<std::uint16_t>(col);
    e.slot = Slot::Blank;
    ++m_cellCount;
    return *cells.insert(it, e);
}

void CellStore::Compact() {
    for (auto& page : m_pages) {
        if (!page)
            continue;
        for (RowInfo& r : *page)
            r.cells.shrink_to_fit();
    }
}

void CellStore::Erase(int row, int col) {
    const RowInfo* r = Row(row);
    if (!r)
        return;
    auto& cells = TouchRow(row).cells;
    auto it = LowerBound(cells, col);
    if (it == cells.end() || it->col != col)
        return;
    cells.erase(it);
    --m_cellCount;
    if (cells.empty())
        cells.shrink_to_fit();
}

}  // namespace tabulon::spreadsheet::model
