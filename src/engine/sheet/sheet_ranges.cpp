// Column letters, range corners and the block, find and copy helpers on ranges.
#include "engine/sheet/sheet_helpers.h"
#include "spreadsheet/address.h"

namespace tabulon::engine {

CString ColumnName(int column) {
    return CString(spreadsheet::ColumnLetters(column));
}

int ColumnNumber(const CString& letters) {
    if (letters.IsEmpty() || letters.GetLength() > 3)
        return -1;
    return spreadsheet::ColumnFromLetters(letters.Str());
}

CString GetRangeAddress(const Range& range) {
    return range.GetAddress();
}

namespace {

// The rectangle of a range, as its address names it: whole rows reach across to column
// XFD and whole columns down to the grid's last row, so their corners are cells too.
spreadsheet::RangeRef AreaOf(const Range& range) {
    return range.GetArea();
}

}  // namespace

int RangeFirstRow(const Range& range) {
    return AreaOf(range).first.row;
}

int RangeLastRow(const Range& range) {
    return AreaOf(range).last.row;
}

int RangeFirstColumn(const Range& range) {
    return AreaOf(range).first.col;
}

int RangeLastColumn(const Range& range) {
    return AreaOf(range).last.col;
}

int RangeRowCount(const Range& range) {
    if (range.IsEmpty())
        return 0;
    return static_cast<int>(range.GetRows().GetCount());
}

Range GetRowBlock(const Range& range, int fromRow, int toRowFromEnd) {
    const spreadsheet::RangeRef area = AreaOf(range);
    // In 64 bits: the row numbers typed in may be as large as an int holds.
    const long long start = static_cast<long long>(area.first.row) + fromRow - 1;
    const long long end = static_cast<long long>(area.last.row) - toRowFromEnd + 1;
    if (start > end)
        return {};
    if (start < 1 || end > spreadsheet::kMaxRows) {
        CString text;
        text.Format("Rows %lld to %lld lie outside the worksheet, whose rows are 1 to %d.", start,
                    end, spreadsheet::kMaxRows);
        throw ComError(XL_E_APPLICATION, text);
    }
    return range.GetRange(spreadsheet::RangeRef{{static_cast<int>(start), area.first.col},
                                                {static_cast<int>(end), area.last.col}});
}

Range RangeOnSheet(const _Worksheet& worksheet, const Range& range) {
    const spreadsheet::RangeRef area = AreaOf(range);
    return worksheet.GetCells().GetRange(area);
}

void CopyRange(const Range& destination, const Range& source) {
    if (destination.IsEmpty())
        ThrowEmptyHandle("Range");
    source.Copy(destination);
}

void CopyValuesAndFormats(const Workbooks& workbooks, const Range& destination,
                          const Range& source) {
    // In process there is no cross-process cost to save, so the values and formats
    // are pasted onto the destination directly instead of through a scratch workbook;
    // the destination receives the same cells.
    workbooks.GetCount();  // an empty or ended session fails here, as it would have
    if (destination.IsEmpty())
        ThrowEmptyHandle("Range");
    source.Copy();
    Range target = destination;
    target.PasteSpecial(xlPasteValues, xlNone, COleVariant::Bool(false), COleVariant::Bool(false));
    target.PasteSpecial(xlPasteFormats, xlNone, COleVariant::Bool(false), COleVariant::Bool(false));
}

void CopyColumnWidths(const Range& source, const _Worksheet& destination, int firstColumn) {
    Range columns = source.GetColumns();
    const long n = columns.GetCount();
    if (n < 1)
        return;
    Range targets = destination.GetColumns();
    for (long i = 1; i <= n; ++i) {
        COleVariant width = columns.GetItem(COleVariant(i)).GetColumnWidth();
        targets.GetItem(COleVariant(static_cast<long>(firstColumn) + i - 1)).SetColumnWidth(width);
    }
}

Range FindCell(const Range& range, const COleVariant& what) {
    return range.FindWhole(what, false);
}

Range FindKey(const Range& range, const COleVariant& key) {
    return range.FindWhole(key, key.Type() == VT_BSTR);
}

std::optional<double> CellAmount(const Range& cell, const COleVariant& value) {
    if (value.Type() == VT_R8)
        return value.Double();
    if (value.Type() == VT_CY)
        return cell.GetValue2().ToDouble();  // not rounded to the currency's 4 decimals
    return std::nullopt;
}

void AddRowValues(const Range& destination, const Range& source, int keyColumn) {
    const Range sourceCells = source.GetCells();
    destination.GetCells().AddAmounts(sourceCells, keyColumn);
}

}  // namespace tabulon::engine
