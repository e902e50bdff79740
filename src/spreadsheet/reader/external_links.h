// References to other workbooks as a file stores them: [1]Sheet!A1, where 1 is
// the first of the workbook's external link parts. The model names the workbook
// instead, '[book.xlsx]Sheet'!A1, spelled as the link's target gives it: a file
// name stays a name, a path stays a path, and a file URL (file:///home/b.xlsx)
// becomes its path (/home/b.xlsx).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/external_books.h"

namespace tabulon::platform {
class ZipArchive;
}

namespace tabulon::spreadsheet {

// The workbook a link target names, from the Target attribute as written.
std::string ExternalBookName(std::string_view target);

// `formula` with each [n] replaced by `books[n - 1]`; numbers without a book (or
// an empty one) and formulas the lexer cannot read are left as they are.
std::string NameExternalBooks(std::string_view formula, const std::vector<std::string>& books);

// The sheets and cached cells of an external link part (xl/externalLinks/...);
// the caller names the book and says whether its path is missing. Throws ReadError.
ExternalBook ReadExternalLink(platform::ZipArchive& zip, std::size_t entry,
                              const std::string& fileName, const std::string& partName);

}  // namespace tabulon::spreadsheet
