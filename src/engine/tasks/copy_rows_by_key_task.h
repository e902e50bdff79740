// CCopyRowsByKeyColTask: consolidates a band of rows of every selected worksheet in a
// folder tree by a key column. A row whose key is already in the result's key column is
// added, number by number, onto that result row; a row with a new key is appended.
#pragma once

#include "engine/folder_task.h"

namespace tabulon::engine {

class CCopyRowsByKeyColTask : public CFolderTask {
  public:
    // keyColumn: 1 = column A. startRow: first worksheet row; endRowFromBottom: last row
    // counted backwards from the last row of the content range (1 = that row).
    CCopyRowsByKeyColTask(const CString& folder, const SheetSelection& selection, int keyColumn,
                          int startRow, int endRowFromBottom, platform::CNotifyHandle notify,
                          int keepFormulas, const CString& resultFile);

  protected:
    int ProcessWorksheet(const CString& path, _Worksheet sheet) override;

  private:
    // Adds row onto the result row holding key, or appends it when there is none.
    void MergeRow(const Range& row, const COleVariant& key);

    int m_nStartRow;
    int m_nEndRowFromBottom;
    int m_nKeyColumn;
    int m_bKeepFormulas;
};

}  // namespace tabulon::engine
