#include "engine/tasks/merge_cols_task.h"

#include "engine/sheet/sheet_helpers.h"
#include "output/task_messages.h"
#include "spreadsheet/address.h"

namespace tabulon::engine {

CMergeColsTask::CMergeColsTask(platform::CNotifyHandle notify, const CString& file1,
                               const CString& sheet1, const CString& file2, const CString& sheet2,
                               int keyColumn1, int keyColumn2, int keepFormulas,
                               const CString& resultFile)
    : CTwoFileTask(notify, file1, sheet1, file2, sheet2, resultFile),
      m_nKeyColumn1(keyColumn1),
      m_nKeyColumn2(keyColumn2),
      m_bKeepFormulas(keepFormulas) {}

int CMergeColsTask::Prepare() {
    if (!CTwoFileTask::Prepare())
        return 0;
    if (m_bKeepFormulas) {
        CopyRange(m_pResultSheet.GetCells(), m_pSheet1.GetCells());
    } else {
        Range data = GetDataRange(m_pSheet1);
        if (data)
            CopyValuesAndFormats(m_pWorkbooks, RangeOnSheet(m_pResultSheet, data), data);
    }
    // Worksheet 1 lives on in the result: its workbook is read no more.
    CloseSource(m_pBook1, m_pSheet1);
    return 1;
}

int CMergeColsTask::Process() {
    Range data1 = GetDataRange(m_pResultSheet);
    if (!data1) {
        ShowNoDataMessage(m_strFile1, m_strSheet1);
        return 0;
    }
    Range keys1 = data1.GetColumns().GetItem(COleVariant(m_nKeyColumn1)).GetCells();
    Range data2 = GetDataRange(m_pSheet2);
    if (!data2) {
        ShowNoDataMessage(m_strFile2, m_strSheet2);
        return 0;
    }
    Range keys2 = data2.GetColumns().GetItem(COleVariant(m_nKeyColumn2));
    Range rows2 = data2.GetRows();

    const CString progressId = output::BeginProgress(m_hWndNotify, output::FormatTaskProgress(0));
    const int destColumn = RangeLastColumn(data1) + 1;
    if (destColumn > spreadsheet::kMaxColumns) {
        CString text;
        text.Format(
            "Worksheet \"%s\" of Excel file \"%s\" has data up to the last column, XFD: there is "
            "no column right of it to merge into.",
            m_strSheet1.GetString(), m_strFile1.GetString());
        throw ComError(XL_E_APPLICATION, text);
    }
    const Range resultCells = m_pResultSheet.GetCells();
    const long n = keys1.GetCount();
    bool firstMatch = true;
    int lastPercent = -1;
    for (long i = 1; i <= n; ++i) {
        PostRowProgress(progressId, i, n, lastPercent);
        if (IsCanceled())
            return 0;
        COleVariant value = keys1.GetValueAt(i, 1);
        if (!IsLookupKey(value))
            continue;
        Range found = FindKey(keys2, value);
        if (!found)
            continue;
        Range source = rows2.GetItem(COleVariant(RangeFirstRow(found)));
        Range dest = resultCells.GetRange(spreadsheet::RangeRef{{static_cast<int>(i), destColumn},
                                                                {static_cast<int>(i), destColumn}});
        if (m_bKeepFormulas)
            CopyRange(dest, source);
        else
            CopyValuesAndFormats(m_pWorkbooks, dest, source);
        if (firstMatch) {
            CopyColumnWidths(source, m_pResultSheet, destColumn);
            firstMatch = false;
        }
    }
    output::EndProgress(m_hWndNotify, progressId, output::FormatTaskProgress(100));
    CloseSource(m_pBook2, m_pSheet2);
    return 1;
}

}  // namespace tabulon::engine
