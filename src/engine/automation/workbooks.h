// Workbooks: the collection of a session's open workbooks.
#pragma once

#include <memory>

#include "engine/automation/handles.h"
#include "engine/automation/variant.h"

namespace tabulon::engine {

class _Application;
class _Workbook;

class Workbooks {
  public:
    Workbooks() = default;  // an empty handle

    bool IsEmpty() const { return !m_session; }
    explicit operator bool() const { return !IsEmpty(); }
    void ReleaseDispatch() { m_session.reset(); }

    _Application GetApplication() const;
    long GetCount() const;

    // With a template path (VT_BSTR): a new, unsaved workbook holding what the file
    // holds. The file is only read, never written, locked or touched. A file that
    // cannot be read raises ComError naming the file and the reason.
    // Omitted (or empty): a blank workbook with SheetsInNewWorkbook worksheets
    // "Sheet1", "Sheet2"...
    _Workbook Add(const COleVariant& templatePath = COleVariant::Omitted());

    // Closes every workbook of the session without saving.
    void Close();

  private:
    friend class _Application;
    explicit Workbooks(std::shared_ptr<detail::SessionState> session)
        : m_session(std::move(session)) {}

    std::shared_ptr<detail::SessionState> m_session;
};

}  // namespace tabulon::engine
