// Text, date and time functions.
#include <gtest/gtest.h>

#include "sample_book.h"

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalText, PiecesCaseAndJoining) {
    SampleBook book;
    const EvalCase cases[] = {
        {"LEN(\"h\xC3\xA9llo\")", N(5)},
        {"LEN(A1)", N(1)},
        {"LEN(B3)", N(0)},
        {"LEN(C1)", E(ErrorCode::NA)},
        {"LEFT(\"abc\",2)", S("ab")},
        {"LEFT(\"abc\")", S("a")},
        {"LEFT(\"abc\",-1)", E(ErrorCode::Value)},
        {"RIGHT(\"abc\",5)", S("abc")},
        {"RIGHT(\"h\xC3\xA9\",1)", S("\xC3\xA9")},
        {"MID(\"abcdef\",2,3)", S("bcd")},
        {"MID(\"abc\",0,1)", E(ErrorCode::Value)},
        {"MID(\"abc\",5,1)", S("")},
        {"UPPER(\"aBc\")", S("ABC")},
        {"LOWER(\"aBc\")", S("abc")},
        {"PROPER(\"hello wORLD 2nd\")", S("Hello World 2Nd")},
        {"TRIM(\"  a   b  \")", S("a b")},
        {"CONCATENATE(\"a\",1,TRUE)", S("a1TRUE")},
        {"CONCAT(A1:A3)", S("123")},
        {"_xlfn.TEXTJOIN(\"-\",TRUE,\"a\",\"\",B3,\"b\")", S("a-b")},
        {"TEXTJOIN(\",\",FALSE,A1:A2,\"\")", S("1,2,")},
        {"REPT(\"ab\",3)", S("ababab")},
        {"REPT(\"a\",-1)", E(ErrorCode::Value)},
        {"REPT(\"ab\",20000)", E(ErrorCode::Value)},
        {"REPT(\"\",1E+300)", S("")},
        {"EXACT(\"a\",\"A\")", B(false)},
        {"EXACT(1,\"1\")", B(true)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalText, SearchReplaceAndConversion) {
    SampleBook book;
    const EvalCase cases[] = {
        {"FIND(\"b\",\"abcb\")", N(2)},
        {"FIND(\"B\",\"abc\")", E(ErrorCode::Value)},
        {"FIND(\"b\",\"abcb\",3)", N(4)},
        {"FIND(\"\",\"abc\",2)", N(2)},
        {"SEARCH(\"B\",\"abc\")", N(2)},
        {"SEARCH(\"c?\",\"abcd\")", N(3)},
        {"SEARCH(\"~*\",\"a*b\")", N(2)},
        {"SEARCH(\"x\",\"abc\")", E(ErrorCode::Value)},
        {"SUBSTITUTE(\"a-b-c\",\"-\",\"+\")", S("a+b+c")},
        {"SUBSTITUTE(\"a-b-c\",\"-\",\"+\",2)", S("a-b+c")},
        {"SUBSTITUTE(\"a-b\",\"-\",\"+\",0)", E(ErrorCode::Value)},
        {"REPLACE(\"abcdef\",2,3,\"X\")", S("aXef")},
        {"VALUE(\"1,234.5\")", N(1234.5)},
        {"VALUE(\"50%\")", N(0.5)},
        {"VALUE(\" -1e3 \")", N(-1000)},
        {"VALUE(\"abc\")", E(ErrorCode::Value)},
        {"VALUE(\"2020-01-31\")", N(43861)},
        {"VALUE(\"12:00\")", N(0.5)},
        {"TEXT(1234.5,\"#,##0.00\")", S("1,234.50")},
        {"TEXT(43861,\"yyyy-mm-dd\")", S("2020-01-31")},
        {"TEXT(43861,\"e-mm-dd\")", S("2020-01-31")},  // "e": the year in full
        {"TEXT(0.25,\"0%\")", S("25%")},
        {"TEXT(C1,\"0\")", E(ErrorCode::NA)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalDate, SerialsAndParts) {
    SampleBook book;
    const EvalCase cases[] = {
        {"DATE(2020,1,31)", N(43861)},
        {"DATE(2020,13,1)", N(44197)},
        {"DATE(2020,3,0)", N(43890)},
        {"DATE(1900,3,1)", N(61)},
        {"DATE(1900,2,29)", N(60)},
        {"DATE(1900,2,28)", N(59)},
        {"DATE(1900,1,1)", N(1)},
        {"DATE(99,1,1)", N(36161)},
        {"DATE(10000,1,1)", E(ErrorCode::Num)},
        {"DATE(\"2020\",\"1\",\"31\")", N(43861)},
        {"DATE(2020,1,31)-DATE(2019,12,31)", N(31)},
        {"YEAR(43861)", N(2020)},
        {"MONTH(43861)", N(1)},
        {"DAY(43861)", N(31)},
        {"DAY(60)", N(29)},
        {"MONTH(60)", N(2)},
        {"DAY(61)", N(1)},
        {"YEAR(-1)", E(ErrorCode::Num)},
        {"YEAR(\"2021-06-01\")", N(2021)},
        {"WEEKDAY(43861)", N(6)},
        {"WEEKDAY(43861,2)", N(5)},
        {"WEEKDAY(43861,3)", N(4)},
        {"WEEKDAY(43861,9)", E(ErrorCode::Num)},
        {"EDATE(DATE(2020,1,31),1)", N(43890)},
        {"EDATE(DATE(2020,3,31),-1)", N(43890)},
        {"EOMONTH(DATE(2020,1,15),1)", N(43890)},
        {"EOMONTH(DATE(2020,1,15),-1)", N(43830)},
        {"DATEDIF(DATE(2020,1,31),DATE(2021,3,1),\"m\")", N(13)},
        {"DATEDIF(DATE(2020,1,31),DATE(2021,3,1),\"y\")", N(1)},
        {"DATEDIF(DATE(2020,1,31),DATE(2021,3,1),\"d\")", N(395)},
        {"DATEDIF(DATE(2020,1,15),DATE(2020,3,10),\"md\")", N(24)},
        {"DATEDIF(DATE(2020,1,15),DATE(2020,3,10),\"ym\")", N(1)},
        {"DATEDIF(DATE(2020,1,15),DATE(2020,3,10),\"yd\")", N(55)},
        {"DATEDIF(DATE(2021,1,1),DATE(2020,1,1),\"d\")", E(ErrorCode::Num)},
        {"DATEDIF(1,2,\"x\")", E(ErrorCode::Num)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalDate, TimesAndTheClock) {
    SampleBook book;
    const EvalCase cases[] = {
        {"TIME(12,30,0)", N(0.5208333333333334)},
        {"TIME(25,0,0)", N(1.0 / 24)},
        {"TIME(-1,0,0)", E(ErrorCode::Num)},
        {"HOUR(0.75)", N(18)},
        {"HOUR(\"13:45\")", N(13)},
        {"MINUTE(TIME(1,2,3))", N(2)},
        {"SECOND(TIME(1,2,3))", N(3)},
        {"SECOND(0.999999)", N(0)},
        {"TODAY()>=45000", B(true)},
        {"NOW()-TODAY()<1", B(true)},
        {"INT(NOW())=TODAY()", B(true)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalText, CharactersAndCodes) {
    SampleBook book;
    const EvalCase cases[] = {
        {"CHAR(65)", S("A")},
        {"CHAR(233)", S("\xC3\xA9")},
        {"CHAR(128)", S("\xE2\x82\xAC")},
        {"CHAR(0)", E(ErrorCode::Value)},
        {"CHAR(256)", E(ErrorCode::Value)},
        {"CODE(\"A\")", N(65)},
        {"CODE(\"\xC3\xA9t\xC3\xA9\")", N(233)},
        {"CODE(\"\xE2\x82\xAC\")", N(128)},
        {"CODE(\"\")", E(ErrorCode::Value)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalDate, DatesAndTimesReadFromText) {
    SampleBook book;
    const EvalCase cases[] = {
        {"DATEVALUE(\"June 9, 1969\")", N(25363)},
        {"DATEVALUE(\"9-Jun-1969\")", N(25363)},
        {"DATEVALUE(\"6/9/1969\")", N(25363)},
        {"DATEVALUE(\"1969-06-09 12:00\")", N(25363)},
        {"DATEVALUE(\"Jun 31 1969\")", E(ErrorCode::Value)},
        {"DATEVALUE(25363)", E(ErrorCode::Value)},
        {"TIMEVALUE(\"11:23:45 PM\")", N((23 * 3600 + 23 * 60 + 45) / 86400.0)},
        {"TIMEVALUE(\"12:00 AM\")", N(0)},
        {"TIMEVALUE(\"13:00 PM\")", E(ErrorCode::Value)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing
