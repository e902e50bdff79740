// Copying a rectangle of cells within a sheet or to another sheet or workbook.
#pragma once

#include <string>
#include <string_view>

#include "spreadsheet/address.h"

namespace tabulon::spreadsheet {

class Worksheet;

// What a copy carries. Without Formulas a formula cell arrives as its cached value.
enum CopyParts : unsigned {
    kCopyValues = 1,
    kCopyFormulas = 2,
    kCopyStyles = 4,  // cell styles, and the merges lying inside the source
    // Column widths and hidden columns when the source spans whole columns;
    // row heights and hidden rows when it spans whole rows (copying all cells).
    kCopyDimensions = 8,
    kCopyAll = kCopyValues | kCopyFormulas | kCopyStyles | kCopyDimensions,
};

// The formula a copy moved by (dRows, dCols) gets: relative references move,
// absolute ones stay, and references pushed off the grid become #REF!. The
// formula engine's mover does it; a formula it cannot read is moved by the
// reader's shifter, which fills shared formulas the same way (a corpus test
// holds the two equal).
std::string MoveFormulaText(std::string_view formula, int dRows, int dCols);

// Copies `source` of `from` so that its top-left cell lands on `destination`
// of `to` (the same sheet, another sheet, or a sheet of another workbook, whose
// style table then receives the styles used). Every destination cell is
// overwritten in the parts copied, blanks included, like a paste. Overlapping
// source and destination on one sheet are handled. Throws std::out_of_range
// when the destination runs off the grid.
void CopyCells(const Worksheet& from, const RangeRef& source, Worksheet& to, CellRef destination,
               unsigned parts = kCopyAll);

// The part of CopyCells that a copy of contents and styles together carries
// beside them: the notes, links, text runs, data validation and conditional
// formats of the cells of `source`, moved by (dRows, dCols), replacing the
// notes and links of the cells they land on.
void CopyAnnotations(const Worksheet& from, const RangeRef& source, Worksheet& to, int dRows,
                     int dCols);
// Whether `sheet` has anything CopyAnnotations carries; cheap.
bool HasAnnotations(const Worksheet& sheet);

}  // namespace tabulon::spreadsheet
