#include "spreadsheet/formula/parser.h"

#include <algorithm>

#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

class Parser {
  public:
    Parser(const TokenList& tokens, CellRef origin) : m_tokens(tokens), m_origin(origin) {
        Skip();
        if (AtOp(OperatorKind::Equal))
            Advance();  // the leading '='
    }

    Ast Run() {
        if (AtEnd())
            Fail("empty formula");
        m_ast.root = Expression(false);
        if (!AtEnd())
            Fail("unexpected '" + Current().text + "'");
        if (m_unknownCall && !OnlyLetFunctionsUnknown())
            m_ast.evaluable = false;
        return std::move(m_ast);
    }

  private:
    // Whether every call of an unknown function calls a name a LET of the
    // formula binds (to a LAMBDA, when evaluated).
    bool OnlyLetFunctionsUnknown() const {
        std::vector<std::string> bound;
        for (const Node& n : m_ast.nodes) {
            if (n.kind != NodeKind::Function || n.function < 0 ||
                FunctionAt(n.function).name != "LET")
                continue;
            for (std::size_t i = 0; i + 1 < n.children.size(); i += 2) {
                const Node& name = m_ast.nodes[n.children[i]];
                if (name.kind == NodeKind::Name)
                    bound.push_back(LocalName(name.name));
            }
        }
        for (const Node& n : m_ast.nodes) {
            if (n.kind == NodeKind::Function && n.function < 0 &&
                std::find(bound.begin(), bound.end(), LocalName(n.name)) == bound.end())
                return false;
        }
        return true;
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw FormulaSyntaxError(what, Offset());
    }

    std::size_t Offset() const {
        std::size_t off = 0;
        for (std::size_t i = 0; i < m_pos && i < m_tokens.size(); ++i)
            off += m_tokens[i].text.size();
        return off;
    }

    // Moves past whitespace, remembering whether there was any.
    void Skip() {
        m_spaceBefore = false;
        while (m_pos < m_tokens.size() && m_tokens[m_pos].kind == TokenKind::Whitespace) {
            m_spaceBefore = true;
            ++m_pos;
        }
    }
    bool AtEnd() const { return m_pos >= m_tokens.size(); }
    const Token& Current() const { return m_tokens[m_pos]; }
    bool At(TokenKind kind) const { return !AtEnd() && Current().kind == kind; }
    bool AtOp(OperatorKind op) const { return At(TokenKind::Operator) && Current().op == op; }
    void Advance() {
        ++m_pos;
        Skip();
    }
    void Expect(TokenKind kind, const char* what) {
        if (!At(kind))
            Fail(std::string("expected ") + what);
        Advance();
    }

    std::uint32_t Add(Node node) {
        int height = 1;
        for (std::uint32_t c : node.children)
            height = std::max(height, m_height[c] + 1);
        if (height > kMaxTreeHeight)
            Fail("formula is nested too deeply");
        m_ast.nodes.push_back(std::move(node));
        m_height.push_back(height);
        return static_cast<std::uint32_t>(m_ast.nodes.size() - 1);
    }

    std::uint32_t Binary(OperatorKind op, std::uint32_t a, std::uint32_t b) {
        Node n;
        n.kind = NodeKind::Binary;
        n.op = op;
        n.children = {a, b};
        return Add(std::move(n));
    }

    struct DepthGuard {
        explicit DepthGuard(Parser& p) : parser(p) {
            if (++parser.m_depth > kMaxNesting)
                parser.Fail("formula is nested too deeply");
        }
        ~DepthGuard() { --parser.m_depth; }
        Parser& parser;
    };

    static int Precedence(OperatorKind op) {
        switch (op) {
            case OperatorKind::Equal:
            case OperatorKind::NotEqual:
            case OperatorKind::Less:
            case OperatorKind::Greater:
            case OperatorKind::LessEqual:
            case OperatorKind::GreaterEqual:
                return 1;
            case OperatorKind::Concat:
                return 2;
            case OperatorKind::Plus:
            case OperatorKind::Minus:
                return 3;
            case OperatorKind::Multiply:
            case OperatorKind::Divide:
                return 4;
            case OperatorKind::Power:
                return 5;
            default:
                return 0;
        }
    }

    // `unionAllowed`: inside plain parentheses a ',' is the union operator.
    std::uint32_t Expression(bool unionAllowed) {
        std::uint32_t left = BinaryLevel(1);
        while (unionAllowed && At(TokenKind::Comma)) {
            Advance();
            left = Binary(OperatorKind::Union, left, BinaryLevel(1));
        }
        return left;
    }

    std::uint32_t BinaryLevel(int level) {
        if (level > 5)
            return UnaryLevel();
        std::uint32_t left = BinaryLevel(level + 1);
        while (At(TokenKind::Operator) && Precedence(Current().op) == level) {
            OperatorKind op = Current().op;
            Advance();
            left = Binary(op, left, BinaryLevel(level + 1));
        }
        return left;
    }

    std::uint32_t UnaryLevel() {
        if (AtOp(OperatorKind::Minus) || AtOp(OperatorKind::Plus) || AtOp(OperatorKind::At)) {
            DepthGuard guard(*this);
            OperatorKind op = Current().op;
            Advance();
            Node n;
            n.kind = NodeKind::Unary;
            n.op = op;
            n.children = {UnaryLevel()};
            return Add(std::move(n));
        }
        std::uint32_t operand = ReferenceLevel();
        while (AtOp(OperatorKind::Percent)) {
            Advance();
            Node n;
            n.kind = NodeKind::Percent;
            n.children = {operand};
            operand = Add(std::move(n));
        }
        return operand;
    }

    bool StartsOperand() const {
        return At(TokenKind::Reference) || At(TokenKind::Name) || At(TokenKind::Function) ||
               At(TokenKind::OpenParen) || At(TokenKind::StructuredRef);
    }

    // Range ':' binds tighter than intersection (a blank between two operands).
    std::uint32_t ReferenceLevel() {
        std::uint32_t left = RangeLevel();
        while (m_spaceBefore && StartsOperand())
            left = Binary(OperatorKind::Intersect, left, RangeLevel());
        return left;
    }

    std::uint32_t RangeLevel() {
        std::uint32_t left = Primary();
        while (AtOp(OperatorKind::Range)) {
            Advance();
            left = Binary(OperatorKind::Range, left, Primary());
        }
        return left;
    }

    std::uint32_t Primary() {
        if (AtEnd())
            Fail("formula ends early");
        const Token& t = Current();
        Node n;
        switch (t.kind) {
            case TokenKind::Number:
                n.constant = Value::Number(t.number);
                Advance();
                return Add(std::move(n));
            case TokenKind::String:
                n.constant = Value::Text(Unquote(t.text));
                Advance();
                return Add(std::move(n));
            case TokenKind::Boolean:
                n.constant = Value::Boolean(t.number != 0);
                Advance();
                return Add(std::move(n));
            case TokenKind::Error:
                n.constant = Value::Error(ErrorFromText(t.text));
                Advance();
                return Add(std::move(n));
            case TokenKind::Reference:
                return ReferenceNode();
            case TokenKind::Name:
                n.kind = NodeKind::Name;
                n.name = t.prefix.present ? t.text.substr(t.text.rfind('!') + 1) : t.text;
                SetSheet(n.ref, t.prefix);
                if (n.ref.external)
                    m_ast.evaluable = false;
                Advance();
                return Add(std::move(n));
            case TokenKind::StructuredRef:
                n.kind = NodeKind::StructuredRef;
                n.name = t.text;
                m_ast.evaluable = false;
                Advance();
                return Add(std::move(n));
            case TokenKind::Function:
                return FunctionCall();
            case TokenKind::OpenParen: {
                DepthGuard guard(*this);
                Advance();
                std::uint32_t inner = Expression(true);
                Expect(TokenKind::CloseParen, "')'");
                return inner;
            }
            case TokenKind::ArrayOpen:
                return ArrayConstant();
            default:
                Fail("unexpected '" + t.text + "'");
        }
    }

    static std::string Unquote(const std::string& text) {
        std::string out;
        for (std::size_t i = 1; i + 1 < text.size(); ++i) {
            out += text[i];
            if (text[i] == '"')
                ++i;
        }
        return out;
    }

    static ErrorCode ErrorFromText(std::string text) {
        for (char& c : text)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
        return ParseErrorText(text).value_or(ErrorCode::Value);
    }

    static void SetSheet(AstRef& ref, const SheetPrefix& prefix) {
        ref.hasSheet = prefix.present && !prefix.sheet.empty();
        ref.external = prefix.hasBook;
        ref.sheet = prefix.sheet;
        ref.sheetLast = prefix.sheetLast;
    }

    std::uint32_t ReferenceNode() {
        const Token& t = Current();
        Node n;
        n.kind = NodeKind::Reference;
        AstRef& r = n.ref;
        SetSheet(r, t.prefix);
        if (r.external)
            m_ast.evaluable = false;
        r.shape = t.shape;
        const RefPart& a = t.first;
        const RefPart& b = t.last;
        r.row1Relative = !a.rowAbsolute;
        r.col1Relative = !a.colAbsolute;
        r.row2Relative = !b.rowAbsolute;
        r.col2Relative = !b.colAbsolute;
        r.row1 = r.row1Relative ? a.row - m_origin.row : a.row;
        r.col1 = r.col1Relative ? a.col - m_origin.col : a.col;
        r.row2 = r.row2Relative ? b.row - m_origin.row : b.row;
        r.col2 = r.col2Relative ? b.col - m_origin.col : b.col;
        Advance();
        return Add(std::move(n));
    }

    std::uint32_t FunctionCall() {
        DepthGuard guard(*this);
        Node n;
        n.kind = NodeKind::Function;
        n.name = Current().text;
        n.function = FindFunction(n.name);
        if (n.function < 0)
            m_unknownCall = true;
        Advance();
        Expect(TokenKind::OpenParen, "'(' after function name");
        if (At(TokenKind::CloseParen)) {
            Advance();
            return Add(std::move(n));
        }
        for (;;) {
            if (At(TokenKind::Comma) || At(TokenKind::CloseParen)) {
                Node missing;
                missing.kind = NodeKind::Missing;
                n.children.push_back(Add(std::move(missing)));
            } else {
                n.children.push_back(Expression(false));
            }
            if (At(TokenKind::Comma)) {
                Advance();
                continue;
            }
            Expect(TokenKind::CloseParen, "')' or ','");
            break;
        }
        return Add(std::move(n));
    }

    Value ArrayElement() {
        bool negative = false;
        while (AtOp(OperatorKind::Minus) || AtOp(OperatorKind::Plus)) {
            if (Current().op == OperatorKind::Minus)
                negative = !negative;
            Advance();
        }
        if (AtEnd())
            Fail("array constant ends early");
        const Token& t = Current();
        Value v;
        if (t.kind == TokenKind::Number) {
            v = Value::Number(negative ? -t.number : t.number);
        } else if (negative) {
            Fail("expected a number after '-' in array constant");
        } else if (t.kind == TokenKind::String) {
            v = Value::Text(Unquote(t.text));
        } else if (t.kind == TokenKind::Boolean) {
            v = Value::Boolean(t.number != 0);
        } else if (t.kind == TokenKind::Error) {
            v = Value::Error(ErrorFromText(t.text));
        } else {
            Fail("unexpected '" + t.text + "' in array constant");
        }
        Advance();
        return v;
    }

    std::uint32_t ArrayConstant() {
        Advance();
        Node n;
        n.kind = NodeKind::Array;
        int cols = 0;
        int rows = 0;
        for (;;) {
            int rowCols = 0;
            for (;;) {
                n.arrayValues.push_back(ArrayElement());
                ++rowCols;
                if (!At(TokenKind::Comma))
                    break;
                Advance();
            }
            if (rows > 0 && rowCols != cols)
                Fail("array constant rows differ in length");
            cols = rowCols;
            ++rows;
            if (!At(TokenKind::Semicolon))
                break;
            Advance();
        }
        Expect(TokenKind::ArrayClose, "'}'");
        n.arrayRows = rows;
        n.arrayCols = cols;
        return Add(std::move(n));
    }

    const TokenList& m_tokens;
    CellRef m_origin;
    std::size_t m_pos = 0;
    bool m_spaceBefore = false;
    int m_depth = 0;
    Ast m_ast;
    bool m_unknownCall = false;  // a call of a function not in the catalogue
    std::vector<int> m_height;
};

}  // namespace

Ast Parse(const TokenList& tokens, CellRef origin) {
    return Parser(tokens, origin).Run();
}

Ast ParseFormula(std::string_view formula, CellRef origin) {
    return Parse(Tokenize(formula), origin);
}

std::string LocalName(std::string_view name) {
    std::string key = ToUpperAscii(name);
    if (key.rfind("_XLPM.", 0) == 0)
        key.erase(0, 6);
    return key;
}

}  // namespace tabulon::spreadsheet::formula
