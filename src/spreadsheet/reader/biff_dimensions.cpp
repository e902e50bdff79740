#include "spreadsheet/reader/biff_dimensions.h"

#include <algorithm>

namespace tabulon::spreadsheet {
namespace {

constexpr unsigned kEof = 0x000A;
constexpr unsigned kDimension = 0x0200;

unsigned U16(const std::string& s, std::size_t at) {
    return static_cast<unsigned char>(s[at]) | (static_cast<unsigned char>(s[at + 1]) << 8);
}

void Put16(std::string& s, std::size_t at, unsigned v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

bool IsCellRecord(unsigned id) {
    switch (id) {
        case 0x0006:  // FORMULA
        case 0x0201:  // BLANK
        case 0x0203:  // NUMBER
        case 0x0204:  // LABEL
        case 0x0205:  // BOOLERR
        case 0x027E:  // RK
        case 0x00BD:  // MULRK
        case 0x00BE:  // MULBLANK
        case 0x00D6:  // RSTRING
        case 0x00FD:  // LABELSST
            return true;
        default:
            return false;
    }
}

// Fits the DIMENSION record of the sheet whose BOF is at `offset`.
bool FitSheet(std::string& stream, std::size_t offset) {
    std::size_t dimension = 0, dimensionLength = 0;
    unsigned firstRow = 0xFFFF, lastRow = 0, firstCol = 0xFFFF, lastCol = 0;
    bool any = false;
    for (std::size_t pos = offset; pos + 4 <= stream.size();) {
        const unsigned id = U16(stream, pos), length = U16(stream, pos + 2);
        if (pos + 4 + length > stream.size())
            break;
        if (pos == offset && (id & 0xFF) != 0x09)
            return false;  // not a BOF
        if (id == kEof)
            break;
        if (id == kDimension && (length == 14 || length == 10)) {
            dimension = pos + 4;
            dimensionLength = length;
        } else if (IsCellRecord(id) && length >= 4) {
            const unsigned row = U16(stream, pos + 4), col = U16(stream, pos + 6);
            unsigned last = col;
            if ((id == 0x00BD || id == 0x00BE) && length >= 6)
                last = U16(stream, pos + 4 + length - 2);
            firstRow = std::min(firstRow, row);
            lastRow = std::max(lastRow, row);
            firstCol = std::min(firstCol, col);
            lastCol = std::max(lastCol, std::max(col, last));
            any = true;
        }
        pos += 4 + length;
    }
    if (dimensionLength == 0)
        return false;
    if (!any)
        firstRow = lastRow = firstCol = lastCol = 0;
    // Rows and columns "last" are stored one past the end.
    const unsigned rowEnd = any ? lastRow + 1 : 0, colEnd = any ? lastCol + 1 : 0;
    std::string fitted = stream.substr(dimension, dimensionLength);
    if (dimensionLength == 14) {
        Put16(fitted, 0, firstRow);
        Put16(fitted, 2, 0);
        Put16(fitted, 4, rowEnd & 0xFFFF);
        Put16(fitted, 6, rowEnd >> 16);
        Put16(fitted, 8, firstCol);
        Put16(fitted, 10, colEnd);
    } else {
        Put16(fitted, 0, firstRow);
        Put16(fitted, 2, std::min(rowEnd, 0xFFFFu));
        Put16(fitted, 4, firstCol);
        Put16(fitted, 6, colEnd);
    }
    if (fitted == stream.substr(dimension, dimensionLength))
        return false;
    stream.replace(dimension, dimensionLength, fitted);
    return true;
}

}  // namespace

bool FitBiffDimensions(std::string& stream, const BiffGlobals& globals) {
    bool changed = false;
    for (const BiffSheetInfo& sheet : globals.sheets) {
        if (sheet.offset < stream.size())
            changed |= FitSheet(stream, sheet.offset);
    }
    return changed;
}

}  // namespace tabulon::spreadsheet
