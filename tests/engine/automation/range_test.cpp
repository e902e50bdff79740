// Range: addresses, items, value typing, formulas, copies and pastes, Find.
#include <gtest/gtest.h>

#include "engine/automation/automation.h"
#include "engine/automation/fixture.h"
#include "spreadsheet/reader/workbook_reader.h"

namespace tabulon::engine {
namespace {

using platform::testing::TempFolder;
using spreadsheet::Value;
using spreadsheet::Workbook;
using testing::V;
using testing::WriteWorkbook;

class RangeTest : public ::testing::Test {
  protected:
    _Worksheet Blank() {
        _Workbook book = m_app.GetWorkbooks().Add();
        return book.GetSheets().GetItem(COleVariant(1));
    }
    _Worksheet Load(const std::function<void(Workbook&)>& fill) {
        std::string path = WriteWorkbook(m_folder, "f" + std::to_string(m_files++) + ".xlsx", fill);
        return m_app.GetWorkbooks()
            .Add(COleVariant(CString(path)))
            .GetSheets()
            .GetItem(COleVariant(1));
    }
    CString Found(const Range& r) { return r.IsEmpty() ? CString("none") : r.GetAddress(); }

    TempFolder m_folder;
    int m_files = 0;
    _Application m_app = _Application::Create();
};

TEST_F(RangeTest, AddressesItemsAndRelativeRanges) {
    _Worksheet ws = Blank();
    EXPECT_EQ(ws.GetRange(V("b2:a1")).GetAddress(), "$A$1:$B$2");
    EXPECT_EQ(ws.GetRange(V("C3")).GetAddress(), "$C$3");
    EXPECT_EQ(ws.GetRange(V("A:C")).GetAddress(), "$A:$C");
    EXPECT_EQ(ws.GetRange(V("3:5")).GetAddress(), "$3:$5");
    EXPECT_EQ(ws.GetCells().GetAddress(), "$1:$1048576");
    EXPECT_EQ(ws.GetRange(V("A1"), V("XFD1048576")).GetCount(), 2147483647L);

    Range block = ws.GetRange(V("B2:D5"));
    EXPECT_EQ(block.GetCount(), 12);
    EXPECT_EQ(block.GetRows().GetCount(), 4);
    EXPECT_EQ(block.GetColumns().GetCount(), 3);
    EXPECT_EQ(block.GetRange(V("A1")).GetAddress(), "$B$2");
    EXPECT_EQ(block.GetRange(V("$B$2:$C$3")).GetAddress(), "$C$3:$D$4");
    EXPECT_EQ(block.GetItem(COleVariant(4)).GetAddress(), "$B$3");   // row by row
    EXPECT_EQ(block.GetItem(COleVariant(13)).GetAddress(), "$B$6");  // beyond the range
    EXPECT_EQ(block.GetItem(COleVariant(2), COleVariant(5)).GetAddress(), "$F$3");
    EXPECT_EQ(block.GetColumns().GetItem(COleVariant(2)).GetAddress(), "$C$2:$C$5");
    EXPECT_EQ(block.GetRows().GetItem(COleVariant(2)).GetAddress(), "$B$3:$D$3");
    EXPECT_EQ(block.GetEntireRow().GetAddress(), "$2:$5");
    EXPECT_THROW(ws.GetRange(V("nonsense")), ComError);
    EXPECT_THROW(ws.GetRange(V("A1")).GetItem(COleVariant(0), COleVariant(1)), ComError);

    EXPECT_EQ(ws.GetUsedRange().GetAddress(), "$A$1");
    EXPECT_TRUE(ws.GetUsedRange().GetValue().IsEmpty());
    ws.GetRange(V("C3")).SetValue(COleVariant(1.0));
    ws.GetRange(V("F10")).SetValue(V("x"));
    EXPECT_EQ(ws.GetUsedRange().GetAddress(), "$C$3:$F$10");
}

TEST_F(RangeTest, ValuesAreTypedByTheirCellFormat) {
    _Worksheet ws = Load([](Workbook& b) {
        auto& s = b.AddSheet("S");
        int date = testing::StyleWithFormat(b, "yyyy-mm-dd");
        int time = testing::StyleWithFormat(b, "h:mm");
        int money = testing::StyleWithFormat(b, "\"$\"#,##0.00");
        int plain = testing::StyleWithFormat(b, "#,##0.00");
        s.SetValue({1, 1}, Value::Number(45000));
        s.SetStyle({1, 1}, date);
        s.SetValue({1, 2}, Value::Number(0.5));
        s.SetStyle({1, 2}, time);
        s.SetValue({1, 3}, Value::Number(1234.5678));
        s.SetStyle({1, 3}, money);
        s.SetValue({1, 4}, Value::Number(1234.5));
        s.SetStyle({1, 4}, plain);
        s.SetValue({2, 1}, Value::Error(spreadsheet::ErrorCode::Div0));
        s.SetValue({2, 2}, Value::Boolean(true));
        s.SetValue({2, 3}, Value::Text("t"));
        s.SetFormula({2, 4}, "A1+1", Value::Number(45001), false);
        s.SetStyle({2, 4}, date);
    });
    EXPECT_EQ(ws.GetRange(V("A1")).GetValue(), COleVariant::Date(45000));
    EXPECT_EQ(ws.GetRange(V("B1")).GetValue(), COleVariant::Date(0.5));
    EXPECT_EQ(ws.GetRange(V("C1")).GetValue(), COleVariant::CurrencyScaled(12345678));
    EXPECT_EQ(ws.GetRange(V("D1")).GetValue(), COleVariant(1234.5));
    EXPECT_EQ(ws.GetRange(V("A2")).GetValue(), COleVariant::Error(0x800A07D7));
    EXPECT_EQ(ws.GetRange(V("B2")).GetValue(), COleVariant::Bool(true));
    EXPECT_EQ(ws.GetRange(V("C2")).GetValue(), V("t"));
    EXPECT_EQ(ws.GetRange(V("D2")).GetValue(), COleVariant::Date(45001));
    EXPECT_TRUE(ws.GetRange(V("E2")).GetValue().IsEmpty());

    COleVariant all = ws.GetRange(V("A1:E2")).GetValue();
    ASSERT_TRUE(all.IsArray());
    EXPECT_EQ(all.ArrayRows(), 2);
    EXPECT_EQ(all.ArrayColumns(), 5);
    EXPECT_EQ(all.At(2, 3), V("t"));
    EXPECT_TRUE(all.At(2, 5).IsEmpty());
    // A whole column gives the rows the sheet uses, not a million.
    EXPECT_EQ(ws.GetRange(V("A:A")).GetValue().ArrayRows(), 2);

    // Written dates and currency read back as such.
    Range cell = ws.GetRange(V("H1"));
    cell.SetValue(COleVariant::Date(45100));
    EXPECT_EQ(cell.GetValue(), COleVariant::Date(45100));
    cell.SetValue(COleVariant::Currency(2.5));
    EXPECT_EQ(cell.GetValue().Type(), VT_DATE);  // the cell keeps the date format it took
}

TEST_F(RangeTest, FormulasAreWrittenCalculatedAndRead) {
    _Worksheet ws = Blank();
    ws.GetRange(V("A1")).SetValue(COleVariant(2.0));
    Range b1 = ws.GetRange(V("B1"));
    b1.SetFormula(V("=A1*10"));
    EXPECT_EQ(b1.GetValue(), COleVariant(20.0));
    EXPECT_EQ(b1.GetFormula(), V("=A1*10"));
    EXPECT_EQ(b1.GetHasFormula(), COleVariant::Bool(true));
    EXPECT_EQ(ws.GetRange(V("A1")).GetFormula(), V("2"));
    EXPECT_EQ(ws.GetRange(V("A1:B1")).GetHasFormula().Type(), VT_NULL);
    ws.GetRange(V("A1")).SetValue(COleVariant(3.0));
    b1.Calculate();
    EXPECT_EQ(b1.GetValue(), COleVariant(30.0));
    b1.SetFormula(V(""));
    EXPECT_TRUE(b1.GetValue().IsEmpty());
    EXPECT_EQ(b1.GetHasFormula(), COleVariant::Bool(false));
    // A text not starting with "=" is a constant.
    b1.SetFormula(V("A1*10"));
    EXPECT_EQ(b1.GetValue(), V("A1*10"));
}

// A written cell makes the formulas reading it, directly, through other formulas,
// through ranges, other sheets or INDIRECT, show fresh results when next read.
TEST_F(RangeTest, WrittenCellsRecalculateTheFormulasReadingThem) {
    _Worksheet ws = Blank();
    _Workbook book = ws.GetParent();
    _Worksheet other = book.GetSheets().Add();
    ws.GetRange(V("A1")).SetValue(COleVariant(2.0));
    ws.GetRange(V("B1")).SetFormula(V("=A1*10"));
    ws.GetRange(V("C1")).SetFormula(V("=B1+1"));
    ws.GetRange(V("D1")).SetFormula(V("=SUM(A:A)"));
    ws.GetRange(V("E1")).SetFormula(V("=INDIRECT(\"A\"&1)"));
    ws.GetRange(V("F1")).SetFormula(V("=A2"));
    other.GetRange(V("A1")).SetFormula(CString("='" + ws.GetName().Str() + "'!C1*2"));
    EXPECT_EQ(other.GetRange(V("A1")).GetValue(), COleVariant(42.0));
    EXPECT_EQ(ws.GetRange(V("D1:F1")).GetValue().At(1, 1), COleVariant(2.0));

    ws.GetRange(V("A1")).SetValue(COleVariant(3.0));
    EXPECT_EQ(ws.GetRange(V("C1")).GetValue(), COleVariant(31.0));
    EXPECT_EQ(other.GetRange(V("A1")).GetValue(), COleVariant(62.0));
    EXPECT_EQ(ws.GetRange(V("D1")).GetValue(), COleVariant(3.0));
    EXPECT_EQ(ws.GetRange(V("E1")).GetValue(), COleVariant(3.0));
    ws.GetRange(V("A1:A2")).SetValue(COleVariant(4.0));  // a range written at once
    EXPECT_EQ(ws.GetRange(V("D1")).GetValue(), COleVariant(8.0));
    EXPECT_EQ(ws.GetRange(V("F1")).GetValue(), COleVariant(4.0));
    // A formula written in place of another: its readers follow it.
    ws.GetRange(V("B1")).SetFormula(V("=A1*100"));
    EXPECT_EQ(ws.GetRange(V("C1")).GetValue(), COleVariant(401.0));
    // Thousands of writes before the next read, then a save between a write and a read.
    ws.GetRange(V("G1")).SetFormula(V("=SUM(H1:H5000)+H1"));
    for (int r = 1; r <= 5000; ++r)
        ws.GetRange(V(("H" + std::to_string(r)).c_str())).SetValue(COleVariant(1.0));
    EXPECT_EQ(ws.GetRange(V("G1")).GetValue(), COleVariant(5001.0));
    book.SaveCopyAs(CString(m_folder / "recalculated.xlsx"));
    ws.GetRange(V("H1")).SetValue(COleVariant(2.0));
    EXPECT_EQ(ws.GetRange(V("G1")).GetValue(), COleVariant(5003.0));
    EXPECT_EQ(ws.GetRange(V("C1")).GetValue(), COleVariant(401.0));
    // A cycle made by a write gives an error value instead of running forever.
    ws.GetRange(V("A1")).SetFormula(V("=C1"));
    EXPECT_EQ(ws.GetRange(V("C1")).GetValue().Type(), VT_ERROR);
}

TEST_F(RangeTest, ResultsOfFormulasWeCannotCalculateHoldOnlyWhereTheirFileGaveThem) {
    // RTD cannot be calculated here; the file gives its result, and that of C1 reading it.
    _Worksheet src = Load([](Workbook& b) {
        auto& s = b.AddSheet("S");
        s.SetValue({1, 1}, Value::Number(1));
        s.SetFormula({1, 2}, "RTD(\"feed\",,A1)", Value::Number(5), false);
        s.SetFormula({1, 3}, "B1*2", Value::Number(10), false);
    });
    _Worksheet whole = Blank();
    src.GetCells().Copy(whole.GetCells());
    _Worksheet part = Blank();
    src.GetRange(V("A1:C1")).Copy(part.GetRange(V("A2")));
    EXPECT_EQ(part.GetRange(V("B2")).GetValue(), COleVariant());
    EXPECT_EQ(part.GetRange(V("C2")).GetValue(), COleVariant());

    // Saving calculates every formula where it stands: the whole copy keeps what its file
    // gave until a cell of it is written.
    _Workbook book = whole.GetParent();
    const CString path(m_folder / "saved.xlsx");
    book.SaveCopyAs(path);
    EXPECT_EQ(whole.GetRange(V("B1")).GetValue(), COleVariant(5.0));
    EXPECT_EQ(whole.GetRange(V("C1")).GetValue(), COleVariant(10.0));
    EXPECT_TRUE(m_app.TakeUncalculatedCells().empty());
    whole.GetRange(V("A1")).SetValue(COleVariant(2.0));
    book.SaveCopyAs(path);
    EXPECT_EQ(whole.GetRange(V("B1")).GetValue(), COleVariant());
    EXPECT_EQ(whole.GetRange(V("C1")).GetValue(), COleVariant());
    const auto unknown = m_app.TakeUncalculatedCells();
    ASSERT_EQ(unknown.size(), 2u);
    EXPECT_TRUE(unknown[0].workbook.IsEmpty());  // a workbook made here
    EXPECT_EQ(unknown[0].sheet, "Sheet1");
    EXPECT_EQ(unknown[0].cell, (spreadsheet::CellRef{1, 2}));
    EXPECT_EQ(unknown[1].formula, "B1*2");
    // Read back by our reader: no results stored for them.
    Workbook back;
    spreadsheet::ReadWorkbookFile(path.Str(), *spreadsheet::MakeWorkbookBuilder(back));
    EXPECT_EQ(back.Sheet(0).Cell({1, 3}).valueKind, spreadsheet::ValueKind::Empty);
    EXPECT_EQ(back.Sheet(0).Cell({1, 3}).formula, "B1*2");
}

TEST_F(RangeTest, CopyMovesFormulasAndCarriesFormatsMergesAndWidths) {
    _Worksheet src = Load([](Workbook& b) {
        auto& s = b.AddSheet("S");
        b.AddSheet("T").SetValue({1, 1}, Value::Number(5));
        s.SetValue({1, 1}, Value::Number(1));
        s.SetValue({2, 1}, Value::Number(2));
        s.SetFormula({2, 2}, "A2+A1", Value::Number(3), false);
        s.SetFormula({1, 2}, "T!A1*2", Value::Number(10), false);
        s.SetStyle({2, 1}, testing::StyleWithFormat(b, "0.000"));
        s.AddMerge({{3, 1}, {3, 2}});
        s.SetColumnWidth(2, 2, 30);
    });
    // Within the workbook: formulas move, references to other sheets stay.
    src.GetRange(V("A1:B3")).Copy(src.GetRange(V("D5")));
    EXPECT_EQ(src.GetRange(V("E6")).GetFormula(), V("=D6+D5"));
    EXPECT_EQ(src.GetRange(V("E6")).GetValue(), COleVariant(3.0));
    EXPECT_EQ(src.GetRange(V("E5")).GetFormula(), V("=T!D5*2"));

    // Into another workbook: sheet references point back at the source file. That link
    // cannot be read here, and a range's surroundings differ: its result is unknown.
    _Worksheet dest = Blank();
    dest.GetParent().GetSheets().Add().SetName("T");  // a same-named sheet is not used
    src.GetRange(V("A1:B3")).Copy(dest.GetRange(V("A1")));
    EXPECT_EQ(dest.GetRange(V("B1")).GetFormula(),
              V(("='[" + (m_folder / "f0.xlsx") + "]T'!A1*2").c_str()));
    EXPECT_EQ(dest.GetRange(V("B1")).GetValue(), COleVariant());
    EXPECT_EQ(dest.GetRange(V("B2")).GetFormula(), V("=A2+A1"));
    EXPECT_EQ(dest.GetRange(V("B2")).GetValue(), COleVariant(3.0));
    dest.GetRange(V("B1")).Copy(dest.GetRange(V("C4")));
    dest.GetRange(V("C4")).Calculate();
    EXPECT_EQ(dest.GetRange(V("C4")).GetFormula(),
              V(("='[" + (m_folder / "f0.xlsx") + "]T'!B4*2").c_str()));
    EXPECT_EQ(dest.GetRange(V("C4")).GetValue(), COleVariant());

    // Whole sheets: column widths and merges come along.
    _Worksheet whole = Blank();
    src.GetCells().Copy(whole.GetCells());
    EXPECT_EQ(whole.GetRange(V("B1")).GetColumnWidth(), COleVariant(30.0));
    EXPECT_EQ(whole.GetUsedRange().GetAddress(), src.GetUsedRange().GetAddress());

    // Values and formats only, through the clipboard.
    _Worksheet values = Blank();
    values.GetRange(V("B2")).SetFormula(V("=1/0"));  // overwritten by the paste
    src.GetRange(V("A1:B3")).Copy();
    Range target = values.GetRange(V("A1"));
    target.PasteSpecial(xlPasteValues, xlNone, COleVariant::Bool(false), COleVariant::Bool(false));
    target.PasteSpecial(xlPasteFormats, xlNone, COleVariant::Bool(false), COleVariant::Bool(false));
    EXPECT_EQ(values.GetRange(V("B2")).GetValue(), COleVariant(3.0));
    EXPECT_EQ(values.GetRange(V("B2")).GetHasFormula(), COleVariant::Bool(false));
    EXPECT_EQ(values.GetRange(V("B1")).GetValue(), COleVariant(10.0));
    EXPECT_EQ(values.GetRange(V("A3:B3")).GetCount(), 2);
    values.GetParent().SaveCopyAs(CString(m_folder / "values.xlsx"));
    Workbook back;
    auto builder = spreadsheet::MakeWorkbookBuilder(back);
    spreadsheet::ReadWorkbookFile(m_folder / "values.xlsx", *builder);
    EXPECT_EQ(back.Sheet(0).Merges().size(), 1u);
    EXPECT_EQ(back.Sheet(0).DisplayText({2, 1}), "2.000");

    // Nothing on the clipboard once its workbook is closed.
    src.GetParent().Close();
    EXPECT_THROW(target.PasteSpecial(xlPasteValues, xlNone, COleVariant::Bool(false),
                                     COleVariant::Bool(false)),
                 ComError);
}

TEST_F(RangeTest, FindStartsAfterTheFirstCellAndComesBackToItLast) {
    _Worksheet ws = Blank();
    for (const char* cell : {"A1", "A3", "B2"})
        ws.GetRange(V(cell)).SetValue(V("key"));
    const COleVariant omitted = COleVariant::Omitted();
    auto find = [&](const Range& r, long order, const COleVariant& after = COleVariant::Omitted()) {
        return Found(r.Find(V("KEY"), after, COleVariant(xlValues), COleVariant(xlWhole),
                            COleVariant(order), xlNext, omitted, omitted));
    };
    Range area = ws.GetRange(V("A1:B3"));
    EXPECT_EQ(find(area, xlByColumns), "$A$3");
    EXPECT_EQ(find(area, xlByRows), "$B$2");
    EXPECT_EQ(find(area, xlByRows, V("B2")), "$A$3");
    EXPECT_EQ(find(area, xlByRows, V("A3")), "$A$1");  // round to the first cell last
    EXPECT_EQ(find(ws.GetRange(V("A1:A2")), xlByColumns), "$A$1");
    // Previous goes backwards from After, round to the end.
    EXPECT_EQ(Found(area.Find(V("key"), omitted, omitted, COleVariant(xlWhole),
                              COleVariant(xlByRows), xlPrevious, omitted, omitted)),
              "$A$3");
    // MatchCase.
    EXPECT_EQ(Found(area.Find(V("KEY"), omitted, omitted, COleVariant(xlWhole),
                              COleVariant(xlByRows), xlNext, COleVariant::Bool(true), omitted)),
              "none");
}

TEST_F(RangeTest, FindWildcardsEscapesAndLookIn) {
    _Worksheet ws = Load([](Workbook& b) {
        auto& s = b.AddSheet("S");
        s.SetValue({1, 1}, Value::Text("header"));
        s.SetValue({2, 1}, Value::Text("ab"));
        s.SetValue({3, 1}, Value::Text("axb"));
        s.SetValue({4, 1}, Value::Text("a*b"));
        s.SetValue({5, 1}, Value::Text("a?b~"));
        s.SetValue({6, 1}, Value::Number(1234.5));
        s.SetStyle({6, 1}, testing::StyleWithFormat(b, "#,##0.00"));
        s.SetFormula({7, 1}, "1+1", Value::Number(2), false);
    });
    Range col = ws.GetRange(V("A1:A7"));
    const COleVariant omitted = COleVariant::Omitted();
    auto find = [&](const char* what, long lookIn = xlValues, long lookAt = xlWhole) {
        return Found(col.Find(V(what), omitted, COleVariant(lookIn), COleVariant(lookAt),
                              COleVariant(xlByColumns), xlNext, omitted, omitted));
    };
    EXPECT_EQ(find("a*b"), "$A$2");
    EXPECT_EQ(find("a?b"), "$A$3");
    EXPECT_EQ(find("a~*b"), "$A$4");
    EXPECT_EQ(find("a~?b~~"), "$A$5");
    EXPECT_EQ(find("A*B~"), "$A$5");
    EXPECT_EQ(find("xb", xlValues, xlPart), "$A$3");
    EXPECT_EQ(find("1,234.50"), "$A$6");
    EXPECT_EQ(find("1234.5"), "$A$6");
    EXPECT_EQ(find("1,234.50", xlFormulas), "none");
    EXPECT_EQ(find("2"), "$A$7");
    EXPECT_EQ(find("2", xlFormulas), "none");
    EXPECT_EQ(find("=1+1", xlFormulas), "$A$7");
    EXPECT_EQ(find("zzz"), "none");
}

TEST_F(RangeTest, FindAnyTextBackwardsGivesTheLastCellHoldingSomething) {
    // How a sheet's extent is found: "*" back from A1 in formulas, by rows and by columns.
    _Worksheet ws = Load([](Workbook& b) {
        auto& s = b.AddSheet("S");
        s.SetValue({3, 4}, Value::Text("far right"));
        s.SetValue({5, 2}, Value::Text(""));  // an empty text is still something
        s.SetFormula({4, 1}, "1+1", Value::Number(2), false);
        s.SetStyle({9, 7}, testing::StyleWithFormat(b, "0.00"));  // formatted, nothing in it
    });
    const COleVariant omitted = COleVariant::Omitted();
    auto last = [&](const Range& r, long order) {
        return Found(r.Find(V("*"), V("A1"), COleVariant(xlFormulas), COleVariant(xlPart),
                            COleVariant(order), xlPrevious, omitted, omitted));
    };
    EXPECT_EQ(last(ws.GetCells(), xlByRows), "$B$5");
    EXPECT_EQ(last(ws.GetCells(), xlByColumns), "$D$3");
    EXPECT_EQ(last(ws.GetRange(V("A1:C4")), xlByRows), "$A$4");
    EXPECT_EQ(last(ws.GetRange(V("A1:C4")), xlByColumns), "$A$4");
    EXPECT_EQ(last(ws.GetRange(V("A1:A3")), xlByRows), "none");
    EXPECT_EQ(last(Blank().GetCells(), xlByRows), "none");
}

TEST_F(RangeTest, FindIndexFollowsWrites) {
    _Worksheet ws = Blank();
    Range column = ws.GetRange(V("B:B"));
    const COleVariant omitted = COleVariant::Omitted();
    auto find = [&](const COleVariant& what) {
        return Found(column.Find(what, omitted, COleVariant(xlValues), COleVariant(xlWhole),
                                 COleVariant(xlByColumns), xlNext, omitted, omitted));
    };
    ws.GetRange(V("B1")).SetValue(V("k1"));
    EXPECT_EQ(find(V("k1")), "$B$1");  // builds the index
    ws.GetRange(V("B2")).SetValue(V("k2"));
    ws.GetRange(V("A3:C3")).SetValue(COleVariant(7.0));
    EXPECT_EQ(find(V("k2")), "$B$2");
    EXPECT_EQ(find(COleVariant(7.0)), "$B$3");
    ws.GetRange(V("B1")).SetValue(V("other"));
    EXPECT_EQ(find(V("k1")), "none");
    EXPECT_EQ(find(V("OTHER")), "$B$1");
    ws.GetRange(V("B5")).SetValue(V("k2"));
    EXPECT_EQ(find(V("k2")), "$B$2");
    ws.GetRange(V("B2")).SetFormula(V(""));
    EXPECT_EQ(find(V("k2")), "$B$5");
    // A copy and a paste arriving in the column.
    ws.GetRange(V("B5")).Copy(ws.GetRange(V("B9")));
    EXPECT_EQ(find(V("k2")), "$B$5");
    ws.GetRange(V("B5")).SetFormula(V(""));
    EXPECT_EQ(find(V("k2")), "$B$9");
    // A formula in the column: searched by scanning from then on.
    ws.GetRange(V("B12")).SetFormula(V("=\"k\"&3"));
    EXPECT_EQ(find(V("k3")), "$B$12");
    EXPECT_EQ(find(V("k2")), "$B$9");
}

}  // namespace
}  // namespace tabulon::engine
