#include "spreadsheet/external_books.h"

#include <algorithm>

namespace tabulon::spreadsheet {
namespace {

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

}  // namespace

ExternalSheet& ExternalBook::Sheet(std::string_view sheet) {
    for (ExternalSheet& s : sheets) {
        if (SameName(s.name, sheet))
            return s;
    }
    sheets.push_back({std::string(sheet), false, {}});
    return sheets.back();
}

const ExternalSheet* ExternalBook::FindSheet(std::string_view sheet) const {
    for (const ExternalSheet& s : sheets) {
        if (SameName(s.name, sheet))
            return &s;
    }
    return nullptr;
}

void MergeExternalBook(ExternalBook& into, const ExternalBook& from) {
    into.pathMissing = into.pathMissing || from.pathMissing;
    for (const ExternalSheet& sheet : from.sheets) {
        ExternalSheet& mine = into.Sheet(sheet.name);
        mine.refreshError = mine.refreshError || sheet.refreshError;
        mine.cells.insert(sheet.cells.begin(), sheet.cells.end());
    }
}

}  // namespace tabulon::spreadsheet
