// Entry points of the workbook file readers. The format is told from the bytes,
// never from the file name: OOXML workbooks (.xlsx, .xlsm, .xltx, .xltm, Strict
// OOXML) and BIFF .xls files are read; everything else is refused with a
// ReadError saying what the file is.
#pragma once

#include <cstddef>
#include <string>

#include "spreadsheet/import.h"
#include "spreadsheet/reader/read_error.h"

namespace tabulon::spreadsheet {

// Reads the workbook at `path` into `sink`. Throws ReadError.
void ReadWorkbookFile(const std::string& path, IWorkbookImport& sink);

// Reads a workbook held in memory; `name` stands for the file in messages.
// Throws ReadError.
void ReadWorkbookMemory(const void* data, std::size_t size, const std::string& name,
                        IWorkbookImport& sink);

}  // namespace tabulon::spreadsheet
