// Which formula cells read which cells, so that a change to some cells marks for
// calculation every formula that reads them, directly or through other formulas,
// as a workbook recalculates after an edit. The results themselves are calculated
// when next read, dependencies first (WorkbookCells).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "spreadsheet/address.h"

namespace tabulon::spreadsheet {

class Workbook;
class Worksheet;

namespace formula {
class FormulaCache;
}

class FormulaDependencies {
  public:
    // `cache` parses the formulas (the session engine's, shared with calculation).
    FormulaDependencies(Workbook& book, formula::FormulaCache& cache);

    // Cells of `area` on `sheet` were written (values or formulas): learns the
    // formulas now there, then marks stale every formula that reads a cell of the
    // area, and every formula reading those, and so on. Formulas whose cells are not
    // known before they run (defined names, INDIRECT, OFFSET, tables) and volatile
    // ones (NOW, RAND...) are marked on every change.
    void Changed(const Worksheet& sheet, const RangeRef& area);

    // Forgets everything learnt; done by itself when sheets were added, removed
    // or renamed since.
    void Reset();

  private:
    struct Read {
        const Worksheet* sheet;
        RangeRef range;
    };
    struct Entry {
        Worksheet* sheet;
        CellRef cell;
        std::vector<Read> reads;
        bool always = false;  // marked on every change
        bool alive = true;
    };

    void Build();
    // The sheets and their names, to notice sheets added, removed or renamed.
    std::vector<std::pair<const Worksheet*, std::string>> SheetList() const;
    bool SheetsChanged() const;
    void Learn(Worksheet& sheet, CellRef cell);
    void Forget(const Worksheet& sheet, const RangeRef& area);
    // Entries that may read a cell of `range` of `sheet` (a superset).
    void Candidates(const Worksheet* sheet, const RangeRef& range, std::vector<std::uint32_t>& out);

    Workbook& m_book;
    formula::FormulaCache& m_cache;
    bool m_built = false;
    std::vector<std::pair<const Worksheet*, std::string>> m_sheets;
    std::vector<Entry> m_entries;
    std::unordered_map<std::uint64_t, std::uint32_t> m_byCell;  // live entry of a formula cell
    // Reads by sheet, column and block of rows; reads too large for that and
    // entries marked on every change are kept apart.
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> m_buckets;
    // Reads of a single cell (most formulas: =C2*D2), by that cell.
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> m_single;
    std::unordered_map<const Worksheet*, std::vector<std::uint32_t>> m_wide;
    std::vector<std::uint32_t> m_always;
    // Scratch of Changed, kept between calls: a change is often a single cell, and
    // there may be one for each cell a task writes.
    std::vector<std::uint32_t> m_markedIn;  // the call that marked each entry
    std::uint32_t m_call = 0;
    std::vector<Read> m_pending;
    std::vector<std::uint32_t> m_candidates;
    std::vector<CellRef> m_formulas;
};

}  // namespace tabulon::spreadsheet
