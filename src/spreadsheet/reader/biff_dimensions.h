// Makes the DIMENSION records of a BIFF workbook stream tell the truth. freexl
// sizes each sheet's cell table from that record, so a small file declaring
// 65536 x 256 cells would cost about a gigabyte; the declared size is a hint
// only, and is replaced by the extent of the cell records actually present.
#pragma once

#include <string>

#include "spreadsheet/reader/biff_globals.h"

namespace tabulon::spreadsheet {

// Rewrites, in place, the DIMENSION record of every sheet listed in `globals`
// to the rows and columns its cell records cover. Returns whether anything
// changed. Damaged records end the scan of their sheet.
bool FitBiffDimensions(std::string& stream, const BiffGlobals& globals);

}  // namespace tabulon::spreadsheet
