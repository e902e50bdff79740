#include "engine/automation/state.h"

#include <algorithm>
#include <mutex>

#include "spreadsheet/calendar.h"
#include "spreadsheet/formula/engine.h"
#include "spreadsheet/range_copy.h"
#include "spreadsheet/workbook_cells.h"

namespace tabulon::engine::detail {

using spreadsheet::CellRef;
using spreadsheet::RangeRef;
using spreadsheet::Worksheet;

void SessionState::Check() const {
    if (ended)
        throw ComError(RPC_E_DISCONNECTED, "The spreadsheet session has ended (Quit was called).");
}

std::shared_ptr<BookState> SessionState::NewBook() {
    auto book = std::make_shared<BookState>();
    book->session = this;
    book->workbook = std::make_unique<spreadsheet::Workbook>();
    book->name.Format("Book%d", nextBookNumber++);
    books.push_back(book);
    return book;
}

void SessionState::CloseBook(BookState& book) {
    if (book.closed)
        return;
    for (auto& entry : book.sheets)
        entry.second->deleted = true;
    book.sheets.clear();
    book.closed = true;
    book.workbook.reset();  // memory goes back at once: tasks load many files in turn
    if (clipboard.book.get() == &book)
        clipboard = {};
    std::erase_if(books, [&](const std::shared_ptr<BookState>& b) { return b.get() == &book; });
}

void SessionState::CloseAll() {
    while (!books.empty())
        CloseBook(*books.back());
    clipboard = {};
}

void BookState::Check() const {
    if (closed) {
        CString text;
        text.Format("Workbook '%s' has been closed.", name.GetString());
        throw ComError(RPC_E_DISCONNECTED, text);
    }
}

spreadsheet::Workbook& BookState::Book() const {
    Check();
    return *workbook;
}

std::shared_ptr<SheetState> BookState::StateOf(Worksheet& sheet) {
    auto& state = sheets[&sheet];
    if (!state) {
        state = std::make_shared<SheetState>();
        state->book = this;
        state->sheet = &sheet;
    }
    return state;
}

std::shared_ptr<SheetState> BookState::StateAt(int index) {
    return StateOf(Book().Sheet(index));
}

void BookState::Forget(const Worksheet& sheet) {
    auto it = sheets.find(&sheet);
    if (it != sheets.end()) {
        it->second->deleted = true;
        sheets.erase(it);
    }
}

void SheetState::Check() const {
    book->Check();
    if (deleted)
        throw ComError(RPC_E_DISCONNECTED, "The worksheet has been deleted.");
}

Worksheet& SheetState::Sheet() const {
    Check();
    return *sheet;
}

int SheetState::Index() const {
    Check();
    return book->workbook->IndexOf(*sheet);
}

CString SheetState::Describe() const {
    CString text;
    if (book->closed || deleted)
        text.Format("a worksheet of workbook '%s'", book->name.GetString());
    else
        text.Format("worksheet '%s' of workbook '%s'", sheet->Name().c_str(),
                    book->name.GetString());
    return text;
}

void SheetState::BeforeWrite(const RangeRef& area) {
    writtenAfterFormulas = writtenAfterFormulas || Sheet().FormulaCount() > 0;
    index.BeforeWrite(Sheet(), area);
}

void SheetState::AfterWrite(const RangeRef& area) {
    index.AfterWrite(Sheet(), area);
    book->CellsChanged(Sheet(), area);
    book->Changed();
}

void BookState::CellsChanged(const Worksheet& sheet, const RangeRef& area) {
    constexpr size_t kMaxPending = 4096;
    if (allChanged || (!pendingChanges.empty() && pendingChanges.back().first == &sheet &&
                       pendingChanges.back().second.Contains(area.first) &&
                       pendingChanges.back().second.Contains(area.last)))
        return;
    if (pendingChanges.size() >= kMaxPending) {
        pendingChanges.clear();
        allChanged = true;
        return;
    }
    pendingChanges.emplace_back(&sheet, area);
}

void BookState::FlushChanges() {
    if (pendingChanges.empty() && !allChanged)
        return;
    spreadsheet::Workbook& wb = Book();
    if (allChanged) {
        // Everything may have changed: every formula is calculated again, and the
        // dependencies are learnt afresh at the next change.
        dependencies.reset();
        for (int s = 0; s < wb.SheetCount(); ++s) {
            Worksheet& ws = wb.Sheet(s);
            const auto state = sheets.find(&ws);
            const bool written = state != sheets.end() && state->second->writtenAfterFormulas;
            for (CellRef cell : ws.FormulaCells())
                ws.MarkStale(cell, !written);
        }
    } else {
        if (!dependencies)
            dependencies =
                std::make_unique<spreadsheet::FormulaDependencies>(wb, session->formulas.Cache());
        for (const auto& [sheet, area] : pendingChanges) {
            // A sheet deleted since its write has nothing left to mark.
            bool present = false;
            for (int s = 0; s < wb.SheetCount() && !present; ++s)
                present = &wb.Sheet(s) == sheet;
            if (present)
                dependencies->Changed(*sheet, area);
        }
    }
    pendingChanges.clear();
    allChanged = false;
}

void BookState::DiscardChanges() {
    pendingChanges.clear();
    allChanged = false;
    dependencies.reset();
}

spreadsheet::Value CalculatedValue(SheetState& sheet, CellRef cell) {
    Worksheet& ws = sheet.Sheet();
    spreadsheet::CellView view = ws.Cell(cell);
    if (view.kind != spreadsheet::CellKind::Formula)
        return view.ToValue();
    sheet.book->FlushChanges();
    view = ws.Cell(cell);
    if (view.stale) {
        spreadsheet::WorkbookCells cells(*sheet.book->workbook, &sheet.book->session->formulas);
        cells.CellValue(sheet.Index(), cell);
        view = ws.Cell(cell);
    }
    if (view.uncalculable)
        NoteUncalculated(sheet, cell);
    return view.ToValue();
}

void CalculateStale(SheetState& sheet, const RangeRef& area, bool note) {
    Worksheet& ws = sheet.Sheet();
    if (ws.FormulaCount() == 0)
        return;  // nothing to calculate, nothing to note
    sheet.book->FlushChanges();
    std::vector<CellRef> stale;
    std::vector<CellRef> unknown;
    ws.ForEachCell(area, spreadsheet::IterationOrder::RowByRow,
                   [&](const spreadsheet::CellView& view) {
                       if (view.kind != spreadsheet::CellKind::Formula)
                           return;
                       if (view.stale)
                           stale.push_back(view.ref);
                       else if (view.uncalculable)
                           unknown.push_back(view.ref);
                   });
    if (!stale.empty()) {
        spreadsheet::WorkbookCells cells(*sheet.book->workbook, &sheet.book->session->formulas);
        const int index = sheet.Index();
        for (CellRef cell : stale)
            cells.CellValue(index, cell);
        for (CellRef cell : stale)
            if (ws.Cell(cell).uncalculable)
                unknown.push_back(cell);
    }
    if (note)
        for (CellRef cell : unknown)
            NoteUncalculated(sheet, cell);
}

void NoteUncalculated(SheetState& sheet, CellRef cell, bool always) {
    BookState& book = *sheet.book;
    if (!always && book.templatePath.IsEmpty())
        return;
    const Worksheet& ws = *sheet.sheet;
    std::string key = book.templatePath.Str();
    key += '|';
    key += ws.Name();
    key += '|';
    key += spreadsheet::FormatCellRef(cell);
    if (!book.session->uncalculatedSeen.insert(std::move(key)).second)
        return;
    book.session->uncalculated.push_back(
        {book.templatePath, CString(ws.Name()), cell, CString(std::string(ws.Cell(cell).formula))});
}

void CalculateWorkbook(BookState& book) {
    spreadsheet::Workbook& wb = book.Book();
    std::vector<std::vector<CellRef>> formulas(static_cast<size_t>(wb.SheetCount()));
    bool any = false;
    for (int s = 0; s < wb.SheetCount(); ++s) {
        formulas[static_cast<size_t>(s)] = wb.Sheet(s).FormulaCells();
        any = any || !formulas[static_cast<size_t>(s)].empty();
    }
    // Everything is calculated below: what the writes since the last reading would
    // have marked need not be worked out.
    book.DiscardChanges();
    if (!any)
        return;
    // Everything is marked first, so that each formula reads fresh results however
    // the formulas depend on each other.
    for (int s = 0; s < wb.SheetCount(); ++s) {
        Worksheet& ws = wb.Sheet(s);
        const auto state = book.sheets.find(&ws);
        const bool written = state != book.sheets.end() && state->second->writtenAfterFormulas;
        for (CellRef cell : formulas[static_cast<size_t>(s)])
            ws.MarkStale(cell, !written);
    }
    spreadsheet::WorkbookCells cells(wb, &book.session->formulas);
    for (int s = 0; s < wb.SheetCount(); ++s)
        for (CellRef cell : formulas[static_cast<size_t>(s)])
            cells.CellValue(s, cell);
    for (int s = 0; s < wb.SheetCount(); ++s) {
        Worksheet& ws = wb.Sheet(s);
        for (CellRef cell : formulas[static_cast<size_t>(s)])
            if (ws.Cell(cell).uncalculable)
                NoteUncalculated(*book.StateOf(ws), cell, true);
    }
}

double DateOfSerial(const spreadsheet::Workbook& book, double serial) {
    return spreadsheet::SerialInSystem(serial, book.Date1904(), false);
}

double SerialOfDate(const spreadsheet::Workbook& book, double date) {
    const double serial = spreadsheet::SerialInSystem(date, false, book.Date1904());
    return serial < 0 ? date : serial;  // before 1904: a time of day, not a day
}

std::optional<RangeRef> ClipToUsed(const Worksheet& sheet, const RangeRef& area) {
    auto used = sheet.UsedExtent(true);
    if (!used)
        return std::nullopt;
    RangeRef r{
        {std::max(area.first.row, used->first.row), std::max(area.first.col, used->first.col)},
        {std::min(area.last.row, used->last.row), std::min(area.last.col, used->last.col)}};
    if (r.first.row > r.last.row || r.first.col > r.last.col)
        return std::nullopt;
    return r;
}

bool UpperWordAt(std::string_view text, size_t at, std::string_view word) {
    if (at > text.size() || word.size() > text.size() - at)
        return false;
    for (size_t k = 0; k < word.size(); ++k) {
        char c = text[at + k];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != word[k])
            return false;
    }
    return true;
}

}  // namespace tabulon::engine::detail
