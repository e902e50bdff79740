// Column widths, row heights, hidden rows and columns and merged ranges of one
// sheet of a BIFF5/BIFF8 workbook stream.
#pragma once

#include <vector>

#include "spreadsheet/import.h"
#include "spreadsheet/reader/biff_record.h"

namespace tabulon::spreadsheet {

// Hands a layout record of a sheet substream to `sink`; false when `record` is
// not one. `styles` maps XF indexes to the sink's style indexes. Out-of-grid
// entries are skipped; short records throw BiffDamage.
bool ReadBiffLayoutRecord(const BiffRecord& record, const std::vector<int>& styles,
                          ISheetImport& sink);

}  // namespace tabulon::spreadsheet
