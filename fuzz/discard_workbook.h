// A workbook import that keeps nothing: the fuzz targets only look for crashes, hangs and
// unbounded memory in the readers, not at what they read.
#pragma once

#include "spreadsheet/import.h"

namespace tabulon::spreadsheet::fuzzing {

class DiscardSheet : public ISheetImport {
  public:
    void SetCell(CellRef, const Value&, int) override {}
    void SetFormula(CellRef, std::string_view, const Value&, int) override {}
    void SetArrayFormula(const RangeRef&, std::string_view) override {}
    void SetDefaultColumnWidth(double) override {}
    void SetDefaultRowHeight(double) override {}
    void SetColumns(int, int, double, bool, bool, int) override {}
    void SetRow(int, double, bool, bool, int) override {}
    void AddMerge(const RangeRef&) override {}
    void SetAutoFilter(const RangeRef&) override {}
};

class DiscardWorkbook : public IWorkbookImport {
  public:
    void SetDate1904(bool) override {}
    int AddSheet(std::string_view, SheetKind, SheetState) override { return m_sheets++; }
    ISheetImport& Sheet(int) override { return m_sheet; }
    void SetActiveSheet(int) override {}
    int AddStyle(const CellStyle&) override { return ++m_styles; }
    void AddDefinedName(std::string_view, std::string_view, int, bool) override {}

  private:
    DiscardSheet m_sheet;
    int m_sheets = 0;
    int m_styles = 0;
};

}  // namespace tabulon::spreadsheet::fuzzing
