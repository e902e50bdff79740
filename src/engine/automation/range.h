// Range: a rectangle of cells on one worksheet. A handle refers to the sheet and the
// rectangle, never to copies of cells. Whole rows and whole columns are ranges like
// any other, but every member works on the part the sheet uses, never on the full
// grid.
#pragma once

#include <memory>
#include <vector>

#include "engine/automation/handles.h"
#include "engine/automation/variant.h"
#include "platform/cstring.h"
#include "spreadsheet/address.h"

namespace tabulon::engine {

class _Worksheet;

// Constants of the application's object model.
inline constexpr long xlValues = -4163;
inline constexpr long xlFormulas = -4123;
inline constexpr long xlWhole = 1;
inline constexpr long xlPart = 2;
inline constexpr long xlByRows = 1;
inline constexpr long xlByColumns = 2;
inline constexpr long xlNext = 1;
inline constexpr long xlPrevious = 2;
inline constexpr long xlPasteValues = -4163;
inline constexpr long xlPasteFormats = -4122;
inline constexpr long xlPasteAll = -4104;
inline constexpr long xlNone = -4142;

class Range {
  public:
    Range() = default;  // an empty handle ("none")

    bool IsEmpty() const { return !m_sheet; }
    explicit operator bool() const { return !IsEmpty(); }
    void ReleaseDispatch();

    _Worksheet GetWorksheet() const;
    spreadsheet::RangeRef GetArea() const;

    // One cell: its value, typed as the application types it (a number under a date
    // or time format is VT_DATE, under a currency format VT_CY; error cells VT_ERROR;
    // formulas give their result). Several cells: a 2-D array over the part of the
    // range the sheet uses (so whole columns do not give a million rows).
    COleVariant GetValue() const;
    // GetValue without the date and currency readings: such numbers come as VT_R8.
    COleVariant GetValue2() const;
    // GetItem(row, column).GetValue() without making the handle.
    COleVariant GetValueAt(long row, long column) const;
    // The type of GetValue of each cell, row by row across the range (as GetValue
    // clips whole rows and columns): what reading the cells one by one in that order
    // gives, formulas calculated and noted as they are then, without the values.
    std::vector<VARTYPE> GetValueTypes() const;
    // A scalar goes into every cell; an array fills the cells it covers. Text is
    // stored as text ("=..." as well; use SetFormula for formulas).
    void SetValue(const COleVariant& value);

    long GetCount() const;  // cells of the range (clamped to the long range)
    // The cell `row` rows and `column` columns from the top-left corner (1-based,
    // may lie beyond the range). Column omitted: the row-th cell counting row by row
    // across the range's width.
    Range GetItem(const COleVariant& row, const COleVariant& column = COleVariant::Omitted()) const;
    // An address read relative to this range's top-left cell ("A1" is that cell).
    Range GetRange(const COleVariant& cell1,
                   const COleVariant& cell2 = COleVariant::Omitted()) const;
    // The area an address names, read the same way, without the text.
    Range GetRange(const spreadsheet::RangeRef& area) const;
    // Always absolute A1: "$A$1", "$A$1:$F$10", "$A:$C" for whole columns, "$3:$5"
    // for whole rows.
    CString GetAddress() const;

    Range GetCells() const;      // the same cells; Item then counts row by row
    Range GetColumns() const;    // the same cells; Count and Item by column
    Range GetRows() const;       // the same cells; Count and Item by row
    Range GetEntireRow() const;  // the whole rows of the range

    // Width of the first column (character units); put: every column of the range.
    COleVariant GetColumnWidth() const;
    void SetColumnWidth(const COleVariant& width);

    // One cell: "=A1+1" for a formula, else the constant as text ("" when empty).
    // Several cells: an array. Put: text starting with "=" becomes a formula, ""
    // empties, anything else is a constant.
    COleVariant GetFormula() const;
    void SetFormula(const COleVariant& formula);
    // VT_BOOL: every cell holds a formula / none does; VT_NULL when mixed.
    COleVariant GetHasFormula() const;
    // Calculates the formulas of the range again.
    void Calculate();
    // One cell: true when it holds `formula` ("=..." as GetFormula gives it) with a result
    // calculated in this session, where calculating that formula again must give the same
    // result: it calls nothing whose result changes from one calculation to the next, and
    // the sheet holds no array formula. Changes nothing.
    bool HoldsCalculated(const CString& formula) const;

    // Adds each amount of `source` onto the cell of this range at the same position
    // (positions counted row by row, as GetItem counts them), where that cell holds no
    // formula and is empty or holds an amount; position `skip` (0 for none) is left out.
    // An amount is a number shown as a number or as currency, at its full precision (not
    // a date or a time). Sums are written as plain numbers, so the cells keep their
    // formats. One pass over the cells, as reading and writing them one by one would do.
    void AddAmounts(const Range& source, long skip);

    // The first cell matching `what`, or an empty Range. See range_find.cpp for the
    // rules; omitted arguments: After the first cell, LookIn values, LookAt part,
    // SearchOrder by rows, MatchCase false.
    Range Find(const COleVariant& what, const COleVariant& after, const COleVariant& lookIn,
               const COleVariant& lookAt, const COleVariant& searchOrder, long searchDirection,
               const COleVariant& matchCase, const COleVariant& matchByte) const;

    // Find(what) as a whole-cell search by columns from the first cell, in the values and,
    // when nothing is found there, in the formulas; `literal` takes a text `what` as it
    // stands, as if its wildcards were escaped with '~'. One lookup in the sheet's index
    // when the range is one column that can be indexed.
    Range FindWhole(const COleVariant& what, bool literal) const;

    // Copies values, formulas (moved as a copy moves them), formats and merged
    // ranges so that the source's top-left cell lands on destination's top-left
    // cell; whole rows or columns also carry their heights or widths. Sheet
    // references copied into another workbook point back at the source workbook.
    void Copy(const Range& destination) const;
    // Without a destination: onto the session's clipboard, for PasteSpecial.
    void Copy() const;
    // Pastes the clipboard onto this range: xlPasteValues (what the source cells
    // hold, formulas' results as constants), xlPasteFormats (their formats) or
    // xlPasteAll. Operation must be xlNone; SkipBlanks and Transpose must be false.
    void PasteSpecial(long paste, long operation, const COleVariant& skipBlanks,
                      const COleVariant& transpose);

    friend bool operator==(const Range& a, const Range& b) {
        return a.m_sheet == b.m_sheet && a.m_area == b.m_area;
    }

  private:
    friend class _Worksheet;
    enum class Shape { Cells, Columns, Rows };
    Range(std::shared_ptr<detail::SessionState> session, std::shared_ptr<detail::BookState> book,
          std::shared_ptr<detail::SheetState> sheet, spreadsheet::RangeRef area,
          Shape shape = Shape::Cells)
        : m_session(std::move(session)),
          m_book(std::move(book)),
          m_sheet(std::move(sheet)),
          m_area(area),
          m_shape(shape) {}
    detail::SheetState& Sheet() const;
    COleVariant Values(bool typed) const;
    Range Make(spreadsheet::RangeRef area, Shape shape = Shape::Cells) const;

    std::shared_ptr<detail::SessionState> m_session;
    std::shared_ptr<detail::BookState> m_book;
    std::shared_ptr<detail::SheetState> m_sheet;
    spreadsheet::RangeRef m_area;
    Shape m_shape = Shape::Cells;
};

}  // namespace tabulon::engine
