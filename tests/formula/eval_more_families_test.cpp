// Working days, week numbers and day counts; XLOOKUP and the reference helpers;
// text cut around delimiters and numbers written as text; distributions.
#include <gtest/gtest.h>

#include "sample_book.h"

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalDate, WorkingDaysWeeksAndDayCounts) {
    SampleBook book;
    const EvalCase cases[] = {
        {"NETWORKDAYS(DATE(2012,10,1),DATE(2013,3,1),DATE(2012,11,22))", N(109)},
        {"NETWORKDAYS(DATE(2013,3,1),DATE(2012,10,1))", N(-110)},
        {"NETWORKDAYS(DATE(2012,10,1),DATE(2013,3,1),{\"2012-11-22\",\"2012-11-22\"})", N(109)},
        {"NETWORKDAYS.INTL(DATE(2006,1,1),DATE(2006,1,31))", N(22)},
        {"NETWORKDAYS.INTL(DATE(2006,1,1),DATE(2006,2,1),\"0010001\",{\"2006/1/2\",\"2006/1/16\"})",
         N(20)},
        {"NETWORKDAYS.INTL(DATE(2006,1,1),DATE(2006,2,1),8)", E(ErrorCode::Num)},
        {"NETWORKDAYS.INTL(DATE(2006,1,1),DATE(2006,2,1),\"111111\")", E(ErrorCode::Value)},
        {"WORKDAY(DATE(2008,10,1),151)", N(39933)},
        {"WORKDAY(DATE(2008,10,1),151,{\"2008-11-26\",\"2008-12-4\",\"2009-1-21\"})", N(39938)},
        {"WORKDAY(DATE(2012,1,1),-5)", N(40903)},
        {"WORKDAY.INTL(DATE(2012,1,1),90,11)", N(41013)},
        {"WORKDAY(-1,1)", E(ErrorCode::Num)},
        {"DAYS(\"2021-03-15\",\"2021-02-01\")", N(42)},
        {"DAYS360(DATE(2011,1,30),DATE(2011,12,31))", N(330)},
        {"DAYS360(DATE(2011,1,31),DATE(2011,12,31),TRUE)", N(330)},
        {"DAYS360(DATE(2012,2,29),DATE(2012,3,31))", N(30)},
        {"YEARFRAC(DATE(2012,1,1),DATE(2012,7,30))", N(0.58055555555555560)},
        {"YEARFRAC(DATE(2012,1,1),DATE(2012,7,30),1)", N(211.0 / 366)},
        {"YEARFRAC(DATE(2012,1,1),DATE(2012,7,30),3)", N(211.0 / 365)},
        {"YEARFRAC(DATE(2011,7,1),DATE(2014,1,1),1)", N(915 / (1461.0 / 4))},
        {"YEARFRAC(1,2,5)", E(ErrorCode::Num)},
        {"WEEKNUM(DATE(2012,3,9))", N(10)},
        {"WEEKNUM(DATE(2012,3,9),2)", N(11)},
        {"WEEKNUM(DATE(2012,3,9),3)", E(ErrorCode::Num)},
        {"ISOWEEKNUM(DATE(2012,3,9))", N(10)},
        {"ISOWEEKNUM(DATE(2021,1,1))", N(53)},
        {"WEEKNUM(DATE(2021,1,1),21)", N(53)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalLookup, XLookupXMatchAndReferenceHelpers) {
    SampleBook book;
    const EvalCase cases[] = {
        {"XLOOKUP(3,H1:H4,I1:I4)", S("three")},
        {"XLOOKUP(4,H1:H4,I1:I4)", E(ErrorCode::NA)},
        {"XLOOKUP(4,H1:H4,I1:I4,\"none\")", S("none")},
        {"XLOOKUP(4,H1:H4,I1:I4,,-1)", S("three")},
        {"XLOOKUP(4,H1:H4,I1:I4,,1)", S("five")},
        {"XLOOKUP(\"t*\",I1:I4,H1:H4,,2)", N(3)},
        {"XLOOKUP(\"APPLE\",D1:D4,E1:E4,,0,-1)", N(10)},
        {"XLOOKUP(\"apple*\",D1:D4,E1:E4,,2,-1)", N(40)},  // searched from the end
        {"SUM(XLOOKUP(5,H1:H4,H1:J4))", N(5)},             // the whole matching row
        {"XLOOKUP(3,H1:H4,I1:I3)", E(ErrorCode::Value)},   // ranges of different lengths
        {"XLOOKUP(3,H1:I4,I1:I4)", E(ErrorCode::Value)},
        {"XLOOKUP(3,H1:H4,I1:I4,,3)", E(ErrorCode::Value)},
        {"XMATCH(5,H1:H4)", N(3)},
        {"XMATCH(6,H1:H4,1)", N(4)},
        {"XMATCH(6,H1:H4,-1)", N(3)},
        {"XMATCH(\"b*\",D1:D4,2)", N(2)},
        {"ADDRESS(2,3)", S("$C$2")},
        {"ADDRESS(2,3,2)", S("C$2")},
        {"ADDRESS(2,3,4,FALSE)", S("R[2]C[3]")},
        {"ADDRESS(2,3,1,FALSE,\"[Book1]Sheet1\")", S("'[Book1]Sheet1'!R2C3")},
        {"ADDRESS(2,3,1,TRUE,\"EXCEL SHEET\")", S("'EXCEL SHEET'!$C$2")},
        {"ADDRESS(0,1)", E(ErrorCode::Value)},
        {"AREAS((A1:B2,C3))", N(2)},
        {"AREAS(A1)", N(1)},
        {"AREAS(1)", E(ErrorCode::Value)},
        {"HYPERLINK(\"http://example.com\",\"site\")", S("site")},
        {"HYPERLINK(\"http://example.com\")", S("http://example.com")},
        {"ISREF(A1:B2)", B(true)},
        {"ISREF(\"A1\")", B(false)},
        {"IFS(A1>1,\"a\",A2>1,\"b\")", S("b")},
        {"IFS(FALSE,1)", E(ErrorCode::NA)},
        {"IFS(C1,1)", E(ErrorCode::NA)},  // C1 holds #N/A
        {"SWITCH(A2,1,\"one\",2,\"two\",\"other\")", S("two")},
        {"SWITCH(9,1,\"one\",\"other\")", S("other")},
        {"SWITCH(9,1,\"one\")", E(ErrorCode::NA)},
        {"SWITCH(\"2\",2,\"number\",\"text\")", S("text")},  // no coercion in matching
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalText, CleaningCodePointsAndNumbersAsText) {
    SampleBook book;
    const EvalCase cases[] = {
        {"CLEAN(CHAR(9)&\"text\"&CHAR(10))", S("text")},
        {"UNICHAR(66)", S("B")},
        {"UNICHAR(8364)", S("\xE2\x82\xAC")},
        {"UNICODE(\"\xE2\x82\xAC\")", N(8364)},
        {"UNICHAR(0)", E(ErrorCode::Value)},
        {"UNICODE(\"\")", E(ErrorCode::Value)},
        {"FIXED(1234.567,1)", S("1,234.6")},
        {"FIXED(1234.567,-1)", S("1,230")},
        {"FIXED(-1234.567,-1,TRUE)", S("-1230")},
        {"FIXED(44.332)", S("44.33")},
        {"DOLLAR(1234.567,2)", S("$1,234.57")},
        {"DOLLAR(-1234.567,-2)", S("($1,200)")},
        {"DOLLAR(-0.123,4)", S("($0.1230)")},
        {"NUMBERVALUE(\"2.500,27\",\",\",\".\")", N(2500.27)},
        {"NUMBERVALUE(\"3.5%\")", N(0.035)},
        {"NUMBERVALUE(\"1.2.3\")", E(ErrorCode::Value)},
        {"TEXTBEFORE(\"Red riding hood's red hood\",\"hood\")", S("Red riding ")},
        {"TEXTAFTER(\"Red riding hood's red hood\",\"hood\")", S("'s red hood")},
        {"TEXTAFTER(\"Red riding hood's red hood\",\"HOOD\",2,1)", S("")},
        {"TEXTBEFORE(\"Red riding hood's red hood\",\"HOOD\")", E(ErrorCode::NA)},
        {"TEXTBEFORE(\"abc\",\"x\",,,,\"none\")", S("none")},
        {"TEXTAFTER(\"a-b-c\",\"-\",-1)", S("c")},
        {"TEXTBEFORE(\"a-b-c\",\"-\",0)", E(ErrorCode::Value)},
        {"INDEX(TEXTSPLIT(\"a,b;c\",\",\",\";\"),2,1)", S("c")},
        {"INDEX(TEXTSPLIT(\"a,b;c\",\",\",\";\"),2,2)", E(ErrorCode::NA)},  // padded
        {"COLUMNS(TEXTSPLIT(\"a,,b\",\",\",,TRUE))", N(2)},
        {"COLUMNS(TEXTSPLIT(\"a1b2c\",{\"1\",\"2\"}))", N(3)},
        {"ISEVEN(-1)", B(false)},
        {"ISODD(2.5)", B(false)},
        {"ISEVEN(\"x\")", E(ErrorCode::Value)},
        {"ISNONTEXT(A1)", B(true)},
        {"ISNONTEXT(D1)", B(false)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

// Results compared at the digits the application's documentation gives.
TEST(EvalStatistical, Distributions) {
    SampleBook book;
    const EvalCase cases[] = {
        {"ROUND(NORM.DIST(42,40,1.5,TRUE),7)", N(0.9087888)},
        {"ROUND(NORM.DIST(42,40,1.5,FALSE),8)", N(0.10934005)},
        {"NORM.DIST(42,40,0,TRUE)", E(ErrorCode::Num)},
        {"ROUND(NORM.INV(0.908789,40,1.5),5)", N(42)},
        {"NORM.INV(1,40,1.5)", E(ErrorCode::Num)},
        {"ROUND(NORM.S.INV(0.908789),6)", N(1.333335)},
        {"ROUND(NORMSDIST(1.333333),6)", N(0.908789)},
        {"ROUND(NORM.S.DIST(1.333333,TRUE),6)", N(0.908789)},
        {"ROUND(LOGNORM.DIST(4,3.5,1.2,TRUE),7)", N(0.0390836)},
        {"ROUND(LOGNORM.INV(0.039084,3.5,1.2),4)", N(4.0000)},
        {"ROUND(EXPON.DIST(0.2,10,TRUE),9)", N(0.864664717)},
        {"ROUND(POISSON.DIST(2,5,TRUE),9)", N(0.124652019)},
        {"ROUND(POISSON.DIST(2,5,FALSE),9)", N(0.084224337)},
        {"BINOM.DIST(6,10,0.5,FALSE)", N(0.205078125)},
        {"BINOM.DIST(11,10,0.5,FALSE)", E(ErrorCode::Num)},
        {"ROUND(WEIBULL.DIST(105,20,100,TRUE),6)", N(0.929581)},
        {"ROUND(WEIBULL.DIST(105,20,100,FALSE),6)", N(0.035589)},
        {"ROUND(FISHER(0.75),9)", N(0.972955075)},
        {"ROUND(FISHERINV(0.972955),4)", N(0.75)},
        {"ROUND(GAMMALN(4),9)", N(1.791759469)},
        {"ROUND(CONFIDENCE.NORM(0.05,2.5,50),9)", N(0.692951912)},
        {"ROUND(PHI(0.75),7)", N(0.3011374)},
        {"ROUND(GAUSS(2),8)", N(0.47724987)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing
