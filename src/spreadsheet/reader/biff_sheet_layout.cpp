#include "spreadsheet/reader/biff_sheet_layout.h"

namespace tabulon::spreadsheet {
namespace {

constexpr unsigned kEof = 0x000A;
constexpr unsigned kColInfo = 0x007D;
constexpr unsigned kStandardWidth = 0x0099;
constexpr unsigned kMergedCells = 0x00E5;
constexpr unsigned kRow = 0x0208;
constexpr unsigned kDefaultRowHeight = 0x0225;

unsigned U16(const char* p) {
    return static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[1]) << 8);
}

bool OnGrid(unsigned row, unsigned col) {
    return row < static_cast<unsigned>(kMaxRows) && col < static_cast<unsigned>(kMaxColumns);
}

void ReadRow(const char* d, ISheetImport& sink) {
    const unsigned row = U16(d), height = U16(d + 6), flags = U16(d + 12);
    if (!OnGrid(row, 0))
        return;
    const bool hidden = flags & 0x20;
    const bool custom = flags & 0x40;
    // Only rows that differ from the default are worth a call.
    if (!hidden && !custom)
        return;
    sink.SetRow(static_cast<int>(row) + 1, (height & 0x8000) ? -1.0 : (height & 0x7FFF) / 20.0,
                custom, hidden, 0);
}

void ReadColumns(const char* d, ISheetImport& sink) {
    unsigned first = U16(d), last = U16(d + 2);
    const unsigned width = U16(d + 4), flags = U16(d + 8);
    // Writers mark "to the last column" with 255 or 256 in a 256-column grid.
    if (last > 255)
        last = 255;
    if (first > last)
        return;
    sink.SetColumns(static_cast<int>(first) + 1, static_cast<int>(last) + 1, width / 256.0,
                    flags & 0x2, flags & 0x1, 0);
}

void ReadMerges(const char* d, unsigned length, ISheetImport& sink) {
    const unsigned count = U16(d);
    for (unsigned i = 0; i < count && 2 + 8 * (i + 1) <= length; ++i) {
        const char* r = d + 2 + 8 * i;
        const unsigned r1 = U16(r), r2 = U16(r + 2), c1 = U16(r + 4), c2 = U16(r + 6);
        if (r1 > r2 || c1 > c2 || !OnGrid(r2, c2))
            continue;
        sink.AddMerge(RangeRef{{static_cast<int>(r1) + 1, static_cast<int>(c1) + 1},
                               {static_cast<int>(r2) + 1, static_cast<int>(c2) + 1}});
    }
}

}  // namespace

void ReadBiffSheetLayout(std::string_view stream, std::size_t offset, ISheetImport& sink) {
    std::size_t pos = offset;
    for (bool first = true; pos + 4 <= stream.size(); first = false) {
        const unsigned id = U16(stream.data() + pos);
        const unsigned length = U16(stream.data() + pos + 2);
        const char* d = stream.data() + pos + 4;
        if (pos + 4 + length > stream.size())
            break;
        if (first && (id & 0xFF) != 0x09)
            break;  // not at a BOF record
        if (id == kEof)
            break;
        if (id == kRow && length >= 16) {
            ReadRow(d, sink);
        } else if (id == kColInfo && length >= 10) {
            ReadColumns(d, sink);
        } else if (id == kMergedCells && length >= 2) {
            ReadMerges(d, length, sink);
        } else if (id == kStandardWidth && length >= 2) {
            // DEFCOLWIDTH is the base width without padding, like baseColWidth
            // in OOXML; only STANDARDWIDTH is the default column width itself.
            sink.SetDefaultColumnWidth(U16(d) / 256.0);
        } else if (id == kDefaultRowHeight && length >= 4) {
            sink.SetDefaultRowHeight((U16(d + 2) & 0x7FFF) / 20.0);
        }
        pos += 4 + length;
    }
}

}  // namespace tabulon::spreadsheet
