#include "spreadsheet/workbook_file.h"

#include "spreadsheet/reader/workbook_reader.h"
#include "spreadsheet/workbook.h"

namespace tabulon::spreadsheet {

std::unique_ptr<Workbook> LoadWorkbookFile(const std::string& path) {
    auto book = std::make_unique<Workbook>();
    {
        auto builder = MakeWorkbookBuilder(*book);
        ReadWorkbookFile(path, *builder);
    }
    book->SetPath(path);
    return book;
}

}  // namespace tabulon::spreadsheet
