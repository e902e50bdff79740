// How the formula engine reads a workbook. The workbook model implements this;
// tests implement it over a small map of cells.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "spreadsheet/address.h"
#include "spreadsheet/value.h"

namespace tabulon::spreadsheet::formula {

// Where a formula is evaluated: its sheet (0-based) and cell.
struct EvalOrigin {
    int sheet = 0;
    CellRef cell;
};

enum class RowVisibility { Shown, Hidden, Filtered };

class ICellProvider {
  public:
    virtual ~ICellProvider() = default;

    // 0-based index of the sheet so named (compared without regard to case), or -1.
    virtual int FindSheet(std::string_view name) const = 0;
    virtual int SheetCount() const = 0;
    virtual std::string SheetName(int sheet) const = 0;

    // The value a cell shows. A formula cell that needs it is calculated first
    // (the provider guards against cycles and answers an error value for a cell
    // that is part of one).
    virtual Value CellValue(int sheet, CellRef cell) = 0;

    // Calls `visit` for every non-empty cell inside `range`, row by row, left to
    // right. Lets SUM(A:A) and friends cost what the sheet holds, not the grid.
    virtual void VisitCells(int sheet, const RangeRef& range,
                            const std::function<void(CellRef, const Value&)>& visit) = 0;

    // The rectangle from A1 to the last used cell of the sheet; nullopt when empty.
    virtual std::optional<RangeRef> UsedExtent(int sheet) const = 0;

    // The formula text of a defined name visible from `sheet` (a sheet-local name
    // first, then a workbook name), without a leading '='; nullopt when unknown.
    virtual std::optional<std::string> DefinedName(std::string_view name, int sheet) const = 0;

    // True for workbooks whose serial dates count from 1904.
    virtual bool Date1904() const = 0;

    // Whether a row is shown, hidden by hand, or hidden by the sheet's filter
    // (SUBTOTAL and AGGREGATE skip such rows). Providers without rows: shown.
    virtual RowVisibility RowState(int /*sheet*/, int /*row*/) const {
        return RowVisibility::Shown;
    }

    // The formula text of a cell (without '='), empty for a cell without one.
    // SUBTOTAL and AGGREGATE skip cells that hold such calls themselves.
    virtual std::string CellFormula(int /*sheet*/, CellRef /*cell*/) const { return {}; }
};

}  // namespace tabulon::spreadsheet::formula
