// Entry points of the workbook file readers. The format is told from the bytes,
// never from the file name: OOXML workbooks (.xlsx, .xlsm, .xltx, .xltm, Strict
// OOXML) and BIFF .xls files are read; everything else is refused with a
// ReadError saying what the file is (.xlsb, OpenDocument, encrypted, CSV ...).
//
// Limits against hostile files: input up to 1 GB; a zip entry may inflate
// beyond 16 MB to at most 1000 times its compressed size, and to 512 MB when it
// is read whole (bigger worksheets and shared string tables are streamed); a
// whole archive to 1 GB; at most 16M shared strings; no DTDs or entities in any part;
// cell and row addresses must lie on the grid. Declared dimensions and counts
// are never used to size anything.
//
// .xls files (BIFF8, and BIFF5 with its code page) are read by our own record
// reader over the compound file: values, formulas with their cached results,
// styles, layout, sheet kinds and states, and defined names. Every length,
// index and count in them is checked against the record and the stream.
#pragma once

#include <cstddef>
#include <string>

#include "spreadsheet/import.h"
#include "spreadsheet/reader/read_control.h"
#include "spreadsheet/reader/read_error.h"

namespace tabulon::spreadsheet {

// Reads the workbook at `path` into `sink`. Throws ReadError, or ReadCanceled
// when `options` asked the read to stop.
void ReadWorkbookFile(const std::string& path, IWorkbookImport& sink,
                      const ReadOptions& options = {});

// Reads a workbook held in memory; `name` stands for the file in messages.
// Throws ReadError or ReadCanceled.
void ReadWorkbookMemory(const void* data, std::size_t size, const std::string& name,
                        IWorkbookImport& sink, const ReadOptions& options = {});

}  // namespace tabulon::spreadsheet
