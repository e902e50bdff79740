// Aggregates that skip hidden rows (SUBTOTAL, AGGREGATE); database functions;
// engineering (bases, bits, units, Bessel), complex numbers; the distributions
// of the statistical tests; LINEST; LET and CELL.
#include <gtest/gtest.h>

#include "sample_book.h"

namespace tabulon::spreadsheet::formula::testing {
namespace {

// Published values are given to about seven digits: numbers agree to 1e-6.
void ExpectNear(MemoryCells& book, const EvalCase& c) {
    const Value got = book.Eval(c.formula);
    if (got.IsNumber() && c.expected.IsNumber()) {
        EXPECT_NEAR(got.AsNumber(), c.expected.AsNumber(),
                    1e-6 * std::max(1.0, std::fabs(c.expected.AsNumber())))
            << c.formula;
    } else {
        EXPECT_TRUE(SameValue(got, c.expected))
            << c.formula << " gave " << Show(got) << ", expected " << Show(c.expected);
    }
}

TEST(EvalSubtotal, HiddenFilteredAndNestedCellsAreLeftOutAsAsked) {
    SampleBook book;  // A1:A5 = 1..5
    book.SetRowState(2, RowVisibility::Hidden);
    book.SetRowState(4, RowVisibility::Filtered);
    book.SetFormula("K1", "=SUBTOTAL(9,A1:A3)");
    book.SetFormula("K2", "=AGGREGATE(9,0,A1:A3)");
    book.Set("K3", N(100));
    const EvalCase cases[] = {
        // SUBTOTAL: filtered rows always out, hand-hidden rows out from 101 on.
        {"SUBTOTAL(9,A1:A5)", N(11)},
        {"SUBTOTAL(109,A1:A5)", N(9)},
        {"SUBTOTAL(102,A1:B5)", N(4)},
        {"SUBTOTAL(9,K1:K3)", N(100)},  // other subtotals are not counted twice
        {"SUBTOTAL(1,A1:A5)", N(2.75)},
        {"SUBTOTAL(3,A1:B5)", N(7)},
        {"SUBTOTAL(0,A1)", E(ErrorCode::Value)},
        {"SUBTOTAL(12,A1)", E(ErrorCode::Value)},
        // AGGREGATE: options 0-3 skip nested subtotals, odd ones hidden rows,
        // 2, 3, 6, 7 error values.
        {"AGGREGATE(9,4,A1:A5)", N(15)},
        {"AGGREGATE(9,5,A1:A5)", N(9)},
        {"AGGREGATE(9,0,K1:K3)", N(100)},
        {"AGGREGATE(9,4,K1:K3)", N(112)},
        {"AGGREGATE(4,0,A1:C1)", E(ErrorCode::NA)},
        {"AGGREGATE(4,6,A1:C1)", N(1)},
        {"AGGREGATE(12,3,A1:A5)", N(3)},
        {"AGGREGATE(13,4,{1,2,2,3})", N(2)},
        {"AGGREGATE(14,6,E1:E4/(D1:D4=\"apple\"),1)", N(10)},
        {"AGGREGATE(15,4,A1:A5,2)", N(2)},
        {"AGGREGATE(16,4,A1:A5,0.5)", N(3)},
        {"AGGREGATE(19,4,A1:A5,1)", N(1.5)},
        {"AGGREGATE(14,4,A1:A5)", E(ErrorCode::Value)},
        {"AGGREGATE(9,8,A1:A5)", E(ErrorCode::Value)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalDatabase, CriteriaRowsAreAlternativesAndTextMatchesItsStart) {
    MemoryCells book;
    const char* header[] = {"Tree", "Height", "Age", "Yield", "Profit"};
    const char* trees[] = {"Apple", "Pear", "Cherry", "Apple", "Pear", "Apple"};
    const double data[][4] = {{18, 20, 14, 105}, {12, 12, 10, 96}, {13, 14, 9, 105},
                              {14, 15, 10, 75},  {9, 8, 8, 76.8},  {8, 9, 6, 45}};
    for (int c = 0; c < 5; ++c)
        book.Set(std::string(1, static_cast<char>('A' + c)) + "1", S(header[c]));
    for (int r = 0; r < 6; ++r) {
        const std::string row = std::to_string(r + 2);
        book.Set("A" + row, S(trees[r]));
        for (int c = 0; c < 4; ++c)
            book.Set(std::string(1, static_cast<char>('B' + c)) + row, N(data[r][c]));
    }
    // G1:H3: (Tree "Ap..." and Height > 10) or Tree "Pear"; I1:I2 Tree "=Ap".
    book.Set("G1", S("Tree"));
    book.Set("H1", S("Height"));
    book.Set("G2", S("Ap"));
    book.Set("H2", S(">10"));
    book.Set("G3", S("Pear"));
    book.Set("I1", S("tree"));
    book.Set("I2", S("=Ap"));
    book.Set("J1", S("Tree"));
    book.Set("J2", S("Cherry"));
    const EvalCase cases[] = {
        {"DSUM(A1:E7,\"Yield\",G1:H3)", N(42)},
        {"DSUM(A1:E7,4,G1:H3)", N(42)},
        {"DCOUNT(A1:E7,\"Yield\",G1:H3)", N(4)},
        {"DCOUNT(A1:E7,,G1:H3)", N(4)},
        {"DCOUNT(A1:E7,\"Tree\",G1:H3)", N(0)},   // text is not counted...
        {"DCOUNTA(A1:E7,\"Tree\",G1:H3)", N(4)},  // ...by DCOUNT, but by DCOUNTA
        {"DAVERAGE(A1:E7,\"Yield\",G1:H3)", N(10.5)},
        {"DMAX(A1:E7,\"Profit\",G1:H3)", N(105)},
        {"DMIN(A1:E7,\"Profit\",G1:H3)", N(75)},
        {"DPRODUCT(A1:E7,\"Yield\",G1:H3)", N(11200)},
        {"DVARP(A1:E7,\"Yield\",G1:H3)", N(4.75)},
        {"DCOUNT(A1:E7,\"Age\",I1:I2)", N(0)},  // "=Ap" asks for the whole text
        {"DGET(A1:E7,\"Yield\",J1:J2)", N(9)},
        {"DGET(A1:E7,\"Yield\",G1:G2)", E(ErrorCode::Num)},    // several records
        {"DGET(A1:E7,\"Yield\",I1:I2)", E(ErrorCode::Value)},  // none
        {"DSUM(A1:E7,\"Nope\",G1:H3)", E(ErrorCode::Value)},
        {"DSUM(A1:E7,6,G1:H3)", E(ErrorCode::Value)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalEngineering, BasesBitsUnitsAndBesselFunctions) {
    SampleBook book;
    const EvalCase cases[] = {
        {"BIN2DEC(1100100)", N(100)},
        {"BIN2DEC(\"1111111111\")", N(-1)},  // the tenth digit is the sign
        {"BIN2DEC(\"12\")", E(ErrorCode::Num)},
        {"BIN2DEC(\"11111111111\")", E(ErrorCode::Num)},
        {"DEC2BIN(9,4)", S("1001")},
        {"DEC2BIN(9,3)", E(ErrorCode::Num)},
        {"DEC2BIN(-100)", S("1110011100")},
        {"DEC2BIN(512)", E(ErrorCode::Num)},
        {"DEC2HEX(-54)", S("FFFFFFFFCA")},
        {"DEC2OCT(58,3)", S("072")},
        {"HEX2DEC(\"FFFFFFFF9C\")", N(-100)},
        {"HEX2BIN(\"FFFFFFFE00\")", S("1000000000")},
        {"HEX2BIN(\"200\")", E(ErrorCode::Num)},
        {"OCT2HEX(\"7777777533\")", S("FFFFFFFF5B")},
        {"BIN2HEX(11111011,4)", S("00FB")},
        {"DELTA(5,4)", N(0)},
        {"DELTA(5,5)", N(1)},
        {"GESTEP(-1)", N(0)},
        {"GESTEP(5,5)", N(1)},
        {"BITAND(13,25)", N(9)},
        {"BITOR(23,10)", N(31)},
        {"BITXOR(5,3)", N(6)},
        {"BITLSHIFT(4,2)", N(16)},
        {"BITLSHIFT(4,-1)", N(2)},
        {"BITRSHIFT(13,2)", N(3)},
        {"BITAND(-1,1)", E(ErrorCode::Num)},
        {"BITAND(1.5,1)", E(ErrorCode::Num)},
        {"ERF(1)", N(0.8427007929497149)},
        {"ERF(0,1)", N(0.8427007929497149)},
        {"ERFC(1)", N(0.15729920705028513)},
        {"CONVERT(1,\"lbm\",\"kg\")", N(0.45359237)},
        {"CONVERT(68,\"F\",\"C\")", N(20)},
        {"CONVERT(0,\"K\",\"C\")", N(-273.15)},
        {"CONVERT(6,\"tsp\",\"tbs\")", N(2)},
        {"CONVERT(1,\"km\",\"m\")", N(1000)},
        {"CONVERT(1,\"cm2\",\"m2\")", N(0.0001)},
        {"CONVERT(1,\"kibyte\",\"bit\")", N(8192)},
        {"CONVERT(2.5,\"ft\",\"sec\")", E(ErrorCode::NA)},
        {"CONVERT(1,\"M\",\"m\")", E(ErrorCode::NA)},
        {"CONVERT(1,\"LBM\",\"kg\")", E(ErrorCode::NA)},  // names are case-sensitive
        // K and Y as the application approximates them (to about 1e-8).
        {"BESSELK(2,3)", N(0.6473854)},
        {"BESSELY(2,3)", N(-1.1277837651220644)},
        {"BESSELJ(1.9,2)", N(0.329925727692387)},
        {"BESSELI(-1,1)", N(-0.565159103992485)},
        {"BESSELI(1,-1)", E(ErrorCode::Num)},
        {"BESSELK(0,1)", E(ErrorCode::Num)},
    };
    for (const EvalCase& c : cases)
        ExpectNear(book, c);
}

TEST(EvalComplex, ComplexNumbersAreWrittenAsTheApplicationWritesThem) {
    SampleBook book;
    const EvalCase cases[] = {
        {"COMPLEX(3,4)", S("3+4i")},
        {"COMPLEX(0,1)", S("i")},
        {"COMPLEX(0,-1,\"j\")", S("-j")},
        {"COMPLEX(1.5,0)", S("1.5")},
        {"COMPLEX(1,2,\"\")", S("1+2i")},
        {"COMPLEX(1,1,\"k\")", E(ErrorCode::Value)},
        {"IMABS(\"3+4i\")", N(5)},
        {"IMREAL(\"-i\")", N(0)},
        {"IMAGINARY(\"-i\")", N(-1)},
        {"IMAGINARY(\"2.5E-3-1.5E+2j\")", N(-150)},
        {"IMREAL(\"abc\")", E(ErrorCode::Num)},
        {"IMREAL(TRUE)", E(ErrorCode::Value)},
        {"IMSUM(\"1+i\",\"2-3i\",4)", S("7-2i")},
        {"IMSUM(\"1+i\",\"1+j\")", E(ErrorCode::Value)},
        {"IMSUB(\"1+i\",\"1+i\")", S("0")},
        {"IMPRODUCT(\"1+2i\",\"3-i\")", S("5+5i")},
        {"IMDIV(\"-238+240i\",\"10+24i\")", S("5+12i")},
        {"IMDIV(\"1\",\"0\")", E(ErrorCode::Num)},
        {"IMPOWER(\"2+3i\",2)", S("-5+12i")},
        {"IMCONJUGATE(\"3+4j\")", S("3-4j")},
        {"IMLN(\"0\")", E(ErrorCode::Num)},
        {"IMARGUMENT(\"0\")", E(ErrorCode::Div0)},
        {"IMEXP(\"0\")", S("1")},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalDistribution, TestDistributionsAndTheTestsOnThem) {
    SampleBook book;
    const EvalCase cases[] = {
        {"CHISQ.DIST(0.5,1,TRUE)", N(0.520499878)},
        {"CHISQ.DIST(2,3,FALSE)", N(0.207553749)},
        {"CHISQ.DIST.RT(18.307,10)", N(0.0500006)},
        {"CHISQ.INV(0.93,1)", N(3.283020287)},
        {"CHISQ.INV.RT(0.050001,10)", N(18.306973)},
        {"CHISQ.DIST(-1,3,TRUE)", E(ErrorCode::Num)},
        {"CHISQ.DIST(1,0,TRUE)", E(ErrorCode::Num)},
        {"F.DIST(15.2069,6,4,TRUE)", N(0.99)},
        {"F.DIST(15.2069,6,4,FALSE)", N(0.0012238)},
        {"F.DIST.RT(15.2069,6,4)", N(0.01)},
        {"F.INV(0.01,6,4)", N(0.10930991)},
        {"T.DIST(60,1,TRUE)", N(0.99469533)},
        {"T.DIST(8,3,FALSE)", N(0.00073691)},
        {"T.DIST.2T(1.959999998,60)", N(0.054644930)},
        {"T.DIST.RT(1.959999998,60)", N(0.027322465)},
        {"TDIST(-1,2,1)", E(ErrorCode::Num)},
        {"T.INV(0.75,2)", N(0.8164966)},
        {"T.INV.2T(0.546449,60)", N(0.606533)},
        {"T.INV(0,2)", E(ErrorCode::Num)},
        {"GAMMA.DIST(10.00001131,9,2,FALSE)", N(0.032639)},
        {"GAMMA.DIST(10.00001131,9,2,TRUE)", N(0.068094)},
        {"GAMMA.INV(0.068094,9,2)", N(10.0000112)},
        {"BETA.DIST(2,8,10,TRUE,1,3)", N(0.6854706)},
        {"BETA.DIST(2,8,10,FALSE,1,3)", N(1.4837646)},
        {"BETA.INV(0.685470581,8,10,1,3)", N(2)},
        {"BETA.DIST(4,8,10,TRUE,1,3)", E(ErrorCode::Num)},
        {"HYPGEOM.DIST(1,4,8,20,TRUE)", N(2255.0 / 4845)},
        {"HYPGEOM.DIST(1,4,8,20,FALSE)", N(1760.0 / 4845)},
        {"NEGBINOM.DIST(10,5,0.25,TRUE)", N(0.3135141)},
        {"NEGBINOM.DIST(10,5,0.25,FALSE)", N(0.0550487)},
        {"BINOM.INV(6,0.5,0.75)", N(4)},
        {"CONFIDENCE.T(0.05,1,50)", N(0.284196855)},
        {"CONFIDENCE.T(0.05,1,1)", E(ErrorCode::Div0)},
        {"T.TEST({3,4,5,8,9,1,2,4,5},{6,19,3,2,14,4,5,17,1},2,1)", N(0.196016)},
        {"CHISQ.TEST({58,35;11,25;10,23},{45.35,47.65;17.56,18.44;16.09,16.91})", N(0.000308192)},
        {"F.TEST({6,7,9,15,21},{20,28,31,38,40})", N(0.64831785)},
        {"Z.TEST({3,6,7,8,6,5,4,2,1,9},4)", N(0.090574)},
        {"PROB({0,1,2,3},{0.2,0.3,0.1,0.4},2)", N(0.1)},
        {"PROB({0,1,2,3},{0.2,0.3,0.1,0.4},1,3)", N(0.8)},
        {"PROB({0,1},{0.2,0.3},1)", E(ErrorCode::Num)},  // probabilities must add up to 1
    };
    for (const EvalCase& c : cases)
        ExpectNear(book, c);
}

TEST(EvalSecurities, CouponSchedulesBondsBillsAndDepreciation) {
    SampleBook book;
    const EvalCase cases[] = {
        {"COUPDAYBS(DATE(2011,1,25),DATE(2011,11,15),2,1)", N(71)},
        {"COUPDAYS(DATE(2011,1,25),DATE(2011,11,15),2,1)", N(181)},
        {"COUPDAYSNC(DATE(2011,1,25),DATE(2011,11,15),2,1)", N(110)},
        {"COUPNCD(DATE(2011,1,25),DATE(2011,11,15),2,1)", N(40678)},
        {"COUPNUM(DATE(2007,1,25),DATE(2008,11,15),2,1)", N(4)},
        {"COUPPCD(DATE(2011,1,25),DATE(2011,11,15),2,1)", N(40497)},
        {"COUPNUM(DATE(2007,1,25),DATE(2008,11,15),3,1)", E(ErrorCode::Num)},
        {"COUPNUM(DATE(2008,11,15),DATE(2007,1,25),2,1)", E(ErrorCode::Num)},
        {"COUPNUM(DATE(2007,1,25),DATE(2008,11,15),2,5)", E(ErrorCode::Num)},
        {"PRICE(DATE(2008,2,15),DATE(2017,11,15),0.0575,0.065,100,2,0)", N(94.63436162)},
        {"YIELD(DATE(2008,2,15),DATE(2016,11,15),0.0575,95.04287,100,2,0)", N(0.065)},
        {"DURATION(DATE(2018,7,1),DATE(2048,1,1),0.08,0.09,2,1)", N(10.9191453)},
        {"MDURATION(DATE(2008,1,1),DATE(2016,1,1),0.08,0.09,2,1)", N(5.73567)},
        {"DISC(DATE(2007,1,25),DATE(2007,6,15),97.975,100,1)", N(0.052420213)},
        {"PRICEDISC(DATE(2008,2,16),DATE(2008,3,1),0.0525,100,2)", N(99.79583333)},
        {"YIELDDISC(DATE(2008,2,16),DATE(2008,3,1),99.795,100,2)", N(0.052823)},
        {"INTRATE(DATE(2008,2,15),DATE(2008,5,15),1000000,1014420,2)", N(0.05768)},
        {"RECEIVED(DATE(2008,2,15),DATE(2008,5,15),1000000,0.0575,2)", N(1014584.654)},
        {"TBILLPRICE(DATE(2008,3,31),DATE(2008,6,1),0.09)", N(98.45)},
        {"TBILLYIELD(DATE(2008,3,31),DATE(2008,6,1),98.45)", N(0.091417)},
        {"TBILLEQ(DATE(2008,3,31),DATE(2008,6,1),0.0914)", N(0.094151)},
        {"TBILLPRICE(DATE(2008,3,31),DATE(2009,6,1),0.09)", E(ErrorCode::Num)},  // over a year
        {"ACCRINTM(DATE(2008,4,1),DATE(2008,6,15),0.1,1000,3)", N(20.54794521)},
        {"PRICEMAT(DATE(2008,2,15),DATE(2008,4,13),DATE(2007,11,11),0.061,0.061,0)",
         N(99.98449888)},
        {"YIELDMAT(DATE(2008,3,15),DATE(2008,11,3),DATE(2007,11,8),0.0625,100.0123,0)",
         N(0.060954)},
        {"VDB(2400,300,10*365,0,1)", N(1.315068493)},
        {"VDB(2400,300,10*12,0,1)", N(40)},
        {"VDB(2400,300,10,0,1)", N(480)},
        {"VDB(2400,300,10,0,0.875,1.5)", N(315)},
        {"VDB(2400,300,10*12,6,18)", N(396.306099)},
        {"VDB(2400,300,10,5,4)", E(ErrorCode::Num)},
    };
    for (const EvalCase& c : cases)
        ExpectNear(book, c);
}

TEST(EvalRegression, LinestFitsOneOrSeveralVariables) {
    SampleBook book;
    const EvalCase cases[] = {
        {"INDEX(LINEST({3,5,7,9},{1,2,3,4}),1,1)", N(2)},
        {"INDEX(LINEST({3,5,7,9},{1,2,3,4}),1,2)", N(1)},
        {"INDEX(LINEST({3,5,7,9},{1,2,3,4},FALSE),1,2)", N(0)},
        {"INDEX(LINEST({6;5;13;12;20},{1,1;2,0;3,2;4,1;5,3}),1,1)", N(3)},  // last x first
        {"INDEX(LINEST({6;5;13;12;20},{1,1;2,0;3,2;4,1;5,3}),1,3)", N(1)},
        {"INDEX(LINEST({1,3,2,5},{1,2,3,4},TRUE,TRUE),1,1)", N(1.1)},
        {"INDEX(LINEST({1,3,2,5},{1,2,3,4},TRUE,TRUE),2,1)", N(0.5196152423)},
        {"INDEX(LINEST({1,3,2,5},{1,2,3,4},TRUE,TRUE),3,1)", N(0.6914285714)},
        {"INDEX(LINEST({1,3,2,5},{1,2,3,4},TRUE,TRUE),3,2)", N(1.1618950039)},
        {"INDEX(LINEST({1,3,2,5},{1,2,3,4},TRUE,TRUE),4,1)", N(4.4814814815)},
        {"INDEX(LINEST({1,3,2,5},{1,2,3,4},TRUE,TRUE),4,2)", N(2)},
        {"INDEX(LINEST({1,3,2,5},{1,2,3,4},TRUE,TRUE),5,2)", N(2.7)},
        {"INDEX(LOGEST({2,4,8,16},{1,2,3,4}),1,1)", N(2)},
        {"INDEX(LOGEST({2,4,8,16},{1,2,3,4}),1,2)", N(1)},
        {"LINEST({1,2},{1,2,3})", E(ErrorCode::Ref)},
        {"LOGEST({1,-2},{1,2})", E(ErrorCode::Num)},
    };
    for (const EvalCase& c : cases)
        ExpectNear(book, c);
}

TEST(EvalLet, NamesAreBoundInOrderAndShadowDefinedNames) {
    SampleBook book;
    // A call of a name LET binds is evaluable; one of an unknown function is not.
    EXPECT_TRUE(book.Engine().IsEvaluable("LET(f,LAMBDA(x,x),f(1))"));
    EXPECT_FALSE(book.Engine().IsEvaluable("LET(f,LAMBDA(x,x),g(1))"));
    const EvalCase cases[] = {
        {"LET(x,2,y,x*3,x+y)", N(8)},
        {"LET(_xlpm.x,A1:A5,SUM(x))", N(15)},
        {"LET(Rate,2,Rate*10)", N(20)},  // the defined name Rate is 0.5
        {"LET(x,1,LET(x,2,x)+x)", N(3)},
        {"LET(x,1/0,5)", N(5)},
        {"LET(1,2,3)", E(ErrorCode::Value)},
        {"LET(x,1,y)", E(ErrorCode::Name)},
        // A LAMBDA bound by LET is called through its name.
        {"LET(f,LAMBDA(x,x*2),f(3))", N(6)},
        {"LET(f,LAMBDA(x,y,x+y),f(1,A2))", N(3)},
        {"_xlfn.LET(_xlpm.sq,_xlfn.LAMBDA(_xlpm.n,_xlpm.n^2),_xlpm.sq(4))", N(16)},
        {"LET(f,LAMBDA(n,IF(n<=1,1,n*f(n-1))),f(5))", N(120)},
        {"LET(f,LAMBDA(n,f(n)),f(1))", E(ErrorCode::Num)},  // endless recursion
        {"LET(f,LAMBDA(x,x),f(1,2))", E(ErrorCode::Value)},
        {"LET(f,LAMBDA(x,x*2),f)", E(ErrorCode::Calc)},
        {"LAMBDA(x,x)", E(ErrorCode::Calc)},
        {"LET(f,LAMBDA(x,x),g(1))", E(ErrorCode::Name)},
        {"CELL(\"address\",B3)", S("$B$3")},
        {"CELL(\"row\",B3)+CELL(\"col\",B3)", N(5)},
        {"CELL(\"type\",B3)&CELL(\"type\",B4)&CELL(\"type\",A1)", S("blv")},
        {"CELL(\"contents\",A2)", N(2)},
        {"CELL(\"bogus\",A1)", E(ErrorCode::Value)},
        {"LENB(\"abc\")&MIDB(\"abcd\",2,2)", S("3bc")},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing
