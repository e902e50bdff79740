// CFolderTask: the frame of the tasks that work on the chosen worksheets of every
// workbook in a folder tree. It starts a spreadsheet session, creates the result
// workbook with one worksheet, loads each file as a new workbook based on it (the file
// is only read), hands each selected worksheet to ProcessWorksheet, reports per file,
// and at the end saves a copy of the result, reports the totals and offers to open it.
#pragma once

#include <memory>
#include <vector>

#include "engine/automation/automation.h"
#include "engine/file_walker.h"
#include "engine/task_session.h"
#include "engine/workbook_prefetch.h"

namespace tabulon::engine {

// Worksheet-name patterns with shell wildcards; empty means every worksheet.
using SheetSelection = std::vector<CString>;

class CFolderTask : public CFileWalker {
  public:
    CFolderTask(const CString& folder, const SheetSelection& selection,
                platform::CNotifyHandle notify, const CString& resultFile);
    ~CFolderTask() override;

    bool IsSheetSelected(const CString& name) const;

  protected:
    int Run() override;
    int ProcessFile(const CString& path) override;
    virtual _Workbook OpenSourceWorkbook(const CString& path);
    // Whether the worksheets of the workbook OpenSourceWorkbook gave last are handed to
    // ProcessWorksheet from the last to the first (they go first to last otherwise).
    virtual bool LastWorksheetFirst() const { return false; }
    virtual int Prepare();
    // One selected worksheet of the file at path; 0 ends the task as cancelled.
    virtual int ProcessWorksheet(const CString& path, _Worksheet sheet);
    virtual int Finish();
    void AbortTask();
    void CleanUpAfterError() override;
    // A workbook the task reads besides the files of the walk (a template): the result
    // is never written over it.
    void AddReadFile(const CString& path) { m_readFiles.push_back(path); }

    platform::CNotifyHandle m_hWndNotify;
    int m_nSheetsSeen = 0;
    int m_nSheetsDone = 0;
    SheetSelection m_Selection;
    CString m_strResultFile;
    int m_nSavedAskToUpdateLinks = 0;
    _Application m_pApp;
    Workbooks m_pWorkbooks;
    _Workbook m_pResultBook;
    _Worksheet m_pResultSheet;

  private:
    // The templates, then every file the walk handed to ProcessFile.
    std::vector<CString> m_readFiles;         // templates
    std::vector<platform::FileId> m_readIds;  // the walked files read so far
    // The source workbooks, read ahead on a second thread while the walk works.
    std::unique_ptr<CWorkbookPrefetch> m_prefetch;
    // Closes every workbook without saving and ends the session; never throws.
    void CloseSession();
};

}  // namespace tabulon::engine
