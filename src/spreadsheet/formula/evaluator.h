// The seam between the workbook model and the formula engine: the model asks an
// evaluator for the value of a formula cell that needs a fresh result.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "spreadsheet/formula/cell_provider.h"

namespace tabulon::spreadsheet::formula {

class IEvaluator {
  public:
    virtual ~IEvaluator() = default;
    // The value of `formula` (A1 text, with or without a leading '=') evaluated at
    // `origin`, reading cells through `cells`. Never throws for a bad formula: a
    // formula that cannot be parsed gives an error value.
    virtual Value Evaluate(std::string_view formula, const EvalOrigin& origin,
                           ICellProvider& cells) = 0;
    // As Evaluate, but nullopt when the formula cannot be calculated here (a
    // function this evaluator does not have, a link to another workbook...): its
    // result is then unknown rather than an error value.
    virtual std::optional<Value> TryEvaluate(std::string_view formula, const EvalOrigin& origin,
                                             ICellProvider& cells) {
        return Evaluate(formula, origin, cells);
    }
    // The values of an array formula entered over `rows` x `cols` cells with its
    // top-left cell at `origin`, row by row; nullopt as for TryEvaluate.
    virtual std::optional<std::vector<Value>> TryEvaluateArray(std::string_view formula,
                                                               const EvalOrigin& origin,
                                                               ICellProvider& cells, int rows,
                                                               int cols) {
        std::optional<Value> v = TryEvaluate(formula, origin, cells);
        if (!v)
            return std::nullopt;
        return std::vector<Value>(static_cast<std::size_t>(rows) * cols, *v);
    }
};

}  // namespace tabulon::spreadsheet::formula
