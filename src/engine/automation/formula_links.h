// What happens to sheet references when formulas travel between sheets and
// workbooks: a reference to another sheet of the source workbook, copied into
// another workbook, keeps pointing at the source workbook (an external reference);
// it never re-targets a sheet of the same name in the destination.
#pragma once

#include <string>

#include "spreadsheet/address.h"

namespace tabulon::engine::detail {

struct SheetState;

// Rewrites the formula cells of `area` on `to`, just copied there from `from`.
// `sheetCopy`: the whole sheet was copied (references to the source sheet itself
// then follow the copy); otherwise a range was copied, and sheet references change
// only when the workbooks differ. A formula keeps its result and marks: one that
// cannot be calculated where it landed (a link to another workbook) keeps the result
// its file gave it only while it reads the cells it read there.
void RelinkCopiedFormulas(SheetState& from, SheetState& to, const spreadsheet::RangeRef& area,
                          bool sheetCopy);

}  // namespace tabulon::engine::detail
