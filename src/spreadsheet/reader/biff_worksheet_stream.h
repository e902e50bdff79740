// A stream that is one worksheet rather than a workbook: the files of Excel 2,
// 3 and 4 (BIFF2-BIFF4) and the odd later writer that leaves out the workbook
// globals. Its records are turned into those of a BIFF5/BIFF8 sheet and read
// by the sheet reader of .xls workbooks, as a workbook of one sheet.
#pragma once

#include <string>
#include <string_view>

#include "spreadsheet/import.h"

namespace tabulon::spreadsheet {

// The BIFF version (2, 3, 4, 5 or 8) of a stream whose first record is the
// BOF of a worksheet; 0 for any other stream (a workbook, a chart, a macro
// sheet or no BIFF at all).
int BiffWorksheetVersion(std::string_view stream);

// Reads such a stream as a workbook with the one sheet "Sheet1"; `fileName`
// is for cancellation. Throws BiffDamage naming the record at fault.
void ReadBiffWorksheetStream(std::string_view stream, const std::string& fileName,
                             IWorkbookImport& sink);

}  // namespace tabulon::spreadsheet
