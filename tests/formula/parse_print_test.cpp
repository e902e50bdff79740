// Reading and printing formulas: tokens, trees, and the round trip of text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/formula_cache.h"
#include "spreadsheet/formula/lexer.h"
#include "spreadsheet/formula/parser.h"
#include "spreadsheet/formula/plain_formula.h"
#include "spreadsheet/formula/printer.h"

namespace tabulon::spreadsheet::formula {
namespace {

// Formulas as files store them (no '=') and as users type them.
const char* const kRoundTrip[] = {
    "1+2*3",
    "=SUM(A1:B2)",
    "-2^2",
    "1.50E+3+.5+1e-7",
    "\"say \"\"hi\"\"\"&A1",
    "TRUE=FALSE",
    "#DIV/0!+#N/A+#GETTING_DATA",
    "$A$1+A$1+$A1",
    "SUM(A:C)+SUM($2:$5)+SUM(XFD1048576)",
    "Sheet1!A1+'My sheet'!A1:B2",
    "SUM(Sheet1:Sheet3!A1)",
    "'It''s'!A1",
    "[1]Sheet1!A1+'[book.xlsx]Sheet 1'!$B$2",
    "[1]!GlobalName+Sheet2!LocalName",
    "SUM((A1:A3,C1:C3))",
    "SUM(A1:C3 B2:D4)",
    "IF( A1 > 0 , \"pos\" , \"neg\" )",
    "A1%*50%",
    "{1,2;3,4}",
    "{-1,\"a\",TRUE,#N/A}",
    "_xlfn.STDEV.S(A1:A9)+_xlfn.CONCAT(\"a\",\"b\")",
    "Table1[Col]+Table1[[#Headers],[A]:[B]]+[@Col]",
    "SUM(Table1[[#This Row],[Price]:[Qty]])",
    "IF(A1,,)",
    "Sheet1!#REF!+#REF!",
    "A1<>B1&C1<=D1",
    "vlookup(a1,b:c,2,false)",
    "INDEX(A1:C3,2,2):C3",
    "MyName*2",
    "\r\nSUM(A1)\n",
    "@A1:A10*2",
};

TEST(FormulaRoundTrip, PrintGivesTheTextBack) {
    for (const char* text : kRoundTrip) {
        SCOPED_TRACE(text);
        TokenList tokens = Tokenize(text);
        EXPECT_EQ(PrintTokens(tokens), text);
        EXPECT_NO_THROW(Parse(tokens, CellRef{5, 5}));
        std::string rebuilt;
        for (const Token& t : tokens)
            rebuilt += FormatToken(t);
        EXPECT_EQ(ToUpperAscii(rebuilt), ToUpperAscii(text));
    }
}

TEST(FormulaTokens, ReferencesAreSplitIntoTheirParts) {
    TokenList t = Tokenize("'[b.xlsx]My ''s'!$B3:C$4");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].kind, TokenKind::Reference);
    EXPECT_TRUE(t[0].prefix.hasBook);
    EXPECT_EQ(t[0].prefix.book, "b.xlsx");
    EXPECT_EQ(t[0].prefix.sheet, "My 's");
    EXPECT_EQ(t[0].shape, RefShape::Area);
    EXPECT_EQ(t[0].first, (RefPart{3, 2, false, true}));
    EXPECT_EQ(t[0].last, (RefPart{4, 3, true, false}));

    TokenList rows = Tokenize("2:5");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].shape, RefShape::Rows);

    TokenList cols = Tokenize("Sheet1:Sheet3!A:C");
    ASSERT_EQ(cols.size(), 1u);
    EXPECT_EQ(cols[0].prefix.sheetLast, "Sheet3");
    EXPECT_EQ(cols[0].shape, RefShape::Columns);
}

TEST(FormulaTokens, NamesBeyondTheGridAreNotCells) {
    EXPECT_EQ(Tokenize("XFE1")[0].kind, TokenKind::Name);
    EXPECT_EQ(Tokenize("A1048577")[0].kind, TokenKind::Name);
    EXPECT_EQ(Tokenize("A1B")[0].kind, TokenKind::Name);
    EXPECT_EQ(Tokenize("LOG10(1)")[0].kind, TokenKind::Function);
    EXPECT_EQ(Tokenize("TAX2024")[0].kind, TokenKind::Reference);
}

// Plain formulas are keyed and moved from their text alone. Two formulas at two places
// may share that key only where the lexer's relative key says they are the same formula,
// a move must write what moving the lexer's tokens writes, and whatever the text alone
// cannot tell must be left to the lexer.
TEST(FormulaTokens, PlainFormulasAgreeWithTheLexer) {
    const char* const formulas[] = {
        "C2*D2",
        "C3*D3",
        "D3*E3",
        "$C$2*D2",
        "C$2*$D2",
        "SUM(B2:C3)+1",
        "SUM(B3:C4)+1",
        "LOG10(A1)",
        "LOG10(A2)",
        "A01+1",
        "A1+1",
        "ABCD1",
        "XFD1048576",
        "XFE1",
        "A1048577",
        "TAX2024",
        "TRUE",
        "A1B",
        "R1C1",
        "1E5+A1",
        "1:3",
        "2:4",
        "A:A",
        "B:B",
        "A1:B",
        "SUM(A1:A3 A2:B2)",
        "A1 :B2",
        "A1(",
        ".5*A1",
        "1.5%",
        "IF(A1>0,B1,-B1)",
        "IF(A2>0,B2,-B2)",
        "A1-1",
        "A1--1",
        "MyName",
        "myname",
        "A1&\"x\"",
        "Sheet1!A1",
    };
    const CellRef origins[] = {{1, 1}, {2, 1}, {1, 2}, {7, 3}};
    struct Keyed {
        std::string text, quick, relative;
        CellRef origin;
    };
    std::vector<Keyed> keyed;
    for (const char* f : formulas) {
        for (const auto& [dr, dc] : {std::pair{3, 0}, {0, 2}, {-1, 0}, {5, -1}}) {
            std::string plain;
            if (!MovePlainFormula(f, dr, dc, plain))
                continue;
            std::string tokens;
            bool onGrid = true;
            for (Token t : Tokenize(f)) {
                if (t.kind == TokenKind::Reference) {
                    for (RefPart* p : {&t.first, &t.last}) {
                        p->row += p->rowAbsolute || p->row == 0 ? 0 : dr;
                        p->col += p->colAbsolute || p->col == 0 ? 0 : dc;
                        onGrid = onGrid && p->row >= 0 && p->col >= 0;
                    }
                    tokens += FormatArea(t.shape, t.first, t.last);
                } else {
                    tokens += t.text;
                }
            }
            EXPECT_TRUE(onGrid) << f;
            EXPECT_EQ(plain, tokens) << f << " moved by " << dr << "," << dc;
        }
        for (CellRef o : origins) {
            Keyed k{f, "", RelativeKey(Tokenize(f), o), o};
            if (PlainRelativeKey(f, o, k.quick))
                keyed.push_back(k);
        }
    }
    int shared = 0;
    for (const Keyed& a : keyed) {
        for (const Keyed& b : keyed) {
            if (a.quick != b.quick)
                continue;
            SCOPED_TRACE(a.text + " and " + b.text);
            EXPECT_EQ(a.relative, b.relative);
            shared += a.text != b.text;
        }
    }
    EXPECT_GT(shared, 0);  // "C2*D2" in B1 and "C3*D3" in B2, at least
    std::string key;
    for (const char* f : {"A01+1", "1:3", "A:A", "A1:B", "ABCD1", "1E5+A1", "myname", "A1&\"x\"",
                          "Sheet1!A1", "R1C1"}) {
        EXPECT_FALSE(PlainRelativeKey(f, {1, 1}, key)) << f;
    }
}

TEST(FormulaSyntax, BadFormulasGiveAClearError) {
    for (const char* text : {"\"open", "'Sheet1!A1", "1+", "SUM(1,2", "(1))", "#BOGUS!", "",
                             "{1,2;3}", "A1 +* 2", "`"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(ParseFormula(text, CellRef{1, 1}), FormulaSyntaxError);
    }
}

TEST(FormulaSyntax, DeepNestingIsRefusedNotOverflowed) {
    std::string deep = std::string(10000, '(') + "1" + std::string(10000, ')');
    EXPECT_THROW(ParseFormula(deep, CellRef{1, 1}), FormulaSyntaxError);
    std::string signs = std::string(10000, '-') + "1";
    EXPECT_THROW(ParseFormula(signs, CellRef{1, 1}), FormulaSyntaxError);
    std::string chain = "1";
    for (int i = 0; i < 5000; ++i)
        chain += "+1";
    EXPECT_THROW(ParseFormula(chain, CellRef{1, 1}), FormulaSyntaxError);
    std::string fine = std::string(50, '(') + "1" + std::string(50, ')');
    EXPECT_NO_THROW(ParseFormula(fine, CellRef{1, 1}));
}

TEST(FormulaTree, PrecedenceFollowsTheSpreadsheetRules) {
    // -2^2 is (-2)^2; 2^3^2 is (2^3)^2; & binds looser than +.
    Ast a = ParseFormula("-2^2", CellRef{1, 1});
    EXPECT_EQ(a.nodes[a.root].op, OperatorKind::Power);
    Ast b = ParseFormula("1&2+3", CellRef{1, 1});
    EXPECT_EQ(b.nodes[b.root].op, OperatorKind::Concat);
    Ast c = ParseFormula("1+2=3", CellRef{1, 1});
    EXPECT_EQ(c.nodes[c.root].op, OperatorKind::Equal);
    Ast d = ParseFormula("A1:B2 B2:C3", CellRef{1, 1});
    EXPECT_EQ(d.nodes[d.root].op, OperatorKind::Intersect);
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula
