// Financial, further math and statistical functions: the application's own
// worked examples, and the argument edges that give its error values.
#include <gtest/gtest.h>

#include "sample_book.h"

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalFinancial, AnnuitiesCashFlowsAndDepreciation) {
    SampleBook book;
    const EvalCase cases[] = {
        {"PMT(0.08/12,10,10000)", N(-1037.0320893591522)},
        {"PMT(0,10,1000)", N(-100)},
        {"PMT(0.1,0,1000)", E(ErrorCode::Num)},
        {"FV(0.06/12,10,-200,-500,1)", N(2581.4033740601185)},
        {"PV(0.08/12,12*20,500,,0)", N(-59777.145851187815)},
        {"NPER(0.12/12,-100,-1000,10000,1)", N(59.673865674294625)},
        {"RATE(48,-200,8000)", N(0.0077014724882013)},
        {"IPMT(0.1/12,1,3*12,8000)", N(-66.666666666666671)},
        {"PPMT(0.1/12,1,24,2000)", N(-75.623186008366266)},
        {"IPMT(0.1,5,3,1000)", E(ErrorCode::Num)},  // period beyond the term
        {"CUMIPMT(0.09/12,30*12,125000,13,24,0)", N(-11135.232130750845)},
        {"CUMPRINC(0.09/12,30*12,125000,13,24,0)", N(-934.10712342088)},
        {"CUMIPMT(0.09/12,360,125000,24,13,0)", E(ErrorCode::Num)},
        {"NPV(0.1,-10000,3000,4200,6800)", N(1188.4434123352207)},
        {"NPV(0.1,A1:B5)", N(12.063773135669572)},  // text and TRUE in ranges skipped
        {"IRR({-70000,12000,15000,18000,21000,26000})", N(0.086630948036531)},
        {"IRR({1,2,3})", E(ErrorCode::Num)},  // no sign change
        {"MIRR({-120000,39000,30000,21000,37000,46000},0.1,0.12)", N(0.126094130365905)},
        {"XNPV(0.09,{-10000,2750,4250,3250,2750},{39448,39508,39751,39859,39904})",
         N(2086.6476020315354)},
        {"XNPV(0.09,{-10000,2750},{39448})", E(ErrorCode::Num)},
        {"SLN(30000,7500,10)", N(2250)},
        {"SLN(1,1,0)", E(ErrorCode::Div0)},
        {"SYD(30000,7500,10,1)", N(4090.909090909091)},
        {"DB(1000000,100000,6,1,7)", N(186083.33333333334)},
        {"DB(1000000,100000,6,7,7)", N(15845.098473848071)},
        {"DDB(2400,300,10*365,1)", N(1.3150684931506849)},
        {"DDB(2400,300,10,10)", N(22.122547200000054)},
        {"EFFECT(0.0525,4)", N(0.053542667370758)},
        {"NOMINAL(0.053543,4)", N(0.052500319868356)},
        {"EFFECT(0.05,0.5)", E(ErrorCode::Num)},
        {"ISPMT(0.1/12,1,36,8000000)", N(-64814.814814814818)},
        {"FVSCHEDULE(1,{0.09,0.11,0.1})", N(1.33089)},
        {"DOLLARDE(1.02,16)", N(1.125)},
        {"DOLLARFR(1.125,16)", N(1.02)},
    };
    EXPECT_EVAL_TABLE(book, cases);
    // XIRR solves XNPV = 0.
    Value rate = book.Eval("XIRR({-10000,2750,4250,3250,2750},{39448,39508,39751,39859,39904})");
    ASSERT_TRUE(rate.IsNumber());
    EXPECT_NEAR(rate.AsNumber(), 0.373362535, 1e-8);
}

TEST(EvalMath, TrigonometryIntegersAndMultiples) {
    SampleBook book;
    const EvalCase cases[] = {
        {"SIN(PI()/2)", N(1)},
        {"COS(0)", N(1)},
        {"ATAN2(1,1)", N(0.78539816339744828)},
        {"ATAN2(0,0)", E(ErrorCode::Div0)},
        {"ASIN(2)", E(ErrorCode::Num)},
        {"DEGREES(PI())", N(180)},
        {"SIN(\"x\")", E(ErrorCode::Value)},
        {"GCD(24,36,\"12\")", N(12)},
        {"GCD(-1,2)", E(ErrorCode::Num)},
        {"LCM(4,6,A1:A3)", N(12)},
        {"QUOTIENT(-10,3)", N(-3)},
        {"QUOTIENT(1,0)", E(ErrorCode::Div0)},
        {"MROUND(10,3)", N(9)},
        {"MROUND(-10,-3)", N(-9)},
        {"MROUND(1.3,0.2)", N(1.4)},
        {"MROUND(5,-2)", E(ErrorCode::Num)},
        {"CEILING.MATH(-4.5)", N(-4)},
        {"CEILING.MATH(-4.5,2,-1)", N(-6)},
        {"CEILING.MATH(24.3,5)", N(25)},
        {"FLOOR.MATH(-4.5)", N(-5)},
        {"FLOOR.MATH(-4.5,2,-1)", N(-4)},
        {"EVEN(-1.5)", N(-2)},
        {"ODD(2)", N(3)},
        {"ODD(0)", N(1)},
        {"FACT(5)", N(120)},
        {"FACT(-1)", E(ErrorCode::Num)},
        {"COMBIN(8,2)", N(28)},
        {"PERMUT(100,3)", N(970200)},
        {"ROMAN(499)", S("CDXCIX")},
        {"ARABIC(\"MCMXII\")", N(1912)},
        {"BASE(255,16,4)", S("00FF")},
        {"DECIMAL(\"FF\",16)", N(255)},
        {"SUMXMY2({2,3,9},{6,5,11})", N(24)},
        {"AND(RAND()>=0,RAND()<1)", B(true)},
        {"RANDBETWEEN(5,5)", N(5)},
        {"RANDBETWEEN(2,1)", E(ErrorCode::Num)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalStatistical, PercentilesModesAndPairedData) {
    SampleBook book;
    const EvalCase cases[] = {
        {"PERCENTILE.INC({1,2,3,4},0.3)", N(1.9)},
        {"PERCENTILE({1,2,3,4},1.1)", E(ErrorCode::Num)},
        {"PERCENTILE.EXC({1,2,3,4},0.3)", N(1.5)},
        {"PERCENTILE.EXC({1,2,3,4},0.1)", E(ErrorCode::Num)},
        {"QUARTILE({1,2,4,7,8,9,10,12},1)", N(3.5)},
        {"QUARTILE.EXC({6,7,15,36,39,40,41,42,43,47,49},1)", N(15)},
        {"PERCENTRANK.INC({13,12,11,8,4,3,2,1,1,1},2)", N(0.333)},
        {"MEDIAN(A1:B5)", N(2.75)},
        {"MODE({1,2,2,3,3})", N(2)},
        {"MODE({1,2,3})", E(ErrorCode::NA)},
        {"ROWS(MODE.MULT({1,2,2,3,3}))", N(2)},
        {"RANK.AVG(3,{1,3,3,5})", N(2.5)},
        {"RANK.AVG(3,{1,3,3,5},1)", N(2.5)},
        {"RANK.AVG(4,{1,3,3,5})", E(ErrorCode::NA)},
        {"CORREL({3,2,4,5,6},{9,7,12,15,17})", N(0.99705448550158)},
        {"CORREL({1,1},{2,3})", E(ErrorCode::Div0)},
        {"SLOPE({2,3,9,1,8,7,5},{6,5,11,7,5,4,4})", N(0.30555555555555558)},
        {"INTERCEPT({2,3,9,1,8},{6,5,11,7,5})", N(0.048387096774193)},
        {"RSQ({2,3,9,1,8,7,5},{6,5,11,7,5,4,4})", N(0.05795019157088122)},
        {"STEYX({2,3,9,1,8,7,5},{6,5,11,7,5,4,4})", N(3.305718950210041)},
        {"FORECAST(30,{6,7,9,15,21},{20,28,31,38,40})", N(10.607253086419755)},
        {"FORECAST.LINEAR(1,{1,2},{1,2,3})", E(ErrorCode::NA)},  // sizes differ
        {"COVARIANCE.S({2,4,8},{5,11,12})", N(9.6666666666666661)},
        {"INDEX(TREND({1,2,3},{1,2,3},{4,5}),1,2)", N(5)},
        {"INDEX(GROWTH({2,4,8},{1,2,3},{4}),1,1)", N(16)},
        {"DEVSQ(4,5,8,7,11,4,3)", N(48)},
        {"AVEDEV(4,5,6,7,5,4,3)", N(1.0204081632653061)},
        {"GEOMEAN(4,5,8,7,11,4,3)", N(5.476986969656962)},
        {"HARMEAN(4,5,8,7,11,4,3)", N(5.028375962061728)},
        {"TRIMMEAN({4,5,6,7,2,3,4,5,1,2,3},0.2)", N(3.7777777777777777)},
        {"TRIMMEAN(A1:A5,1)", E(ErrorCode::Num)},
        {"GEOMEAN(1,-1)", E(ErrorCode::Num)},
        {"KURT(3,4,5,2,3,4,5,6,4,7)", N(-0.15179963720841)},
        {"SKEW(3,4,5,2,3,4,5,6,4,7)", N(0.359543071406797)},
        {"AVERAGEA(A1:B5)", N(18.5 / 9)},  // "10" and "apple" count 0, TRUE 1
        {"MAXA(B1:B2)", N(1)},
        {"MAXIFS(E1:E4,D1:D4,\"apple*\")", N(40)},
        {"MINIFS(E1:E4,A1:A4,\">1\",D1:D4,\"<>cherry\")", N(20)},
        {"MINIFS(E1:E4,D1:D4,\"kiwi\")", N(0)},
        {"MAXIFS(E1:E4,D1:D3,\"apple\")", E(ErrorCode::Value)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing
