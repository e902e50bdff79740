// Column widths, row heights, hidden rows and columns and merged ranges of one
// sheet of a BIFF5/BIFF8 workbook stream, which freexl does not report.
#pragma once

#include <cstddef>
#include <string_view>

#include "spreadsheet/import.h"

namespace tabulon::spreadsheet {

// Scans the sheet substream that starts at `offset` of the workbook stream and
// hands its layout to `sink`. Damaged or out-of-grid records are skipped; a
// record running past the stream ends the scan.
void ReadBiffSheetLayout(std::string_view stream, std::size_t offset, ISheetImport& sink);

}  // namespace tabulon::spreadsheet
