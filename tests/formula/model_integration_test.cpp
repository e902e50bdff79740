// The engine behind the workbook model: formula cells calculated on demand
// through WorkbookCells, with the model's guards for long chains and cycles.
#include <gtest/gtest.h>

#include "spreadsheet/formula/engine.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/workbook_cells.h"
#include "spreadsheet/worksheet.h"

namespace tabulon::spreadsheet::formula {
namespace {

TEST(ModelIntegration, FormulaCellsCalculateThroughTheWorkbook) {
    Workbook book;
    Worksheet& data = book.AddSheet("Data");
    Worksheet& report = book.AddSheet("My report");
    for (int r = 1; r <= 10; ++r)
        data.SetValue(CellRef{r, 1}, Value::Number(r));
    data.SetFormula(CellRef{1, 2}, "=SUM(A:A)");
    report.SetFormula(CellRef{1, 1}, "=Data!B1*2");
    report.SetFormula(CellRef{2, 1}, "='My report'!A1+Total");
    book.AddDefinedName(DefinedName{"Total", "Data!$B$1", -1, false});
    FormulaEngine engine;
    WorkbookCells cells(book, &engine);
    EXPECT_EQ(cells.CellValue(1, CellRef{2, 1}), Value::Number(165));
    EXPECT_EQ(report.GetValue(CellRef{1, 1}), Value::Number(110));  // calculated on the way
}

TEST(ModelIntegration, LongChainsAndCyclesAreTheModelsToGuard) {
    Workbook book;
    Worksheet& sheet = book.AddSheet("Sheet1");
    sheet.SetValue(CellRef{1, 1}, Value::Number(1));
    for (int r = 2; r <= 3000; ++r)
        sheet.SetFormula(CellRef{r, 1}, "=A" + std::to_string(r - 1) + "+1");
    sheet.SetFormula(CellRef{1, 2}, "=B2");
    sheet.SetFormula(CellRef{2, 2}, "=B1");
    FormulaEngine engine;
    WorkbookCells cells(book, &engine);
    EXPECT_EQ(cells.CellValue(0, CellRef{3000, 1}), Value::Number(3000));
    EXPECT_TRUE(cells.CellValue(0, CellRef{1, 2}).IsError());
    EXPECT_EQ(engine.Cache().Size(), 3u);  // =A1+1 filled down is one tree
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula
