#include "engine/automation/state.h"

#include <algorithm>
#include <mutex>

#include "spreadsheet/formula/engine.h"
#include "spreadsheet/formula/mover.h"
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
    index.BeforeWrite(Sheet(), area);
}

void SheetState::AfterWrite(const RangeRef& area) {
    index.AfterWrite(Sheet(), area);
    book->Changed();
}

spreadsheet::Value CalculatedValue(SheetState& sheet, CellRef cell) {
    Worksheet& ws = sheet.Sheet();
    spreadsheet::CellView view = ws.Cell(cell);
    if (view.kind != spreadsheet::CellKind::Formula || !view.stale)
        return view.ToValue();
    spreadsheet::WorkbookCells cells(*sheet.book->workbook);
    return cells.CellValue(sheet.Index(), cell);
}

void CalculateStale(SheetState& sheet, const RangeRef& area) {
    Worksheet& ws = sheet.Sheet();
    std::vector<CellRef> stale;
    ws.ForEachCell(area, spreadsheet::IterationOrder::RowByRow,
                   [&](const spreadsheet::CellView& view) {
                       if (view.kind == spreadsheet::CellKind::Formula && view.stale)
                           stale.push_back(view.ref);
                   });
    if (stale.empty())
        return;
    spreadsheet::WorkbookCells cells(*sheet.book->workbook);
    const int index = sheet.Index();
    for (CellRef cell : stale)
        cells.CellValue(index, cell);
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

namespace {

std::string MoveWithEngine(std::string_view formula, int dRows, int dCols) {
    try {
        return spreadsheet::formula::MoveFormula(formula, dRows, dCols);
    } catch (const std::exception&) {
        return std::string(formula);  // a formula we cannot read travels as written
    }
}

}  // namespace

void InstallFormulaEngine() {
    static std::once_flag once;
    std::call_once(once, [] {
        static spreadsheet::formula::FormulaEngine engine;
        spreadsheet::SetDefaultEvaluator(&engine);
        spreadsheet::SetFormulaMover(&MoveWithEngine);
    });
}

}  // namespace tabulon::engine::detail
