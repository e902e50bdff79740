#include "engine/automation/formula_links.h"

#include <vector>

#include "engine/automation/state.h"
#include "spreadsheet/formula/mover.h"

namespace tabulon::engine::detail {

using spreadsheet::CellRef;
using spreadsheet::Worksheet;

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return CString(a).CompareNoCase(b.c_str()) == 0;
}

}  // namespace

void RelinkCopiedFormulas(SheetState& from, SheetState& to, const spreadsheet::RangeRef& area,
                          bool sheetCopy) {
    const bool otherBook = from.book != to.book;
    Worksheet& target = to.Sheet();
    const std::string sourceName = from.Sheet().Name();
    const std::string copyName = target.Name();
    const std::string sourceBook = from.book->name.Str();

    std::vector<CellRef> cells;
    target.ForEachCell(area, spreadsheet::IterationOrder::RowByRow,
                       [&](const spreadsheet::CellView& view) {
                           if (view.kind == spreadsheet::CellKind::Formula)
                               cells.push_back(view.ref);
                       });
    for (CellRef cell : cells) {
        spreadsheet::CellView view = target.Cell(cell);
        const std::string formula(view.formula);
        bool linked = false;
        std::string rewritten;
        // A formula that names no sheet has nothing to relink and is not read at all.
        if (formula.find('!') == std::string::npos) {
            rewritten = formula;
        } else {
            try {
                rewritten = spreadsheet::formula::RewriteSheets(
                    formula, [&](spreadsheet::formula::SheetPrefix& prefix) {
                        if (!prefix.present || prefix.hasBook)
                            return;
                        bool own = prefix.sheetLast.empty() && SameName(prefix.sheet, sourceName);
                        if (sheetCopy && own) {
                            prefix.sheet = copyName;  // the copy refers to itself
                        } else if (otherBook) {
                            prefix.hasBook = true;
                            prefix.book = sourceBook;
                            linked = true;
                        }
                    });
            } catch (const std::exception&) {
                continue;  // a formula we cannot read stays as it was written
            }
        }
        // The same cells under another name: the result, if any, still holds.
        if (rewritten != formula)
            target.ReplaceFormulaText(cell, rewritten);
    }
}

}  // namespace tabulon::engine::detail
