// _Application: one spreadsheet session, in process. It owns the open workbooks,
// the session settings and the session's clipboard. No external program is started.
#pragma once

#include <memory>
#include <vector>

#include "engine/automation/handles.h"
#include "engine/automation/workbooks.h"
#include "platform/cstring.h"
#include "spreadsheet/address.h"

namespace tabulon::engine {

// A formula cell whose result could not be calculated here (a function the engine
// does not have, a link to another workbook, or a cell that reads such a one).
struct UncalculatedCell {
    CString workbook;  // the file the workbook was loaded from; empty for one made here
    CString sheet;
    spreadsheet::CellRef cell;
    CString formula;  // without '='
};

class _Application {
  public:
    _Application() = default;  // an empty handle

    // Starts a new session: no workbooks, DisplayAlerts and AskToUpdateLinks on,
    // SheetsInNewWorkbook 1. Also wires the formula engine into the model (once).
    static _Application Create();

    bool IsEmpty() const { return !m_session; }
    explicit operator bool() const { return !IsEmpty(); }
    void ReleaseDispatch() { m_session.reset(); }

    Workbooks GetWorkbooks() const;

    bool GetDisplayAlerts() const;
    void SetDisplayAlerts(bool value);
    bool GetAskToUpdateLinks() const;
    void SetAskToUpdateLinks(bool value);
    // How many worksheets a workbook made by Workbooks Add() without a template has
    // (1 to 255; anything else raises ComError).
    long GetSheetsInNewWorkbook() const;
    void SetSheetsInNewWorkbook(long count);

    // Shows the session: every open workbook that was made from a file is opened
    // with the desktop's default application through the prompt service.
    bool GetVisible() const;
    void SetVisible(bool visible);

    // The formula cells met since the last call whose result is unknown, each once:
    // cells of workbooks loaded from files whose value was read or pasted as a value
    // (which then gave nothing), and the cells of a workbook saved with SaveCopyAs
    // (saved without a result), in the order met.
    std::vector<UncalculatedCell> TakeUncalculatedCells();

    // Closes every workbook without saving and ends the session; later calls on
    // its objects raise ComError.
    void Quit();

    friend bool operator==(const _Application& a, const _Application& b) {
        return a.m_session == b.m_session;
    }

  private:
    friend class Workbooks;
    friend class _Workbook;
    friend class _Worksheet;
    friend class Range;
    explicit _Application(std::shared_ptr<detail::SessionState> session)
        : m_session(std::move(session)) {}
    detail::SessionState& Session() const;

    std::shared_ptr<detail::SessionState> m_session;
};

}  // namespace tabulon::engine
