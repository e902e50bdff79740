// CCopyRowsTask: gathers a band of rows of every selected worksheet in a folder tree,
// one block under the other, on the single worksheet of the result workbook.
#pragma once

#include "engine/folder_task.h"

namespace tabulon::engine {

class CCopyRowsTask : public CFolderTask {
  public:
    // startRow: first worksheet row; endRowFromBottom: last row counted backwards from the
    // last row of the content range (1 = that row).
    CCopyRowsTask(const CString& folder, const SheetSelection& selection, int startRow,
                  int endRowFromBottom, platform::CNotifyHandle notify, int keepFormulas,
                  const CString& resultFile);

  protected:
    int ProcessWorksheet(const CString& path, _Worksheet sheet) override;

  private:
    int m_nStartRow;
    int m_nEndRowFromBottom;
    int m_bKeepFormulas;
    int m_bFirstSheet = 1;
};

}  // namespace tabulon::engine
