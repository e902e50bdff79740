// Math and statistical functions, with their coercion and error rules.
#include <gtest/gtest.h>

#include "sample_book.h"

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalMath, SumsAndProducts) {
    SampleBook book;
    const EvalCase cases[] = {
        {"SUM(A1:B5)", N(17.5)},      // text "10" and TRUE in a range are skipped
        {"SUM(\"10\",TRUE)", N(11)},  // ... but count when given directly
        {"SUM(B4)", N(0)},
        {"SUM(\"apple\")", E(ErrorCode::Value)},
        {"SUM(A1:C1)", E(ErrorCode::NA)},
        {"SUM(1,,2)", N(3)},
        {"PRODUCT(A1:A5)", N(120)},
        {"PRODUCT(B3)", N(0)},
        {"SUMPRODUCT(A1:A4,E1:E4)", N(300)},
        {"SUMPRODUCT({1,2},{3,4})", N(11)},
        {"SUMPRODUCT(A1:A4,E1:E3)", E(ErrorCode::Value)},
        {"SUMPRODUCT(D1:D4,E1:E4)", N(0)},
        {"SUMIF(A1:A5,\">2\",E1:E5)", N(70)},
        {"SUMIF(D1:D4,\"apple*\",E1:E4)", N(50)},
        {"SUMIF(A1:A5,3)", N(3)},
        {"SUMIF(A:A,\">=4\")", N(9)},
        {"SUMIFS(E1:E4,D1:D4,\"apple*\",A1:A4,\">1\")", N(40)},
        {"SUMIFS(E1:E4,D1:D4,\"apple*\",A1:A3,\">1\")", E(ErrorCode::Value)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalMath, RoundingAndArithmetic) {
    SampleBook book;
    const EvalCase cases[] = {
        {"ROUND(2.675,2)", N(2.68)},
        {"ROUND(-2.5,0)", N(-3)},
        {"ROUND(1234.5,-2)", N(1200)},
        {"ROUND(\"abc\",1)", E(ErrorCode::Value)},
        {"ROUNDUP(3.2,0)", N(4)},
        {"ROUNDUP(-3.2,0)", N(-4)},
        {"ROUNDDOWN(-3.7,0)", N(-3)},
        {"ROUNDDOWN(3.14159,3)", N(3.141)},
        {"INT(-3.5)", N(-4)},
        {"INT(2.9999999999999996)", N(3)},
        {"TRUNC(-3.5)", N(-3)},
        {"TRUNC(3.14159,2)", N(3.14)},
        {"MOD(-3,2)", N(1)},
        {"MOD(3,-2)", N(-1)},
        {"MOD(1,0)", E(ErrorCode::Div0)},
        {"ABS(-2)", N(2)},
        {"POWER(2,10)", N(1024)},
        {"POWER(0,-1)", E(ErrorCode::Div0)},
        {"SQRT(-1)", E(ErrorCode::Num)},
        {"SQRT(16)", N(4)},
        {"SIGN(-5)", N(-1)},
        {"SIGN(B3)", N(0)},
        {"PI()", N(3.14159265358979323846)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalStatistical, CountsAndCriteria) {
    SampleBook book;
    const EvalCase cases[] = {
        {"COUNT(A1:B5)", N(6)},
        {"COUNT(1,\"2\",\"x\",TRUE)", N(3)},
        {"COUNT(C1)", N(0)},
        {"COUNTA(A1:C5)", N(10)},
        {"COUNTBLANK(A1:B5)", N(1)},
        {"COUNTIF(A1:A5,\">2\")", N(3)},
        {"COUNTIF(D1:D4,\"apple\")", N(1 + 0)},
        {"COUNTIF(D1:D4,\"APPLE*\")", N(2)},
        {"COUNTIF(D1:D4,\"?anana\")", N(1)},
        {"COUNTIF(D1:D4,\"<b\")", N(2)},
        {"COUNTIF(A1:B5,\"<>3\")", N(9)},
        {"COUNTIF(A1:B5,\"\")", N(1)},
        {"COUNTIF(A:A,\"\")", N(1048576 - 5)},
        {"COUNTIF(A1:B5,TRUE)", N(1)},
        {"COUNTIF(C1:C2,\"#N/A\")", N(1)},
        {"COUNTIFS(A1:A5,\">1\",E1:E5,\">=30\")", N(2)},
        {"COUNTIF(A1:B5,10)", N(1)},      // the text "10" in B1 counts as 10
        {"COUNTIF(A1:B5,\">9\")", N(0)},  // ... but not for a comparison
        {"COUNTIFS(A1:A5,\"<>1\",E1:E5,\"\")", N(1)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalStatistical, AveragesExtremesAndSpread) {
    SampleBook book;
    const EvalCase cases[] = {
        {"AVERAGE(A1:A5)", N(3)},
        {"AVERAGE(B3)", E(ErrorCode::Div0)},
        {"AVERAGE(A1:C1)", E(ErrorCode::NA)},
        {"AVERAGEIF(A1:A5,\">2\")", N(4)},
        {"AVERAGEIF(A1:A5,\">9\")", E(ErrorCode::Div0)},
        {"AVERAGEIFS(E1:E4,A1:A4,\"<3\")", N(15)},
        {"MIN(A1:A5)", N(1)},
        {"MAX(A1:B5)", N(5)},
        {"MAX(B3)", N(0)},
        {"MIN(A1:A5,-1)", N(-1)},
        {"MEDIAN(A1:A5,10)", N(3.5)},
        {"MEDIAN(A1:A5)", N(3)},
        {"LARGE(A1:A5,2)", N(4)},
        {"SMALL(A1:A5,6)", E(ErrorCode::Num)},
        {"SMALL({5,1,3},1)", N(1)},
        {"RANK(4,A1:A5)", N(2)},
        {"RANK(4,A1:A5,1)", N(4)},
        {"RANK(9,A1:A5)", E(ErrorCode::NA)},
        {"STDEV(A1:A5)", N(1.5811388300841898)},
        {"VAR(A1:A5)", N(2.5)},
        {"STDEV(1)", E(ErrorCode::Div0)},
        {"_xlfn.VAR.P(A1:A5)", N(2)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalMath, MultiplesAndLogarithms) {
    SampleBook book;
    const EvalCase cases[] = {
        {"FLOOR(2.5,1)", N(2)},
        {"FLOOR(-2.5,-2)", N(-2)},
        {"FLOOR(-2.5,2)", N(-4)},
        {"FLOOR(2.5,-2)", E(ErrorCode::Num)},
        {"FLOOR(2.5,0)", E(ErrorCode::Div0)},
        {"FLOOR(0.3/0.1,1)", N(3)},
        {"CEILING(2.5,1)", N(3)},
        {"CEILING(-2.5,-2)", N(-4)},
        {"CEILING(-2.5,2)", N(-2)},
        {"CEILING(4.42,0.05)", N(4.45)},
        {"LOG(100)", N(2)},
        {"LOG(8,2)", N(3)},
        {"LOG(0)", E(ErrorCode::Num)},
        {"LOG(8,1)", E(ErrorCode::Div0)},
        {"LOG10(1000)", N(3)},
        {"LN(EXP(2))", N(2)},
        {"SUMSQ(A1:A3)", N(14)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalArrays, ArrayConstantsCombineElementByElement) {
    SampleBook book;
    const EvalCase cases[] = {
        {"MAX(A2*{1,2,3})", N(6)},
        {"SUM({1,2,3}*{4,5,6})", N(32)},
        {"SUM({1;2}+{10,20})", N(66)},  // a column against a row gives a 2x2 array
        {"SUM(-{1,2})", N(-3)},
        {"{1,2,3}*2", N(2)},  // a cell shows the first element
        {"SUM({1,2,3}/{1,0,1})", E(ErrorCode::Div0)},
        {"SUMPRODUCT(--(D1:D4=\"apple\"))", N(1)},
        {"SUMPRODUCT((A1:A4>1)*(E1:E4))", N(90)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing
