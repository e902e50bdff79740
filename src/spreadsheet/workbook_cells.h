// The formula engine's view of a workbook: cell values, calculating formula
// cells on demand through the registered evaluator.
#pragma once

#include <memory>

#include "spreadsheet/formula/cell_provider.h"
#include "spreadsheet/formula/evaluator.h"

namespace tabulon::spreadsheet {

class Workbook;

// A cell that is met again while it is being calculated (a circular
// reference) gets this error as its value.
constexpr ErrorCode kCircularReferenceError = ErrorCode::Calc;

class WorkbookCells final : public formula::ICellProvider {
  public:
    // Formula cells are calculated by `evaluator` (the session's engine); with
    // none they answer their cached result even when stale.
    WorkbookCells(Workbook& workbook, formula::IEvaluator* evaluator);
    ~WorkbookCells() override;

    int FindSheet(std::string_view name) const override;
    int SheetCount() const override;
    std::string SheetName(int sheet) const override;
    // A constant, or a formula's result: calculated first when the cell is
    // stale, then stored and the mark cleared. Calculation nests at most a few
    // hundred cells deep; deeper chains are calculated from the bottom up, so
    // any length of chain is safe for the stack.
    Value CellValue(int sheet, CellRef cell) override;
    void VisitCells(int sheet, const RangeRef& range,
                    const std::function<void(CellRef, const Value&)>& visit) override;
    std::optional<RangeRef> UsedExtent(int sheet) const override;
    std::optional<std::string> DefinedName(std::string_view name, int sheet) const override;
    bool Date1904() const override;
    formula::RowVisibility RowState(int sheet, int row) const override;
    std::string CellFormula(int sheet, CellRef cell) const override;

    // Marks every formula of `range` stale and calculates it again.
    void Calculate(int sheet, const RangeRef& range);
    // The same for every sheet.
    void CalculateAll();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace tabulon::spreadsheet
