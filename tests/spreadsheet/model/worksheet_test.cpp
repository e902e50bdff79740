#include "spreadsheet/worksheet.h"

#include <gtest/gtest.h>

#include "spreadsheet/range_copy.h"
#include "spreadsheet/workbook.h"

namespace tabulon::spreadsheet {
namespace {

std::vector<CellRef> Visit(const Worksheet& ws, const RangeRef& range, IterationOrder order) {
    std::vector<CellRef> refs;
    ws.ForEachCell(range, order, [&](const CellView& v) { refs.push_back(v.ref); });
    return refs;
}

TEST(Worksheet, StoresEveryKindOfContent) {
    Workbook book;
    Worksheet& ws = book.AddSheet("Data");
    ws.SetValue({1, 1}, Value::Number(1.5));
    ws.SetValue({1, 2}, Value::Text("caf\xC3\xA9"));
    ws.SetValue({1, 3}, Value::Boolean(true));
    ws.SetValue({1, 4}, Value::Error(ErrorCode::NA));
    ws.SetFormula({1, 5}, "=A1*2", Value::Number(3), false);
    ws.SetValue({kMaxRows, kMaxColumns}, Value::Number(9));

    EXPECT_EQ(ws.GetValue({1, 1}), Value::Number(1.5));
    EXPECT_EQ(ws.GetValue({1, 2}), Value::Text("caf\xC3\xA9"));
    EXPECT_EQ(ws.GetValue({1, 3}), Value::Boolean(true));
    EXPECT_EQ(ws.GetValue({1, 4}), Value::Error(ErrorCode::NA));
    const CellView f = ws.Cell({1, 5});
    EXPECT_EQ(f.kind, CellKind::Formula);
    EXPECT_EQ(f.formula, "A1*2");
    EXPECT_FALSE(f.stale);
    EXPECT_EQ(f.ToValue(), Value::Number(3));
    EXPECT_EQ(ws.GetValue({kMaxRows, kMaxColumns}), Value::Number(9));
    EXPECT_EQ(ws.Cell({2, 2}).kind, CellKind::Empty);
    EXPECT_THROW(ws.GetValue({0, 1}), std::out_of_range);
    EXPECT_THROW(ws.SetValue({1, kMaxColumns + 1}, Value::Number(1)), std::out_of_range);

    // Replacing a formula by a constant and back.
    ws.SetValue({1, 5}, Value::Text("x"));
    EXPECT_EQ(ws.Cell({1, 5}).kind, CellKind::Text);
    ws.SetFormula({1, 5}, "B1&\"!\"");
    EXPECT_TRUE(ws.Cell({1, 5}).stale);
    ws.SetCachedValue({1, 5}, Value::Text("caf\xC3\xA9!"));
    EXPECT_FALSE(ws.Cell({1, 5}).stale);
    EXPECT_EQ(ws.GetValue({1, 5}), Value::Text("caf\xC3\xA9!"));
    EXPECT_EQ(ws.CellCount(), 6u);
}

TEST(Worksheet, StylesSurviveContentChangesAndClearsRemoveCells) {
    Workbook book;
    CellStyle bold;
    bold.font.bold = true;
    const int s = book.AddStyle(bold);
    EXPECT_EQ(book.AddStyle(bold), s);
    EXPECT_EQ(book.AddStyle(CellStyle{}), 0);
    Worksheet& ws = book.AddSheet("S");
    ws.SetValue({2, 2}, Value::Number(1));
    ws.SetStyle({2, 2}, s);
    ws.ClearContents({2, 2});
    EXPECT_EQ(ws.Cell({2, 2}).style, s);
    EXPECT_EQ(ws.Cell({2, 2}).kind, CellKind::Empty);
    EXPECT_EQ(ws.CellCount(), 1u);
    ws.Clear({2, 2});
    EXPECT_EQ(ws.CellCount(), 0u);
    ws.SetStyle({3, 3}, 999);  // unknown style falls back to the default
    EXPECT_EQ(ws.CellCount(), 0u);
}

TEST(Worksheet, UsedExtentFollowsValuesAndFormats) {
    Workbook book;
    CellStyle red;
    red.fill.pattern = "solid";
    const int s = book.AddStyle(red);
    Worksheet& ws = book.AddSheet("S");
    EXPECT_FALSE(ws.UsedExtent(false));
    ws.SetValue({5, 3}, Value::Number(1));
    ws.SetValue({2, 7}, Value::Text("a"));
    ws.SetStyle({20, 1}, s);
    EXPECT_EQ(ws.UsedExtent(false), (RangeRef{{2, 3}, {5, 7}}));
    EXPECT_EQ(ws.UsedExtent(true), (RangeRef{{2, 1}, {20, 7}}));
    ws.ClearContents({2, 7});
    EXPECT_EQ(ws.UsedExtent(false), (RangeRef{{5, 3}, {5, 3}}));
    ws.Clear({20, 1});
    EXPECT_EQ(ws.UsedExtent(true), (RangeRef{{5, 3}, {5, 3}}));
    ws.Clear({5, 3});
    EXPECT_FALSE(ws.UsedExtent(true));
}

TEST(Worksheet, IteratesInRowAndColumnOrderOverSparseRanges) {
    Workbook book;
    Worksheet& ws = book.AddSheet("S");
    for (CellRef c : {CellRef{3, 1}, CellRef{1, 2}, CellRef{1, 1}, CellRef{700000, 2},
                      CellRef{3, 3}, CellRef{2, 16000}}) {
        ws.SetValue(c, Value::Number(c.row));
    }
    const RangeRef all{{1, 1}, {kMaxRows, kMaxColumns}};
    EXPECT_EQ(Visit(ws, all, IterationOrder::RowByRow),
              (std::vector<CellRef>{{1, 1}, {1, 2}, {2, 16000}, {3, 1}, {3, 3}, {700000, 2}}));
    EXPECT_EQ(Visit(ws, all, IterationOrder::ColumnByColumn),
              (std::vector<CellRef>{{1, 1}, {3, 1}, {1, 2}, {700000, 2}, {3, 3}, {2, 16000}}));
    EXPECT_EQ(Visit(ws, {{1, 2}, {3, 3}}, IterationOrder::RowByRow),
              (std::vector<CellRef>{{1, 2}, {3, 3}}));
}

TEST(Worksheet, ColumnSpansSplitAndMerge) {
    Workbook book;
    Worksheet& ws = book.AddSheet("S");
    ws.SetDefaultColumnWidth(10);
    EXPECT_DOUBLE_EQ(ws.ColumnWidth(5), 10);
    ws.SetColumnWidth(1, 10, 20.7109375);
    ws.SetColumnsHidden(4, 5, true);
    EXPECT_EQ(ws.ColumnSpans().size(), 3u);
    EXPECT_TRUE(ws.Column(4).hidden);
    EXPECT_DOUBLE_EQ(ws.Column(5).width, 20.7109375);
    EXPECT_FALSE(ws.Column(6).hidden);
    ws.SetColumnsHidden(4, 5, false);
    ASSERT_EQ(ws.ColumnSpans().size(), 1u);
    EXPECT_EQ(ws.ColumnSpans()[0].first, 1);
    EXPECT_EQ(ws.ColumnSpans()[0].last, 10);
    ws.SetColumns(1, kMaxColumns, {});
    EXPECT_TRUE(ws.ColumnSpans().empty());
    EXPECT_THROW(ws.SetColumnWidth(0, 2, 1), std::out_of_range);
}

TEST(Worksheet, RowsMergesAndFilter) {
    Workbook book;
    Worksheet& ws = book.AddSheet("S");
    ws.SetRowHeight(3, 30);
    ws.SetRowHidden(4, true);
    EXPECT_EQ(ws.Row(3), (RowInfoView{30, true, false, 0}));
    EXPECT_TRUE(ws.Row(4).hidden);
    ws.AddMerge({{1, 1}, {2, 3}});
    EXPECT_THROW(ws.AddMerge({{2, 3}, {4, 4}}), std::invalid_argument);
    ws.AddMerge({{5, 5}, {5, 5}});  // a single cell is no merge
    EXPECT_EQ(ws.Merges().size(), 1u);
    ws.SetAutoFilter(RangeRef{{3, 1}, {10, 2}});
    ws.SetRowHidden(3, true);
    ws.ShowAllData();
    EXPECT_FALSE(ws.Row(4).hidden);
    EXPECT_TRUE(ws.Row(3).hidden);  // the header row is not the filter's doing
}

TEST(CopyCells, CopiesValuesFormulasAndStylesWithOverlap) {
    Workbook book;
    CellStyle pct;
    pct.numberFormat = "0%";
    const int s = book.AddStyle(pct);
    Worksheet& ws = book.AddSheet("S");
    ws.SetValue({1, 1}, Value::Number(1));
    ws.SetValue({1, 2}, Value::Number(2));
    ws.SetFormula({2, 1}, "A1+1", Value::Number(2), false);
    ws.SetStyle({2, 2}, s);
    ws.SetValue({3, 3}, Value::Text("overwritten"));
    CopyCells(ws, {{1, 1}, {2, 2}}, ws, {2, 2});  // overlaps its source
    EXPECT_EQ(ws.GetValue({2, 2}), Value::Number(1));
    EXPECT_EQ(ws.GetValue({2, 3}), Value::Number(2));
    EXPECT_EQ(ws.Cell({3, 2}).formula, "B2+1");
    EXPECT_TRUE(ws.Cell({3, 2}).stale);
    EXPECT_EQ(ws.Cell({3, 3}).kind, CellKind::Empty);
    EXPECT_EQ(ws.Cell({3, 3}).style, s);
    EXPECT_THROW(CopyCells(ws, {{1, 1}, {2, 2}}, ws, {kMaxRows, 1}), std::out_of_range);
}

// Every kind of cell, formatted blanks and a spread of styles, for the copies below.
void FillSource(Worksheet& ws, int style) {
    ws.SetValue({1, 1}, Value::Number(1.5));
    ws.SetValue({1, 2}, Value::Text("text"));
    ws.SetValue({1, 3}, Value::Boolean(true));
    ws.SetValue({1, 4}, Value::Error(ErrorCode::NA));
    ws.SetFormula({2, 1}, "A1*2", Value::Number(3), false);
    ws.SetFormula({2, 2}, "B1&\"!\"", Value::Text("text!"), false);
    ws.SetFormula({2, 3}, "NOT(C1)", Value::Boolean(false), false);
    ws.SetFormula({2, 4}, "1/0", Value::Error(ErrorCode::Div0), false);
    ws.SetFormula({3, 1}, "SUM($A$1:$A$2)", {}, true);  // never calculated
    ws.SetFormula({3, 2}, "SUM($A$1:$A$2)", Value::Number(4.5), false);
    ws.SetStyle({3, 3}, style);  // a formatted blank
    ws.SetStyle({1, 2}, style);
    ws.SetStyle({2, 1}, style);
}

std::vector<std::string> Dump(const Worksheet& ws, const RangeRef& range) {
    std::vector<std::string> out;
    const Workbook& book = ws.Owner();
    ws.ForEachCell(range, IterationOrder::RowByRow, [&](const CellView& c) {
        out.push_back(FormatCellRef(c.ref) + " " + std::to_string(static_cast<int>(c.kind)) + "/" +
                      std::to_string(static_cast<int>(c.valueKind)) + " " +
                      std::to_string(c.number) + " " + std::to_string(static_cast<int>(c.error)) +
                      " [" + std::string(c.text) + "] [" + std::string(c.formula) + "] " +
                      std::to_string(c.stale) + " " + book.Style(c.style).numberFormat);
    });
    return out;
}

// A copy to another sheet, of this workbook or another, gives what a copy to
// the same place of the source sheet gives, over an occupied target, for
// every combination of parts.
TEST(CopyCells, AnotherSheetGetsWhatTheSameSheetGets) {
    for (unsigned parts = 1; parts < 8; ++parts) {
        Workbook a, other;
        CellStyle pct, fixed;
        pct.numberFormat = "0%";
        fixed.numberFormat = "0.00";
        const int style = a.AddStyle(pct);
        other.AddStyle(fixed);  // style numbers differ between the workbooks
        Worksheet& same = a.AddSheet("Same");
        Worksheet& sibling = a.AddSheet("Sibling");
        Worksheet& far = other.AddSheet("Far");
        FillSource(same, style);
        for (Worksheet* target : {&same, &sibling, &far}) {
            // What was there before: content, styles and a formula.
            target->SetValue({11, 3}, Value::Text("old"));
            target->SetStyle({11, 3}, target->Owner().AddStyle(fixed));
            target->SetFormula({12, 2}, "OLD()", Value::Number(9), false);
            target->SetValue({13, 4}, Value::Number(7));
        }
        const RangeRef source{{1, 1}, {3, 4}};
        CopyCells(same, source, same, {11, 2}, parts);
        CopyCells(same, source, sibling, {11, 2}, parts);
        CopyCells(same, source, far, {11, 2}, parts);
        const RangeRef target{{11, 2}, {13, 5}};
        EXPECT_EQ(Dump(sibling, target), Dump(same, target)) << "parts " << parts;
        EXPECT_EQ(Dump(far, target), Dump(same, target)) << "parts " << parts;
        EXPECT_EQ(far.UsedExtent(true), sibling.UsedExtent(true)) << "parts " << parts;
    }
}

TEST(CopyCells, ValuesOnlyAndAnotherWorkbookWithMover) {
    Workbook a, b;
    CellStyle money;
    money.numberFormat = "\"$\"0.00";
    Worksheet& src = a.AddSheet("A");
    src.SetFormula({1, 1}, "B1*2", Value::Number(4), false);
    src.SetValue({1, 2}, Value::Text("shared"));
    src.SetStyle({1, 2}, a.AddStyle(money));
    Worksheet& dst = b.AddSheet("B");
    dst.SetStyle({5, 5}, b.AddStyle(CellStyle{}));

    CopyCells(src, {{1, 1}, {1, 2}}, dst, {5, 4}, kCopyValues);
    EXPECT_EQ(dst.Cell({5, 4}).kind, CellKind::Number);
    EXPECT_EQ(dst.GetValue({5, 5}), Value::Text("shared"));
    EXPECT_EQ(dst.Cell({5, 5}).style, 0);

    // Formulas move with the copy without any engine set up (a model user
    // outside a session gets the same text a session does).
    src.SetFormula({2, 1}, "$B$1+B1+#REF!", Value::Number(4), false);
    CopyCells(src, {{1, 1}, {2, 2}}, dst, {2, 2});
    EXPECT_EQ(dst.Cell({2, 2}).formula, "C2*2");
    EXPECT_EQ(dst.Cell({3, 2}).formula, "$B$1+C2+#REF!");
    EXPECT_EQ(b.Style(dst.Cell({2, 3}).style).numberFormat, "\"$\"0.00");

    // One row of a workbook with many texts: its texts, more than a short list holds and
    // some met again after it filled, each arrive as themselves.
    Worksheet& wide = a.AddSheet("Wide");
    for (int i = 1; i <= 400; ++i)
        wide.SetValue({i + 1, 1}, Value::Text("t" + std::to_string(i)));
    for (int c = 1; c <= 20; ++c)
        wide.SetValue({1, c}, Value::Text("t" + std::to_string(c % 12 + 1)));
    CopyCells(wide, {{1, 1}, {1, 20}}, dst, {20, 1});
    for (int c = 1; c <= 20; ++c)
        EXPECT_EQ(dst.GetValue({20, c}), Value::Text("t" + std::to_string(c % 12 + 1))) << c;
}

TEST(CopyCells, WholeSheetCarriesMergesWidthsAndRows) {
    Workbook a, b;
    Worksheet& src = a.AddSheet("A");
    src.SetValue({1, 1}, Value::Text("head"));
    src.AddMerge({{1, 1}, {1, 3}});
    src.AddMerge({{5, 5}, {9, 5}});
    src.SetColumnWidth(2, 2, 33.5);
    src.SetColumnsHidden(4, 4, true);
    src.SetRowHeight(3, 45);
    src.SetRowHidden(4, true);
    Worksheet& dst = b.AddSheet("B");
    dst.AddMerge({{2, 2}, {3, 3}});
    dst.SetRowHeight(8, 12);
    dst.SetColumnWidth(7, 7, 2);

    const RangeRef all{{1, 1}, {kMaxRows, kMaxColumns}};
    CopyCells(src, all, dst, {1, 1});
    EXPECT_EQ(dst.Merges(), src.Merges());
    EXPECT_EQ(dst.ColumnSpans(), src.ColumnSpans());
    EXPECT_DOUBLE_EQ(dst.Row(3).height, 45);
    EXPECT_TRUE(dst.Row(4).hidden);
    EXPECT_LT(dst.Row(8).height, 0);

    // A block copy moves the merges inside it and leaves widths alone.
    Worksheet& block = b.AddSheet("C");
    CopyCells(src, {{1, 1}, {6, 5}}, block, {11, 2});
    EXPECT_EQ(block.Merges(), (std::vector<RangeRef>{{{11, 2}, {11, 4}}}));
    EXPECT_TRUE(block.ColumnSpans().empty());
    EXPECT_EQ(block.GetValue({11, 2}), Value::Text("head"));
}

TEST(Worksheet, RunsLinksAndNotesTravelWithASheetCopy) {
    Workbook a, b;
    Worksheet& src = a.AddSheet("A");
    src.SetValue({2, 2}, Value::Text("bold plain"));
    Font bold;
    bold.bold = true;
    src.SetTextRuns({2, 2}, {{"bold", bold}, {" plain", std::nullopt}});
    src.AddHyperlink({{{1, 1}, {1, 2}}, "https://example.com/", "", "tip", "site"});
    src.AddHyperlink({{{3, 1}, {3, 1}}, "", "'A'!B2", "", ""});
    src.SetNote({{4, 4}, "Ann", {{"first", std::nullopt}}, false});
    src.SetNote({{4, 4}, "Bob", {{"second", bold}}, true});
    src.SetNote({{1, 9}, "Ann", {{"top", std::nullopt}}, false});

    Worksheet& copy = b.CopySheet(src);
    ASSERT_NE(copy.TextRuns({2, 2}), nullptr);
    EXPECT_EQ(*copy.TextRuns({2, 2}), *src.TextRuns({2, 2}));
    EXPECT_EQ(copy.Hyperlinks(), src.Hyperlinks());
    ASSERT_EQ(copy.Notes().size(), 2u);
    EXPECT_EQ(copy.Notes()[0].cell, (CellRef{1, 9}));
    EXPECT_EQ(copy.FindNote({4, 4})->author, "Bob");

    // Runs that no longer spell the cell's text are not its runs.
    copy.SetValue({2, 2}, Value::Text("other"));
    EXPECT_EQ(copy.TextRuns({2, 2}), nullptr);
    copy.RemoveHyperlinks({{1, 1}, {2, 5}});
    EXPECT_EQ(copy.Hyperlinks().size(), 1u);
}

TEST(Worksheet, DisplayTextAndFormatClassFollowTheStyle) {
    Workbook book;
    CellStyle date, money;
    date.numberFormat = "m/d/yyyy";
    money.numberFormat = "\"$\"#,##0.00";
    const int d = book.AddStyle(date), m = book.AddStyle(money);
    Worksheet& ws = book.AddSheet("S");
    ws.SetValue({1, 1}, Value::Number(45000));
    ws.SetStyle({1, 1}, d);
    ws.SetValue({1, 2}, Value::Number(1234.5));
    ws.SetStyle({1, 2}, m);
    EXPECT_EQ(ws.DisplayText({1, 1}), "3/15/2023");
    EXPECT_EQ(ws.DisplayText({1, 2}), "$1,234.50");
    EXPECT_EQ(ws.DisplayText({9, 9}), "");
    EXPECT_EQ(book.StyleFormatClass(d), FormatClass::Date);
    EXPECT_EQ(book.StyleFormatClass(m), FormatClass::Currency);
    EXPECT_EQ(book.StyleFormatClass(0), FormatClass::General);
    EXPECT_EQ(book.StyleFormatClass(99), FormatClass::General);
    book.SetDate1904(true);
    EXPECT_EQ(ws.DisplayText({1, 1}), "3/16/2027");
}

}  // namespace
}  // namespace tabulon::spreadsheet
