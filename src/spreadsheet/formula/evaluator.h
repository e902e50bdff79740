// The seam between the workbook model and the formula engine: the model asks an
// evaluator for the value of a formula cell that needs a fresh result.
#pragma once

#include <string_view>

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
};

}  // namespace tabulon::spreadsheet::formula
