#include "spreadsheet/range_copy.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "spreadsheet/formula/mover.h"
#include "spreadsheet/reader/formula_shifter.h"
#include "spreadsheet/workbook.h"

namespace tabulon::spreadsheet {

namespace {
struct Snapshot {
    CellRef ref;
    Value value;
    std::string formula;
    bool isFormula = false;
    bool stale = false;
    int style = 0;
};
void CopyDimensions(const Worksheet& from, const RangeRef& source, Worksheet& to, int dRows,
                    int dCols) {
    // A sheet's rows mostly share a handful of styles: each is imported once.
    std::vector<int> styleMap;
    const auto importStyle = [&](int style) {
        if (style < 0)
            return to.Owner().ImportStyle(from.Owner(), style);
        if (static_cast<size_t>(style) >= styleMap.size())
            styleMap.resize(static_cast<size_t>(style) + 1, -1);
        int& mapped = styleMap[static_cast<size_t>(style)];
        if (mapped < 0)
            mapped = to.Owner().ImportStyle(from.Owner(), style);
        return mapped;
    };
    if (source.first.row == 1 && source.last.row == kMaxRows) {
        std::vector<ColumnSpan> spans;
        for (const ColumnSpan& s : from.ColumnSpans()) {
            const int first = std::max(s.first, source.first.col);
            const int last = std::min(s.last, source.last.col);
            if (first <= last)
                spans.push_back({first + dCols, last + dCols, s.info});
        }
        to.SetColumns(source.first.col + dCols, source.last.col + dCols, {});
        for (const ColumnSpan& s : spans) {
            ColumnInfo info = s.info;
            info.style = importStyle(info.style);
            to.SetColumns(s.first, s.last, info);
        }
    }
    if (source.first.col == 1 && source.last.col == kMaxColumns) {
        std::vector<std::pair<int, RowInfoView>> rows;
        from.ForEachRow([&](int row, const RowInfoView& props, const std::vector<CellView>&) {
            if (row >= source.first.row && row <= source.last.row)
                rows.emplace_back(row, props);
        });
        std::vector<int> cleared;
        to.ForEachRow([&](int row, const RowInfoView&, const std::vector<CellView>&) {
            if (row >= source.first.row + dRows && row <= source.last.row + dRows) {
                cleared.push_back(row);
            }
        });
        for (int row : cleared)
            to.SetRow(row, {});
        for (auto [row, props] : rows) {
            props.style = importStyle(props.style);
            to.SetRow(row + dRows, props);
        }
    }
}

}  // namespace

std::string MoveFormulaText(std::string_view formula, int dRows, int dCols) {
    if (dRows == 0 && dCols == 0)
        return std::string(formula);
    try {
        return formula::MoveFormula(formula, dRows, dCols);
    } catch (const std::exception&) {
        return ShiftFormula(formula, dRows, dCols);
    }
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
    // On one sheet source and destination may overlap: read everything first.
    // From another sheet the cells go straight across, after the clearing.
    const bool direct = &from != &to;
    std::vector<Snapshot> cells;
    if (!direct) {
        from.ForEachCell(source, IterationOrder::RowByRow, [&](const CellView& v) {
            Snapshot s{{v.ref.row + dRows, v.ref.col + dCols}, v.ToValue(), {}, false, v.stale, 0};
            if (v.kind == CellKind::Formula && (parts & kCopyFormulas)) {
                s.isFormula = true;
                s.formula = MoveFormulaText(v.formula, dRows, dCols);
            }
            s.style = v.style;
            cells.push_back(std::move(s));
        });
    }
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
    if (styles) {
        std::vector<RangeRef> merges;
        for (const RangeRef& m : from.MergesOverlapping(source)) {
            if (source.Contains(m.first) && source.Contains(m.last)) {
                merges.push_back({{m.first.row + dRows, m.first.col + dCols},
                                  {m.last.row + dRows, m.last.col + dCols}});
            }
        }
        to.RemoveMerges(target);
        for (const RangeRef& m : merges)
            to.AddMerge(m);
    }
    if (parts & kCopyDimensions)
        CopyDimensions(from, source, to, dRows, dCols);
    // A copy of contents and formats carries notes, links, validation and
    // conditional formats, as a paste of everything does.
    const bool annotations = contents && styles && HasAnnotations(from);
    if (direct) {
        to.PasteCells(from, source, dRows, dCols, parts);
        if (annotations)
            CopyAnnotations(from, source, to, dRows, dCols);
        return;
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
    if (annotations)
        CopyAnnotations(from, source, to, dRows, dCols);
}

}  // namespace tabulon::spreadsheet
