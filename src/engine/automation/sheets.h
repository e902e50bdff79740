// Sheets: the sheets of a workbook, every kind (chart sheets and dialog sheets are
// items too, so indexes stay true; they give no _Worksheet).
#pragma once

#include <memory>

#include "engine/automation/handles.h"
#include "engine/automation/variant.h"

namespace tabulon::engine {

class _Worksheet;

class Sheets {
  public:
    Sheets() = default;  // an empty handle

    bool IsEmpty() const { return !m_book; }
    explicit operator bool() const { return !IsEmpty(); }
    void ReleaseDispatch();

    long GetCount() const;
    // The sheet at a 1-based index (VT_I4 or a number) or with a name (VT_BSTR,
    // without regard to case). A sheet that is not a worksheet (a chart sheet...)
    // gives an empty _Worksheet, as querying it for the interface fails. A bad
    // index or an unknown name raises ComError DISP_E_BADINDEX.
    _Worksheet GetItem(const COleVariant& index) const;
    // True when item `index` (1-based) is a worksheet.
    bool IsWorksheet(long index) const;

    // A new empty worksheet at the application's default place: before the active
    // sheet, becoming the active sheet, named "Sheet<n>" with the next free number.
    _Worksheet Add();

  private:
    friend class _Workbook;
    Sheets(std::shared_ptr<detail::SessionState> session, std::shared_ptr<detail::BookState> book)
        : m_session(std::move(session)), m_book(std::move(book)) {}

    std::shared_ptr<detail::SessionState> m_session;
    std::shared_ptr<detail::BookState> m_book;
};

}  // namespace tabulon::engine
