// The sparse grid behind a worksheet. Internal to the model.
//
// Rows live in pages of 256; a page is allocated when one of its rows is first
// touched. A row keeps its cells sorted by column in a vector of 16-byte
// entries: a dense row is indexed directly, a sparse one by binary search, and
// appending left to right (how readers fill a sheet) is amortised O(1).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "spreadsheet/value.h"

namespace tabulon::spreadsheet::model {

enum class Slot : std::uint8_t { Blank, Number, Text, Boolean, Error, Formula };

struct Entry {
    std::uint16_t col;  // 1-based
    Slot slot;
    std::uint8_t error;  // ErrorCode for Error
    std::uint32_t style;
    union {
        double number;     // Number, Boolean
        std::uint32_t id;  // Text: string id; Formula: formula record
    };
};
static_assert(sizeof(Entry) == 16);

// A formula and its cached result.
struct FormulaRecord {
    std::uint32_t text = 0;  // string id of the A1 text
    ValueKind cachedKind = ValueKind::Empty;
    ErrorCode cachedError = ErrorCode::Null;
    bool stale = false;
    // The engine could not calculate the formula where it stands: no result is known
    // (the cached one is empty), and formulas that read it share that state.
    bool uncalculable = false;
    // The cached result is the one its file holds for the formula in this place (or
    // one calculated in the sheet this one is a whole copy of): kept when the engine
    // cannot calculate the formula.
    bool fileResult = false;
    std::uint32_t cachedText = 0;  // string id when cachedKind is Text
    double cachedNumber = 0;
};

static_assert(sizeof(FormulaRecord) == 24);

struct RowInfo {
    std::vector<Entry> cells;
    double height = -1;  // points; < 0 when not given
    std::uint32_t style = 0;
    bool customHeight = false;
    bool hidden = false;
    bool HasProps() const { return height >= 0 || style != 0 || customHeight || hidden; }
};

class CellStore {
  public:
    static constexpr int kPageRows = 256;

    const Entry* Find(int row, int col) const;
    Entry* Find(int row, int col) {
        return const_cast<Entry*>(static_cast<const CellStore*>(this)->Find(row, col));
    }
    // The entry at (row, col), inserted as a blank when missing.
    Entry& Upsert(int row, int col);
    void Erase(int row, int col);
    // Gives back the spare room of every row.
    void Compact();

    const RowInfo* Row(int row) const;
    RowInfo& TouchRow(int row);
    // The last row that could hold anything (a bound, not exact).
    int RowBound() const { return static_cast<int>(m_pages.size()) * kPageRows; }

    // Calls f(row, const RowInfo&) for every allocated row in [first, last].
    template <typename F>
    void ForEachRow(int first, int last, F&& f) const {
        const int end = std::min(last, RowBound());
        for (int row = std::max(first, 1); row <= end;) {
            const auto& page = m_pages[static_cast<size_t>((row - 1) / kPageRows)];
            if (!page) {
                row = ((row - 1) / kPageRows + 1) * kPageRows + 1;
                continue;
            }
            f(row, (*page)[static_cast<size_t>((row - 1) % kPageRows)]);
            ++row;
        }
    }

    std::size_t CellCount() const { return m_cellCount; }

  private:
    using Page = std::array<RowInfo, kPageRows>;
    std::vector<std::unique_ptr<Page>> m_pages;
    std::size_t m_cellCount = 0;
};

// Position of the first entry with column >= col.
std::vector<Entry>::const_iterator LowerBound(const std::vector<Entry>& cells, int col);

}  // namespace tabulon::spreadsheet::model
