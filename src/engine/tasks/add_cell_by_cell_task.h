// CAddCellByCellTask: adds up the same cells of many worksheets. With a template
// worksheet the result starts as its copy and every cell marked "(SUM)" (any case)
// receives the sum of the numbers at that address; marked cells without a number are
// reported per worksheet. Without a template the first processed worksheet is the
// starting content and the numbers of every later one are added at the same addresses.
#pragma once

#include "engine/folder_task.h"

namespace tabulon::engine {

class CAddCellByCellTask : public CFolderTask {
  public:
    // An empty templateFile works without a template.
    CAddCellByCellTask(const CString& folder, const SheetSelection& selection,
                       const CString& templateFile, const CString& templateSheet, int keepFormulas,
                       const CString& resultFile, platform::CNotifyHandle notify);
    ~CAddCellByCellTask() override;

  protected:
    int Prepare() override;
    int ProcessWorksheet(const CString& path, _Worksheet sheet) override;
    int Finish() override;

  private:
    int AddByTemplate(const CString& path, const _Worksheet& sheet);
    int AddWithoutTemplate(const _Worksheet& sheet);
    void CloseTemplate();

    CString m_strTemplateFile;
    CString m_strTemplateSheet;
    _Workbook m_pTemplateBook;
    _Worksheet m_pTemplateSheet;
    int m_bKeepFormulas;
};

}  // namespace tabulon::engine
