// Runs freexl in a child process. freexl parses hostile bytes in C and has
// been seen to overflow buffers and leak on damaged files; in a child, such a
// failure ends that process and becomes a ReadError here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tabulon::spreadsheet {

struct FreexlCell {
    std::uint32_t row = 0, col = 0;  // 0-based
    unsigned char type = 0;          // FREEXL_CELL_*
    double number = 0;               // INT and DOUBLE cells
    std::string text;                // text, date and time cells
};

struct FreexlSheet {
    std::string name;
    std::vector<FreexlCell> cells;
};

struct FreexlBook {
    bool date1904 = false;
    std::vector<FreexlSheet> sheets;
};

// Everything freexl reports for the .xls file at `path`. Throws ReadError,
// naming `fileName`, when freexl refuses the file or fails on it.
FreexlBook ReadWithFreexl(const std::string& path, const std::string& fileName);

}  // namespace tabulon::spreadsheet
