#include "spreadsheet/formula/engine.h"

#include "spreadsheet/formula/evaluation.h"
#include "spreadsheet/formula/lexer.h"
#include "spreadsheet/formula/parser.h"

namespace tabulon::spreadsheet::formula {

Value FormulaEngine::Evaluate(std::string_view formula, const EvalOrigin& origin,
                              ICellProvider& cells) {
    std::shared_ptr<const Ast> ast;
    try {
        ast = m_cache.Get(formula, origin.cell);
    } catch (const FormulaSyntaxError&) {
        return Value::Error(ErrorCode::Name);
    }
    EvalShared shared{cells, m_cache, {}};
    return Evaluation(*ast, origin, shared).Run();
}

std::optional<Value> FormulaEngine::TryEvaluate(std::string_view formula, const EvalOrigin& origin,
                                                ICellProvider& cells) {
    std::shared_ptr<const Ast> ast;
    try {
        ast = m_cache.Get(formula, origin.cell);
    } catch (const FormulaSyntaxError&) {
        return std::nullopt;
    }
    if (!ast->evaluable)
        return std::nullopt;
    EvalShared shared{cells, m_cache, {}};
    return Evaluation(*ast, origin, shared).Run();
}

bool FormulaEngine::IsEvaluable(std::string_view formula) {
    try {
        return m_cache.Get(formula, CellRef{1, 1})->evaluable;
    } catch (const FormulaSyntaxError&) {
        return false;
    }
}

bool IsEvaluable(std::string_view formula) {
    try {
        return ParseFormula(formula, CellRef{1, 1}).evaluable;
    } catch (const FormulaSyntaxError&) {
        return false;
    }
}

}  // namespace tabulon::spreadsheet::formula
