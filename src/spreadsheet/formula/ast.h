// The parsed form of a formula, ready to evaluate. Relative reference parts are
// kept as offsets from the cell the formula was read for, so one tree serves every
// copy of a formula filled down or across.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "spreadsheet/formula/token.h"
#include "spreadsheet/value.h"

namespace tabulon::spreadsheet::formula {

enum class NodeKind : std::uint8_t {
    Constant,  // number, text, boolean or error literal
    Array,     // {1,2;3,4}
    Missing,   // an omitted argument: F(1,,2)
    Reference,
    Name,
    StructuredRef,  // table reference: not evaluable here
    Function,
    Unary,  // op Plus or Minus
    Percent,
    Binary,  // arithmetic, comparison, concatenation and reference operators
};

// A reference of a parsed formula. A relative part holds an offset from the
// evaluation cell, an absolute part the 1-based position. Rows of a Columns
// reference and columns of a Rows reference are unused.
struct AstRef {
    RefShape shape = RefShape::Cell;
    int row1 = 0, col1 = 0, row2 = 0, col2 = 0;
    bool row1Relative = false, col1Relative = false, row2Relative = false, col2Relative = false;
    bool hasSheet = false;
    bool external = false;
    std::string sheet;
    std::string sheetLast;
};

struct Node {
    NodeKind kind = NodeKind::Constant;
    OperatorKind op = OperatorKind::None;
    int function = -1;  // Function: catalogue index, -1 when unknown
    Value constant;     // Constant
    std::string name;   // Name, Function (as written), StructuredRef
    AstRef ref;         // Reference; Name: the sheet part (hasSheet, sheet, external)
    std::vector<std::uint32_t> children;
    int arrayRows = 0;  // Array: rows x columns of arrayValues
    int arrayCols = 0;
    std::vector<Value> arrayValues;
};

struct Ast {
    std::vector<Node> nodes;
    std::uint32_t root = 0;
    bool evaluable = true;  // no external reference, table reference or unknown function
};

}  // namespace tabulon::spreadsheet::formula
