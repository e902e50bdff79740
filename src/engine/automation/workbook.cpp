#include "engine/automation/workbook.h"

#include <filesystem>
#include <system_error>

#include "engine/automation/application.h"
#include "engine/automation/sheets.h"
#include "engine/automation/state.h"
#include "spreadsheet/xlsx_writer.h"

namespace tabulon::engine {

namespace fs = std::filesystem;

detail::BookState& _Workbook::Book() const {
    if (!m_book)
        ThrowEmptyHandle("_Workbook");
    m_book->Check();
    return *m_book;
}

void _Workbook::ReleaseDispatch() {
    m_book.reset();
    m_session.reset();
}

_Application _Workbook::GetApplication() const {
    Book();
    return _Application(m_session);
}

Sheets _Workbook::GetSheets() const {
    Book();
    return Sheets(m_session, m_book);
}

CString _Workbook::GetName() const {
    return Book().name;
}

CString _Workbook::GetTemplatePath() const {
    return Book().templatePath;
}

void _Workbook::Close() {
    auto& book = Book();
    book.session->CloseBook(book);
}

namespace {

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    bool same = fs::equivalent(a, b, ec);
    return !ec && same;
}

}  // namespace

void _Workbook::SaveCopyAs(const CString& path) {
    auto& book = Book();
    auto fail = [&](const char* reason) {
        CString text;
        text.Format("Cannot save workbook '%s' as \"%s\": %s", book.name.GetString(),
                    path.GetString(), reason);
        throw ComError(XL_E_APPLICATION, text);
    };
    if (path.IsEmpty())
        fail("no file name was given.");
    fs::path target(path.Str());
    fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        fail("the folder does not exist.");
    if (fs::is_directory(target, ec))
        fail("a folder has that name.");
    // A workbook loaded from a file is never written back over any loaded file.
    for (const auto& other : book.session->books)
        if (!other->templatePath.IsEmpty() && SameFile(target, fs::path(other->templatePath.Str())))
            fail("that file is a source workbook open in this session; it is never written.");
    // Find indexes are built again when next searched; while the file is written their
    // memory is better free.
    for (auto& [sheet, state] : book.sheets)
        state->index.Clear();
    try {
        // Saved results are those of the cells where they now stand.
        detail::CalculateWorkbook(book);
        spreadsheet::WriteWorkbookFile(*book.workbook, path.Str());
    } catch (const spreadsheet::WorkbookWriteError& e) {
        fail(e.Reason().c_str());
    } catch (const std::bad_alloc&) {
        CString text;
        text.Format("Cannot save workbook '%s' as \"%s\": out of memory.", book.name.GetString(),
                    path.GetString());
        throw ComError(E_OUTOFMEMORY, text);
    } catch (const std::exception& e) {
        fail(e.what());
    }
}

bool _Workbook::GetSaved() const {
    return Book().saved;
}

void _Workbook::SetSaved(bool saved) {
    Book().saved = saved;
}

}  // namespace tabulon::engine
