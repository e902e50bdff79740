#include "engine/tasks/key_filter_task.h"

#include "engine/sheet/sheet_helpers.h"
#include "output/task_messages.h"

namespace tabulon::engine {

CKeyFilterTask::CKeyFilterTask(platform::CNotifyHandle notify, const CString& file1,
                               const CString& sheet1, const CString& file2, const CString& sheet2,
                               int keyColumn1, int keyColumn2, int keepFormulas,
                               const CString& resultFile)
    : CTwoFileTask(notify, file1, sheet1, file2, sheet2, resultFile),
      m_nKeyColumn1(keyColumn1),
      m_nKeyColumn2(keyColumn2),
      m_bKeepFormulas(keepFormulas) {}

int CKeyFilterTask::Process() {
    Range data1 = GetDataRange(m_pSheet1);
    if (!data1) {
        ShowNoDataMessage(m_strFile1, m_strSheet1);
        return 0;
    }
    Range keys1 = data1.GetColumns().GetItem(COleVariant(m_nKeyColumn1)).GetCells();
    Range rows1 = data1.GetRows();
    Range data2 = GetDataRange(m_pSheet2);
    if (!data2) {
        ShowNoDataMessage(m_strFile2, m_strSheet2);
        return 0;
    }
    Range keys2 = data2.GetColumns().GetItem(COleVariant(m_nKeyColumn2));

    const CString progressId = output::BeginProgress(m_hWndNotify, output::FormatTaskProgress(0));
    int lastPercent = -1;
    bool firstRow = true;
    const long n = keys1.GetCount();
    const bool keepFound = KeepsFoundKeys();
    for (long i = 1; i <= n; ++i) {
        PostRowProgress(progressId, i, n, lastPercent);
        if (IsCanceled())
            return 0;
        COleVariant value = keys1.GetValueAt(i, 1);
        if (!IsLookupKey(value))
            continue;
        const bool found = static_cast<bool>(FindKey(keys2, value));
        if (found != keepFound)
            continue;
        Range row = rows1.GetItem(COleVariant(i));
        AppendRange(m_pResultSheet, row, m_bKeepFormulas != 0);
        if (firstRow) {
            CopyColumnWidths(row, m_pResultSheet, 1);
            firstRow = false;
        }
    }
    output::EndProgress(m_hWndNotify, progressId, output::FormatTaskProgress(100));
    CloseSource(m_pBook2, m_pSheet2);
    return 1;
}

}  // namespace tabulon::engine
