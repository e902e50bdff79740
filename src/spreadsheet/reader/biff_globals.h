// The few workbook-wide facts the .xls reader takes from the BIFF records
// itself, because freexl does not report them: sheet kinds and states and the
// active sheet.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/import.h"

namespace tabulon::spreadsheet {

struct BiffSheetInfo {
    SheetKind kind = SheetKind::Worksheet;
    SheetState state = SheetState::Visible;
    std::size_t offset = 0;  // of the sheet's BOF record in the workbook stream
};

struct BiffGlobals {
    std::vector<BiffSheetInfo> sheets;  // in BOUNDSHEET order
    int activeSheet = 0;
};

// What is wrong with the record structure of a BIFF5/BIFF8 workbook stream:
// a record longer than the format allows (8224 bytes in BIFF8, 2080 before) or
// one running past the end of the stream, or a shared string table claiming
// more strings than the stream could hold. Empty when every record is sound.
std::string CheckBiffRecords(std::string_view stream);

// Reads the workbook globals substream at the start of a BIFF5/BIFF8 workbook
// stream. Damaged records end the scan; what was found so far is kept.
BiffGlobals ReadBiffGlobals(std::string_view stream);

}  // namespace tabulon::spreadsheet
