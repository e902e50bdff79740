// What an expression evaluates to before it lands in a cell: a single value, a
// reference to cells (one or more areas) or an array of values.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "spreadsheet/address.h"
#include "spreadsheet/value.h"

namespace tabulon::spreadsheet::formula {

// Cells of one rectangle on one sheet, or on every sheet from `sheet` to `sheetLast`.
struct Area {
    int sheet = 0;
    int sheetLast = 0;
    RangeRef range;
    bool IsCell() const { return sheet == sheetLast && range.first == range.last; }
};

struct Matrix {
    int rows = 0;
    int cols = 0;
    std::vector<Value> cells;  // row by row
    Matrix() = default;
    Matrix(int r, int c) : rows(r), cols(c), cells(static_cast<std::size_t>(r) * c) {}
    Value& At(int r, int c) { return cells[static_cast<std::size_t>(r) * cols + c]; }
    const Value& At(int r, int c) const { return cells[static_cast<std::size_t>(r) * cols + c]; }
};

struct Operand {
    enum class Kind { Scalar, Reference, Array };
    Kind kind = Kind::Scalar;
    Value value;                           // Scalar
    std::vector<Area> areas;               // Reference
    std::shared_ptr<const Matrix> matrix;  // Array

    Operand() = default;
    Operand(Value v) : value(std::move(v)) {}  // NOLINT: a value is an operand
    static Operand Ref(const Area& a) {
        Operand o;
        o.kind = Kind::Reference;
        o.areas.push_back(a);
        return o;
    }
    static Operand Array(std::shared_ptr<const Matrix> m) {
        Operand o;
        o.kind = Kind::Array;
        o.matrix = std::move(m);
        return o;
    }
    bool IsScalar() const { return kind == Kind::Scalar; }
    bool IsRef() const { return kind == Kind::Reference; }
    bool IsArray() const { return kind == Kind::Array; }
};

// Thrown inside the evaluator to hand a cell error up to the nearest function
// call or formula boundary, where it becomes an error value. Never escapes the engine.
struct ErrorSignal {
    ErrorCode code;
};

[[noreturn]] inline void Raise(ErrorCode code) {
    throw ErrorSignal{code};
}

}  // namespace tabulon::spreadsheet::formula
