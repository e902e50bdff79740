// Reading and printing formulas: tokens, trees, and the round trip of text.
#include <gtest/gtest.h>

#include <string>

#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/lexer.h"
#include "spreadsheet/formula/parser.h"
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
