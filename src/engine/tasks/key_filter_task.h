// CKeyFilterTask: the algorithm of intersection and difference. The rows of worksheet 1
// whose key answers the subclass's test against worksheet 2's key column are written one
// under the other into the result worksheet; worksheet 2 only answers whether a key occurs.
#pragma once

#include "engine/two_file_task.h"

namespace tabulon::engine {

class CKeyFilterTask : public CTwoFileTask {
  public:
    // keyColumn1, keyColumn2: 1-based key columns (1 is column A).
    CKeyFilterTask(platform::CNotifyHandle notify, const CString& file1, const CString& sheet1,
                   const CString& file2, const CString& sheet2, int keyColumn1, int keyColumn2,
                   int keepFormulas, const CString& resultFile);

  protected:
    int Process() override;
    // True to keep a row whose key was found (intersection), false to keep one whose key
    // was not (difference).
    virtual bool KeepsFoundKeys() const = 0;

    int m_nKeyColumn1;
    int m_nKeyColumn2;
    int m_bKeepFormulas;
};

}  // namespace tabulon::engine
