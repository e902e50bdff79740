#include "engine/tasks/copy_sheets_task.h"

#include "engine/sheet/sheet_helpers.h"
#include "output/task_messages.h"

namespace tabulon::engine {

CCopySheetsTask::CCopySheetsTask(const CString& folder, const SheetSelection& selection,
                                 platform::CNotifyHandle notify, int keepFormulas,
                                 const CString& resultFile)
    : CFolderTask(folder, selection, notify, resultFile), m_bKeepFormulas(keepFormulas) {}

int CCopySheetsTask::ProcessWorksheet(const CString& path, _Worksheet sheet) {
    _Worksheet copy = CopySheetToEnd(sheet, m_pResultBook);
    if (!m_bKeepFormulas) {
        // The full copy only tells the name the copy gets; the values-only worksheet
        // takes it over.
        CString name = copy.GetName();
        copy.Delete();
        _Worksheet values = AddSheetWithValues(m_pResultBook, sheet);
        values.SetName(name);
    }
    CString line;
    line.Format("Copying %s -> %s completed", path.GetString(), sheet.GetName().GetString());
    output::PostText(m_hWndNotify, line);
    if (const long pivots = sheet.GetPivotTableCount(); pivots > 0) {
        line.Format("%s -> %s: %ld pivot table%s copied as values and formats", path.GetString(),
                    sheet.GetName().GetString(), pivots, pivots == 1 ? "" : "s");
        output::PostText(m_hWndNotify, line);
    }
    return 1;
}

bool CCopySheetsTask::HasVisibleCopy() const {
    Sheets sheets = m_pResultBook.GetSheets();
    const long count = sheets.GetCount();
    for (long i = 1; i <= count; ++i) {
        if (!sheets.IsWorksheet(i))
            continue;
        _Worksheet sheet = sheets.GetItem(COleVariant(i));
        if (sheet != m_pResultSheet && sheet.GetVisible() == xlSheetVisible)
            return true;
    }
    return false;
}

int CCopySheetsTask::Finish() {
    // A workbook must show at least one sheet: when every copy is hidden (copies keep
    // their source's visibility) the blank result worksheet stays to be that sheet.
    if (m_pResultBook.GetSheets().GetCount() > 1 && HasVisibleCopy()) {
        bool alerts = m_pApp.GetDisplayAlerts();
        m_pApp.SetDisplayAlerts(false);
        m_pResultSheet.Delete();
        m_pApp.SetDisplayAlerts(alerts);
    }
    return CFolderTask::Finish();
}

}  // namespace tabulon::engine
