// One evaluation of a parsed formula at one cell, and the view a built-in function
// gets of its arguments.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "spreadsheet/formula/ast.h"
#include "spreadsheet/formula/cell_provider.h"
#include "spreadsheet/formula/formula_cache.h"
#include "spreadsheet/formula/operand.h"

namespace tabulon::spreadsheet::formula {

struct FunctionInfo;

// Shared by an evaluation and the evaluations of the defined names it uses.
struct EvalShared {
    ICellProvider& cells;
    FormulaCache& cache;
    std::vector<std::string> nameStack;  // names being evaluated, to stop self-reference
};

class Evaluation {
  public:
    Evaluation(const Ast& ast, const EvalOrigin& origin, EvalShared& shared);

    // The value the formula shows: a reference gives the value of its cell (or the
    // implicit intersection with the formula's row or column), an array its first
    // element, an empty cell 0.
    Value Run();
    // The value one cell of an array formula shows: the formula is evaluated with
    // operators working element by element, and the cell (row, col) places from the
    // top-left one takes that element of the result (a single value fills every
    // cell, a single row or column repeats; beyond the result: #N/A).
    Value RunArray(int row, int col);
    // Every cell of an array formula entered over `rows` x `cols` cells, row by
    // row: the formula is evaluated once, element by element, and laid over the
    // range as RunArray describes.
    std::vector<Value> RunOver(int rows, int cols);

    Operand Eval(std::uint32_t node);
    // A single value of the node (implicit intersection for a reference).
    Value EvalScalar(std::uint32_t node);
    const Node& NodeAt(std::uint32_t node) const { return m_ast.nodes[node]; }

    // A single value from an operand: the cell of a one-cell reference, the cell of a
    // one-row/one-column reference in the formula's column/row, an array's first element.
    Value Deref(const Operand& operand);
    // Operand as a rectangle of values (a reference is cut to the sheet's used extent).
    std::shared_ptr<const Matrix> ToMatrix(const Operand& operand);

    // Calls `visit` for every non-empty cell of every area of a reference.
    void VisitRef(const Operand& ref, const std::function<void(int, CellRef, const Value&)>& visit);

    // The reference a text names ("B2", "Sheet2!A1:C3", "3:5", a defined name; with
    // a1 false in R1C1 style: "R2C3", "R[-1]C", "Sheet2!C2"), evaluated here; #REF!
    // when the text is no reference. For INDIRECT.
    Operand EvalReferenceText(std::string_view text, bool a1 = true);

    // A reference's area cut to the used extent of its sheet (at least one cell kept).
    RangeRef Clip(int sheet, const RangeRef& range);

    Value CellValue(int sheet, CellRef cell) { return m_shared.cells.CellValue(sheet, cell); }
    ICellProvider& Cells() { return m_shared.cells; }
    const EvalOrigin& Origin() const { return m_origin; }
    bool Date1904() const { return m_shared.cells.Date1904(); }

    // While above 0, operators on ranges and arrays work element by element
    // (arguments of SUMPRODUCT and the like) instead of by implicit intersection.
    int arrayMode = 0;

  private:
    Operand EvalReference(const AstRef& ref);
    Operand EvalName(const Node& node);
    Operand EvalFunction(const Node& node);
    Operand EvalLet(const Node& node);
    Operand CallLambda(const Node& call);
    Operand EvalBinary(const Node& node);
    Operand EvalUnary(const Node& node);
    Operand ReferenceOperator(OperatorKind op, const Operand& a, const Operand& b);
    Operand OperatorOperand(std::uint32_t node);
    Operand CallElementWise(const Node& node, const FunctionInfo& info);
    Operand CallPerArea(const Node& node, const FunctionInfo& info);
    Operand ElementWise(const Node& node, const Operand& a, const Operand& b);
    int ResolveSheet(const AstRef& ref, bool last);

    const Ast& m_ast;
    EvalOrigin m_origin;
    EvalShared& m_shared;
    // Variables of the LET calls and parameters of the LAMBDA calls being
    // evaluated, innermost last; a LAMBDA bound by LET keeps its node.
    struct Local {
        std::string name;
        Operand value;
        int lambda = -1;
    };
    std::vector<Local> m_locals;
    int m_lambdaDepth = 0;
    static constexpr int kMaxLambdaDepth = 64;
};

// Scalar operators on two values.
Value ApplyOperator(OperatorKind op, const Value& a, const Value& b, bool date1904);

class CallContext {
  public:
    CallContext(Evaluation& eval, const Node& node) : m_eval(eval), m_node(node) {}
    // A call whose arguments were evaluated already (one operand per argument).
    CallContext(Evaluation& eval, const Node& node, const std::vector<Operand>& given)
        : m_eval(eval), m_node(node), m_given(&given) {}

    std::size_t Count() const { return m_node.children.size(); }
    bool IsMissing(std::size_t i) const;
    // The argument as evaluated; a missing argument is an empty value.
    Operand Arg(std::size_t i);
    // The argument evaluated with operators working element by element.
    Operand ArrayArg(std::size_t i);
    // A single value; errors are returned, not raised.
    Value Scalar(std::size_t i);
    // Coerced single values; an error value or failed coercion raises ErrorSignal.
    double Number(std::size_t i);
    double Number(std::size_t i, double absent);
    std::string Text(std::size_t i);
    bool Boolean(std::size_t i);
    bool Boolean(std::size_t i, bool absent);

    Evaluation& Eval() { return m_eval; }

  private:
    Evaluation& m_eval;
    const Node& m_node;
    const std::vector<Operand>* m_given = nullptr;
};

}  // namespace tabulon::spreadsheet::formula
