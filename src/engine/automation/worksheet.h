// _Worksheet: one worksheet of an open workbook.
#pragma once

#include <memory>

#include "engine/automation/handles.h"
#include "engine/automation/variant.h"
#include "platform/cstring.h"

namespace tabulon::engine {

class _Application;
class _Workbook;
class Range;

inline constexpr long xlSheetVisible = -1;
inline constexpr long xlSheetHidden = 0;
inline constexpr long xlSheetVeryHidden = 2;

class _Worksheet {
  public:
    _Worksheet() = default;  // an empty handle

    bool IsEmpty() const { return !m_sheet; }
    explicit operator bool() const { return !IsEmpty(); }
    void ReleaseDispatch();

    _Application GetApplication() const;
    _Workbook GetParent() const;
    long GetIndex() const;  // 1-based position among the workbook's sheets

    CString GetName() const;
    // xlSheetVisible (-1), xlSheetHidden (0) or xlSheetVeryHidden (2).
    long GetVisible() const;
    // 1-31 characters, none of : \ / ? * [ ], not starting or ending with an
    // apostrophe, and not the name of another sheet of the workbook without regard
    // to case; otherwise ComError and the name stays.
    void SetName(const CString& name);

    // A full copy (cells, formulas, formats, column widths, row heights, hidden rows
    // and columns, merged ranges, filter) placed before `before` or after `after`
    // (exactly one of them given; the other an empty handle), in this workbook or
    // another one of the session. The copy becomes the active sheet and is named
    // like its source, or "<name> (2)", "(3)"... when that name is taken. Formulas
    // that refer to other sheets of the source workbook, copied into another
    // workbook, keep pointing at the source file.
    void Copy(const _Worksheet& before, const _Worksheet& after);
    // Removes the sheet; the last visible worksheet of a workbook cannot be deleted.
    void Delete();

    // The range with that address ("B2", "$A$1:$C$9", "A:C", "3:5"); cell2 given:
    // the box around both.
    Range GetRange(const COleVariant& cell1,
                   const COleVariant& cell2 = COleVariant::Omitted()) const;
    Range GetCells() const;    // every cell of the sheet
    Range GetColumns() const;  // every column
    Range GetRows() const;     // every row
    // From the first to the last row and column holding a value or a non-default
    // format; "$A$1" on an empty sheet.
    Range GetUsedRange() const;
    // The pivot tables the sheet's file gave it. A copy of the sheet keeps their
    // cells as values and formats, not the tables themselves.
    long GetPivotTableCount() const;

    // Shows the rows the sheet's filter hides. Fails (ComError) when the sheet has
    // no filter.
    void ShowAllData();

    friend bool operator==(const _Worksheet& a, const _Worksheet& b) {
        return a.m_sheet == b.m_sheet;
    }

  private:
    friend class Sheets;
    friend class Range;
    _Worksheet(std::shared_ptr<detail::SessionState> session,
               std::shared_ptr<detail::BookState> book, std::shared_ptr<detail::SheetState> sheet)
        : m_session(std::move(session)), m_book(std::move(book)), m_sheet(std::move(sheet)) {}
    detail::SheetState& Sheet() const;

    std::shared_ptr<detail::SessionState> m_session;
    std::shared_ptr<detail::BookState> m_book;
    std::shared_ptr<detail::SheetState> m_sheet;
};

}  // namespace tabulon::engine
