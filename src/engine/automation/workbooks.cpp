#include "engine/automation/workbooks.h"

#include "engine/automation/application.h"
#include "engine/automation/state.h"
#include "engine/automation/workbook.h"
#include "spreadsheet/reader/workbook_reader.h"

namespace tabulon::engine {

namespace {

detail::SessionState& Session(const std::shared_ptr<detail::SessionState>& session) {
    if (!session)
        ThrowEmptyHandle("Workbooks");
    session->Check();
    return *session;
}

CString FileName(const CString& path) {
    int slash = path.ReverseFind('/');
    return slash < 0 ? path : path.Mid(slash + 1);
}

}  // namespace

_Application Workbooks::GetApplication() const {
    Session(m_session);
    return _Application(m_session);
}

long Workbooks::GetCount() const {
    return static_cast<long>(Session(m_session).books.size());
}

_Workbook Workbooks::Add(const COleVariant& templatePath) {
    auto& session = Session(m_session);
    if (templatePath.IsOmitted() || templatePath.IsEmpty()) {
        auto book = session.NewBook();
        for (long i = 0; i < session.sheetsInNewWorkbook; ++i)
            book->workbook->AddSheet(book->workbook->NextSheetName());
        book->workbook->SetActiveSheet(0);
        return _Workbook(m_session, book);
    }
    if (templatePath.Type() != VT_BSTR)
        throw ComError(DISP_E_TYPEMISMATCH, "Workbooks.Add: the template must be a file path.");
    const CString path = templatePath.Text();
    return AddRead(path, ReadFile(path));
}

Workbooks::FileRead Workbooks::ReadFile(const CString& path, std::function<bool()> canceled) {
    // Read into a workbook of our own first, so a file that fails leaves no half-read
    // workbook in the session.
    FileRead read;
    // The failure with its place kept apart; the description names the file once.
    auto refuse = [&path](HRESULT code, ErrorContext where, const CString& reason) {
        where.file = path;
        ComError described(code, CString(), where, reason);
        CString text;
        text.Format("Cannot open workbook \"%s\": %s", path.GetString(),
                    DescribeFailure(described).GetString());
        return ComError(code, text, std::move(where), reason);
    };
    try {
        try {
            auto workbook = std::make_unique<spreadsheet::Workbook>();
            auto builder = spreadsheet::MakeWorkbookBuilder(*workbook);
            spreadsheet::ReadOptions options;
            options.canceled = std::move(canceled);
            spreadsheet::ReadWorkbookFile(path.Str(), *builder, options);
            if (workbook->SheetCount() == 0)
                throw refuse(XL_E_APPLICATION, {}, "it holds no sheet.");
            read.workbook = std::move(workbook);
        } catch (const ComError&) {
            throw;
        } catch (const spreadsheet::ReadCanceled&) {
            CString text;
            text.Format("Reading the workbook \"%s\" was canceled.", path.GetString());
            throw ComError(E_ABORT, text);
        } catch (const spreadsheet::ReadError& e) {
            CString reason;
            const ErrorContext where = ReadErrorContext(path, e, reason);
            throw refuse(XL_E_APPLICATION, where, reason);
        } catch (const std::bad_alloc&) {
            throw refuse(E_OUTOFMEMORY, {}, "out of memory.");
        } catch (const std::exception& e) {
            throw refuse(XL_E_APPLICATION, {}, CString(e.what()));
        }
    } catch (...) {
        read.workbook.reset();
        read.error = std::current_exception();
    }
    return read;
}

_Workbook Workbooks::AddRead(const CString& path, FileRead read) {
    auto& session = Session(m_session);
    if (read.error)
        std::rethrow_exception(read.error);
    if (!read.workbook)
        ThrowEmptyHandle("Workbook");
    auto book = session.NewBook();
    book->workbook = std::move(read.workbook);
    book->workbook->SetPath({});  // a new workbook based on the file, not the file itself
    book->name = FileName(path);
    book->templatePath = path;
    return _Workbook(m_session, book);
}

void Workbooks::Close() {
    Session(m_session).CloseAll();
}

ErrorContext ReadErrorContext(const CString& path, const spreadsheet::ReadError& e,
                              CString& reason) {
    ErrorContext where;
    where.part = CString(e.Part());
    where.line = e.Line();
    reason = CString(e.Reason());
    const CString prefix = path + ": ";
    if (e.File().empty() && reason.Left(prefix.GetLength()) == prefix)
        reason = reason.Mid(prefix.GetLength());
    return where;
}

}  // namespace tabulon::engine
