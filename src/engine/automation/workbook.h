// _Workbook: one open workbook of a session.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "engine/automation/handles.h"
#include "engine/automation/variant.h"
#include "platform/cstring.h"

namespace tabulon::engine {

class _Application;
class Sheets;

class _Workbook {
  public:
    _Workbook() = default;  // an empty handle

    bool IsEmpty() const { return !m_book; }
    explicit operator bool() const { return !IsEmpty(); }
    void ReleaseDispatch();

    _Application GetApplication() const;
    Sheets GetSheets() const;
    // "Book1" for a blank workbook, the file name for one made from a file.
    CString GetName() const;
    // The file the workbook was made from; empty for a blank one.
    CString GetTemplatePath() const;

    // Closes the workbook without a prompt and without saving (the three optional
    // arguments of the original call are always omitted). Later calls on it, its
    // sheets or its ranges raise ComError.
    void Close();

    // Writes the workbook to path, in the format its extension names: ".xlsm" a
    // macro-enabled workbook, anything else an OOXML workbook (.xlsx). The file is
    // written under a temporary name beside the target and then renamed over it,
    // so no half-written file ever exists under path. A missing folder or a denied
    // write raises ComError saying so. The workbook stays open and unchanged.
    void SaveCopyAs(const CString& path);

    bool GetSaved() const;
    void SetSaved(bool saved);

    // A task that writes into worksheets to test them works on a blank workbook holding
    // copies of them (CopyWorksheetsInto), so that the workbook made from the file stays
    // as read. Where nothing could tell that copy from the workbook itself, the workbook
    // can stand in for it, and the copying is saved.
    //
    // Whether it can: for the worksheets `used` accepts (by name), and with the caller
    // putting only `written` formulas ("=..." texts) into their cells besides their own.
    // That holds when those formulas read nothing but the sheet they stand on (no other
    // sheet or workbook, no defined name, table, INDIRECT or INFO), those worksheets have
    // no filter and no array formula, every worksheet has a name the copy can take, dates
    // count from 1900 and the default style shows numbers as a blank workbook's does.
    bool CanStandInForCopy(const std::function<bool(const CString& sheet)>& used,
                           const std::vector<CString>& written) const;
    // Makes the workbook stand in for that copy: named and numbered as a new blank
    // workbook, tied to no file (so formulas without a known result are not noted for
    // the task to report, as the copy's are not), and with every formula to be
    // calculated again when next read, a result its file gave counting only where the
    // formula cannot be calculated, as in the copy. The copy lists the worksheets last
    // first; the caller keeps that order itself.
    void StandInForCopy();

    friend bool operator==(const _Workbook& a, const _Workbook& b) { return a.m_book == b.m_book; }

  private:
    friend class Workbooks;
    friend class Sheets;
    friend class _Worksheet;
    friend class Range;
    _Workbook(std::shared_ptr<detail::SessionState> session,
              std::shared_ptr<detail::BookState> book)
        : m_session(std::move(session)), m_book(std::move(book)) {}
    detail::BookState& Book() const;

    std::shared_ptr<detail::SessionState> m_session;
    std::shared_ptr<detail::BookState> m_book;
};

}  // namespace tabulon::engine
