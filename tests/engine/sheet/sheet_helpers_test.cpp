// The sheet helpers: column letters, content ranges and blocks, appending, key
// lookups, adding rows, copying sheets, and listing worksheet names of files.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/automation/fixture.h"
#include "engine/sheet/sheet_helpers.h"

namespace tabulon::engine {
namespace {

using platform::testing::TempFolder;
using spreadsheet::Value;
using spreadsheet::Workbook;
using testing::V;
using testing::WriteWorkbook;

CString Address(const Range& r) {
    return r.IsEmpty() ? CString("none") : GetRangeAddress(r);
}

class SheetHelpersTest : public ::testing::Test {
  protected:
    _Worksheet Blank() {
        return NewWorkbook(m_app.GetWorkbooks(), 1).GetSheets().GetItem(COleVariant(1));
    }
    _Application m_app = _Application::Create();
};

TEST(SheetColumns, NamesAndNumbersCoverTheGrid) {
    EXPECT_EQ(ColumnName(1), "A");
    EXPECT_EQ(ColumnName(26), "Z");
    EXPECT_EQ(ColumnName(27), "AA");
    EXPECT_EQ(ColumnName(702), "ZZ");
    EXPECT_EQ(ColumnName(703), "AAA");
    EXPECT_EQ(ColumnName(16384), "XFD");
    EXPECT_EQ(ColumnName(0), "");
    EXPECT_EQ(ColumnName(16385), "");
    EXPECT_EQ(ColumnNumber("ab"), 28);
    EXPECT_EQ(ColumnNumber("ZZ"), 702);
    EXPECT_EQ(ColumnNumber("aaa"), 703);
    EXPECT_EQ(ColumnNumber("XFD"), 16384);
    for (const char* bad : {"", "XFE", "ABCD", "A1", "$A", "-"})
        EXPECT_EQ(ColumnNumber(bad), -1) << bad;
    for (int c : {1, 26, 27, 702, 703, 16384})
        EXPECT_EQ(ColumnNumber(ColumnName(c)), c);
}

TEST_F(SheetHelpersTest, ContentRangesStartAtA1AndIgnoreFormats) {
    _Worksheet ws = Blank();
    EXPECT_EQ(Address(GetDataRange(ws)), "none");
    EXPECT_EQ(Address(FindLastCell(ws)), "none");
    EXPECT_EQ(RangeRowCount(GetDataRange(ws)), 0);

    ws.GetRange(V("A1")).SetValue(V("only"));
    EXPECT_EQ(Address(GetDataRange(ws)), "$A$1");
    ws.GetRange(V("A1")).SetFormula(V(""));

    ws.GetRange(V("C3")).SetValue(COleVariant(1.0));
    ws.GetRange(V("F10")).SetFormula(V("=C3"));
    Range data = GetDataRange(ws);
    EXPECT_EQ(Address(data), "$A$1:$F$10");
    EXPECT_EQ(RangeFirstRow(data), 1);
    EXPECT_EQ(RangeLastRow(data), 10);
    EXPECT_EQ(RangeFirstColumn(data), 1);
    EXPECT_EQ(RangeLastColumn(data), 6);
    EXPECT_EQ(RangeRowCount(data), 10);
    EXPECT_EQ(Address(GetRowBlock(data, 3, 2)), "$A$3:$F$9");
    EXPECT_EQ(Address(GetRowBlock(data, 8, 4)), "none");
    EXPECT_EQ(Address(GetUsedBlock(ws)), "$A$1:$F$10");
}

TEST_F(SheetHelpersTest, FormatsAloneMakeAUsedBlockButNoContent) {
    TempFolder folder;
    std::string path = WriteWorkbook(folder, "f.xlsx", [](Workbook& b) {
        auto& s = b.AddSheet("S");
        s.SetStyle({4, 3}, testing::StyleWithFormat(b, "0.00"));
    });
    _Worksheet ws =
        m_app.GetWorkbooks().Add(COleVariant(CString(path))).GetSheets().GetItem(COleVariant(1));
    EXPECT_EQ(Address(GetDataRange(ws)), "none");
    EXPECT_EQ(Address(GetUsedBlock(ws)), "$A$1:$C$4");
}

TEST_F(SheetHelpersTest, AppendRangeGoesBelowEverythingInTheSourceColumns) {
    _Worksheet src = Blank();
    src.GetRange(V("B1")).SetValue(COleVariant(1.0));
    src.GetRange(V("C2")).SetFormula(V("=B1*2"));
    Range rows = src.GetRange(V("B1:C2"));

    _Worksheet dest = Blank();
    AppendRange(dest, rows, false);
    EXPECT_EQ(dest.GetRange(V("C2")).GetValue(), COleVariant(2.0));
    EXPECT_EQ(dest.GetRange(V("C2")).GetHasFormula(), COleVariant::Bool(false));

    dest.GetRange(V("A40")).SetValue(V("last"));
    AppendRange(dest, rows, true);
    EXPECT_EQ(dest.GetRange(V("B41")).GetValue(), COleVariant(1.0));
    EXPECT_EQ(dest.GetRange(V("C42")).GetFormula(), V("=B41*2"));
    EXPECT_EQ(dest.GetRange(V("C42")).GetValue(), COleVariant(2.0));
}

TEST_F(SheetHelpersTest, WholeRowAndWholeColumnRangesHaveCellCornersAndAppendsGoOn) {
    // A value in column XFD makes the used range whole rows.
    _Worksheet wide = Blank();
    wide.GetRange(V("A1")).SetValue(V("first"));
    wide.GetRange(V("XFD2")).SetValue(COleVariant(2.0));
    EXPECT_EQ(Address(wide.GetUsedRange()), "$1:$2");
    EXPECT_EQ(Address(FindLastCell(wide)), "$XFD$2");
    Range data = GetDataRange(wide);
    EXPECT_EQ(Address(data), "$1:$2");
    EXPECT_EQ(Address(GetUsedBlock(wide)), "$1:$2");
    EXPECT_EQ(RangeFirstColumn(data), 1);
    EXPECT_EQ(RangeLastColumn(data), 16384);
    EXPECT_EQ(RangeFirstRow(data), 1);
    EXPECT_EQ(RangeLastRow(data), 2);
    EXPECT_EQ(Address(GetRowBlock(data, 2, 1)), "$2:$2");
    AppendRange(wide, GetRowBlock(data, 2, 1), false);
    EXPECT_EQ(wide.GetRange(V("XFD3")).GetValue(), COleVariant(2.0));
    AppendRange(wide, wide.GetRange(V("A1:B1")), true);  // goes on below the whole rows
    EXPECT_EQ(wide.GetRange(V("A4")).GetValue(), V("first"));
    EXPECT_EQ(Address(FindLastCell(wide)), "$XFD$4");

    // A value in the last row makes it whole columns; nothing fits below them.
    _Worksheet deep = Blank();
    deep.GetRange(V("C1")).SetValue(COleVariant(1.0));
    deep.GetRange(V("A1048576")).SetValue(V("bottom"));
    EXPECT_EQ(Address(deep.GetUsedRange()), "$A:$C");
    EXPECT_EQ(Address(FindLastCell(deep)), "$C$1048576");
    EXPECT_EQ(RangeRowCount(GetDataRange(deep)), 1048576);
    try {
        AppendRange(deep, deep.GetRange(V("C1")), true);
        ADD_FAILURE() << "appended below the last row";
    } catch (const ComError& e) {
        EXPECT_EQ(e.Description(),
                  "Worksheet \"Sheet1\" has no room for 1 more rows below its row 1048576: a "
                  "worksheet ends at row 1048576.");
    }

    // Row numbers as large as an int holds leave no band rather than overflowing.
    EXPECT_EQ(Address(GetRowBlock(data, INT_MAX, 1)), "none");
    EXPECT_EQ(Address(GetRowBlock(data, 1, INT_MAX)), "none");
    EXPECT_THROW(GetRowBlock(data, 1, INT_MIN), ComError);  // rows past the grid's end
}

TEST_F(SheetHelpersTest, FindKeyMatchesTextLiterally) {
    _Worksheet ws = Blank();
    ws.GetRange(V("A1")).SetValue(V("Key"));
    ws.GetRange(V("A2")).SetValue(V("ab"));
    ws.GetRange(V("A3")).SetValue(V("axb"));
    ws.GetRange(V("A4")).SetValue(COleVariant(12.0));
    Range keys = ws.GetRange(V("A1:A4"));
    EXPECT_EQ(Address(FindKey(keys, V("a*b"))), "none");
    EXPECT_EQ(Address(FindCell(keys, V("a*b"))), "$A$2");
    ws.GetRange(V("A5")).SetValue(V("a*b"));
    EXPECT_EQ(Address(FindKey(ws.GetRange(V("A1:A5")), V("A*B"))), "$A$5");
    EXPECT_EQ(Address(FindKey(keys, COleVariant(12.0))), "$A$4");
    EXPECT_EQ(Address(FindKey(keys, V("key"))), "$A$1");  // the first cell comes last
    ws.GetRange(V("A6")).SetValue(V("KEY"));
    EXPECT_EQ(Address(FindKey(ws.GetRange(V("A1:A6")), V("key"))), "$A$6");
    EXPECT_EQ(Address(FindKey(ws.GetRange(V("A3:A5")), V("key"))), "none");
    // A column holding a formula is searched cell by cell: keys stay literal there too.
    ws.GetRange(V("A7")).SetFormula(V("=\"f\"&\"x\""));
    Range withFormula = ws.GetRange(V("A1:A7"));
    EXPECT_EQ(Address(FindKey(withFormula, V("A*B"))), "$A$5");
    EXPECT_EQ(Address(FindCell(withFormula, V("a*b"))), "$A$2");
    EXPECT_EQ(Address(FindKey(withFormula, V("FX"))), "$A$7");
    EXPECT_EQ(Address(FindKey(withFormula, V("=\"f\"&\"x\""))), "$A$7");  // its formula
}

TEST_F(SheetHelpersTest, AddRowValuesAddsAmountsButNotTheKey) {
    _Worksheet ws = Blank();
    ws.GetRange(V("A1:E1")).SetValue(COleVariant(2.5));
    ws.GetRange(V("D1")).SetValue(V("text"));
    ws.GetRange(V("A2")).SetValue(COleVariant(1.0));
    ws.GetRange(V("C2")).SetFormula(V("=A2"));
    ws.GetRange(V("D2")).SetValue(COleVariant(4.0));
    ws.GetRange(V("E2")).SetValue(V("x"));
    AddRowValues(ws.GetRange(V("A2:E2")), ws.GetRange(V("A1:E1")));
    COleVariant row = ws.GetRange(V("A2:E2")).GetValue();
    EXPECT_EQ(row.At(1, 1), COleVariant(3.5));
    EXPECT_EQ(row.At(1, 2), COleVariant(2.5));  // empty received the number
    EXPECT_EQ(ws.GetRange(V("C2")).GetFormula(), V("=A2"));
    EXPECT_EQ(row.At(1, 4), COleVariant(4.0));  // text in the source is not added
    EXPECT_EQ(row.At(1, 5), V("x"));

    // The key column stays as it is; currency amounts add at full precision and keep
    // the destination's format; dates are not amounts.
    ws.GetRange(V("A4")).SetValue(COleVariant(5.0));
    ws.GetRange(V("B4")).SetValue(COleVariant::Currency(0));  // takes a currency format
    ws.GetRange(V("B4")).SetFormula(V("=1/3"));
    ws.GetRange(V("C4")).SetValue(COleVariant::Currency(2.5));
    ws.GetRange(V("D4")).SetValue(COleVariant::Date(45000));
    ws.GetRange(V("A5")).SetValue(COleVariant(5.0));
    ws.GetRange(V("B5")).SetValue(COleVariant::Currency(100));
    ws.GetRange(V("D5")).SetValue(COleVariant::Date(1));
    AddRowValues(ws.GetRange(V("A5:D5")), ws.GetRange(V("A4:D4")), 1);
    EXPECT_EQ(ws.GetRange(V("A5")).GetValue(), COleVariant(5.0));
    EXPECT_EQ(ws.GetRange(V("B5")).GetValue().Type(), VT_CY);
    EXPECT_DOUBLE_EQ(ws.GetRange(V("B5")).GetValue2().Double(), 100 + 1.0 / 3);
    EXPECT_EQ(ws.GetRange(V("C5")).GetValue(), COleVariant(2.5));  // empty: a plain number
    EXPECT_EQ(ws.GetRange(V("D5")).GetValue(), COleVariant::Date(1));
    AddRowValues(ws.GetRange(V("A5:D5")), ws.GetRange(V("A4:D4")));
    EXPECT_EQ(ws.GetRange(V("A5")).GetValue(), COleVariant(10.0));  // no key: added
}

TEST_F(SheetHelpersTest, WorkbookHelpersPlaceAndNameSheets) {
    TempFolder folder;
    std::string path = WriteWorkbook(folder, "src.xlsx", [](Workbook& b) {
        auto& a = b.AddSheet("Alpha");
        b.AddSheet("Beta").SetValue({2, 2}, Value::Number(9));
        a.SetValue({1, 1}, Value::Number(1));
        a.SetFormula({1, 2}, "A1+Beta!B2", Value::Number(10), false);
        a.SetColumnWidth(2, 2, 25);
    });
    _Workbook src = m_app.GetWorkbooks().Add(COleVariant(CString(path)));
    _Workbook dest = NewWorkbook(m_app.GetWorkbooks(), 1);
    EXPECT_EQ(m_app.GetSheetsInNewWorkbook(), 1);

    CopyWorksheetsInto(dest, src);
    Sheets sheets = dest.GetSheets();
    // Each sheet is added at the default place, before the one added last.
    EXPECT_EQ(sheets.GetItem(COleVariant(1)).GetName(), "Beta");
    EXPECT_EQ(sheets.GetItem(COleVariant(2)).GetName(), "Alpha");
    ASSERT_EQ(sheets.GetCount(), 2);
    _Worksheet alpha = FindWorksheet(dest, "Alpha");
    ASSERT_FALSE(alpha.IsEmpty());
    EXPECT_TRUE(FindWorksheet(dest, "alpha").IsEmpty());  // exact names only
    EXPECT_TRUE(FindWorksheet(dest, "Sheet1").IsEmpty());
    EXPECT_EQ(alpha.GetRange(V("B1")).GetValue(), COleVariant(10.0));
    EXPECT_EQ(alpha.GetRange(V("B1")).GetColumnWidth(), COleVariant(25.0));

    _Worksheet copy = CopySheetToEnd(FindWorksheet(src, "Alpha"), dest);
    EXPECT_EQ(copy.GetName(), "Alpha (2)");
    EXPECT_EQ(copy.GetIndex(), 3);

    _Worksheet values = AddSheetWithValues(dest, FindWorksheet(src, "Alpha"));
    EXPECT_EQ(values.GetName(), "Sheet1");
    EXPECT_EQ(values.GetRange(V("B1")).GetValue(), COleVariant(10.0));
    EXPECT_EQ(values.GetRange(V("B1")).GetHasFormula(), COleVariant::Bool(false));
    _Worksheet blank = AddSheetWithValues(dest, AddWorksheet(dest));
    EXPECT_EQ(Address(GetDataRange(blank)), "none");

    Range widths = FindWorksheet(src, "Alpha").GetRange(V("A1:B1"));
    CopyColumnWidths(widths, blank, 3);
    EXPECT_EQ(blank.GetRange(V("D1")).GetColumnWidth(), COleVariant(25.0));
}

// What reading the worksheets `used` accepts (last first when `lastFirst`) shows: each
// cell's type and value over A1:H8, alone and all at once, and whether its formula holds
// its result; then the same after testing a formula in every cell of rows 1 to 3 as a
// check against a template does (put in, calculated, read, the cell put back).
std::vector<std::string> Transcript(const _Workbook& book, bool lastFirst,
                                    const std::function<bool(const CString&)>& used) {
    std::vector<std::string> out{book.GetName().Str()};
    Sheets sheets = book.GetSheets();
    const long n = sheets.GetCount();
    for (long k = 1; k <= n; ++k) {
        const long i = lastFirst ? n + 1 - k : k;
        if (!sheets.IsWorksheet(i))
            continue;
        _Worksheet ws = sheets.GetItem(COleVariant(i));
        out.push_back(ws.GetName().Str());
        if (!used(ws.GetName()))
            continue;
        const Range box = ws.GetRange(V("A1:H8"));
        // The types all at once before the cells one by one, or after them: the two
        // workbooks compared read them in opposite orders, so each way is held to the other.
        auto read = [&](bool typesFirst) {
            std::vector<VARTYPE> types;
            if (typesFirst)
                types = box.GetValueTypes();
            std::vector<std::string> cells;
            for (long c = 1; c <= box.GetCount(); ++c) {
                const Range cell = box.GetItem(COleVariant(c));
                const COleVariant v = cell.GetValue();
                cells.push_back(std::to_string(v.Type()) + " " + v.ToText().Str());
                if (cell.GetHasFormula() == COleVariant::Bool(true))
                    cells.push_back(cell.HoldsCalculated(cell.GetFormula().Text()) ? "holds" : "-");
            }
            if (!typesFirst)
                types = box.GetValueTypes();
            for (VARTYPE type : types)
                out.push_back(std::to_string(type));
            out.insert(out.end(), cells.begin(), cells.end());
        };
        read(lastFirst);
        for (long c = 1; c <= 24; ++c) {
            Range cell = box.GetItem(COleVariant(c));
            const COleVariant shown = cell.GetValue();
            const bool had = cell.GetHasFormula() == COleVariant::Bool(true);
            const COleVariant own = cell.GetFormula();
            cell.SetFormula(V("=A1*3+A2"));
            cell.Calculate();
            out.push_back(cell.GetValue().ToText().Str());
            cell.SetFormula(V(""));
            if (had) {
                cell.SetFormula(own);
                cell.Calculate();
            } else {
                cell.SetValue(shown);
            }
        }
        read(!lastFirst);
    }
    return out;
}

TEST_F(SheetHelpersTest, AWorkbookStandsInForItsCopyOnlyWhereNothingTellsThemApart) {
    using spreadsheet::ErrorCode;
    TempFolder folder;
    auto fill = [](Workbook& b) {
        const int date = testing::StyleWithFormat(b, "yyyy-mm-dd");
        const int money = testing::StyleWithFormat(b, "\"$\"#,##0.00");
        auto& s = b.AddSheet("First");
        s.SetValue({1, 1}, Value::Number(1.5));
        s.SetValue({1, 2}, Value::Text("x"));
        s.SetValue({1, 3}, Value::Boolean(true));
        s.SetValue({1, 4}, Value::Error(ErrorCode::NA));
        s.SetValue({1, 5}, Value::Number(44000.25));
        s.SetStyle({1, 5}, date);
        s.SetValue({1, 6}, Value::Number(12.345678));
        s.SetStyle({1, 6}, money);
        s.SetValue({1, 7}, Value::Number(0.5));
        s.SetStyle({1, 7}, testing::StyleWithFormat(b, "h:mm"));
        s.SetStyle({1, 8}, money);
        // Results from the file: right, wrong, for a formula that cannot be calculated;
        // none; a text; circular references; what reads all of these.
        s.SetFormula({2, 1}, "A1*2", Value::Number(3), false);
        s.SetFormula({2, 2}, "A1*10", Value::Number(99), false);
        s.SetFormula({2, 3}, "NOSUCHFUNCTION(A1)", Value::Number(7), false);
        s.SetFormula({2, 4}, "NOSUCHFUNCTION(A1)");
        s.SetFormula({2, 5}, "E1+1");
        s.SetStyle({2, 5}, date);
        s.SetFormula({2, 6}, "C2+F1");
        s.SetStyle({2, 6}, money);
        s.SetFormula({2, 7}, "D2+1");
        s.SetFormula({2, 8}, "H3+1");
        s.SetFormula({3, 8}, "H2+1", Value::Number(5), false);
        s.SetFormula({3, 1}, "SUBTOTAL(9,A5:A7)+SUBTOTAL(109,A5:A7)");
        s.SetFormula({3, 2}, "B1&\"y\"", Value::Text("old"), false);
        s.SetFormula({3, 3}, "B2+A2+F2", Value::Number(1), false);
        s.SetFormula({3, 4}, "A3*F1");
        s.SetStyle({3, 4}, money);
        for (int row : {5, 6, 7})
            s.SetValue({row, 1}, Value::Number(row));
        s.SetRowHidden(6, true);
        s.SetFormula({8, 8}, "G8+1");
        b.AddSheet("Second").SetFormula({1, 1}, "First!A1+1", Value::Number(2.5), false);
        b.AddSheet("Third").SetFormula({2, 2}, "1/0");
    };
    std::string path = WriteWorkbook(folder, "src.xlsx", fill);
    // The copy and the workbook standing in for it, in sessions of their own.
    _Application other = _Application::Create();
    _Workbook source = m_app.GetWorkbooks().Add(COleVariant(CString(path)));
    _Workbook copy = NewWorkbook(m_app.GetWorkbooks(), 1);
    CopyWorksheetsInto(copy, source);
    source.Close();
    _Workbook self = other.GetWorkbooks().Add(COleVariant(CString(path)));
    auto notSecond = [](const CString& sheet) { return sheet != "Second"; };
    ASSERT_TRUE(self.CanStandInForCopy(notSecond, {"=A1*3+A2"}));
    self.StandInForCopy();
    EXPECT_EQ(Transcript(self, true, notSecond), Transcript(copy, false, notSecond));
    EXPECT_TRUE(m_app.TakeUncalculatedCells().empty());
    EXPECT_TRUE(other.TakeUncalculatedCells().empty());

    // Where something could tell them apart, it cannot stand in.
    const std::vector<std::function<void(Workbook&)>> apart = {
        [](Workbook& b) {
            b.Sheet(0).SetFormula({9, 1}, "Second!A1");
        },
        [](Workbook& b) {
            b.Sheet(0).SetFormula({9, 1}, "INDIRECT(\"A1\")");
        },
        [](Workbook& b) {
            b.Sheet(0).SetFormula({9, 1}, "info(\"numfile\")");
        },
        [](Workbook& b) {
            b.AddDefinedName({"Rate", "First!$A$1", -1, false});
            b.Sheet(0).SetFormula({9, 1}, "A1*rate");
        },
        [](Workbook& b) {
            b.Sheet(0).SetFormula({9, 1}, "A1:B1*2");
            b.Sheet(0).AddArrayFormula({{9, 1}, {9, 2}}, "A1:B1*2");
        },
        [](Workbook& b) {
            b.Sheet(0).SetAutoFilter(spreadsheet::RangeRef{{4, 1}, {7, 1}});
        },
        [](Workbook& b) { b.SetDate1904(true); },
    };
    for (size_t k = 0; k < apart.size(); ++k) {
        std::string variant = WriteWorkbook(folder, "apart.xlsx", [&](Workbook& b) {
            fill(b);
            apart[k](b);
        });
        _Workbook book = other.GetWorkbooks().Add(COleVariant(CString(variant)));
        EXPECT_FALSE(book.CanStandInForCopy(notSecond, {})) << k;
        book.Close();
    }
    _Workbook book = other.GetWorkbooks().Add(COleVariant(CString(path)));
    EXPECT_FALSE(book.CanStandInForCopy(notSecond, {"=Second!A1"}));
    EXPECT_FALSE(book.CanStandInForCopy([](const CString&) { return true; }, {}));
}

TEST_F(SheetHelpersTest, WorksheetNamesOfFilesAndFolders) {
    TempFolder folder;
    auto twoSheets = [](const char* second) {
        return [second](Workbook& b) {
            b.AddSheet("Data");
            b.AddSheet(second);
        };
    };
    std::filesystem::create_directories(folder / "a/b");
    WriteWorkbook(folder, "a/one.xlsx", twoSheets("Extra"));
    WriteWorkbook(folder, "a/b/two.xlsx", twoSheets("More"));
    WriteWorkbook(folder, "three.xlsx", twoSheets("Extra"));
    folder.Write("notes.txt", "x");
    folder.Write("broken.xls", "not a workbook");

    m_app.SetDisplayAlerts(true);
    std::vector<CString> names;
    ListWorksheetNames(m_app, CString(folder / "a/one.xlsx"), names);
    ListWorksheetNames(m_app, CString(folder / "three.xlsx"), names);
    EXPECT_EQ(names, (std::vector<CString>{"Data", "Extra"}));
    // A broken file adds nothing, and the session is left as it was.
    ListWorksheetNames(m_app, CString(folder / "broken.xls"), names);
    EXPECT_EQ(names.size(), 2u);
    EXPECT_TRUE(m_app.GetDisplayAlerts());
    EXPECT_TRUE(m_app.GetAskToUpdateLinks());
    EXPECT_EQ(m_app.GetWorkbooks().GetCount(), 0);

    // Chart sheets are not worksheets to offer.
    std::vector<CString> corpus;
    ListWorksheetNames(m_app, TABULON_CORPUS_DIR "/calamine/any_sheets.xlsx", corpus);
    EXPECT_EQ(corpus.size(), 3u);

    std::vector<CString> collected;
    CollectWorksheetNames(m_app, CString(folder.Path()), collected);
    EXPECT_EQ(collected, (std::vector<CString>{"Data", "More", "Extra"}));
    collected.clear();
    CollectWorksheetNames(m_app, CString(folder / "missing.xlsx"), collected);
    CollectWorksheetNames(m_app, CString(folder / "notes.txt"), collected);
    EXPECT_TRUE(collected.empty());
}

TEST(SheetHelpers, EmptyHandlesRaise) {
    EXPECT_THROW(GetDataRange(_Worksheet()), ComError);
    EXPECT_THROW(FindKey(Range(), V("k")), ComError);
    EXPECT_THROW(CopyRange(Range(), Range()), ComError);
    EXPECT_THROW(AddWorksheet(_Workbook()), ComError);
    std::vector<CString> names;
    ListWorksheetNames(_Application(), "x.xlsx", names);  // quiet
    EXPECT_TRUE(names.empty());
}

}  // namespace
}  // namespace tabulon::engine
