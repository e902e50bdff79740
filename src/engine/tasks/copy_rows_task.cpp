#include "engine/tasks/copy_rows_task.h"

#include "engine/sheet/sheet_helpers.h"
#include "output/task_messages.h"

namespace tabulon::engine {

CCopyRowsTask::CCopyRowsTask(const CString& folder, const SheetSelection& selection, int startRow,
                             int endRowFromBottom, platform::CNotifyHandle notify, int keepFormulas,
                             const CString& resultFile)
    : CFolderTask(folder, selection, notify, resultFile),
      m_nStartRow(startRow),
      m_nEndRowFromBottom(endRowFromBottom),
      m_bKeepFormulas(keepFormulas) {}

int CCopyRowsTask::ProcessWorksheet(const CString&, _Worksheet sheet) {
    CString name = sheet.GetName();
    Range content = GetDataRange(sheet);
    if (!content) {
        CString line;
        line.Format("There is no content in the template worksheet \"%s\". Please check it.",
                    name.GetString());
        output::PostText(m_hWndNotify, line);
        return 1;
    }
    // The content range starts at A1, so its rows are worksheet rows.
    Range block = GetRowBlock(content, m_nStartRow, m_nEndRowFromBottom);
    if (!block)
        return 1;
    AppendRange(m_pResultSheet, block, m_bKeepFormulas != 0);
    if (m_bFirstSheet) {
        CopyColumnWidths(block, m_pResultSheet, 1);
        m_bFirstSheet = 0;
    }
    CString line;
    line.Format("Processing of the worksheet \"%s\" is complete.", name.GetString());
    output::PostText(m_hWndNotify, line);
    return 1;
}

}  // namespace tabulon::engine
