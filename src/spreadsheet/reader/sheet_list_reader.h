// The sheet list of a workbook file without its content: for an OOXML package only the
// workbook part and its relationships are read; an .xls file is read whole.
#pragma once

#include <string>

#include "spreadsheet/import.h"
#include "spreadsheet/reader/read_error.h"

namespace tabulon::spreadsheet {

// AddSheet (and SetActiveSheet, SetDate1904) for every sheet of the file at path, with the
// checks and errors of ReadWorkbookFile. Throws ReadError.
void ReadWorkbookFileSheetList(const std::string& path, IWorkbookImport& sink);

}  // namespace tabulon::spreadsheet
