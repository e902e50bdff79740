// The formula engine as the workbook model sees it: evaluates formula text at a
// cell, caching the parsed form of formulas that only differ by their position.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "spreadsheet/formula/evaluator.h"
#include "spreadsheet/formula/formula_cache.h"

namespace tabulon::spreadsheet::formula {

class FormulaEngine : public IEvaluator {
  public:
    FormulaEngine() = default;

    // The value of `formula` at `origin`. A formula that cannot be parsed gives
    // #NAME?, an unknown function #NAME?, a reference into another workbook #REF!.
    Value Evaluate(std::string_view formula, const EvalOrigin& origin,
                   ICellProvider& cells) override;

    // The value of the cell (row, col) places from the top-left cell `origin` of an
    // array formula (entered over a range; operators then work element by element).
    Value EvaluateArray(std::string_view formula, const EvalOrigin& origin, ICellProvider& cells,
                        int row = 0, int col = 0);

    // As Evaluate, but nullopt for a formula that is not evaluable here (see
    // IsEvaluable, names included): the caller should keep the value cached with
    // the formula.
    std::optional<Value> TryEvaluate(std::string_view formula, const EvalOrigin& origin,
                                     ICellProvider& cells) override;
    std::optional<std::vector<Value>> TryEvaluateArray(std::string_view formula,
                                                       const EvalOrigin& origin,
                                                       ICellProvider& cells, int rows,
                                                       int cols) override;

    // True when the formula parses, calls only known functions and refers to no
    // other workbook and no table. `origin` is the formula's cell: copies of one
    // formula down a column then share one parsed tree.
    bool IsEvaluable(std::string_view formula, CellRef origin = CellRef{1, 1});
    // As above, and every defined name the formula uses (directly or through other
    // names) is evaluable too, as seen from `sheet` of `cells`.
    bool IsEvaluable(std::string_view formula, const ICellProvider& cells, int sheet);

    FormulaCache& Cache() { return m_cache; }

  private:
    FormulaCache m_cache;
};

// IsEvaluable without a cache.
bool IsEvaluable(std::string_view formula);

// Why a formula is not evaluable here, in a few words ("function FOO", "link to
// another workbook", "table reference", "unreadable"; "defined name" when only a
// name it uses is the cause), for reports.
std::string WhyNotEvaluable(std::string_view formula);

}  // namespace tabulon::spreadsheet::formula
