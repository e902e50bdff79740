#include "spreadsheet/reader/formula_shifter.h"

#include <gtest/gtest.h>

namespace tabulon::spreadsheet {
namespace {

struct ShiftCase {
    const char* formula;
    int rows, cols;
    const char* expected;
};

TEST(FormulaShifter, MovesRelativePartsOnly) {
    const ShiftCase cases[] = {
        {"A1", 1, 0, "A2"},
        {"A1+B2", 2, 1, "B3+C4"},
        {"$A1", 3, 3, "$A4"},
        {"A$1", 3, 3, "D$1"},
        {"$A$1", 3, 3, "$A$1"},
        {"SUM(A1:B2)", 1, 1, "SUM(B2:C3)"},
        {"SUM($A$1:B2)", 1, 0, "SUM($A$1:B3)"},
        {"a1*2", 0, 1, "B1*2"},
        {"XFC1", 0, 1, "XFD1"},
        {"A1048575", 1, 0, "A1048576"},
        {"B2", -1, -1, "A1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShiftFormula(c.formula, c.rows, c.cols), c.expected) << c.formula;
    }
}

TEST(FormulaShifter, WholeColumnsAndRows) {
    EXPECT_EQ(ShiftFormula("SUM(A:A)", 5, 1), "SUM(B:B)");
    EXPECT_EQ(ShiftFormula("SUM($A:B)", 5, 1), "SUM($A:C)");
    EXPECT_EQ(ShiftFormula("SUM(1:3)", 2, 7), "SUM(3:5)");
    EXPECT_EQ(ShiftFormula("SUM($1:3)", 2, 7), "SUM($1:5)");
}

TEST(FormulaShifter, LeavesNonReferencesAlone) {
    const ShiftCase cases[] = {
        // Strings, including doubled quotes and reference-like text.
        {"\"A1\"&A1", 1, 0, "\"A1\"&A2"},
        {"\"say \"\"B2\"\"\"&B2", 1, 0, "\"say \"\"B2\"\"\"&B3"},
        // Quoted and plain sheet names; the reference after them still moves.
        {"'Sheet A1'!A1", 1, 0, "'Sheet A1'!A2"},
        {"'it''s B2'!B2", 0, 1, "'it''s B2'!C2"},
        {"Sheet1!A1", 1, 0, "Sheet1!A2"},
        {"AB1!C3", 1, 0, "AB1!C4"},
        // Function names that look like cells.
        {"LOG10(A1)", 1, 0, "LOG10(A2)"},
        {"ATAN2(A1,B1)", 0, 1, "ATAN2(B1,C1)"},
        {"_xlfn.CONCAT(A1)", 1, 0, "_xlfn.CONCAT(A2)"},
        // Defined names and logicals; too many letters or digits for a cell.
        {"Price_A1*A1", 1, 0, "Price_A1*A2"},
        {"TRUE+ABCD1+A12345678", 1, 0, "TRUE+ABCD1+A12345678"},
        {"Tax", 1, 1, "Tax"},
        // Numbers with exponents, error literals, structured and external references.
        {"1E+10*A1", 1, 0, "1E+10*A2"},
        {"1.5E-3+2", 1, 1, "1.5E-3+2"},
        {"IFERROR(A1,#N/A)+#REF!", 1, 0, "IFERROR(A2,#N/A)+#REF!"},
        {"Table1[[#This Row],[A1]]", 1, 0, "Table1[[#This Row],[A1]]"},
        {"[1]Sheet1!A1", 1, 0, "[1]Sheet1!A2"},
        // Unicode names pass through.
        {"'月'!A1&\"é\"", 1, 0, "'月'!A2&\"é\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShiftFormula(c.formula, c.rows, c.cols), c.expected) << c.formula;
    }
}

TEST(FormulaShifter, ReferencesLeavingTheGridBecomeRefErrors) {
    EXPECT_EQ(ShiftFormula("A1+1", -1, 0), "#REF!+1");
    EXPECT_EQ(ShiftFormula("XFD1", 0, 1), "#REF!");
    EXPECT_EQ(ShiftFormula("A1048576", 1, 0), "#REF!");
    EXPECT_EQ(ShiftFormula("SUM(A1:B2)", 0, -1), "SUM(#REF!)");
    EXPECT_EQ(ShiftFormula("SUM(B1:A1)+C1", 0, -1), "SUM(#REF!)+B1");
    EXPECT_EQ(ShiftFormula("SUM(A:B)", 0, -1), "SUM(#REF!)");
    // Absolute parts never leave.
    EXPECT_EQ(ShiftFormula("$A$1", -5, -5), "$A$1");
}

TEST(FormulaShifter, SurvivesUnterminatedText) {
    EXPECT_EQ(ShiftFormula("\"abc", 1, 1), "\"abc");
    EXPECT_EQ(ShiftFormula("'Sheet", 1, 1), "'Sheet");
    EXPECT_EQ(ShiftFormula("[[A1", 1, 1), "[[A1");
    EXPECT_EQ(ShiftFormula("A1:", 1, 1), "B2:");
    EXPECT_EQ(ShiftFormula("", 1, 1), "");
    EXPECT_EQ(ShiftFormula("#", 1, 1), "#");
}

}  // namespace
}  // namespace tabulon::spreadsheet
