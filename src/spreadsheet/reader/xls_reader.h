// Reads a BIFF5/BIFF8 .xls workbook out of its compound file, and the
// worksheet files of Excel 2 to 4.
#pragma once

#include <cstddef>
#include <string>

#include "spreadsheet/import.h"

namespace tabulon::spreadsheet {

// Reads the .xls workbook held in `data`; `fileName` names it in messages.
// Throws ReadError.
void ReadXls(const void* data, std::size_t size, const std::string& fileName,
             IWorkbookImport& sink);

// Reads a BIFF5/BIFF8 workbook stream already taken out of its compound file,
// or a stream of one worksheet (Excel 2 to 4 files, stored without a compound
// file); `streamName` names it in messages. Throws ReadError.
void ReadXlsStream(std::string stream, const std::string& streamName, const std::string& fileName,
                   IWorkbookImport& sink);

}  // namespace tabulon::spreadsheet
