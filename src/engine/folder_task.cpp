#include "engine/folder_task.h"

#include "engine/sheet/sheet_helpers.h"
#include "engine/task_session.h"
#include "output/task_messages.h"
#include "platform/field_checks.h"
#include "platform/paths.h"
#include "platform/prompt.h"

namespace tabulon::engine {

CFolderTask::CFolderTask(const CString& folder, const SheetSelection& selection,
                         platform::CNotifyHandle notify, const CString& resultFile)
    : CFileWalker(notify, folder, platform::kExcelFilePatterns),
      m_hWndNotify(notify),
      m_Selection(selection),
      m_strResultFile(resultFile) {}

CFolderTask::~CFolderTask() = default;

int CFolderTask::Run() {
    // Before any work: the result is never one of the templates, and a result inside the
    // walked folder (a former run's) is not read back.
    if (!CheckResultIsNoSource(m_hWndNotify, m_strResultFile, m_readFiles)) {
        AbortTask();
        return 0;
    }
    if (!m_strResultFile.IsEmpty())
        SkipFile(m_strResultFile);
    if (!Prepare()) {
        AbortTask();
        return 0;
    }
    std::vector<CString> files = ListFiles();
    if (m_status)
        m_status->SetFound(static_cast<int>(files.size()));
    m_prefetch = std::make_unique<CWorkbookPrefetch>(std::move(files), 1, CancelCheck());
    const int walked = WalkFolder(m_strFolder);
    m_prefetch.reset();
    if (!walked) {
        AbortTask();
        return 0;
    }
    if (Finish())
        return 1;
    AbortTask();
    return 0;
}

int CFolderTask::Prepare() {
    if (!StartTaskSession(m_pApp, m_pWorkbooks, m_nSavedAskToUpdateLinks, m_pResultBook,
                          m_pResultSheet))
        return 0;
    return 1;
}

_Workbook CFolderTask::OpenSourceWorkbook(const CString& path) {
    if (m_prefetch) {
        if (auto read = m_prefetch->Take(path))
            return m_pWorkbooks.AddRead(path, std::move(*read));
    }
    return m_pWorkbooks.AddRead(path, Workbooks::ReadFile(path, CancelCheck()));
}

int CFolderTask::ProcessWorksheet(const CString&, _Worksheet) {
    return 1;
}

int CFolderTask::ProcessFile(const CString& path) {
    if (IsCanceled())
        return 0;
    if (platform::FileId id; platform::GetFileId(path, id))
        m_readIds.push_back(id);
    _Workbook book;
    try {
        book = OpenSourceWorkbook(path);
        Sheets sheets = book.GetSheets();
        const long items = sheets.GetCount();
        long count = 0;  // worksheets: chart, macro and dialog sheets are passed over
        int processedHere = 0;
        const bool lastFirst = LastWorksheetFirst();
        for (long k = 1; k <= items; ++k) {
            const long i = lastFirst ? items + 1 - k : k;
            if (IsCanceled()) {
                book.Close();
                return 0;
            }
            if (!sheets.IsWorksheet(i))
                continue;
            _Worksheet sheet = sheets.GetItem(COleVariant(i));
            ++count;
            ++m_nSheetsSeen;
            if (!IsSheetSelected(sheet.GetName()))
                continue;
            try {
                sheet.ShowAllData();
            } catch (const ComError&) {
                // A worksheet without a filter: nothing to show.
            }
            if (!ProcessWorksheet(path, sheet)) {
                book.Close();
                return 0;
            }
            ++m_nSheetsDone;
            ++processedHere;
        }
        book.Close();
        PostUncalculatedCells(m_hWndNotify, m_pApp);
        CString line;
        line.Format(
            "Processing of the file '%s' is complete. This file has %ld worksheets in total. "
            "%d worksheets you specified have been processed.",
            path.GetString(), count, processedHere);
        output::PostText(m_hWndNotify, line);
    } catch (const ComError& e) {
        // Stopped while the file was read: the task ends as canceled, the file is not
        // at fault.
        if (e.Error() == E_ABORT && IsCanceled())
            return 0;
        CString line;
        line.Format(
            "A unknown error occurs when processing file %s. Please run the task again "
            "without this file.",
            path.GetString());
        output::PostText(m_hWndNotify, line);
        output::PostText(m_hWndNotify, "Reason: " + DescribeFailure(e));
        // The failed file's workbook is closed at once rather than left loaded.
        try {
            if (book)
                book.Close();
        } catch (const ComError&) {
        }
    }
    return 1;
}

bool CFolderTask::IsSheetSelected(const CString& name) const {
    if (m_Selection.empty())
        return true;
    for (const CString& pattern : m_Selection) {
        if (platform::PathMatchSpec(name, pattern))
            return true;
    }
    return false;
}

int CFolderTask::Finish() {
    m_pApp.SetDisplayAlerts(true);
    m_pApp.SetAskToUpdateLinks(m_nSavedAskToUpdateLinks != 0);
    PostUncalculatedCells(m_hWndNotify, m_pApp);
    CString path = output::PromptResultFile(m_strResultFile);
    if (path.IsEmpty() || !CheckResultIsNoSource(m_hWndNotify, path, m_readFiles, m_readIds))
        return 0;
    // A stop asked for until now still cancels; once the save has begun it completes.
    if (IsCanceled())
        return 0;
    m_pResultBook.SaveCopyAs(path);
    PostUncalculatedCells(m_hWndNotify, m_pApp, path);
    m_pResultBook.SetSaved(true);
    m_pWorkbooks.Close();
    CString text;
    text.Format(
        "Task is complete. %d worksheets located in %d Excel files were processed. The result "
        "is saved in the Excel file \"%s\".",
        m_nSheetsDone, GetFileCount(), path.GetString());
    PostFinishedOnce(text);
    if (platform::MessageBoxYesNo("Do you want to open the result?")) {
        m_pWorkbooks.Add(COleVariant(path));
        m_pApp.SetVisible(true);
    } else {
        m_pApp.Quit();
    }
    return 1;
}

void CFolderTask::CloseSession() {
    CloseSessionQuietly(m_pApp, m_pWorkbooks, m_nSavedAskToUpdateLinks, {&m_pResultBook});
}

void CFolderTask::AbortTask() {
    CloseSession();
    PostCanceledOnce();
}

void CFolderTask::CleanUpAfterError() {
    CloseSession();
}

}  // namespace tabulon::engine
