// CCopySheetsTask: copies every selected worksheet of every workbook in a folder tree
// into the result workbook, with their formulas or as values and formats only.
#pragma once

#include "engine/folder_task.h"

namespace tabulon::engine {

class CCopySheetsTask : public CFolderTask {
  public:
    CCopySheetsTask(const CString& folder, const SheetSelection& selection,
                    platform::CNotifyHandle notify, int keepFormulas, const CString& resultFile);

  protected:
    int ProcessWorksheet(const CString& path, _Worksheet sheet) override;
    // Removes the blank worksheet the result was created with when copies exist and
    // one of them is visible.
    int Finish() override;

  private:
    bool HasVisibleCopy() const;
    int m_bKeepFormulas;
};

}  // namespace tabulon::engine
