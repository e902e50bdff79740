// Copying formulas to other cells and rewriting their sheet parts.
#include <gtest/gtest.h>

#include "spreadsheet/formula/mover.h"

namespace tabulon::spreadsheet::formula {
namespace {

struct MoveCase {
    const char* formula;
    int dRows;
    int dCols;
    const char* expected;
};

TEST(MoveFormula, ShiftsRelativePartsOnly) {
    const MoveCase cases[] = {
        {"=A1*B1+C1", 1, 0, "=A2*B2+C2"},
        {"=A1*B1+C1", 0, 2, "=C1*D1+E1"},
        {"=$A$1+A$1+$A1", 3, 3, "=$A$1+D$1+$A4"},
        {"SUM(A1:B2)", 2, 1, "SUM(B3:C4)"},
        {"SUM($A1:B$2)", 2, 1, "SUM($A3:C$2)"},
        {"SUM(A:C)", 5, 1, "SUM(B:D)"},
        {"SUM($A:C)", 5, 1, "SUM($A:D)"},
        {"SUM(2:5)", 1, 7, "SUM(3:6)"},
        {"SUM($2:5)", 1, 7, "SUM($2:6)"},
        {"Sheet1!A1+'My sheet'!B2", 1, 1, "Sheet1!B2+'My sheet'!C3"},
        {"SUM(Sheet1:Sheet3!A1)", 1, 0, "SUM(Sheet1:Sheet3!A2)"},
        {"[1]Sheet1!A1", 1, 0, "[1]Sheet1!A2"},
        {"\"A1\"&MyName&Table1[Col]", 4, 4, "\"A1\"&MyName&Table1[Col]"},
        {"B2 - 1", -1, -1, "A1 - 1"},
        {"a1+1", 1, 0, "A2+1"},
    };
    for (const MoveCase& c : cases) {
        SCOPED_TRACE(c.formula);
        EXPECT_EQ(MoveFormula(c.formula, c.dRows, c.dCols), c.expected);
    }
}

TEST(MoveFormula, ReferencesPushedOffTheSheetBecomeRefErrors) {
    EXPECT_EQ(MoveFormula("=A1+1", -1, 0), "=#REF!+1");
    EXPECT_EQ(MoveFormula("=Sheet1!A1", 0, -1), "=Sheet1!#REF!");
    EXPECT_EQ(MoveFormula("=SUM(A1:B2)", -1, 0), "=SUM(#REF!)");
    EXPECT_EQ(MoveFormula("=XFD1", 0, 1), "=#REF!");
    EXPECT_EQ(MoveFormula("=A1048576", 1, 0), "=#REF!");
    EXPECT_EQ(MoveFormula("=$A$1+A:A", 0, -1), "=$A$1+#REF!");
    EXPECT_EQ(MoveFormula("=Sheet1!#REF!+1", 5, 5), "=Sheet1!#REF!+1");
    // Absolute parts never leave the sheet.
    EXPECT_EQ(MoveFormula("=$A$1", -5, -5), "=$A$1");
}

TEST(RewriteSheets, QualifiesReferencesForAnotherWorkbook) {
    // A formula of Sheet1 pointing at Sheet2, copied into another workbook, must
    // point back into the source workbook.
    auto toSource = [](SheetPrefix& p) {
        if (!p.present || p.hasBook)
            return;
        p.hasBook = true;
        p.book = "src.xlsx";
    };
    EXPECT_EQ(RewriteSheets("=Sheet2!A1+A1", toSource), "='[src.xlsx]Sheet2'!A1+A1");
    EXPECT_EQ(RewriteSheets("='My sheet'!A1:B2", toSource), "='[src.xlsx]My sheet'!A1:B2");
    EXPECT_EQ(RewriteSheets("=Sheet2!Rate*2", toSource), "='[src.xlsx]Sheet2'!Rate*2");
    EXPECT_EQ(RewriteSheets("=[1]Sheet2!A1", toSource), "=[1]Sheet2!A1");

    auto rename = [](SheetPrefix& p) {
        if (p.sheet == "Old")
            p.sheet = "New name";
    };
    EXPECT_EQ(RewriteSheets("=Old!A1+Other!A1", rename), "='New name'!A1+Other!A1");

    auto qualify = [](SheetPrefix& p) {
        if (p.present)
            return;
        p.present = true;
        p.sheet = "Data";
    };
    EXPECT_EQ(RewriteSheets("=A1+Total", qualify), "=Data!A1+Data!Total");
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula
