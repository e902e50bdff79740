#include "engine/tasks/copy_rows_by_key_task.h"

#include "engine/sheet/sheet_helpers.h"
#include "output/task_messages.h"

namespace tabulon::engine {

CCopyRowsByKeyColTask::CCopyRowsByKeyColTask(const CString& folder, const SheetSelection& selection,
                                             int keyColumn, int startRow, int endRowFromBottom,
                                             platform::CNotifyHandle notify, int keepFormulas,
                                             const CString& resultFile)
    : CFolderTask(folder, selection, notify, resultFile),
      m_nStartRow(startRow),
      m_nEndRowFromBottom(endRowFromBottom),
      m_nKeyColumn(keyColumn),
      m_bKeepFormulas(keepFormulas) {}

int CCopyRowsByKeyColTask::ProcessWorksheet(const CString&, _Worksheet sheet) {
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
    Range band = GetRowBlock(content, m_nStartRow, m_nEndRowFromBottom);
    if (!band)
        return 1;
    Range keys = band.GetColumns().GetItem(COleVariant(m_nKeyColumn));
    Range rows = band.GetRows();
    const long count = keys.GetCount();

    CString progressId = output::BeginProgress(m_hWndNotify, output::FormatSheetProgress(name, 0));
    int lastPercent = -1;
    for (long i = 1; i <= count; ++i) {
        output::UpdateSheetPercent(m_hWndNotify, progressId, name, i, count, lastPercent);
        if (IsCanceled())
            return 0;
        COleVariant key = keys.GetItem(COleVariant(i)).GetValue();
        if (key.Type() == VT_EMPTY || key.Type() == VT_ERROR)
            continue;
        MergeRow(rows.GetItem(COleVariant(i)), key);
    }
    CString line;
    line.Format("Processing of the worksheet \"%s\" is complete.", name.GetString());
    output::EndProgress(m_hWndNotify, progressId, line);
    return 1;
}

void CCopyRowsByKeyColTask::MergeRow(const Range& row, const COleVariant& key) {
    Range used = GetUsedBlock(m_pResultSheet);
    if (!used) {
        AppendRange(m_pResultSheet, row, m_bKeepFormulas != 0);
        CopyColumnWidths(row, m_pResultSheet, 1);
        return;
    }
    Range found = FindKey(used.GetColumns().GetItem(COleVariant(m_nKeyColumn)), key);
    if (!found)
        AppendRange(m_pResultSheet, row, m_bKeepFormulas != 0);
    else
        AddRowValues(found.GetEntireRow(), row, m_nKeyColumn);  // the key stays as it is
}

}  // namespace tabulon::engine
