// What a workbook knows of the other workbooks its formulas read: the cells of
// theirs it last saw, and the state of each link as its file gave it. A file
// keeps these in its external link parts, so that the formulas show their
// values while the other workbook is absent.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "spreadsheet/address.h"
#include "spreadsheet/value.h"

namespace tabulon::spreadsheet {

struct CellOrder {
    bool operator()(CellRef a, CellRef b) const {
        return std::tie(a.row, a.col) < std::tie(b.row, b.col);
    }
};

struct ExternalSheet {
    std::string name;
    bool refreshError = false;                  // the last update of its cells failed
    std::map<CellRef, Value, CellOrder> cells;  // row by row; empty cells left out
};

struct ExternalBook {
    std::string name;          // as formulas name it: a file name or a full path
    bool pathMissing = false;  // the link names no file that could be found
    std::vector<ExternalSheet> sheets;

    // The sheet so named (ASCII case aside), added when new.
    ExternalSheet& Sheet(std::string_view sheet);
    const ExternalSheet* FindSheet(std::string_view sheet) const;
};

// Adds what `from` knows to `into`: sheets and cells `into` does not have yet.
void MergeExternalBook(ExternalBook& into, const ExternalBook& from);

}  // namespace tabulon::spreadsheet
