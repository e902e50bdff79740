// Loading a workbook file into a new Workbook.
#pragma once

#include <memory>
#include <string>

namespace tabulon::spreadsheet {

class Workbook;

// Reads the workbook at `path` (any format the readers know) into a new
// Workbook whose Path() is `path`. The file is only read. Throws ReadError.
std::unique_ptr<Workbook> LoadWorkbookFile(const std::string& path);

}  // namespace tabulon::spreadsheet
