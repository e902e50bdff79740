// The sheet helpers every task shares: column letters, the corners of a range from
// its address, how far a worksheet's data reaches, copying blocks of cells with or
// without formulas, looking up a key or a worksheet, and listing the worksheet names
// of files. They run on their caller's thread over the session owning the objects
// they are given, and let ComError pass (except ListWorksheetNames). Given an empty
// handle where an object is needed they raise ComError E_POINTER; only
// RangeRowCount accepts none.
#pragma once

#include <optional>
#include <vector>

#include "engine/automation/automation.h"
#include "platform/cstring.h"

namespace tabulon::engine {

// Column letters: "A" for 1, "ZZ" for 702, "XFD" for 16384; "" outside 1..16384.
CString ColumnName(int column);
// The number of one to three letters (any case) within A..XFD; -1 for anything else.
int ColumnNumber(const CString& letters);

// --- Ranges.
CString GetRangeAddress(const Range& range);
int RangeFirstRow(const Range& range);
int RangeLastRow(const Range& range);
int RangeFirstColumn(const Range& range);
int RangeLastColumn(const Range& range);
int RangeRowCount(const Range& range);  // 0 for none
// Rows fromRow (1 = the range's first row) to toRowFromEnd (1 = its last row) of
// the range, over its columns; none when that leaves no row.
Range GetRowBlock(const Range& range, int fromRow, int toRowFromEnd);
// The range with the same address on worksheet.
Range RangeOnSheet(const _Worksheet& worksheet, const Range& range);
// Values, formulas and formats of source onto destination.
void CopyRange(const Range& destination, const Range& source);
// The values the source cells show (no formulas) with their formats, onto destination.
void CopyValuesAndFormats(const Workbooks& workbooks, const Range& destination,
                          const Range& source);
// The widths of the source's columns onto the worksheet's columns from firstColumn on.
void CopyColumnWidths(const Range& source, const _Worksheet& destination, int firstColumn);
// The first cell of range whose value, or else whose formula, is what (whole cell,
// column by column, wildcards * ? ~ active); none when no cell matches.
Range FindCell(const Range& range, const COleVariant& what);
// FindCell with a text key's wildcards escaped, so it matches literally.
Range FindKey(const Range& range, const COleVariant& key);
// The amount a cell's value adds up as: a number (VT_R8), or a currency amount (VT_CY)
// at the cell's full precision; nullopt for anything else (dates included).
std::optional<double> CellAmount(const Range& cell, const COleVariant& value);
// Adds each amount (CellAmount) of source onto the cell of destination at the same
// position, when that cell is empty or holds an amount, and no formula. The cell at
// position keyColumn (1-based; 0 for none) is the row's key and is left as it is. Sums
// are written as plain numbers, so the destination keeps its formats.
void AddRowValues(const Range& destination, const Range& source, int keyColumn = 0);

// --- Worksheets and workbooks.
// The bottom-right cell of the used range; none for an empty sheet.
Range FindLastCell(const _Worksheet& worksheet);
// From A1 to FindLastCell (formatting counts); none for an empty sheet.
Range GetUsedBlock(const _Worksheet& worksheet);
// From A1 to the bottom-right of the cells holding values (formatting does not
// count); none when no cell holds a value.
Range GetDataRange(const _Worksheet& worksheet);
// source's rows, in source's columns, directly below everything the destination
// holds; with keepFormulas false only values and formats.
void AppendRange(const _Worksheet& destination, const Range& source, bool keepFormulas);
// A blank workbook with exactly sheetCount worksheets.
_Workbook NewWorkbook(const Workbooks& workbooks, int sheetCount);
// A new worksheet at the application's default place.
_Worksheet AddWorksheet(const _Workbook& workbook);
// The worksheet so named (exact, case-sensitive); sheets that are not worksheets
// are skipped; none when no worksheet matches.
_Worksheet FindWorksheet(const _Workbook& workbook, const CString& name);
// A full copy of worksheet after the last sheet of workbook; returns the copy.
_Worksheet CopySheetToEnd(const _Worksheet& worksheet, const _Workbook& workbook);
// A new worksheet holding the values and formats of worksheet's content range.
_Worksheet AddSheetWithValues(const _Workbook& workbook, const _Worksheet& worksheet);
// Every worksheet of source copied into destination under its own name; the
// worksheet destination had first is deleted.
void CopyWorksheetsInto(const _Workbook& destination, const _Workbook& source);

// --- Worksheet names of files.
// Appends the worksheet names of the workbook file not yet in names. Never throws:
// a ComError ends the listing quietly (names found so far stay), and the workbook
// is closed and the session's two alert settings restored in any case.
void ListWorksheetNames(const _Application& session, const CString& path,
                        std::vector<CString>& names);
// For a workbook file: ListWorksheetNames when it exists. For a folder: the names
// of at most five workbook files found depth first.
void CollectWorksheetNames(const _Application& session, const CString& path,
                           std::vector<CString>& names);

}  // namespace tabulon::engine
