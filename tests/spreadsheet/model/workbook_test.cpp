#include "spreadsheet/workbook.h"

#include <gtest/gtest.h>

#include <optional>

#include "spreadsheet/workbook_cells.h"

namespace tabulon::spreadsheet {
namespace {

TEST(Workbook, SheetNamesAreCheckedAndUnique) {
    Workbook book;
    book.AddSheet("Data");
    EXPECT_THROW(book.AddSheet("DATA"), std::invalid_argument);
    for (const char* bad :
         {"", "a/b", "a[1]", "'quoted'", "x?", "12345678901234567890123456789012"}) {
        EXPECT_THROW(book.AddSheet(bad), std::invalid_argument) << bad;
    }
    // 31 characters, counted as characters and not bytes.
    EXPECT_NO_THROW(
        book.AddSheet("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
                      "12345678901234567890123456"));
    EXPECT_EQ(book.FindSheet("data"), 0);
    EXPECT_EQ(book.FindSheet("nope"), -1);
    book.RenameSheet(0, "data");  // the same sheet may change case
    EXPECT_EQ(book.Sheet(0).Name(), "data");
    book.AddSheet("Other");
    EXPECT_THROW(book.RenameSheet(2, "DATA"), std::invalid_argument);
    EXPECT_EQ(book.NextSheetName(), "Sheet1");
}

TEST(Workbook, InsertAndDeleteKeepActiveSheetAndLocalNames) {
    Workbook book;
    book.AddSheet("A");
    book.AddSheet("Chart", SheetKind::Chartsheet);
    book.AddSheet("C");
    book.SetActiveSheet(2);
    book.AddDefinedName({"Local", "C!$A$1", 2, false});
    book.AddDefinedName({"Gone", "Chart!$A$1", 1, true});
    book.AddDefinedName({"Global", "=A!$A$1:$B$2", -1, false});
    EXPECT_EQ(book.FindDefinedName("global", 0)->formula, "A!$A$1:$B$2");

    book.AddSheet("First", SheetKind::Worksheet, 0);
    EXPECT_EQ(book.ActiveSheet(), 3);
    EXPECT_EQ(book.FindDefinedName("Local", 3)->localSheet, 3);
    book.DeleteSheet(2);  // the chart sheet
    EXPECT_EQ(book.SheetCount(), 3);
    EXPECT_EQ(book.ActiveSheet(), 2);
    EXPECT_EQ(book.DefinedNames().size(), 2u);
    EXPECT_EQ(book.FindDefinedName("Local", 2)->localSheet, 2);
    EXPECT_EQ(book.FindDefinedName("Local", 0), nullptr);
    EXPECT_THROW(book.Sheet(3), std::out_of_range);
    EXPECT_THROW(book.DeleteSheet(-1), std::out_of_range);
}

TEST(Workbook, CopySheetIntoAnotherWorkbookKeepsEverything) {
    Workbook a;
    CellStyle style;
    style.numberFormat = "yyyy-mm-dd";
    style.font.italic = true;
    Worksheet& src = a.AddSheet("Report");
    src.SetValue({1, 1}, Value::Text("title"));
    src.SetStyle({1, 1}, a.AddStyle(style));
    src.SetFormula({2, 1}, "A1&\"x\"", Value::Text("titlex"), false);
    src.SetColumnWidth(1, 2, 30.5);
    src.SetRowHeight(2, 40);
    src.SetRowHidden(5, true);
    src.AddMerge({{1, 1}, {1, 3}});
    src.SetAutoFilter(RangeRef{{3, 1}, {9, 3}});
    src.SetState(SheetState::Hidden);

    Workbook b;
    b.AddSheet("Report");
    Worksheet& copy = b.CopySheet(src);
    EXPECT_EQ(copy.Name(), "Report (2)");
    EXPECT_EQ(copy.GetValue({1, 1}), Value::Text("title"));
    EXPECT_EQ(b.Style(copy.Cell({1, 1}).style), a.Style(src.Cell({1, 1}).style));
    EXPECT_EQ(copy.Cell({2, 1}).formula, "A1&\"x\"");
    EXPECT_EQ(copy.GetValue({2, 1}), Value::Text("titlex"));
    EXPECT_DOUBLE_EQ(copy.ColumnWidth(2), 30.5);
    EXPECT_DOUBLE_EQ(copy.Row(2).height, 40);
    EXPECT_TRUE(copy.Row(5).hidden);
    EXPECT_EQ(copy.Merges(), src.Merges());
    EXPECT_EQ(copy.AutoFilter(), src.AutoFilter());
    EXPECT_EQ(copy.State(), SheetState::Hidden);

    // Names local to a copied sheet follow it; workbook names do not multiply.
    a.AddDefinedName({"Area", "Report!$A$1", 0, false});
    a.AddDefinedName({"All", "Report!$A:$A", -1, false});
    Worksheet& again = a.CopySheet(src, 0);
    EXPECT_EQ(again.Name(), "Report (2)");
    EXPECT_EQ(a.FindDefinedName("Area", 0)->localSheet, 0);
    EXPECT_EQ(a.FindDefinedName("Area", 1)->localSheet, 1);
    EXPECT_EQ(a.FindDefinedName("Area", 0)->formula, "'Report (2)'!$A$1");
    EXPECT_EQ(a.FindDefinedName("Area", 1)->formula, "Report!$A$1");
    EXPECT_EQ(a.DefinedNames().size(), 3u);

    // A long name is cut to leave room for the counter.
    Worksheet& longName = b.AddSheet("1234567890123456789012345678901");
    EXPECT_EQ(b.CopySheet(longName).Name(), "123456789012345678901234567 (2)");
}

TEST(WorkbookBuilder, FillsTheModelAndSurvivesDamagedInput) {
    Workbook book;
    auto builder = MakeWorkbookBuilder(book);
    builder->SetDate1904(true);
    CellStyle s;
    s.numberFormat = "0.00";
    const int style = builder->AddStyle(s);
    EXPECT_EQ(builder->AddSheet("One", SheetKind::Worksheet, SheetState::Visible), 0);
    EXPECT_EQ(builder->AddSheet("one", SheetKind::Worksheet, SheetState::VeryHidden), 1);
    EXPECT_EQ(builder->AddSheet("Graph", SheetKind::Chartsheet, SheetState::Visible), 2);
    ISheetImport& sheet = builder->Sheet(0);
    sheet.SetCell({1, 1}, Value::Number(2), style);
    sheet.SetCell({1, 2}, Value(), style);
    sheet.SetFormula({2, 1}, "A1*2", Value::Number(4), 0);
    sheet.SetFormula({3, 1}, "A1*3", Value(), 0);
    sheet.SetColumns(2, 4, 12.5, true, true, 0);
    sheet.SetRow(2, 20, true, false, 0);
    sheet.AddMerge({{5, 1}, {6, 2}});
    sheet.AddMerge({{6, 2}, {7, 3}});
    sheet.SetAutoFilter({{1, 1}, {3, 1}});
    builder->SetActiveSheet(7);
    builder->AddDefinedName("Print_Area", "One!$A$1:$B$2", 0, false);
    EXPECT_THROW(builder->Sheet(5), std::out_of_range);

    EXPECT_TRUE(book.Date1904());
    EXPECT_EQ(book.SheetCount(), 3);
    EXPECT_EQ(book.Sheet(1).Name(), "Sheet1");
    EXPECT_EQ(book.Sheet(1).State(), SheetState::VeryHidden);
    EXPECT_EQ(book.Sheet(2).Kind(), SheetKind::Chartsheet);
    const Worksheet& ws = book.Sheet(0);
    EXPECT_EQ(book.Style(ws.Cell({1, 2}).style).numberFormat, "0.00");
    EXPECT_FALSE(ws.Cell({2, 1}).stale);
    EXPECT_TRUE(ws.Cell({3, 1}).stale);
    EXPECT_TRUE(ws.Column(3).hidden);
    EXPECT_EQ(ws.Merges().size(), 1u);
    EXPECT_EQ(book.ActiveSheet(), 0);
}

// An evaluator for formulas of the form "R<row>+<n>" (the value of A<row> of the
// same sheet plus n), or "R<row>" alone.
class ChainEvaluator : public formula::IEvaluator {
  public:
    int calls = 0;
    Value Evaluate(std::string_view f, const formula::EvalOrigin& origin,
                   formula::ICellProvider& cells) override {
        ++calls;
        const size_t plus = f.find('+');
        const int row = std::stoi(std::string(f.substr(1, plus - 1)));
        const double add =
            plus == std::string_view::npos ? 0 : std::stod(std::string(f.substr(plus + 1)));
        const Value v = cells.CellValue(origin.sheet, {row, 1});
        if (v.IsError())
            return v;
        return Value::Number(v.AsNumber() + add);
    }
};

TEST(WorkbookCells, CalculatesStaleFormulasOnce) {
    Workbook book;
    Worksheet& ws = book.AddSheet("S");
    ws.SetValue({1, 1}, Value::Number(10));
    ws.SetFormula({2, 1}, "R1+1");
    ws.SetFormula({3, 1}, "R2+1", Value::Number(99), false);
    ChainEvaluator eval;
    WorkbookCells cells(book, &eval);
    EXPECT_EQ(cells.CellValue(0, {3, 1}), Value::Number(99));  // not stale: cached
    EXPECT_EQ(cells.CellValue(0, {2, 1}), Value::Number(11));
    EXPECT_EQ(cells.CellValue(0, {2, 1}), Value::Number(11));
    EXPECT_EQ(eval.calls, 1);
    EXPECT_FALSE(ws.Cell({2, 1}).stale);
    cells.Calculate(0, {{1, 1}, {3, 1}});
    EXPECT_EQ(ws.GetValue({3, 1}), Value::Number(12));
    EXPECT_EQ(cells.CellValue(5, {1, 1}), Value::Error(ErrorCode::Ref));
    EXPECT_EQ(cells.UsedExtent(0), (RangeRef{{1, 1}, {3, 1}}));

    WorkbookCells noEngine(book, nullptr);
    ws.SetFormula({4, 1}, "R1", Value::Number(7));
    EXPECT_EQ(noEngine.CellValue(0, {4, 1}), Value::Number(7));
}

TEST(WorkbookCells, CyclesGiveAnErrorInsteadOfRecursingForever) {
    Workbook book;
    Worksheet& ws = book.AddSheet("S");
    ws.SetFormula({1, 1}, "R2+1");
    ws.SetFormula({2, 1}, "R3+1");
    ws.SetFormula({3, 1}, "R1+1");
    ws.SetFormula({4, 1}, "R4");
    ChainEvaluator eval;
    WorkbookCells cells(book, &eval);
    EXPECT_EQ(cells.CellValue(0, {1, 1}), Value::Error(kCircularReferenceError));
    EXPECT_EQ(cells.CellValue(0, {4, 1}), Value::Error(kCircularReferenceError));
    EXPECT_FALSE(ws.Cell({2, 1}).stale);
}

TEST(WorkbookCells, LongChainsDoNotOverflowTheStack) {
    Workbook book;
    Worksheet& ws = book.AddSheet("S");
    constexpr int kRows = 50000;
    ws.SetValue({kRows, 1}, Value::Number(0));
    for (int r = 1; r < kRows; ++r)
        ws.SetFormula({r, 1}, "R" + std::to_string(r + 1) + "+1");
    ChainEvaluator eval;
    WorkbookCells cells(book, &eval);
    EXPECT_EQ(cells.CellValue(0, {1, 1}), Value::Number(kRows - 1));
    EXPECT_LT(eval.calls, 3 * kRows);

    // A cycle longer than the nesting limit is still found.
    Workbook loop;
    Worksheet& lw = loop.AddSheet("L");
    for (int r = 1; r <= 1000; ++r)
        lw.SetFormula({r, 1}, "R" + std::to_string(r % 1000 + 1) + "+1");
    WorkbookCells loopCells(loop, &eval);
    EXPECT_TRUE(loopCells.CellValue(0, {1, 1}).IsError());
}

// ChainEvaluator that cannot calculate the formula "X".
class PartialEvaluator : public ChainEvaluator {
  public:
    std::optional<Value> TryEvaluate(std::string_view f, const formula::EvalOrigin& origin,
                                     formula::ICellProvider& cells) override {
        if (f == "X")
            return std::nullopt;
        return Evaluate(f, origin, cells);
    }
};

TEST(WorkbookCells, WhatReadsAFormulaThatCannotBeCalculatedHasNoResult) {
    Workbook book;
    Worksheet& ws = book.AddSheet("S");
    ws.SetFormula({1, 1}, "X", Value::Number(3));  // moved here: its result is out of date
    ws.SetFormula({2, 1}, "R1+1", Value::Number(4));
    ws.SetFormula({3, 1}, "X", Value::Number(5), false);  // its file's result, in its place
    ws.SetFormula({4, 1}, "R3+1");
    // A chain deeper than the nesting limit, ending in a formula without a result.
    constexpr int kDeep = 1000;
    ws.SetFormula({10 + kDeep, 1}, "X");
    for (int r = 10; r < 10 + kDeep; ++r)
        ws.SetFormula({r, 1}, "R" + std::to_string(r + 1) + "+1");
    PartialEvaluator eval;
    WorkbookCells cells(book, &eval);
    cells.Calculate(0, {{1, 1}, {kMaxRows, 1}});
    for (int row : {1, 2, 10, 10 + kDeep}) {
        const CellView v = ws.Cell({row, 1});
        EXPECT_TRUE(v.uncalculable && !v.stale) << row;
        EXPECT_EQ(v.ToValue(), Value()) << row;
    }
    EXPECT_FALSE(ws.Cell({3, 1}).uncalculable);
    EXPECT_EQ(ws.GetValue({3, 1}), Value::Number(5));
    EXPECT_EQ(ws.GetValue({4, 1}), Value::Number(6));
    // Another calculation tries again, and finds the same.
    ws.SetValue({1, 1}, Value::Number(1));
    cells.Calculate(0, {{2, 1}, {2, 1}});
    EXPECT_EQ(ws.GetValue({2, 1}), Value::Number(2));
}

}  // namespace
}  // namespace tabulon::spreadsheet
