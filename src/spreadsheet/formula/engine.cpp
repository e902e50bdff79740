#include "spreadsheet/formula/engine.h"

#include <algorithm>
#include <vector>

#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/evaluation.h"
#include "spreadsheet/formula/lexer.h"
#include "spreadsheet/formula/parser.h"

namespace tabulon::spreadsheet::formula {

namespace {

// `seen`: names already checked on this path (a name that uses itself is an
// error value when evaluated, not a reason to keep the cached result).
bool NamesEvaluable(FormulaCache& cache, const Ast& ast, const ICellProvider& cells, int sheet,
                    std::vector<std::string>& seen) {
    if (!ast.evaluable)
        return false;
    for (const Node& n : ast.nodes) {
        if (n.kind != NodeKind::Name)
            continue;
        int scope = sheet;
        if (n.ref.hasSheet)
            scope = cells.FindSheet(n.ref.sheet);
        if (scope < 0)
            continue;  // evaluates to #REF!, which is the answer here too
        std::optional<std::string> text = cells.DefinedName(n.name, scope);
        if (!text)
            continue;  // #NAME?, likewise
        std::string key = ToUpperAscii(n.name);
        if (std::find(seen.begin(), seen.end(), key) != seen.end())
            continue;
        if (seen.size() > 32)
            return false;
        seen.push_back(key);
        bool ok;
        try {
            ok = NamesEvaluable(cache, *cache.Get(*text, CellRef{1, 1}), cells, scope, seen);
        } catch (const FormulaSyntaxError&) {
            ok = false;
        }
        seen.pop_back();
        if (!ok)
            return false;
    }
    return true;
}

// Whether every name the tree uses (directly or through other names) is evaluable.
bool NamesEvaluable(FormulaCache& cache, const Ast& ast, const ICellProvider& cells, int sheet) {
    if (!ast.evaluable)
        return false;
    bool anyName = false;
    for (const Node& n : ast.nodes)
        anyName = anyName || n.kind == NodeKind::Name;
    if (!anyName)
        return true;
    std::vector<std::string> seen;
    try {
        return NamesEvaluable(cache, ast, cells, sheet, seen);
    } catch (const FormulaSyntaxError&) {
        return false;
    }
}

}  // namespace

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

Value FormulaEngine::EvaluateArray(std::string_view formula, const EvalOrigin& origin,
                                   ICellProvider& cells, int row, int col) {
    std::shared_ptr<const Ast> ast;
    try {
        ast = m_cache.Get(formula, origin.cell);
    } catch (const FormulaSyntaxError&) {
        return Value::Error(ErrorCode::Name);
    }
    EvalShared shared{cells, m_cache, {}};
    return Evaluation(*ast, origin, shared).RunArray(row, col);
}

std::optional<Value> FormulaEngine::TryEvaluate(std::string_view formula, const EvalOrigin& origin,
                                                ICellProvider& cells) {
    std::shared_ptr<const Ast> ast;
    try {
        ast = m_cache.Get(formula, origin.cell);
    } catch (const FormulaSyntaxError&) {
        return std::nullopt;
    }
    if (!NamesEvaluable(m_cache, *ast, cells, origin.sheet))
        return std::nullopt;
    EvalShared shared{cells, m_cache, {}};
    return Evaluation(*ast, origin, shared).Run();
}

std::optional<std::vector<Value>> FormulaEngine::TryEvaluateArray(std::string_view formula,
                                                                  const EvalOrigin& origin,
                                                                  ICellProvider& cells, int rows,
                                                                  int cols) {
    std::shared_ptr<const Ast> ast;
    try {
        ast = m_cache.Get(formula, origin.cell);
    } catch (const FormulaSyntaxError&) {
        return std::nullopt;
    }
    if (!NamesEvaluable(m_cache, *ast, cells, origin.sheet))
        return std::nullopt;
    EvalShared shared{cells, m_cache, {}};
    return Evaluation(*ast, origin, shared).RunOver(rows, cols);
}

bool FormulaEngine::IsEvaluable(std::string_view formula, CellRef origin) {
    try {
        return m_cache.Get(formula, origin)->evaluable;
    } catch (const FormulaSyntaxError&) {
        return false;
    }
}

bool FormulaEngine::IsEvaluable(std::string_view formula, const ICellProvider& cells, int sheet) {
    try {
        return NamesEvaluable(m_cache, *m_cache.Get(formula, CellRef{1, 1}), cells, sheet);
    } catch (const FormulaSyntaxError&) {
        return false;
    }
}

std::string WhyNotEvaluable(std::string_view formula) {
    Ast ast;
    try {
        ast = ParseFormula(formula, CellRef{1, 1});
    } catch (const FormulaSyntaxError&) {
        return "unreadable";
    }
    for (const Node& n : ast.nodes) {
        if (n.kind == NodeKind::Function && n.function < 0)
            return "function " + ToUpperAscii(n.name);
        if ((n.kind == NodeKind::Reference || n.kind == NodeKind::Name) && n.ref.external)
            return "link to another workbook";
        if (n.kind == NodeKind::StructuredRef)
            return "table reference";
    }
    return "defined name";
}

bool IsEvaluable(std::string_view formula) {
    try {
        return ParseFormula(formula, CellRef{1, 1}).evaluable;
    } catch (const FormulaSyntaxError&) {
        return false;
    }
}

}  // namespace tabulon::spreadsheet::formula
