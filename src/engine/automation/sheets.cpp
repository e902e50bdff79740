#include "engine/automation/sheets.h"

#include <algorithm>

#include "engine/automation/state.h"
#include "engine/automation/worksheet.h"

namespace tabulon::engine {

using spreadsheet::SheetKind;

namespace {

detail::BookState& Book(const std::shared_ptr<detail::BookState>& book) {
    if (!book)
        ThrowEmptyHandle("Sheets");
    book->Check();
    return *book;
}

}  // namespace

void Sheets::ReleaseDispatch() {
    m_book.reset();
    m_session.reset();
}

long Sheets::GetCount() const {
    return Book(m_book).workbook->SheetCount();
}

bool Sheets::IsWorksheet(long index) const {
    auto& wb = *Book(m_book).workbook;
    return index >= 1 && index <= wb.SheetCount() &&
           wb.Sheet(static_cast<int>(index - 1)).Kind() == SheetKind::Worksheet;
}

_Worksheet Sheets::GetItem(const COleVariant& index) const {
    auto& book = Book(m_book);
    auto& wb = *book.workbook;
    int position = -1;
    if (index.Type() == VT_BSTR) {
        position = wb.FindSheet(index.Text().Str());
        if (position < 0) {
            CString text;
            text.Format("Workbook '%s' has no sheet named '%s'.", book.name.GetString(),
                        index.Text().GetString());
            throw ComError(DISP_E_BADINDEX, text);
        }
    } else {
        long n = index.ToLong();
        if (n < 1 || n > wb.SheetCount()) {
            CString text;
            text.Format("Workbook '%s' has no sheet %ld (it has %d).", book.name.GetString(), n,
                        wb.SheetCount());
            throw ComError(DISP_E_BADINDEX, text);
        }
        position = static_cast<int>(n - 1);
    }
    if (wb.Sheet(position).Kind() != SheetKind::Worksheet)
        return {};
    return _Worksheet(m_session, m_book, book.StateAt(position));
}

_Worksheet Sheets::Add() {
    auto& book = Book(m_book);
    auto& wb = *book.workbook;
    int position = std::max(0, wb.ActiveSheet());
    auto& sheet = wb.AddSheet(wb.NextSheetName(), SheetKind::Worksheet, position);
    wb.SetActiveSheet(wb.IndexOf(sheet));
    book.Changed();
    return _Worksheet(m_session, m_book, book.StateOf(sheet));
}

}  // namespace tabulon::engine
