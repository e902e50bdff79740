#include "spreadsheet/formula/evaluation.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/function_table.h"
#include "spreadsheet/formula/lexer.h"
#include "spreadsheet/formula/parser.h"

namespace tabulon::spreadsheet::formula {

namespace {

constexpr std::size_t kMaxNameDepth = 32;
constexpr long long kMaxMatrixCells = 16LL * 1024 * 1024;
constexpr long long kUnclippedCells = 4096;

Value CheckNumber(double d) {
    if (!std::isfinite(d))
        return Value::Error(ErrorCode::Num);
    return Value::Number(d);
}

bool IsComparison(OperatorKind op) {
    return op == OperatorKind::Equal || op == OperatorKind::NotEqual || op == OperatorKind::Less ||
           op == OperatorKind::Greater || op == OperatorKind::LessEqual ||
           op == OperatorKind::GreaterEqual;
}

// A sum or difference that ends a formula and cancels out to within the last
// bits of its operands shows as 0, as the application shows =0.3-0.2-0.1.
Value SnapToZero(const Value& result, const Value& a, const Value& b) {
    if (!result.IsNumber() || !a.IsNumber() || !b.IsNumber() || result.AsNumber() == 0)
        return result;
    double scale = std::max(std::fabs(a.AsNumber()), std::fabs(b.AsNumber()));
    if (std::fabs(result.AsNumber()) < scale * 0x1p-49)
        return Value::Number(0);
    return result;
}

}  // namespace

Value ApplyOperator(OperatorKind op, const Value& a, const Value& b, bool date1904) {
    if (a.IsError())
        return a;
    if (b.IsError())
        return b;
    try {
        if (op == OperatorKind::Concat)
            return Value::Text(ToText(a) + ToText(b));
        if (IsComparison(op)) {
            int c = CompareValues(a, b);
            switch (op) {
                case OperatorKind::Equal:
                    return Value::Boolean(c == 0);
                case OperatorKind::NotEqual:
                    return Value::Boolean(c != 0);
                case OperatorKind::Less:
                    return Value::Boolean(c < 0);
                case OperatorKind::Greater:
                    return Value::Boolean(c > 0);
                case OperatorKind::LessEqual:
                    return Value::Boolean(c <= 0);
                default:
                    return Value::Boolean(c >= 0);
            }
        }
        double x = ToNumber(a, date1904);
        double y = ToNumber(b, date1904);
        switch (op) {
            case OperatorKind::Plus:
                return CheckNumber(x + y);
            case OperatorKind::Minus:
                return CheckNumber(x - y);
            case OperatorKind::Multiply:
                return CheckNumber(x * y);
            case OperatorKind::Divide:
                if (y == 0)
                    return Value::Error(ErrorCode::Div0);
                return CheckNumber(x / y);
            case OperatorKind::Power:
                if (x == 0 && y == 0)
                    return Value::Error(ErrorCode::Num);
                if (x == 0 && y < 0)
                    return Value::Error(ErrorCode::Div0);
                return CheckNumber(std::pow(x, y));
            default:
                return Value::Error(ErrorCode::Value);
        }
    } catch (const ErrorSignal& e) {
        return Value::Error(e.code);
    }
}

Evaluation::Evaluation(const Ast& ast, const EvalOrigin& origin, EvalShared& shared)
    : m_ast(ast), m_origin(origin), m_shared(shared) {}

Value Evaluation::Run() {
    Value v;
    try {
        v = Deref(Eval(m_ast.root));
    } catch (const ErrorSignal& e) {
        return Value::Error(e.code);
    }
    if (v.IsEmpty())
        return Value::Number(0);
    return v;
}

Value Evaluation::RunArray(int row, int col) {
    std::vector<Value> cells = RunOver(row + 1, col + 1);
    return cells.back();
}

std::vector<Value> Evaluation::RunOver(int rows, int cols) {
    std::vector<Value> out(static_cast<std::size_t>(rows) * cols);
    auto finish = [](Value v) { return v.IsEmpty() ? Value::Number(0) : v; };
    try {
        ++arrayMode;
        Operand result = Eval(m_ast.root);
        --arrayMode;
        if (result.IsScalar() ||
            (result.IsRef() && result.areas.size() == 1 && result.areas[0].IsCell())) {
            std::fill(out.begin(), out.end(), finish(Deref(result)));
            return out;
        }
        auto m = ToMatrix(result);
        for (int row = 0; row < rows; ++row) {
            for (int col = 0; col < cols; ++col) {
                int r = m->rows == 1 ? 0 : row;
                int c = m->cols == 1 ? 0 : col;
                out[static_cast<std::size_t>(row) * cols + col] =
                    r < m->rows && c < m->cols ? finish(m->At(r, c)) : Value::Error(ErrorCode::NA);
            }
        }
    } catch (const ErrorSignal& e) {
        std::fill(out.begin(), out.end(), Value::Error(e.code));
    }
    return out;
}

Value Evaluation::EvalScalar(std::uint32_t index) {
    const Node& n = m_ast.nodes[index];
    if (n.kind == NodeKind::Constant)
        return n.constant;
    if (n.kind == NodeKind::Reference && n.ref.shape == RefShape::Cell && !n.ref.hasSheet &&
        !n.ref.external) {
        // The common case of =A1*B1: no operand built.
        int row = n.ref.row1Relative ? m_origin.cell.row + n.ref.row1 : n.ref.row1;
        int col = n.ref.col1Relative ? m_origin.cell.col + n.ref.col1 : n.ref.col1;
        if (row < 1 || row > kMaxRows || col < 1 || col > kMaxColumns)
            return Value::Error(ErrorCode::Ref);
        return CellValue(m_origin.sheet, CellRef{row, col});
    }
    return Deref(Eval(index));
}

Operand Evaluation::Eval(std::uint32_t index) {
    const Node& n = m_ast.nodes[index];
    switch (n.kind) {
        case NodeKind::Constant:
            return n.constant;
        case NodeKind::Missing:
            return Value();
        case NodeKind::Array: {
            auto m = std::make_shared<Matrix>(n.arrayRows, n.arrayCols);
            m->cells = n.arrayValues;
            return Operand::Array(std::move(m));
        }
        case NodeKind::Reference:
            return EvalReference(n.ref);
        case NodeKind::Name:
            return EvalName(n);
        case NodeKind::StructuredRef:
            return Value::Error(ErrorCode::Ref);
        case NodeKind::Function:
            return EvalFunction(n);
        case NodeKind::Unary:
        case NodeKind::Percent:
            return EvalUnary(n);
        case NodeKind::Binary:
            return EvalBinary(n);
    }
    return Value::Error(ErrorCode::Value);
}

int Evaluation::ResolveSheet(const AstRef& ref, bool last) {
    if (!ref.hasSheet)
        return m_origin.sheet;
    const std::string& name = last && !ref.sheetLast.empty() ? ref.sheetLast : ref.sheet;
    return m_shared.cells.FindSheet(name);
}

Operand Evaluation::EvalReference(const AstRef& r) {
    if (r.external || r.shape == RefShape::Invalid)
        return Value::Error(ErrorCode::Ref);
    int sheet = ResolveSheet(r, false);
    int sheetLast = ResolveSheet(r, true);
    if (sheet < 0 || sheetLast < 0)
        return Value::Error(ErrorCode::Ref);
    if (sheetLast < sheet)
        std::swap(sheet, sheetLast);
    int row1 = r.row1Relative ? m_origin.cell.row + r.row1 : r.row1;
    int col1 = r.col1Relative ? m_origin.cell.col + r.col1 : r.col1;
    int row2 = r.row2Relative ? m_origin.cell.row + r.row2 : r.row2;
    int col2 = r.col2Relative ? m_origin.cell.col + r.col2 : r.col2;
    if (r.shape == RefShape::Columns) {
        row1 = 1;
        row2 = kMaxRows;
    } else if (r.shape == RefShape::Rows) {
        col1 = 1;
        col2 = kMaxColumns;
    }
    if (row1 > row2)
        std::swap(row1, row2);
    if (col1 > col2)
        std::swap(col1, col2);
    if (row1 < 1 || row2 > kMaxRows || col1 < 1 || col2 > kMaxColumns)
        return Value::Error(ErrorCode::Ref);
    return Operand::Ref(Area{sheet, sheetLast, RangeRef{{row1, col1}, {row2, col2}}});
}

// LET(name1, value1, [name2, value2, ...], calculation): each value is evaluated
// once, in order, and later values and the calculation see the names before it.
Operand Evaluation::EvalLet(const Node& n) {
    const std::size_t count = n.children.size();
    if (count < 3 || count % 2 == 0)
        return Value::Error(ErrorCode::Value);
    const std::size_t mark = m_locals.size();
    Operand result;
    try {
        for (std::size_t i = 0; i + 1 < count; i += 2) {
            const Node& name = m_ast.nodes[n.children[i]];
            if (name.kind != NodeKind::Name || name.ref.hasSheet)
                Raise(ErrorCode::Value);
            const std::uint32_t valueNode = n.children[i + 1];
            const Node& value = m_ast.nodes[valueNode];
            if (value.kind == NodeKind::Function && value.function >= 0 &&
                FunctionAt(value.function).name == "LAMBDA") {
                m_locals.push_back({LocalName(name.name), {}, static_cast<int>(valueNode)});
            } else {
                m_locals.push_back({LocalName(name.name), Eval(valueNode), -1});
            }
        }
        result = Eval(n.children[count - 1]);
    } catch (const ErrorSignal& e) {
        result = Value::Error(e.code);
    }
    m_locals.resize(mark);
    return result;
}

// A call of a LAMBDA that a LET bound to a name: the arguments are evaluated
// here, then the body with the parameters bound to them. Calls nest at most
// kMaxLambdaDepth deep (a LAMBDA calling itself through its name).
Operand Evaluation::CallLambda(const Node& call) {
    const std::string key = LocalName(call.name);
    const Local* found = nullptr;
    for (auto it = m_locals.rbegin(); it != m_locals.rend() && !found; ++it) {
        if (it->name == key)
            found = &*it;
    }
    if (!found || found->lambda < 0)
        return Value::Error(ErrorCode::Name);
    const Node& lambda = m_ast.nodes[static_cast<std::uint32_t>(found->lambda)];
    if (lambda.children.empty())
        return Value::Error(ErrorCode::Value);
    const std::size_t params = lambda.children.size() - 1;
    if (call.children.size() != params)
        return Value::Error(ErrorCode::Value);
    if (m_lambdaDepth >= kMaxLambdaDepth)
        return Value::Error(ErrorCode::Num);
    const std::size_t mark = m_locals.size();
    Operand result;
    ++m_lambdaDepth;
    try {
        std::vector<Local> bound;
        for (std::size_t i = 0; i < params; ++i) {
            const Node& param = m_ast.nodes[lambda.children[i]];
            if (param.kind != NodeKind::Name)
                Raise(ErrorCode::Value);
            bound.push_back({LocalName(param.name), Eval(call.children[i]), -1});
        }
        for (Local& l : bound)
            m_locals.push_back(std::move(l));
        result = Eval(lambda.children.back());
    } catch (const ErrorSignal& e) {
        result = Value::Error(e.code);
    }
    --m_lambdaDepth;
    m_locals.resize(mark);
    return result;
}

Operand Evaluation::EvalName(const Node& n) {
    if (n.ref.external)
        return Value::Error(ErrorCode::Ref);
    if (!n.ref.hasSheet && !m_locals.empty()) {
        const std::string key = LocalName(n.name);
        for (auto it = m_locals.rbegin(); it != m_locals.rend(); ++it) {
            if (it->name == key)  // a LAMBDA not called is no value
                return it->lambda >= 0 ? Operand(Value::Error(ErrorCode::Calc)) : it->value;
        }
    }
    int sheet = m_origin.sheet;
    if (n.ref.hasSheet) {
        sheet = m_shared.cells.FindSheet(n.ref.sheet);
        if (sheet < 0)
            return Value::Error(ErrorCode::Ref);
    }
    std::optional<std::string> text = m_shared.cells.DefinedName(n.name, sheet);
    if (!text)
        return Value::Error(ErrorCode::Name);
    auto& stack = m_shared.nameStack;
    std::string key = ToUpperAscii(n.name);
    if (stack.size() >= kMaxNameDepth || std::find(stack.begin(), stack.end(), key) != stack.end())
        return Value::Error(ErrorCode::Ref);
    std::shared_ptr<const Ast> ast;
    try {
        // Relative parts of a name count from A1 to the cell that uses it.
        ast = m_shared.cache.Get(*text, CellRef{1, 1});
    } catch (const FormulaSyntaxError&) {
        return Value::Error(ErrorCode::Name);
    }
    stack.push_back(key);
    Operand result;
    try {
        Evaluation inner(*ast, EvalOrigin{sheet, m_origin.cell}, m_shared);
        inner.arrayMode = arrayMode;
        result = inner.Eval(ast->root);
    } catch (const ErrorSignal& e) {
        result = Value::Error(e.code);
    }
    stack.pop_back();
    return result;
}

namespace {

// One part of an R1C1 reference ("R", "R3", "R[-2]", likewise C) at `pos`, as
// A1 text ("$3", "5"); nullopt when absent, `bad` set when malformed or off the grid.
std::optional<std::string> R1C1Part(std::string_view s, std::size_t& pos, char letter, int here,
                                    int limit, bool column, bool& bad) {
    if (pos >= s.size() || (s[pos] != letter && s[pos] != letter + 32))
        return std::nullopt;
    bad = true;
    ++pos;
    bool relative = true;
    int offset = 0;
    int sign = 1;
    std::size_t end = pos;
    if (end < s.size() && s[end] == '[') {
        ++end;
        if (end < s.size() && (s[end] == '-' || s[end] == '+'))
            sign = s[end++] == '-' ? -1 : 1;
        std::size_t digits = end;
        while (end < s.size() && std::isdigit(static_cast<unsigned char>(s[end])))
            offset = std::min(offset * 10 + (s[end++] - '0'), 1 << 24);
        if (end == digits || end >= s.size() || s[end] != ']')
            return std::nullopt;  // bad
        ++end;
        offset *= sign;
    } else if (end < s.size() && std::isdigit(static_cast<unsigned char>(s[end]))) {
        relative = false;
        while (end < s.size() && std::isdigit(static_cast<unsigned char>(s[end])))
            offset = std::min(offset * 10 + (s[end++] - '0'), 1 << 24);
    }
    pos = end;
    int at = relative ? here + offset : offset;
    if (at < 1 || at > limit)
        return std::nullopt;  // bad
    bad = false;
    std::string text = relative ? "" : "$";
    return text + (column ? ColumnLetters(at) : std::to_string(at));
}

// R1C1 reference text as A1 text seen from `origin` ("R[1]C2" at B2 -> "$B3").
std::optional<std::string> R1C1ToA1(std::string_view text, CellRef origin) {
    std::string out;
    std::size_t bang = text.rfind('!');
    if (bang != std::string_view::npos) {
        out = std::string(text.substr(0, bang + 1));
        text.remove_prefix(bang + 1);
    }
    std::size_t pos = 0;
    for (int part = 0; part < 2; ++part) {
        bool bad = false;
        auto row = R1C1Part(text, pos, 'R', origin.row, kMaxRows, false, bad);
        if (bad)
            return std::nullopt;
        auto col = R1C1Part(text, pos, 'C', origin.col, kMaxColumns, true, bad);
        if (bad || (!row && !col))
            return std::nullopt;
        if (row && col) {
            out += *col + *row;
        } else if (row) {
            out += *row + ":" + *row;
        } else {
            out += *col + ":" + *col;
        }
        if (pos == text.size())
            return part == 0 || (row && col) ? std::optional(out) : std::nullopt;
        if (text[pos] != ':' || part == 1 || !(row && col))
            return std::nullopt;
        out += ':';
        ++pos;
    }
    return std::nullopt;
}

}  // namespace

Operand Evaluation::EvalReferenceText(std::string_view text, bool a1) {
    std::string converted;
    if (!a1) {
        std::optional<std::string> a1Text = R1C1ToA1(text, m_origin.cell);
        if (!a1Text)
            return Value::Error(ErrorCode::Ref);
        converted = std::move(*a1Text);
        text = converted;
    }
    std::shared_ptr<const Ast> ast;
    try {
        ast = m_shared.cache.Get(text, m_origin.cell);
    } catch (const FormulaSyntaxError&) {
        // A sheet name that formulas would quote ("1st!A1") is taken as written.
        std::size_t bang = text.rfind('!');
        if (bang == std::string_view::npos || bang == 0 || text[0] == '\'' ||
            text.substr(0, bang).find('\'') != std::string_view::npos)
            return Value::Error(ErrorCode::Ref);
        std::string quoted =
            "'" + std::string(text.substr(0, bang)) + "'" + std::string(text.substr(bang));
        try {
            ast = m_shared.cache.Get(quoted, m_origin.cell);
        } catch (const FormulaSyntaxError&) {
            return Value::Error(ErrorCode::Ref);
        }
    }
    NodeKind kind = ast->nodes[ast->root].kind;
    bool reference = kind == NodeKind::Reference || kind == NodeKind::Name ||
                     (kind == NodeKind::Binary && ast->nodes[ast->root].op == OperatorKind::Range);
    if (!reference || !ast->evaluable)
        return Value::Error(ErrorCode::Ref);
    Evaluation inner(*ast, m_origin, m_shared);
    Operand result = inner.Eval(ast->root);
    if (!result.IsRef())
        return Value::Error(ErrorCode::Ref);
    return result;
}

Operand Evaluation::EvalFunction(const Node& n) {
    if (n.function < 0)
        return m_locals.empty() ? Operand(Value::Error(ErrorCode::Name)) : CallLambda(n);
    const FunctionInfo& info = FunctionAt(n.function);
    int count = static_cast<int>(n.children.size());
    if (count < info.minArgs || count > info.maxArgs)
        return Value::Error(ErrorCode::Value);
    if (info.name == "LET")
        return EvalLet(n);
    if (arrayMode > 0 && info.elementWise && count > 0)
        return CallElementWise(n, info);
    if (info.perArea)
        return CallPerArea(n, info);
    CallContext call(*this, n);
    try {
        return info.impl(call);
    } catch (const ErrorSignal& e) {
        return Value::Error(e.code);
    }
}

// A function of single values given arrays inside array evaluation runs once per
// element: =SUMPRODUCT(--ISNUMBER(SEARCH("x",A1:A9))).
Operand Evaluation::CallElementWise(const Node& n, const FunctionInfo& info) {
    std::vector<Operand> args;
    std::vector<std::shared_ptr<const Matrix>> arrays(n.children.size());
    int rows = 0, cols = 0;
    for (std::size_t i = 0; i < n.children.size(); ++i) {
        args.push_back(Eval(n.children[i]));
        const Operand& o = args.back();
        bool single = o.IsScalar() || (o.IsRef() && o.areas.size() == 1 && o.areas[0].IsCell());
        if (single)
            continue;
        try {
            arrays[i] = ToMatrix(o);
        } catch (const ErrorSignal& e) {
            return Value::Error(e.code);
        }
        rows = std::max(rows, arrays[i]->rows);
        cols = std::max(cols, arrays[i]->cols);
    }
    auto call = [&](const std::vector<Operand>& given) -> Operand {
        CallContext context(*this, n, given);
        try {
            return info.impl(context);
        } catch (const ErrorSignal& e) {
            return Value::Error(e.code);
        }
    };
    if (rows == 0)
        return call(args);
    auto out = std::make_shared<Matrix>(rows, cols);
    std::vector<Operand> given = args;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            for (std::size_t i = 0; i < arrays.size(); ++i) {
                if (!arrays[i])
                    continue;
                const Matrix& m = *arrays[i];
                int rr = m.rows == 1 ? 0 : r;
                int cc = m.cols == 1 ? 0 : c;
                given[i] = rr < m.rows && cc < m.cols ? m.At(rr, cc) : Value::Error(ErrorCode::NA);
            }
            out->At(r, c) = Deref(call(given));
        }
    }
    return Operand::Array(std::move(out));
}

Operand Evaluation::CallPerArea(const Node& n, const FunctionInfo& info) {
    std::vector<Operand> args;
    std::size_t areas = 1;
    for (std::uint32_t child : n.children) {
        args.push_back(Eval(child));
        if (args.back().IsRef())
            areas = std::max(areas, args.back().areas.size());
    }
    auto call = [&](const std::vector<Operand>& given) -> Operand {
        CallContext context(*this, n, given);
        try {
            return info.impl(context);
        } catch (const ErrorSignal& e) {
            return Value::Error(e.code);
        }
    };
    if (areas == 1)
        return call(args);
    auto out = std::make_shared<Matrix>(static_cast<int>(areas), 1);
    std::vector<Operand> given = args;
    for (std::size_t k = 0; k < areas; ++k) {
        bool complete = true;
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (!args[i].IsRef() || args[i].areas.size() == 1)
                continue;
            if (k >= args[i].areas.size()) {
                complete = false;
                break;
            }
            given[i] = Operand::Ref(args[i].areas[k]);
        }
        out->At(static_cast<int>(k), 0) =
            complete ? Deref(call(given)) : Value::Error(ErrorCode::NA);
    }
    return Operand::Array(std::move(out));
}

Operand Evaluation::EvalUnary(const Node& n) {
    Operand a = Eval(n.children[0]);
    if (n.op == OperatorKind::At) {
        if (a.IsRef() && a.areas.size() == 1 && a.areas[0].IsCell())
            return a;  // =@A1:A1 stays a ref
        return Deref(a);
    }
    auto apply = [&](const Value& v) -> Value {
        if (v.IsError())
            return v;
        try {
            double d = ToNumber(v, Date1904());
            if (n.kind == NodeKind::Percent)
                return Value::Number(d / 100);
            return Value::Number(n.op == OperatorKind::Minus ? -d : d);
        } catch (const ErrorSignal& e) {
            return Value::Error(e.code);
        }
    };
    if (a.IsArray() ||
        (arrayMode > 0 && a.IsRef() && !(a.areas.size() == 1 && a.areas[0].IsCell()))) {
        auto in = ToMatrix(a);
        auto out = std::make_shared<Matrix>(in->rows, in->cols);
        for (std::size_t i = 0; i < in->cells.size(); ++i)
            out->cells[i] = apply(in->cells[i]);
        return Operand::Array(std::move(out));
    }
    return apply(Deref(a));
}

Operand Evaluation::EvalBinary(const Node& n) {
    OperatorKind op = n.op;
    if (op == OperatorKind::Range || op == OperatorKind::Union || op == OperatorKind::Intersect) {
        return ReferenceOperator(op, Eval(n.children[0]), Eval(n.children[1]));
    }
    if (arrayMode == 0) {
        // Outside array evaluation a range meets an operator through implicit
        // intersection, but array constants (and arrays functions return) still
        // combine element by element: =MAX(A1*{1,2,3}).
        Operand a = OperatorOperand(n.children[0]);
        Operand b = OperatorOperand(n.children[1]);
        if (a.IsArray() || b.IsArray())
            return ElementWise(n, a, b);
        Value result = ApplyOperator(op, a.value, b.value, Date1904());
        if ((op == OperatorKind::Plus || op == OperatorKind::Minus) &&
            &n == &m_ast.nodes[m_ast.root])
            return SnapToZero(result, a.value, b.value);
        return result;
    }
    Operand a = Eval(n.children[0]);
    Operand b = Eval(n.children[1]);
    auto single = [](const Operand& o) {
        return o.IsScalar() || (o.IsRef() && o.areas.size() == 1 && o.areas[0].IsCell());
    };
    if (single(a) && single(b))
        return ApplyOperator(op, Deref(a), Deref(b), Date1904());
    return ElementWise(n, a, b);
}

Operand Evaluation::OperatorOperand(std::uint32_t index) {
    const Node& n = m_ast.nodes[index];
    if (n.kind == NodeKind::Constant || n.kind == NodeKind::Reference)
        return EvalScalar(index);
    Operand o = Eval(index);
    if (o.IsRef())
        return Deref(o);
    return o;
}

Operand Evaluation::ElementWise(const Node& n, const Operand& a, const Operand& b) {
    auto ma = ToMatrix(a);
    auto mb = ToMatrix(b);
    int rows = ma->rows == 1 ? mb->rows : (mb->rows == 1 ? ma->rows : std::max(ma->rows, mb->rows));
    int cols = ma->cols == 1 ? mb->cols : (mb->cols == 1 ? ma->cols : std::max(ma->cols, mb->cols));
    auto out = std::make_shared<Matrix>(rows, cols);
    auto pick = [](const Matrix& m, int r, int c) -> Value {
        int rr = m.rows == 1 ? 0 : r;
        int cc = m.cols == 1 ? 0 : c;
        if (rr >= m.rows || cc >= m.cols)
            return Value::Error(ErrorCode::NA);
        return m.At(rr, cc);
    };
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c)
            out->At(r, c) = ApplyOperator(n.op, pick(*ma, r, c), pick(*mb, r, c), Date1904());
    }
    return Operand::Array(std::move(out));
}

Operand Evaluation::ReferenceOperator(OperatorKind op, const Operand& a, const Operand& b) {
    if (a.IsScalar() && a.value.IsError())
        return a;
    if (b.IsScalar() && b.value.IsError())
        return b;
    if (!a.IsRef() || !b.IsRef())
        return Value::Error(ErrorCode::Value);
    if (op == OperatorKind::Union) {
        Operand out = a;
        out.areas.insert(out.areas.end(), b.areas.begin(), b.areas.end());
        return out;
    }
    if (op == OperatorKind::Range) {
        Area box = a.areas[0];
        for (const Operand* o : {&a, &b}) {
            for (const Area& x : o->areas) {
                if (x.sheet != box.sheet || x.sheetLast != box.sheetLast)
                    return Value::Error(ErrorCode::Value);
                box.range.first.row = std::min(box.range.first.row, x.range.first.row);
                box.range.first.col = std::min(box.range.first.col, x.range.first.col);
                box.range.last.row = std::max(box.range.last.row, x.range.last.row);
                box.range.last.col = std::max(box.range.last.col, x.range.last.col);
            }
        }
        return Operand::Ref(box);
    }
    Operand out;
    out.kind = Operand::Kind::Reference;
    for (const Area& x : a.areas) {
        for (const Area& y : b.areas) {
            if (x.sheet != y.sheet || x.sheetLast != y.sheetLast)
                continue;
            RangeRef r{{std::max(x.range.first.row, y.range.first.row),
                        std::max(x.range.first.col, y.range.first.col)},
                       {std::min(x.range.last.row, y.range.last.row),
                        std::min(x.range.last.col, y.range.last.col)}};
            if (r.first.row <= r.last.row && r.first.col <= r.last.col)
                out.areas.push_back(Area{x.sheet, x.sheetLast, r});
        }
    }
    if (out.areas.empty())
        return Value::Error(ErrorCode::Null);
    return out;
}

Value Evaluation::Deref(const Operand& o) {
    switch (o.kind) {
        case Operand::Kind::Scalar:
            return o.value;
        case Operand::Kind::Array:
            if (o.matrix->cells.empty())
                return Value::Error(ErrorCode::Value);
            return o.matrix->cells[0];
        case Operand::Kind::Reference:
            break;
    }
    if (o.areas.size() != 1)
        return Value::Error(ErrorCode::Value);
    const Area& a = o.areas[0];
    if (a.sheet != a.sheetLast)
        return Value::Error(ErrorCode::Value);
    const RangeRef& r = a.range;
    if (r.first == r.last)
        return CellValue(a.sheet, r.first);
    CellRef here = m_origin.cell;
    if (r.first.col == r.last.col && here.row >= r.first.row && here.row <= r.last.row)
        return CellValue(a.sheet, CellRef{here.row, r.first.col});
    if (r.first.row == r.last.row && here.col >= r.first.col && here.col <= r.last.col)
        return CellValue(a.sheet, CellRef{r.first.row, here.col});
    return Value::Error(ErrorCode::Value);
}

RangeRef Evaluation::Clip(int sheet, const RangeRef& range) {
    std::optional<RangeRef> used = m_shared.cells.UsedExtent(sheet);
    RangeRef r = range;
    int lastRow = used ? used->last.row : 1;
    int lastCol = used ? used->last.col : 1;
    r.last.row = std::max(r.first.row, std::min(r.last.row, lastRow));
    r.last.col = std::max(r.first.col, std::min(r.last.col, lastCol));
    return r;
}

std::shared_ptr<const Matrix> Evaluation::ToMatrix(const Operand& o) {
    if (o.IsArray())
        return o.matrix;
    if (o.IsScalar()) {
        auto m = std::make_shared<Matrix>(1, 1);
        m->cells[0] = o.value;
        return m;
    }
    if (o.areas.size() != 1 || o.areas[0].sheet != o.areas[0].sheetLast)
        Raise(ErrorCode::Value);
    const Area& a = o.areas[0];
    // A range keeps its shape (arrays built from it must line up); only a large one,
    // such as whole columns, is cut to the part of the sheet in use.
    RangeRef r = a.range;
    if (static_cast<long long>(r.Rows()) * r.Columns() > kUnclippedCells)
        r = Clip(a.sheet, a.range);
    if (static_cast<long long>(r.Rows()) * r.Columns() > kMaxMatrixCells)
        Raise(ErrorCode::Num);
    auto m = std::make_shared<Matrix>(r.Rows(), r.Columns());
    m_shared.cells.VisitCells(a.sheet, r, [&](CellRef c, const Value& v) {
        m->At(c.row - r.first.row, c.col - r.first.col) = v;
    });
    return m;
}

void Evaluation::VisitRef(const Operand& ref,
                          const std::function<void(int, CellRef, const Value&)>& visit) {
    for (const Area& a : ref.areas) {
        for (int s = a.sheet; s <= a.sheetLast; ++s)
            m_shared.cells.VisitCells(s, a.range,
                                      [&](CellRef c, const Value& v) { visit(s, c, v); });
    }
}

bool CallContext::IsMissing(std::size_t i) const {
    return i >= Count() || m_eval.NodeAt(m_node.children[i]).kind == NodeKind::Missing;
}

Operand CallContext::Arg(std::size_t i) {
    if (i >= Count())
        return Value();
    if (m_given)
        return (*m_given)[i];
    return m_eval.Eval(m_node.children[i]);
}

Operand CallContext::ArrayArg(std::size_t i) {
    ++m_eval.arrayMode;
    Operand o;
    try {
        o = Arg(i);
    } catch (...) {
        --m_eval.arrayMode;
        throw;
    }
    --m_eval.arrayMode;
    return o;
}

Value CallContext::Scalar(std::size_t i) {
    if (i >= Count())
        return Value();
    if (m_given)
        return m_eval.Deref((*m_given)[i]);
    return m_eval.EvalScalar(m_node.children[i]);
}

double CallContext::Number(std::size_t i) {
    return ToNumber(Scalar(i), m_eval.Date1904());
}

double CallContext::Number(std::size_t i, double absent) {
    return IsMissing(i) ? absent : Number(i);
}

std::string CallContext::Text(std::size_t i) {
    return ToText(Scalar(i));
}

bool CallContext::Boolean(std::size_t i) {
    return ToBoolean(Scalar(i));
}

bool CallContext::Boolean(std::size_t i, bool absent) {
    return IsMissing(i) ? absent : Boolean(i);
}

}  // namespace tabulon::spreadsheet::formula
