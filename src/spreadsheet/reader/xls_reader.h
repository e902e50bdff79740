// Reads a BIFF .xls workbook (in its compound file) through libfreexl.
#pragma once

#include <cstddef>
#include <string>

#include "spreadsheet/import.h"

namespace tabulon::spreadsheet {

// Reads the .xls workbook held in `data`; `fileName` names it in messages.
// `path`, when not null, names a file with the same bytes, which spares a copy.
// Throws ReadError.
void ReadXls(const void* data, std::size_t size, const std::string& fileName,
             const std::string* path, IWorkbookImport& sink);

}  // namespace tabulon::spreadsheet
