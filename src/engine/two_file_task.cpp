#include "engine/two_file_task.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "engine/sheet/sheet_helpers.h"
#include "engine/task_session.h"
#include "output/task_messages.h"
#include "platform/prompt.h"

namespace tabulon::engine {

CTwoFileTask::CTwoFileTask(platform::CNotifyHandle notify, const CString& file1,
                           const CString& sheet1, const CString& file2, const CString& sheet2,
                           const CString& resultFile)
    : CTask(notify),
      m_hWndNotify(notify),
      m_strFile1(file1),
      m_strSheet1(sheet1),
      m_strFile2(file2),
      m_strSheet2(sheet2),
      m_strResultFile(resultFile) {}

CTwoFileTask::~CTwoFileTask() = default;

int CTwoFileTask::RunStep(int (CTwoFileTask::*step)()) {
    try {
        return (this->*step)();
    } catch (const ComError& e) {
        // A read stopped by Stop is no failure to report: the task ends as canceled.
        if (e.Error() != E_ABORT || !IsCanceled())
            output::PostText(m_hWndNotify, CString(e.what()));
        return 0;
    }
}

int CTwoFileTask::Run() {
    // Before any work: the result is never one of the two sources.
    if (!CheckResultIsNoSource(m_hWndNotify, m_strResultFile, {m_strFile1, m_strFile2})) {
        AbortTask();
        return 0;
    }
    if (RunStep(&CTwoFileTask::Prepare) && RunStep(&CTwoFileTask::Process) &&
        RunStep(&CTwoFileTask::Finish))
        return 1;
    AbortTask();
    return 0;
}

bool CTwoFileTask::LoadSource(const CString& file, const CString& sheetName, _Workbook& book,
                              _Worksheet& sheet) {
    std::optional<Workbooks::FileRead> read;
    if (m_prefetch)
        read = m_prefetch->Take(file);
    book = m_pWorkbooks.AddRead(file,
                                read ? std::move(*read) : Workbooks::ReadFile(file, CancelCheck()));
    sheet = FindWorksheet(book, sheetName);
    if (sheet)
        return true;
    CString line;
    line.Format(
        "In Excel file \"%s\", there is not Worksheet\"%s\" you specified, please check it.",
        file.GetString(), sheetName.GetString());
    output::PostText(m_hWndNotify, line);
    return false;
}

int CTwoFileTask::Prepare() {
    if (!StartTaskSession(m_pApp, m_pWorkbooks, m_nSavedAskToUpdateLinks, m_pResultBook,
                          m_pResultSheet))
        return 0;
    m_prefetch =
        std::make_unique<CWorkbookPrefetch>(std::vector<CString>{m_strFile2}, 1, CancelCheck());
    const bool loaded = LoadSource(m_strFile1, m_strSheet1, m_pBook1, m_pSheet1) &&
                        LoadSource(m_strFile2, m_strSheet2, m_pBook2, m_pSheet2);
    m_prefetch.reset();
    if (!loaded)
        return 0;
    try {
        m_pSheet1.ShowAllData();
        m_pSheet2.ShowAllData();
    } catch (const ComError&) {
        // A worksheet without a filter: nothing to show.
    }
    return 1;
}

void CTwoFileTask::ShowNoDataMessage(const CString& file, const CString& sheet) const {
    CString text;
    text.Format(
        "There is no data in Excel file \"%s\" --> worksheet \"%s\" you specified. "
        "Please check it and perform the operation again.",
        file.GetString(), sheet.GetString());
    platform::MessageBoxOk(text);
}

bool CTwoFileTask::IsLookupKey(const COleVariant& value) {
    if (value.IsEmpty() || value.Type() == VT_ERROR)
        return false;
    return value.Type() != VT_BSTR || !value.Text().IsEmpty();
}

void CTwoFileTask::CloseSource(_Workbook& book, _Worksheet& sheet) {
    sheet = _Worksheet();
    book.SetSaved(true);
    book.Close();
    book = _Workbook();
#ifdef __GLIBC__
    // The workbook read ahead was built in the other thread's heap, where this thread's
    // allocations never land: its pages go back to the system rather than wait there.
    malloc_trim(0);
#endif
}

void CTwoFileTask::PostRowProgress(const CString& progressId, long row, long rows,
                                   int& lastPercent) const {
    const int percent = static_cast<int>(static_cast<double>(row) / rows * 100.0);
    if (percent == lastPercent)
        return;
    output::UpdateProgress(m_hWndNotify, progressId, output::FormatTaskProgress(percent));
    lastPercent = percent;
}

int CTwoFileTask::Process() {
    return 1;
}

int CTwoFileTask::Finish() {
    m_pApp.SetDisplayAlerts(true);
    m_pApp.SetAskToUpdateLinks(m_nSavedAskToUpdateLinks != 0);
    PostUncalculatedCells(m_hWndNotify, m_pApp);
    CString path = output::PromptResultFile(m_strResultFile);
    if (path.IsEmpty() || !CheckResultIsNoSource(m_hWndNotify, path, {m_strFile1, m_strFile2}))
        return 0;
    // A stop asked for until now still cancels; once the save has begun it completes.
    if (IsCanceled())
        return 0;
    m_pResultBook.SaveCopyAs(path);
    PostUncalculatedCells(m_hWndNotify, m_pApp, path);
    for (_Workbook* book : {&m_pResultBook, &m_pBook1, &m_pBook2})
        if (*book)  // a source the task closed early has no handle
            book->SetSaved(true);
    m_pWorkbooks.Close();
    PostFinishedOnce("Mission accomplished");
    if (platform::MessageBoxYesNo("Do you want to open the result?")) {
        m_pWorkbooks.Add(COleVariant(path));
        m_pApp.SetVisible(true);
    } else {
        m_pApp.Quit();
    }
    return 1;
}

void CTwoFileTask::CloseSession() {
    CloseSessionQuietly(m_pApp, m_pWorkbooks, m_nSavedAskToUpdateLinks,
                        {&m_pResultBook, &m_pBook1, &m_pBook2});
}

void CTwoFileTask::AbortTask() {
    CloseSession();
    PostCanceledOnce();
}

void CTwoFileTask::CleanUpAfterError() {
    CloseSession();
}

}  // namespace tabulon::engine
