// CTwoFileTask: the frame of the tasks that combine one worksheet of one workbook with
// one worksheet of another. It starts a session, creates a blank result workbook with
// one worksheet, loads both files as new workbooks based on them, finds the two
// worksheets, lets the subclass fill the result worksheet, then saves a copy of the
// result and offers to open it. Any 0 from a step, and any ComError (its text is posted
// first), closes everything without saving and ends as "Task is canceled.".
#pragma once

#include "engine/automation/automation.h"
#include "engine/task.h"
#include "engine/workbook_prefetch.h"

namespace tabulon::engine {

class CTwoFileTask : public CTask {
  public:
    CTwoFileTask(platform::CNotifyHandle notify, const CString& file1, const CString& sheet1,
                 const CString& file2, const CString& sheet2, const CString& resultFile);
    ~CTwoFileTask() override;

    const CString& GetFile1() const { return m_strFile1; }
    const CString& GetSheet1() const { return m_strSheet1; }
    const CString& GetFile2() const { return m_strFile2; }
    const CString& GetSheet2() const { return m_strSheet2; }
    _Application GetApplication() const { return m_pApp; }
    Workbooks GetWorkbooks() const { return m_pWorkbooks; }
    _Workbook GetResultBook() const { return m_pResultBook; }
    _Worksheet GetResultSheet() const { return m_pResultSheet; }
    _Worksheet GetSheet1Object() const { return m_pSheet1; }
    _Worksheet GetSheet2Object() const { return m_pSheet2; }

  protected:
    int Run() override;
    virtual int Prepare();
    virtual int Process();
    virtual int Finish();
    void AbortTask();
    void CleanUpAfterError() override;

    // For the subclasses: the message box about a worksheet without data.
    void ShowNoDataMessage(const CString& file, const CString& sheet) const;
    // Whether a key cell's value is looked up: not when it is empty, an error value, or a
    // text that shows nothing (a formula's ""), which no search can match either.
    static bool IsLookupKey(const COleVariant& value);
    // Closes a source workbook the task reads no more (its handles become empty), so that
    // its memory goes back before the result grows further and is saved.
    static void CloseSource(_Workbook& book, _Worksheet& sheet);
    // Posts the progress of row `row` of `rows` when its whole percentage differs from
    // lastPercent, which it then updates.
    void PostRowProgress(const CString& progressId, long row, long rows, int& lastPercent) const;

    platform::CNotifyHandle m_hWndNotify;
    CString m_strFile1;
    CString m_strSheet1;
    CString m_strFile2;
    CString m_strSheet2;
    CString m_strResultFile;
    int m_nSavedAskToUpdateLinks = 0;
    _Application m_pApp;
    Workbooks m_pWorkbooks;
    _Workbook m_pResultBook;
    _Workbook m_pBook1;
    _Workbook m_pBook2;
    _Worksheet m_pResultSheet;
    _Worksheet m_pSheet1;
    _Worksheet m_pSheet2;

  private:
    // Runs one step; a ComError posts its text and counts as 0.
    int RunStep(int (CTwoFileTask::*step)());
    // Loads file as a new workbook and finds its worksheet; posts the not-found line.
    // The second file, read on another thread while the first one is read.
    std::unique_ptr<CWorkbookPrefetch> m_prefetch;
    bool LoadSource(const CString& file, const CString& sheetName, _Workbook& book,
                    _Worksheet& sheet);
    void CloseSession();
};

}  // namespace tabulon::engine
