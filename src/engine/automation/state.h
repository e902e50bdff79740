// The state shared by the automation handles. A session owns its open workbooks; a
// workbook owns the states of its sheets. Back pointers are plain pointers: every
// handle holds the session, the workbook and the sheet it uses, so they outlive it.
#pragma once

#include <memory>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/automation/application.h"
#include "engine/automation/com_error.h"
#include "engine/automation/find_index.h"
#include "engine/automation/handles.h"
#include "platform/cstring.h"
#include "spreadsheet/address.h"
#include "spreadsheet/formula/engine.h"
#include "spreadsheet/formula_dependencies.h"
#include "spreadsheet/workbook.h"

namespace tabulon::engine::detail {

struct Clipboard {
    std::shared_ptr<BookState> book;
    std::shared_ptr<SheetState> sheet;
    spreadsheet::RangeRef area;
};

struct SessionState {
    bool displayAlerts = true;
    bool askToUpdateLinks = true;
    bool visible = false;
    long sheetsInNewWorkbook = 1;
    bool ended = false;  // after Quit
    int nextBookNumber = 1;
    std::vector<std::shared_ptr<BookState>> books;
    Clipboard clipboard;
    // Formula cells whose result is unknown, waiting for the task to report them, and
    // every cell reported so far ("file|sheet|cell"), so each is reported once.
    std::vector<UncalculatedCell> uncalculated;
    std::set<std::string> uncalculatedSeen;
    // The formula engine of this session: every calculation of its workbooks goes
    // through it, and its cache holds the parsed formulas they share.
    spreadsheet::formula::FormulaEngine formulas;

    void Check() const;  // ComError once the session has ended
    std::shared_ptr<BookState> NewBook();
    void CloseBook(BookState& book);
    void CloseAll();
};

struct BookState {
    SessionState* session = nullptr;
    std::unique_ptr<spreadsheet::Workbook> workbook;
    CString name;          // "Book1", or the file name
    CString templatePath;  // the file it was made from
    bool saved = true;
    bool closed = false;
    std::unordered_map<const spreadsheet::Worksheet*, std::shared_ptr<SheetState>> sheets;
    // Which formulas read which cells, learnt when formulas are first read after writes.
    std::unique_ptr<spreadsheet::FormulaDependencies> dependencies;
    // Areas written since formulas were last brought up to date; `allChanged` once
    // there were too many to follow one by one.
    std::vector<std::pair<const spreadsheet::Worksheet*, spreadsheet::RangeRef>> pendingChanges;
    bool allChanged = false;

    void Check() const;  // ComError once closed
    spreadsheet::Workbook& Book() const;
    // The state of one of this workbook's sheets, made on first use.
    std::shared_ptr<SheetState> StateOf(spreadsheet::Worksheet& sheet);
    std::shared_ptr<SheetState> StateAt(int index);  // 0-based
    void Forget(const spreadsheet::Worksheet& sheet);
    void Changed() { saved = false; }
    // After a write: the formulas that read `area` of `sheet` are out of date. They are
    // marked for calculation by FlushChanges, before a formula result is next read, so
    // that writes which are never followed by a read (most of a task's) cost nothing.
    void CellsChanged(const spreadsheet::Worksheet& sheet, const spreadsheet::RangeRef& area);
    void FlushChanges();
    // Every formula is about to be calculated anyway: the pending changes are dropped,
    // and the dependencies learnt so far with them.
    void DiscardChanges();
};

struct SheetState {
    BookState* book = nullptr;
    spreadsheet::Worksheet* sheet = nullptr;
    bool deleted = false;
    // Cells were written while the sheet held formulas: results their files gave those
    // formulas (CellView::fileResult) may no longer hold.
    bool writtenAfterFormulas = false;
    FindIndex index;

    void Check() const;  // ComError once deleted or its workbook closed
    spreadsheet::Worksheet& Sheet() const;
    int Index() const;  // 0-based position in its workbook
    // "'Sheet1' of workbook 'Book1'" for messages.
    CString Describe() const;

    // Every change to cells goes between these two, so the Find index stays true.
    void BeforeWrite(const spreadsheet::RangeRef& area);
    void AfterWrite(const spreadsheet::RangeRef& area);
};

// The value of a cell, calculating its formula first when out of date. A formula of
// a workbook loaded from a file whose result is unknown gives an empty value and is
// noted for the task to report (NoteUncalculated).
spreadsheet::Value CalculatedValue(SheetState& sheet, spreadsheet::CellRef cell);
// Calculates every out-of-date formula of the area; with `note`, the formulas of the
// area whose result is unknown are noted as above (their values are about to be used).
void CalculateStale(SheetState& sheet, const spreadsheet::RangeRef& area, bool note = true);
// Notes a formula cell whose result is unknown, once, when its workbook was loaded
// from a file (`always`: whatever the workbook).
void NoteUncalculated(SheetState& sheet, spreadsheet::CellRef cell, bool always = false);
// Calculates every formula of the workbook where it stands, in dependency order, as
// before saving it: formulas the engine cannot calculate keep the result their file
// gave them in that place, or else none, and are noted. Sheets without formulas cost
// nothing.
void CalculateWorkbook(BookState& book);
// The range clipped to the rows and columns the sheet uses (values or formats);
// nullopt when they do not meet.
std::optional<spreadsheet::RangeRef> ClipToUsed(const spreadsheet::Worksheet& sheet,
                                                const spreadsheet::RangeRef& area);

// A date (VT_DATE) is the serial of its day in the 1900 date system whatever the
// workbook it comes from: these convert between that and a workbook's own serials.
double DateOfSerial(const spreadsheet::Workbook& book, double serial);
double SerialOfDate(const spreadsheet::Workbook& book, double date);

// Whether `word` (upper-case ASCII) stands in `text` at `at`, ASCII case aside: formula
// texts are looked through for function names this way.
bool UpperWordAt(std::string_view text, size_t at, std::string_view word);

// Runs `call`, turning a failure of the model (std::exception) into a ComError whose
// text starts with `action`.
template <class Call>
auto Translated(const char* action, const Call& call) -> decltype(call()) {
    try {
        return call();
    } catch (const ComError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw ComError(E_OUTOFMEMORY, CString(action) + ": out of memory.");
    } catch (const std::exception& e) {
        throw ComError(XL_E_APPLICATION, CString(action) + ": " + e.what());
    }
}

}  // namespace tabulon::engine::detail
