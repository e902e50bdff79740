// Functions of whole arrays, and array formulas entered over a range of a workbook.
#include <gtest/gtest.h>

#include "sample_book.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/workbook_cells.h"
#include "spreadsheet/worksheet.h"

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalArrayFunctions, MatrixAlgebra) {
    SampleBook book;
    const EvalCase cases[] = {
        {"INDEX(MMULT({1,2;3,4},{5;6}),2,1)", N(39)},
        {"SUM(MMULT(A1:A2,TRANSPOSE(A1:A2)))", N(9)},
        {"MMULT({1,2},{1,2})", E(ErrorCode::Value)},  // 1x2 by 1x2
        {"MMULT(A1:A2,B1)", E(ErrorCode::Value)},     // text "10" is no number
        {"MMULT(A3:B3,{1;1})", E(ErrorCode::Value)},  // B3 is empty
        {"MMULT(C1,1)", E(ErrorCode::NA)},            // errors pass through
        {"MDETERM({1,2;3,4})", N(-2)},
        {"MDETERM({1,2;2,4})", N(0)},
        {"MDETERM({1,2,3})", E(ErrorCode::Value)},
        {"INDEX(MINVERSE({4,7;2,6}),1,2)", N(-0.7)},
        {"MINVERSE({1,2;2,4})", E(ErrorCode::Num)},  // singular
        {"INDEX(TRANSPOSE(H1:I4),2,3)", S("five")},
        {"COLUMNS(TRANSPOSE(A1:A5))", N(5)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalArrayFunctions, GeneratingFilteringAndSorting) {
    SampleBook book;
    const EvalCase cases[] = {
        {"SUM(SEQUENCE(4))", N(10)},
        {"INDEX(SEQUENCE(2,3,10,5),2,3)", N(35)},
        {"SEQUENCE(0)", E(ErrorCode::Calc)},
        {"SEQUENCE(-1)", E(ErrorCode::Value)},
        {"ROWS(UNIQUE({1;2;1;\"a\";\"A\"}))", N(3)},  // text compared without case
        {"SUM(UNIQUE({1;2;1;3},FALSE,TRUE))", N(5)},  // values that occur once
        {"COLUMNS(UNIQUE({1,1,2},TRUE))", N(2)},
        {"SUM(FILTER(E1:E4,A1:A4>2))", N(70)},
        {"FILTER(E1:E4,A1:A4>9,\"none\")", S("none")},
        {"FILTER(E1:E4,A1:A4>9)", E(ErrorCode::Calc)},
        {"FILTER(E1:E4,A1:A3>1)", E(ErrorCode::Value)},  // include of the wrong size
        {"INDEX(SORT(D1:D4),2)", S("apple pie")},
        {"INDEX(SORT(D1:E4,2,-1),1,1)", S("apple pie")},
        {"INDEX(SORT({3,1,2},1,1,TRUE),1,1)", N(1)},
        {"SORT(A1:A4,1,0)", E(ErrorCode::Value)},
        {"INDEX(SORTBY(D1:D4,E1:E4,-1),1)", S("apple pie")},
        {"INDEX(SORTBY(I1:I4,H1:H4,1),4)", S("seven")},
        {"INDEX(FREQUENCY(A1:A5,{2;4}),3)", N(1)},
        {"SUM(FREQUENCY(A1:A5,{2;4}))", N(5)},
        {"AND(RANDARRAY(3,3)>=0,RANDARRAY(3,3)<1)", B(true)},
        {"RANDARRAY(2,2,5,1)", E(ErrorCode::Value)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

// An array formula entered over a range: each cell shows its element, the
// formula is evaluated element by element, and the other cells of the range
// follow their top-left cell when read.
TEST(ArrayFormulasInAWorkbook, FillTheirRange) {
    Workbook book;
    Worksheet& s = book.AddSheet("Sheet1");
    for (int c = 1; c <= 3; ++c)
        s.SetValue(CellRef{1, c}, Value::Number(c));
    s.SetValue(CellRef{2, 2}, Value::Number(5));
    s.SetValue(CellRef{3, 2}, Value::Number(1));
    auto array = [&](const char* range, const char* formula) {
        RangeRef r = *ParseRangeRef(range);
        s.AddArrayFormula(r, formula);
        s.SetFormula(r.first, formula, Value::Number(0));
    };
    array("D1:D1", "SUM(A1:C1*A1:C1)");
    array("E1:E4", "TRANSPOSE(A1:C1)");
    array("F1:F1", "SUM(IF(B1:B3>2,1,0))");
    array("G1:H2", "A1:B1*10");
    FormulaEngine engine;
    WorkbookCells cells(book, &engine);
    EXPECT_EQ(cells.CellValue(0, CellRef{3, 5}), Value::Number(3));  // a follower first
    cells.CalculateAll();
    EXPECT_EQ(s.GetValue(CellRef{1, 4}), Value::Number(14));
    EXPECT_EQ(s.GetValue(CellRef{1, 5}), Value::Number(1));
    EXPECT_EQ(s.GetValue(CellRef{2, 5}), Value::Number(2));
    EXPECT_EQ(s.GetValue(CellRef{4, 5}), Value::Error(ErrorCode::NA));  // beyond the result
    EXPECT_EQ(s.GetValue(CellRef{1, 6}), Value::Number(1));
    EXPECT_EQ(s.GetValue(CellRef{2, 7}), Value::Number(10));  // one row repeats down
    EXPECT_EQ(s.GetValue(CellRef{2, 8}), Value::Number(20));
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing

namespace tabulon::spreadsheet::formula::testing {
namespace {

// INDIRECT names references in A1 or R1C1 text; given an array of texts inside
// array evaluation it names several areas, and SUMIF and friends then answer
// one result per area.
TEST(EvalIndirect, ReferenceTextInBothStylesAndArraysOfIt) {
    SampleBook book;
    const EvalCase cases[] = {
        {"INDIRECT(\"A3\")", N(3)},
        {"SUM(INDIRECT(\"A1:A\"&3))", N(6)},
        {"SUM(INDIRECT(\"'Data 2'!A1:A2\"))", N(300)},
        {"SUM(INDIRECT(\"Data 2!A1:A2\"))", N(300)},  // the sheet name as written
        {"ROWS(INDIRECT(\"2:4\"))", N(3)},
        {"SUM(INDIRECT(\"Items\"))", N(15)},
        {"INDIRECT(\"R2C1\",FALSE)", N(2)},
        {"INDIRECT(\"R[-98]C[-25]\",FALSE)", N(2)},  // from Z100
        {"SUM(INDIRECT(\"R1C1:R3C1\",FALSE))", N(6)},
        {"SUM(INDIRECT(\"C1\",FALSE))", N(15)},
        {"INDIRECT(\"R0C1\",FALSE)", E(ErrorCode::Ref)},
        {"INDIRECT(\"A1+1\")", E(ErrorCode::Ref)},
        {"INDIRECT(\"NoSheet!A1\")", E(ErrorCode::Ref)},
        {"SUMPRODUCT(SUMIF(INDIRECT({\"A1:A5\",\"E1:E4\"}),\">2\"))", N(12 + 100)},
        {"SUMPRODUCT(SUMIF(INDIRECT(\"A\"&ROW(INDIRECT(\"1:3\"))),\">1\",INDIRECT(\"E\"&ROW("
         "INDIRECT(\"1:3\")))))",
         N(50)},
        {"SUMPRODUCT(COUNTIF(INDIRECT({\"D1:D4\";\"I1:I4\"}),\"*e*\"))", N(3 + 4)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing
