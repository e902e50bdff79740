// Reads an OOXML workbook package (transitional or strict) into an import sink.
#pragma once

#include <cstddef>
#include <string>

#include "spreadsheet/import.h"

namespace tabulon::spreadsheet {

// `data` holds a zip archive. Refuses, with a ReadError naming `fileName`, zip
// archives that are OpenDocument or binary (.xlsb) workbooks or no workbook.
void ReadOoxml(const void* data, std::size_t size, const std::string& fileName,
               IWorkbookImport& sink);

// The same checks, but only the sheet list reaches the sink (names, kinds, states and the
// active sheet): no worksheet, style, string or defined-name part is read.
void ReadOoxmlSheetList(const void* data, std::size_t size, const std::string& fileName,
                        IWorkbookImport& sink);

}  // namespace tabulon::spreadsheet
