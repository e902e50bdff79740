// libFuzzer target: any bytes given to the workbook reader end in a workbook or
// a ReadError, never in a crash, a hang or unbounded memory.
#include <cstddef>
#include <cstdint>

#include "spreadsheet/import.h"
#include "spreadsheet/reader/workbook_reader.h"

namespace {

using namespace tabulon::spreadsheet;

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DiscardWorkbook sink;
    try {
        ReadWorkbookMemory(data, size, "fuzz.xlsx", sink);
    } catch (const ReadError&) {
    }
    return 0;
}
