#include "spreadsheet/reader/biff_sheet_layout.h"

namespace tabulon::spreadsheet {
namespace {

constexpr unsigned kColInfo = 0x007D;
constexpr unsigned kDefColWidth = 0x0055;
constexpr unsigned kStandardWidth = 0x0099;
constexpr unsigned kMergedCells = 0x00E5;
constexpr unsigned kRow = 0x0208;
constexpr unsigned kDefaultRowHeight = 0x0225;

bool OnGrid(unsigned row, unsigned col) {
    return row < static_cast<unsigned>(kMaxRows) && col < static_cast<unsigned>(kMaxColumns);
}

int StyleOf(unsigned xf, const std::vector<int>& styles) {
    return xf < styles.size() ? styles[xf] : 0;
}

void ReadRow(BiffCursor c, const std::vector<int>& styles, ISheetImport& sink) {
    const unsigned row = c.U16();
    c.Skip(4);
    const unsigned height = c.U16();
    c.Skip(4);
    const unsigned flags = c.U16();
    const unsigned xf = c.U16() & 0x0FFF;
    if (!OnGrid(row, 0))
        return;
    const bool hidden = flags & 0x20;
    const bool custom = flags & 0x40;
    const bool formatted = flags & 0x80;
    // Only rows that differ from the default are worth a call.
    if (!hidden && !custom && !formatted)
        return;
    sink.SetRow(static_cast<int>(row) + 1, (height & 0x8000) ? -1.0 : (height & 0x7FFF) / 20.0,
                custom, hidden, formatted ? StyleOf(xf, styles) : 0);
}

void ReadColumns(BiffCursor c, const std::vector<int>& styles, ISheetImport& sink) {
    const unsigned first = c.U16();
    unsigned last = c.U16();
    const unsigned width = c.U16();
    const unsigned xf = c.U16();
    const unsigned flags = c.U16();
    // Writers mark "to the last column" with 255 or 256 in a 256-column grid.
    if (last > 255)
        last = 255;
    if (first > last)
        return;
    sink.SetColumns(static_cast<int>(first) + 1, static_cast<int>(last) + 1, width / 256.0,
                    flags & 0x2, flags & 0x1, StyleOf(xf, styles));
}

void ReadMerges(BiffCursor c, ISheetImport& sink) {
    const unsigned count = c.U16();
    for (unsigned i = 0; i < count && c.Left() >= 8; ++i) {
        const unsigned r1 = c.U16(), r2 = c.U16(), c1 = c.U16(), c2 = c.U16();
        if (r1 > r2 || c1 > c2 || !OnGrid(r2, c2))
            continue;
        sink.AddMerge(RangeRef{{static_cast<int>(r1) + 1, static_cast<int>(c1) + 1},
                               {static_cast<int>(r2) + 1, static_cast<int>(c2) + 1}});
    }
}

}  // namespace

bool ReadBiffLayoutRecord(const BiffRecord& record, const std::vector<int>& styles,
                          ISheetImport& sink) {
    BiffCursor c(record.data);
    switch (record.id) {
        case kRow:
            ReadRow(c, styles, sink);
            return true;
        case kColInfo:
            ReadColumns(c, styles, sink);
            return true;
        case kMergedCells:
            ReadMerges(c, sink);
            return true;
        case kStandardWidth:
            // DEFCOLWIDTH is the base width without padding, like baseColWidth
            // in OOXML; only STANDARDWIDTH is the default column width itself.
            sink.SetDefaultColumnWidth(c.U16() / 256.0);
            return true;
        case kDefColWidth:
            sink.SetBaseColumnWidth(c.U16());
            return true;
        case kDefaultRowHeight:
            c.Skip(2);
            sink.SetDefaultRowHeight((c.U16() & 0x7FFF) / 20.0);
            return true;
        default:
            return false;
    }
}

}  // namespace tabulon::spreadsheet
