// Column letters, range corners and the block, find and copy helpers on ranges.
#include <cstdlib>

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

enum class Corner { First, Last };

CString CornerText(const Range& range, Corner corner) {
    CString address = GetRangeAddress(range);
    int colon = address.Find(':');
    if (colon < 0)
        return address;
    return corner == Corner::First ? address.Left(colon) : address.Mid(colon + 1);
}

// The text before (column) or after (row) the corner's last dollar sign, without
// dollar signs.
int CornerRow(const CString& corner) {
    int dollar = corner.ReverseFind('$');
    CString digits = corner.Mid(dollar + 1);
    digits.Remove('$');
    return std::atoi(digits.GetString());
}

int CornerColumn(const CString& corner) {
    int dollar = corner.ReverseFind('$');
    CString letters = dollar < 0 ? CString() : corner.Left(dollar);
    letters.Remove('$');
    return ColumnNumber(letters);
}

}  // namespace

int RangeFirstRow(const Range& range) {
    return CornerRow(CornerText(range, Corner::First));
}

int RangeLastRow(const Range& range) {
    return CornerRow(CornerText(range, Corner::Last));
}

int RangeFirstColumn(const Range& range) {
    return CornerColumn(CornerText(range, Corner::First));
}

int RangeLastColumn(const Range& range) {
    return CornerColumn(CornerText(range, Corner::Last));
}

int RangeRowCount(const Range& range) {
    if (range.IsEmpty())
        return 0;
    return static_cast<int>(range.GetRows().GetCount());
}

Range GetRowBlock(const Range& range, int fromRow, int toRowFromEnd) {
    const int first = RangeFirstRow(range);
    const int last = RangeLastRow(range);
    const int start = first + fromRow - 1;
    const int end = last - toRowFromEnd + 1;
    if (start > end)
        return {};
    CString address;
    address.Format("$%s$%d:$%s$%d", ColumnName(RangeFirstColumn(range)).GetString(), start,
                   ColumnName(RangeLastColumn(range)).GetString(), end);
    return range.GetRange(COleVariant(address));
}

Range RangeOnSheet(const _Worksheet& worksheet, const Range& range) {
    return worksheet.GetRange(COleVariant(GetRangeAddress(range)));
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
    const COleVariant omitted = COleVariant::Omitted();
    Range found = range.Find(what, omitted, COleVariant(xlValues), COleVariant(xlWhole),
                             COleVariant(xlByColumns), xlNext, omitted, omitted);
    if (found.IsEmpty())
        found = range.Find(what, omitted, COleVariant(xlFormulas), COleVariant(xlWhole),
                           COleVariant(xlByColumns), xlNext, omitted, omitted);
    return found;
}

Range FindKey(const Range& range, const COleVariant& key) {
    if (key.Type() != VT_BSTR)
        return FindCell(range, key);
    CString escaped = key.Text();
    escaped.Replace("~", "~~");
    escaped.Replace("?", "~?");
    escaped.Replace("*", "~*");
    return FindCell(range, COleVariant(escaped));
}

void AddRowValues(const Range& destination, const Range& source) {
    Range sourceCells = source.GetCells();
    Range destinationCells = destination.GetCells();
    const long n = sourceCells.GetCount();
    for (long i = 1; i <= n; ++i) {
        COleVariant s = sourceCells.GetItem(COleVariant(i)).GetValue();
        Range cell = destinationCells.GetItem(COleVariant(i));
        COleVariant d = cell.GetValue();
        COleVariant h = cell.GetHasFormula();
        if (h.Type() == VT_BOOL && h.Boolean())
            continue;
        if (s.Type() != VT_R8)
            continue;
        if (d.Type() == VT_EMPTY)
            cell.SetValue(s);
        else if (d.Type() == VT_R8)
            cell.SetValue(COleVariant(d.Double() + s.Double()));
    }
}

}  // namespace tabulon::engine
