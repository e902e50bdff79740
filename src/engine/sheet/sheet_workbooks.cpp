// Helpers on worksheets and workbooks: data extents, appending, new and copied
// sheets.
#include "engine/sheet/sheet_helpers.h"
#include "spreadsheet/address.h"

namespace tabulon::engine {

Range FindLastCell(const _Worksheet& worksheet) {
    Range used = worksheet.GetUsedRange();
    const spreadsheet::RangeRef area = used.GetArea();
    if (area.first == area.last && area.first == spreadsheet::CellRef{1, 1} &&
        used.GetValue().Type() == VT_EMPTY)
        return {};
    // The bottom-right corner as a cell, also when the used range is whole rows
    // (once a value sits in column XFD) or whole columns.
    return worksheet.GetCells().GetRange(spreadsheet::RangeRef{area.last, area.last});
}

Range GetUsedBlock(const _Worksheet& worksheet) {
    Range last = FindLastCell(worksheet);
    if (last.IsEmpty())
        return {};
    return worksheet.GetCells().GetRange(spreadsheet::RangeRef{{1, 1}, last.GetArea().last});
}

Range GetDataRange(const _Worksheet& worksheet) {
    // The sheet answers where its last value lies with two backward searches for
    // any content (formulas included, formats not), each one pass over the stored
    // cells; a scratch copy of the values is not needed in process.
    Range cells = worksheet.GetCells();
    const COleVariant any("*");
    const COleVariant corner("$A$1");
    const COleVariant omitted = COleVariant::Omitted();
    Range lastInRows = cells.Find(any, corner, COleVariant(xlFormulas), COleVariant(xlPart),
                                  COleVariant(xlByRows), xlPrevious, omitted, omitted);
    if (lastInRows.IsEmpty())
        return {};
    Range lastInColumns = cells.Find(any, corner, COleVariant(xlFormulas), COleVariant(xlPart),
                                     COleVariant(xlByColumns), xlPrevious, omitted, omitted);
    return cells.GetRange(
        spreadsheet::RangeRef{{1, 1}, {RangeLastRow(lastInRows), RangeLastColumn(lastInColumns)}});
}

void AppendRange(const _Worksheet& destination, const Range& source, bool keepFormulas) {
    const int firstRow = RangeFirstRow(source);
    const int lastRow = RangeLastRow(source);
    const int firstColumn = RangeFirstColumn(source);
    const int lastColumn = RangeLastColumn(source);
    Range block = GetUsedBlock(destination);
    const int bottom = block.IsEmpty() ? 0 : RangeLastRow(block);
    const int rows = lastRow - firstRow + 1;
    if (rows > spreadsheet::kMaxRows - bottom) {
        CString text;
        text.Format(
            "Worksheet \"%s\" has no room for %d more rows below its row %d: a worksheet ends "
            "at row %d.",
            destination.GetName().GetString(), rows, bottom, spreadsheet::kMaxRows);
        throw ComError(XL_E_APPLICATION, text);
    }
    Range target = destination.GetCells().GetRange(
        spreadsheet::RangeRef{{bottom + 1, firstColumn}, {bottom + rows, lastColumn}});
    if (keepFormulas)
        CopyRange(target, source);
    else
        CopyValuesAndFormats(destination.GetApplication().GetWorkbooks(), target, source);
}

_Workbook NewWorkbook(const Workbooks& workbooks, int sheetCount) {
    _Application session = workbooks.GetApplication();
    const long old = session.GetSheetsInNewWorkbook();
    session.SetSheetsInNewWorkbook(sheetCount);
    _Workbook book;
    try {
        book = Workbooks(workbooks).Add();
    } catch (...) {
        session.SetSheetsInNewWorkbook(old);
        throw;
    }
    session.SetSheetsInNewWorkbook(old);
    return book;
}

_Worksheet AddWorksheet(const _Workbook& workbook) {
    return workbook.GetSheets().Add();
}

_Worksheet FindWorksheet(const _Workbook& workbook, const CString& name) {
    Sheets sheets = workbook.GetSheets();
    const long count = sheets.GetCount();
    for (long i = 1; i <= count; ++i) {
        _Worksheet sheet = sheets.GetItem(COleVariant(i));
        if (sheet.IsEmpty())
            continue;  // a chart sheet or another sheet that is not a worksheet
        if (sheet.GetName() == name)
            return sheet;
    }
    return {};
}

_Worksheet CopySheetToEnd(const _Worksheet& worksheet, const _Workbook& workbook) {
    Sheets sheets = workbook.GetSheets();
    const long n = sheets.GetCount();
    worksheet.GetName();  // an empty worksheet handle fails before anything changes
    _Worksheet(worksheet).Copy(_Worksheet(), sheets.GetItem(COleVariant(n)));
    return sheets.GetItem(COleVariant(sheets.GetCount()));
}

_Worksheet AddSheetWithValues(const _Workbook& workbook, const _Worksheet& worksheet) {
    _Worksheet added = AddWorksheet(workbook);
    Range data = GetDataRange(worksheet);
    if (!data.IsEmpty())
        CopyValuesAndFormats(workbook.GetApplication().GetWorkbooks(), RangeOnSheet(added, data),
                             data);
    return added;
}

void CopyWorksheetsInto(const _Workbook& destination, const _Workbook& source) {
    _Worksheet first = destination.GetSheets().GetItem(COleVariant(1));
    Sheets sheets = source.GetSheets();
    const long count = sheets.GetCount();
    bool firstDeleted = false;
    for (long i = 1; i <= count; ++i) {
        _Worksheet from = sheets.GetItem(COleVariant(i));
        if (from.IsEmpty())
            continue;  // chart sheets hold no cells to copy
        CString name = from.GetName();
        _Worksheet added = AddWorksheet(destination);
        if (!firstDeleted) {
            first.Delete();
            firstDeleted = true;
        }
        added.SetName(name);
        CopyRange(added.GetCells(), from.GetCells());
    }
}

}  // namespace tabulon::engine
