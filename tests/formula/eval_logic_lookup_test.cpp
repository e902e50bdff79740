// Logical, information, lookup and reference functions.
#include <gtest/gtest.h>

#include "sample_book.h"

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalLogical, ConditionsAndErrorsAsValues) {
    SampleBook book;
    const EvalCase cases[] = {
        {"IF(A1>0,\"yes\",\"no\")", S("yes")},
        {"IF(FALSE,1)", B(false)},
        {"IF(TRUE,,2)", N(0)},
        {"IF(C1,1,2)", E(ErrorCode::NA)},
        {"IF(\"x\",1,2)", E(ErrorCode::Value)},
        {"IF(\"true\",1,2)", N(1)},
        {"SUM(IF(TRUE,A1:A5,0))", N(15)},
        {"IFERROR(1/0,\"bad\")", S("bad")},
        {"IFERROR(5,\"bad\")", N(5)},
        {"IFNA(C1,\"na\")", S("na")},
        {"IFNA(1/0,\"na\")", E(ErrorCode::Div0)},
        // Over an array, errors are caught element by element.
        {"SUMPRODUCT(IFERROR(1/(A1:A5-3),0))", N(0)},
        {"SUMPRODUCT(IFERROR(1/(A1:A5-3),{1;2;3;4;5}))", N(3)},
        {"AND(TRUE,1)", B(true)},
        {"AND(A1:A5)", B(true)},
        {"AND(B4)", E(ErrorCode::Value)},
        {"AND(\"TRUE\",1)", B(true)},
        {"AND(C1)", E(ErrorCode::NA)},
        {"OR(FALSE,0)", B(false)},
        {"OR(B1:B4)", B(true)},
        {"XOR(TRUE,TRUE,TRUE)", B(true)},
        {"NOT(0)", B(true)},
        {"NOT(\"x\")", E(ErrorCode::Value)},
        {"TRUE()", B(true)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalInformation, IsFunctionsNAndT) {
    SampleBook book;
    const EvalCase cases[] = {
        {"ISBLANK(B3)", B(true)},
        {"ISBLANK(\"\")", B(false)},
        {"ISNUMBER(B1)", B(false)},
        {"ISNUMBER(A1)", B(true)},
        {"ISTEXT(B1)", B(true)},
        {"ISERROR(C1)", B(true)},
        {"ISERR(C1)", B(false)},
        {"ISERR(1/0)", B(true)},
        {"ISNA(C1)", B(true)},
        {"ISLOGICAL(B2)", B(true)},
        {"N(B2)", N(1)},
        {"N(\"x\")", N(0)},
        {"N(C1)", E(ErrorCode::NA)},
        {"T(1)", S("")},
        {"T(\"x\")", S("x")},
        {"NA()", E(ErrorCode::NA)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalLookup, VerticalHorizontalAndMatch) {
    SampleBook book;
    const EvalCase cases[] = {
        {"VLOOKUP(5,H1:J4,2,FALSE)", S("five")},
        {"VLOOKUP(4,H1:J4,2)", S("three")},
        {"VLOOKUP(0,H1:J4,2)", E(ErrorCode::NA)},
        {"VLOOKUP(9,H1:J4,3,TRUE)", S("d")},
        {"VLOOKUP(5,H1:J4,4,FALSE)", E(ErrorCode::Ref)},
        {"VLOOKUP(5,H1:J4,0)", E(ErrorCode::Value)},
        {"VLOOKUP(\"th*\",I1:J4,2,FALSE)", S("b")},
        {"VLOOKUP(\"FIVE\",I1:J4,2,FALSE)", S("c")},
        {"VLOOKUP(5,H:J,2,FALSE)", S("five")},
        {"VLOOKUP(\"5\",H1:J4,2,FALSE)", E(ErrorCode::NA)},
        {"VLOOKUP(C1,H1:J4,2,FALSE)", E(ErrorCode::NA)},
        {"HLOOKUP(3,{1,3,5;\"x\",\"y\",\"z\"},2)", S("y")},
        {"HLOOKUP(4,{1,3,5;\"x\",\"y\",\"z\"},2,FALSE)", E(ErrorCode::NA)},
        {"MATCH(5,H1:H4,0)", N(3)},
        {"MATCH(6,H1:H4)", N(3)},
        {"MATCH(100,H1:H4)", N(4)},
        {"MATCH(6,{9,7,5,3},-1)", N(2)},
        {"MATCH(\"seven\",I1:I4,0)", N(4)},
        {"MATCH(\"s*\",I1:I4,0)", N(4)},
        {"MATCH(2,H1:I2,0)", E(ErrorCode::NA)},
        {"LOOKUP(6,H1:H4,J1:J4)", S("c")},
        {"LOOKUP(6,H1:I4)", S("five")},
        {"LOOKUP(0,H1:H4,J1:J4)", E(ErrorCode::NA)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalReference, IndexChooseRowsColumns) {
    SampleBook book;
    const EvalCase cases[] = {
        {"INDEX(H1:J4,2,3)", S("b")},
        {"INDEX(H1:H4,3)", N(5)},
        {"INDEX(H1:J1,3)", S("a")},
        {"SUM(INDEX(H1:J4,0,1))", N(16)},
        {"INDEX(H1:J4,5,1)", E(ErrorCode::Ref)},
        {"INDEX({1,2;3,4},2,1)", N(3)},
        {"INDEX((A1:A2,E1:E2),2,1,2)", N(20)},
        {"CHOOSE(2,\"a\",\"b\",\"c\")", S("b")},
        {"CHOOSE(4,\"a\",\"b\",\"c\")", E(ErrorCode::Value)},
        {"SUM(CHOOSE(1,A1:A5,E1:E4))", N(15)},
        {"ROW()", N(100)},
        {"ROW(C7)", N(7)},
        {"COLUMN()", N(26)},
        {"COLUMN(C7:E9)", N(3)},
        {"ROWS(A1:C7)", N(7)},
        {"COLUMNS(A1:C7)", N(3)},
        {"ROWS({1,2;3,4})", N(2)},
        {"ROWS(A:A)", N(1048576)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalReference, IndirectReadsReferencesFromText) {
    SampleBook book;
    const EvalCase cases[] = {
        {"INDIRECT(\"A3\")", N(3)},
        {"SUM(INDIRECT(\"A1:A\"&5))", N(15)},
        {"INDIRECT(\"'Data 2'!A2\")", N(200)},
        {"SUM(INDIRECT(\"Items\"))", N(15)},
        {"INDIRECT(\"1+1\")", E(ErrorCode::Ref)},
        {"INDIRECT(\"Nope!A1\")", E(ErrorCode::Ref)},
        {"INDIRECT(\"[1]Sheet1!A1\")", E(ErrorCode::Ref)},
        {"INDIRECT(\"R1C1\",FALSE)", N(1)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalInformation, TypeAndErrorType) {
    SampleBook book;
    const EvalCase cases[] = {
        {"TYPE(A1)", N(1)},        {"TYPE(B3)", N(1)},
        {"TYPE(\"x\")", N(2)},     {"TYPE(TRUE)", N(4)},
        {"TYPE(C1)", N(16)},       {"TYPE({1,2})", N(64)},
        {"TYPE(A1:A2)", N(64)},    {"ERROR.TYPE(C1)", N(7)},
        {"ERROR.TYPE(1/0)", N(2)}, {"ERROR.TYPE(1)", E(ErrorCode::NA)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalReference, OffsetMovesAndResizes) {
    SampleBook book;
    const EvalCase cases[] = {
        {"OFFSET(A1,2,0)", N(3)},
        {"SUM(OFFSET(A1,1,0,3,1))", N(9)},
        {"SUM(OFFSET(A5,0,0,-2,1))", N(9)},
        {"SUM(OFFSET(A1:A2,3,4))", N(40)},  // E4:E5
        {"OFFSET(A1,-1,0)", E(ErrorCode::Ref)},
        {"OFFSET(A1,0,0,0,1)", E(ErrorCode::Ref)},
        {"OFFSET(1,0,0)", E(ErrorCode::Value)},
        {"ROWS(OFFSET(A1,0,0,4,2))", N(4)},
        {"SUMPRODUCT((ROW(A1:A5)>3)*A1:A5)", N(9)},
        {"SUMPRODUCT(COLUMN(A1:C1))", N(6)},
        {"ROW(A3:A5)", N(3)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalReference, HugeNumberArgumentsAreRangeErrorsNotCrashes) {
    SampleBook book;
    const EvalCase cases[] = {
        {"INDEX(A1:A5,1E+300)", E(ErrorCode::Ref)},
        {"INDEX(A1:A5,-1E+300)", E(ErrorCode::Ref)},
        {"INDEX(A1:A5,1,1,1E+300)", E(ErrorCode::Ref)},
        {"ROUND(1.5,1E+300)", N(1.5)},
        {"ROUND(1.5,-1E+300)", N(0)},
        {"WEEKDAY(1,1E+300)", E(ErrorCode::Num)},
        {"SUBTOTAL(1E+300,A1)", E(ErrorCode::Value)},
        {"OFFSET(A1,1E+300,0)", E(ErrorCode::Ref)},
        {"CHOOSE(1E+300,1)", E(ErrorCode::Value)},
        {"VLOOKUP(1,H1:J4,1E+300)", E(ErrorCode::Ref)},
        {"LEFT(\"abc\",1E+300)", S("abc")},
        {"MID(\"abc\",1E+300,1)", S("")},
        {"DATE(2000,1E+300,1)", E(ErrorCode::Num)},
        {"EDATE(1,1E+300)", E(ErrorCode::Num)},
        {"TIME(1E+300,0,0)", E(ErrorCode::Num)},
        {"LARGE(A1:A5,1E+300)", E(ErrorCode::Num)},
        {"REPT(\"a\",1E+300)", E(ErrorCode::Value)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing
