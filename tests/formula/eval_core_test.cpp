// Operators, coercions, references, names and the engine's guards.
#include <gtest/gtest.h>

#include "sample_book.h"
#include "spreadsheet/formula/engine.h"
#include "spreadsheet/formula/parser.h"

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalOperators, ArithmeticPrecedenceAndCoercion) {
    SampleBook book;
    const EvalCase cases[] = {
        {"=1+2*3", N(7)},
        {"-2^2", N(4)},
        {"2^3^2", N(64)},
        {"10%", N(0.1)},
        {"\"3\"+1", N(4)},
        {"\"abc\"+1", E(ErrorCode::Value)},
        {"TRUE+1", N(2)},
        {"B3+1", N(1)},
        {"B1*2", N(20)},
        {"1/0", E(ErrorCode::Div0)},
        {"C1+1", E(ErrorCode::NA)},
        {"1/0+C1", E(ErrorCode::Div0)},
        {"(-8)^(1/3)", E(ErrorCode::Num)},
        {"0^0", E(ErrorCode::Num)},
        {"\"2020-01-31\"+0", N(43861)},
        {"\"50%\"*2", N(1)},
        {"B3", N(0)},
        {"A1", N(1)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalOperators, TextAndComparisons) {
    SampleBook book;
    const EvalCase cases[] = {
        {"1&2", S("12")},
        {"B3&\"x\"", S("x")},
        {"TRUE&\"\"", S("TRUE")},
        {"1/3&\"\"", S("0.333333333333333")},
        {"F1+F2&\"\"", S("0.3")},
        {"1E+15&\"\"", S("1E+15")},
        {"123456789012345&\"\"", S("123456789012345")},
        {"F1+F2=0.3", B(true)},
        {"1/3*3=1", B(true)},
        {"\"a\"=\"A\"", B(true)},
        {"\"a\"<\"B\"", B(true)},
        {"1<\"a\"", B(true)},
        {"\"z\"<TRUE", B(true)},
        {"B3=0", B(true)},
        {"B3=\"\"", B(true)},
        {"B3=FALSE", B(true)},
        {"B1=10", B(false)},
        {"C1=1", E(ErrorCode::NA)},
        {"1<>1", B(false)},
        {"2>=2", B(true)},
    };
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalReferences, RangesSheetsAndReferenceOperators) {
    SampleBook book;
    const EvalCase cases[] = {
        {"SUM(A1:A5)", N(15)},
        {"SUM(A:A)", N(15)},
        {"SUM(1:1)", N(14.1)},  // A1 1, C1 0, E1 10, F1 0.1, G1 2, H1 1; text ignored
        {"SUM((A1,A3))", N(4)},
        {"SUM(A1:B5 A3:C3)", N(3)},
        {"SUM(A1:A2 C5:C6)", E(ErrorCode::Null)},
        {"'Data 2'!A1+1", N(101)},
        {"SUM('Data 2'!A:A)", N(300)},
        {"Nope!A1", E(ErrorCode::Ref)},
        {"SUM('Sheet1:Data 2'!A1)", N(101)},
        {"SUM(A1:INDEX(A1:A5,3))", N(6)},
        {"G1+1", N(3)},
        {"SUM({1,2;3,4})", N(10)},
        {"SUMPRODUCT((A1:A5>2)*A1:A5)", N(12)},
        {"#REF!+1", E(ErrorCode::Ref)},
        {"Sheet1!#REF!", E(ErrorCode::Ref)},
    };
    book.Set("C1", N(0));  // keep row 1 free of errors for SUM(1:1)
    EXPECT_EVAL_TABLE(book, cases);
}

TEST(EvalReferences, ImplicitIntersectionPicksTheFormulasRowOrColumn) {
    SampleBook book;
    EXPECT_TRUE(SameValue(book.Eval("A1:A5*2", "Z3"), N(6)));
    EXPECT_TRUE(SameValue(book.Eval("A1:A5*2", "Z10"), E(ErrorCode::Value)));
    EXPECT_TRUE(SameValue(book.Eval("E1:H1", "F7"), N(0.1)));  // column F of row 1
    EXPECT_TRUE(SameValue(book.Eval("A1:B2", "Z1"), E(ErrorCode::Value)));
    EXPECT_TRUE(SameValue(book.Eval("A1:A5", "B4"), N(4)));
    // '@' asks for the same intersection, even inside array evaluation.
    EXPECT_TRUE(SameValue(book.Eval("@A1:A5*2", "Z3"), N(6)));
    EXPECT_TRUE(
        SameValue(book.Engine().EvaluateArray("SUM(@A1:A5)", EvalOrigin{0, {2, 26}}, book), N(2)));
}

TEST(EvalNames, DefinedNamesAndTheirScope) {
    SampleBook book;
    const EvalCase cases[] = {
        {"Rate*2", N(1)},
        {"SUM(Items)", N(15)},
        {"Unknown+1", E(ErrorCode::Name)},
        {"Loop", E(ErrorCode::Ref)},
        {"Local", N(42)},
        {"Sheet1!Local", N(42)},
    };
    EXPECT_EVAL_TABLE(book, cases);
    EXPECT_TRUE(SameValue(book.Eval("Local", "A1", 1), E(ErrorCode::Name)));
}

TEST(EvalGuards, UnknownFunctionsExternalRefsCyclesAndBadText) {
    SampleBook book;
    FormulaEngine& engine = book.Engine();
    EXPECT_TRUE(SameValue(book.Eval("FOOBAR(1)"), E(ErrorCode::Name)));
    EXPECT_FALSE(engine.IsEvaluable("FOOBAR(1)"));
    EXPECT_FALSE(engine.IsEvaluable("[1]Sheet1!A1+1"));
    EXPECT_FALSE(engine.IsEvaluable("'[b.xlsx]S'!A1"));
    EXPECT_FALSE(engine.IsEvaluable("SUM(Table1[Col])"));
    EXPECT_FALSE(engine.IsEvaluable("SUM("));
    EXPECT_TRUE(engine.IsEvaluable("_xlfn.STDEV.S(A1:A5)+sum(A1)"));
    EXPECT_FALSE(engine.TryEvaluate("[1]Sheet1!A1", EvalOrigin{0, {1, 1}}, book).has_value());
    EXPECT_TRUE(SameValue(book.Eval("[1]Sheet1!A1"), E(ErrorCode::Ref)));
    EXPECT_TRUE(book.Eval("G2").IsError());
    EXPECT_TRUE(SameValue(book.Eval("SUM(1,"), E(ErrorCode::Name)));
    std::string deep = std::string(150, '(') + "1" + std::string(150, ')');
    EXPECT_TRUE(SameValue(book.Eval(deep), N(1)));
    EXPECT_TRUE(SameValue(book.Eval(std::string(10000, '(') + "1"), E(ErrorCode::Name)));
}

TEST(EvalCache, CopiesOfOneFormulaShareATree) {
    SampleBook book;
    for (int row = 1; row <= 5; ++row) {
        std::string formula = "=A" + std::to_string(row) + "*2";
        EXPECT_TRUE(SameValue(book.Eval(formula, "K" + std::to_string(row)), N(2 * row)));
    }
    EXPECT_EQ(book.Engine().Cache().Size(), 1u);
}

TEST(EvalDates, The1904SystemShiftsSerials) {
    SampleBook book;
    book.SetDate1904(true);
    EXPECT_TRUE(SameValue(book.Eval("DATE(2020,1,31)"), N(43861 - 1462)));
    EXPECT_TRUE(SameValue(book.Eval("YEAR(0)"), N(1904)));
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalOperators, SumsThatCancelOutShowZeroOnlyAtTheEnd) {
    SampleBook book;
    EXPECT_TRUE(SameValue(book.Eval("0.3-0.2-0.1"), N(0)));
    EXPECT_TRUE(SameValue(book.Eval("F1+F2-0.3"), N(0)));
    // Inside a larger expression the raw difference survives, as in the application.
    EXPECT_FALSE(SameValue(book.Eval("(0.3-0.2-0.1)*1"), N(0)));
    EXPECT_TRUE(SameValue(book.Eval("1E-20+0"), N(1E-20)));
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalNames, RelativeNamesCountFromTheUsingCell) {
    SampleBook book;
    book.DefineName("LeftCell", "Sheet1!$A1");  // column A of the row that uses it
    EXPECT_TRUE(SameValue(book.Eval("LeftCell*10", "B4"), N(40)));
    EXPECT_TRUE(SameValue(book.Eval("LeftCell*10", "C2"), N(20)));
}

TEST(EvalNames, EvaluableOnlyWhenTheNamesAreToo) {
    SampleBook book;
    book.DefineName("Outside", "[1]Sheet1!$A$1");
    book.DefineName("ViaOutside", "Outside*2");
    FormulaEngine& engine = book.Engine();
    EXPECT_TRUE(engine.IsEvaluable("Outside+1"));  // without the workbook, names are unseen
    EXPECT_FALSE(engine.IsEvaluable("Outside+1", book, 0));
    EXPECT_FALSE(engine.IsEvaluable("ViaOutside", book, 0));
    EXPECT_FALSE(engine.TryEvaluate("ViaOutside+1", EvalOrigin{0, {1, 1}}, book).has_value());
    EXPECT_TRUE(engine.TryEvaluate("Rate+1", EvalOrigin{0, {1, 1}}, book).has_value());
    EXPECT_TRUE(engine.IsEvaluable("Rate+Items+Unknown", book, 0));
    EXPECT_TRUE(engine.IsEvaluable("Loop", book, 0));  // a cycle is an error value, not a stop
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalGuards, TheDeepestAcceptedFormulasEvaluate) {
    SampleBook book;
    std::string chain = "A1";
    for (int i = 0; i < 900; ++i)
        chain += "+A1";
    EXPECT_TRUE(SameValue(book.Eval(chain), N(901)));
    std::string nested = "1";
    for (int i = 0; i < kMaxNesting; ++i)
        nested = "ABS(" + nested + ")";
    EXPECT_TRUE(SameValue(book.Eval(nested), N(1)));
    EXPECT_TRUE(SameValue(book.Eval("ABS(" + nested + ")"), E(ErrorCode::Name)));  // one too deep
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(EvalArrays, ArrayFormulasWorkElementByElement) {
    SampleBook book;
    auto at = [&](const char* formula, int row = 0, int col = 0) {
        return book.Engine().EvaluateArray(formula, EvalOrigin{0, CellRef{100, 26}}, book, row,
                                           col);
    };
    EXPECT_TRUE(SameValue(at("SUM(A1:A4*E1:E4)"), N(300)));
    EXPECT_TRUE(SameValue(at("MIN(IF(A1:A5>2,A1:A5))"), N(3)));
    EXPECT_TRUE(SameValue(at("SUM(IF(D1:D4=\"apple\",E1:E4,0))"), N(10)));
    EXPECT_TRUE(SameValue(at("MAX(IF(B1:B5<>\"\",IF(ISNUMBER(B1:B5),B1:B5)))"), N(2.5)));
    // Cells of a multi-cell array formula take their element of the result.
    EXPECT_TRUE(SameValue(at("A1:A5*10", 2), N(30)));
    EXPECT_TRUE(SameValue(at("A1:A5*10", 7), E(ErrorCode::NA)));
    EXPECT_TRUE(SameValue(at("{1,2,3}", 4, 1), N(2)));  // a single row repeats down
    EXPECT_TRUE(SameValue(at("7", 3, 3), N(7)));
    // Functions of single values run per element inside array evaluation.
    EXPECT_TRUE(SameValue(at("SUM(LEN(D1:D4))"), N(5 + 6 + 6 + 9)));
    EXPECT_TRUE(SameValue(book.Eval("SUMPRODUCT(--ISNUMBER(SEARCH(\"an\",D1:D4)))"), N(1)));
    EXPECT_TRUE(SameValue(book.Eval("SUMPRODUCT(LEN(D1:D2)*{1;10})"), N(65)));
    EXPECT_TRUE(SameValue(at("SUM(ROUND(F1:F2*10,0))"), N(3)));
    // The same text outside an array formula intersects implicitly.
    EXPECT_TRUE(SameValue(book.Eval("SUM(A1:A4*E1:E4)"), E(ErrorCode::Value)));
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing
