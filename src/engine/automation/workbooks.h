// Workbooks: the collection of a session's open workbooks.
#pragma once

#include <exception>
#include <functional>
#include <memory>

#include "engine/automation/com_error.h"
#include "engine/automation/handles.h"
#include "engine/automation/variant.h"
#include "spreadsheet/reader/read_error.h"
#include "spreadsheet/workbook.h"

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

    // What Add(path) reads, done apart from the session so that it can run ahead on
    // another thread: the workbook, or the error Add(path) would raise. `canceled`
    // is asked while the file is read; once it answers true the read stops within
    // milliseconds with ComError E_ABORT and no workbook.
    struct FileRead {
        std::unique_ptr<spreadsheet::Workbook> workbook;
        std::exception_ptr error;
    };
    static FileRead ReadFile(const CString& path, std::function<bool()> canceled = {});
    // Add(path) with the file read already; the same checks, result and errors.
    _Workbook AddRead(const CString& path, FileRead read);

    // Closes every workbook of the session without saving.
    void Close();

  private:
    friend class _Application;
    explicit Workbooks(std::shared_ptr<detail::SessionState> session)
        : m_session(std::move(session)) {}

    std::shared_ptr<detail::SessionState> m_session;
};

// The place of a reader's failure at path, and in reason what is wrong: a message the
// reader gave without its parts loses the file name it starts with.
ErrorContext ReadErrorContext(const CString& path, const spreadsheet::ReadError& e,
                              CString& reason);

}  // namespace tabulon::engine
