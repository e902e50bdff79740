// BIFF formulas: the parsed-expression tokens of a FORMULA, SHRFMLA, ARRAY or
// NAME record turned back into A1 text (without the leading '=').
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/reader/biff_text.h"

namespace tabulon::spreadsheet {

// What a formula's tokens refer to outside themselves.
struct BiffFormulaContext {
    BiffText* text = nullptr;  // decides BIFF5 or BIFF8 and decodes BIFF5 strings
    // 2, 3 or 4 for the formulas of Excel 2 to 4 worksheets, whose function
    // and attribute tokens are narrower; they refer to no names or sheets.
    int legacyVersion = 0;
    // The prefix of a 3-D reference ("Sheet1!", "'A b'!", "Sheet1:Sheet3!",
    // "[1]Sheet1!") by its EXTERNSHEET index (BIFF5: the itab pair, ixals);
    // empty when the reference is broken.
    std::function<std::string(int ixti, int first, int last)> sheetPrefix;
    // A defined name by its 1-based index in the NAME records.
    std::function<std::string(unsigned index)> name;
    // An external or add-in name by EXTERNSHEET index and 1-based EXTERNNAME index.
    std::function<std::string(int ixti, unsigned index)> externName;
};

// The formula spelled by `tokens`, whose array constants and other extra data
// follow in `extra`. `row` and `col` (0-based) are the cell the formula
// belongs to: the relative references of shared formulas count from there.
// Throws BiffDamage on tokens it cannot read.
std::string DecodeBiffFormula(std::string_view tokens, std::string_view extra, int row, int col,
                              const BiffFormulaContext& context);

}  // namespace tabulon::spreadsheet

namespace tabulon::spreadsheet {
// "Sheet1!", "'My sheet'!" or "Sheet1:Sheet3!" for the sheets `first` to `last`.
std::string BiffSheetPrefix(const std::string& first, const std::string& last);
}  // namespace tabulon::spreadsheet
