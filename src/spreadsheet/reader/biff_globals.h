// The few workbook-wide facts the .xls reader takes from the BIFF records
// itself, because freexl does not report them: sheet kinds and states and the
// active sheet.
#pragma once

#include <cstddef>
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

// Reads the workbook globals substream at the start of a BIFF5/BIFF8 workbook
// stream. Damaged records end the scan; what was found so far is kept.
BiffGlobals ReadBiffGlobals(std::string_view stream);

}  // namespace tabulon::spreadsheet
