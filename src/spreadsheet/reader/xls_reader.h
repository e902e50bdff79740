// Reads a BIFF .xls workbook (in its compound file) through libfreexl.
#pragma once

#include <cstddef>
#include <string>

#include "spreadsheet/import.h"

namespace tabulon::spreadsheet {

// Reads the .xls file at `path`; `fileName` names it in messages. Throws ReadError.
void ReadXlsFile(const std::string& path, const std::string& fileName, IWorkbookImport& sink);
// The same for bytes in memory.
void ReadXlsMemory(const void* data, std::size_t size, const std::string& fileName,
                   IWorkbookImport& sink);

}  // namespace tabulon::spreadsheet
