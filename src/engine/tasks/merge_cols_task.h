// CMergeColsTask: the result worksheet starts as a copy of worksheet 1; every row of it
// whose key also occurs in worksheet 2's key column gets that row of worksheet 2 placed to
// the right of worksheet 1's data.
#pragma once

#include "engine/two_file_task.h"

namespace tabulon::engine {

class CMergeColsTask : public CTwoFileTask {
  public:
    // keyColumn1, keyColumn2: 1-based key columns (1 is column A).
    CMergeColsTask(platform::CNotifyHandle notify, const CString& file1, const CString& sheet1,
                   const CString& file2, const CString& sheet2, int keyColumn1, int keyColumn2,
                   int keepFormulas, const CString& resultFile);

  protected:
    int Prepare() override;
    int Process() override;

    int m_nKeyColumn1;
    int m_nKeyColumn2;
    int m_bKeepFormulas;
};

}  // namespace tabulon::engine
