#include "spreadsheet/range_copy.h"

#include <stdexcept>
#include <vector>

#include "spreadsheet/workbook.h"

namespace tabulon::spreadsheet {

namespace {
FormulaMover g_mover = nullptr;

struct Snapshot {
    CellRef ref;
    Value value;
    std::string formula;
    bool isFormula = false;
    bool stale = false;
    int style = 0;
};
}  // namespace

void SetFormulaMover(FormulaMover mover) {
    g_mover = mover;
}

std::string MoveFormulaText(std::string_view formula, int dRows, int dCols) {
    // Until the formula engine installs its mover, copies keep the text as is.
    if (!g_mover || (dRows == 0 && dCols == 0))
        return std::string(formula);
    return g_mover(formula, dRows, dCols);
}

void CopyCells(const Worksheet& from, const RangeRef& source, Worksheet& to, CellRef destination,
               unsigned parts) {
    const int dRows = destination.row - source.first.row;
    const int dCols = destination.col - source.first.col;
    const RangeRef target{destination, {source.last.row + dRows, source.last.col + dCols}};
    if (destination.row < 1 || destination.col < 1 || target.last.row > kMaxRows ||
        target.last.col > kMaxColumns) {
        throw std::out_of_range("copying " + FormatRangeRef(source) + " to " +
                                FormatCellRef(destination) + " runs off the grid");
    }
    // Read everything first: source and destination may overlap.
    std::vector<Snapshot> cells;
    from.ForEachCell(source, IterationOrder::RowByRow, [&](const CellView& v) {
        Snapshot s{{v.ref.row + dRows, v.ref.col + dCols}, v.ToValue(), {}, false, v.stale, 0};
        if (v.kind == CellKind::Formula && (parts & kCopyFormulas)) {
            s.isFormula = true;
            s.formula = MoveFormulaText(v.formula, dRows, dCols);
        }
        s.style = v.style;
        cells.push_back(std::move(s));
    });
    const bool contents = (parts & (kCopyValues | kCopyFormulas)) != 0;
    const bool styles = (parts & kCopyStyles) != 0;
    if (contents && styles) {
        to.ClearRange(target);
    } else if (contents) {
        to.ClearRange(target, true);
    } else if (styles) {
        std::vector<CellRef> styled;
        to.ForEachCell(target, IterationOrder::RowByRow, [&](const CellView& v) {
            if (v.style != 0)
                styled.push_back(v.ref);
        });
        for (CellRef c : styled)
            to.SetStyle(c, 0);
    }
    Workbook& book = to.Owner();
    const Workbook& other = from.Owner();
    std::vector<int> styleMap;
    for (const Snapshot& s : cells) {
        if (contents) {
            if (s.isFormula) {
                to.SetFormula(s.ref, s.formula, s.value,
                              s.stale || dRows != 0 || dCols != 0 || &from != &to);
            } else if (!s.value.IsEmpty()) {
                to.SetValue(s.ref, s.value);
            }
        }
        if (styles && s.style != 0) {
            if (static_cast<size_t>(s.style) >= styleMap.size()) {
                styleMap.resize(static_cast<size_t>(s.style) + 1, -1);
            }
            int& mapped = styleMap[static_cast<size_t>(s.style)];
            if (mapped < 0)
                mapped = book.ImportStyle(other, s.style);
            to.SetStyle(s.ref, mapped);
        }
    }
}

}  // namespace tabulon::spreadsheet
