// Workbook files for the automation tests, built with the model and written to a
// temporary folder, so each test says exactly what its source holds.
#pragma once

#include <functional>
#include <string>

#include "engine/automation/automation.h"
#include "platform/temp_folder.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/xlsx_writer.h"

namespace tabulon::engine::testing {

inline std::string WriteWorkbook(const platform::testing::TempFolder& folder,
                                 const std::string& name,
                                 const std::function<void(spreadsheet::Workbook&)>& fill) {
    spreadsheet::Workbook book;
    fill(book);
    std::string path = folder / name;
    spreadsheet::WriteWorkbookFile(book, path);
    return path;
}

inline int StyleWithFormat(spreadsheet::Workbook& book, const std::string& format) {
    spreadsheet::CellStyle style;
    style.numberFormat = format;
    return book.AddStyle(style);
}

inline COleVariant V(const char* text) {
    return COleVariant(text);
}

}  // namespace tabulon::engine::testing
