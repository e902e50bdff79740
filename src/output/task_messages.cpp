#include "output/task_messages.h"

#include <memory>

#include "platform/guid.h"
#include "platform/paths.h"
#include "platform/prompt.h"

namespace tabulon::output {

namespace {

// Results are always written as Office Open XML workbooks: a name typed without an
// extension gets the one of that format, never ".xls", which would misname the file.
const char* const kResultExtension = "xlsx";
const char* const kResultFilter = "Excel Files(*.xls)|*.xls|Excel2007 Files(*.xlsx)|*.xlsx||";
const char* const kResultTitle =
    "Task is complete. Enter the name of the result file, or specify an existing file";

bool PostProgress(const CNotifyHandle& target, int code, const CString& id, const CString& text) {
    return target.PostRecord(code, StringRecord{id, text});
}

}  // namespace

bool PostFinished(const CNotifyHandle& target, const CString& text) {
    return target.PostText(TN_FINISHED, text);
}

bool PostText(const CNotifyHandle& target, const CString& text) {
    return target.PostText(TN_TEXT, text);
}

bool PostDetail(const CNotifyHandle& target, StringRecord record) {
    if (record.empty())
        return false;
    return target.PostRecord(TN_DETAIL, std::move(record));
}

CString BeginProgress(const CNotifyHandle& target, const CString& text) {
    CString id = platform::NewGuidString();
    PostProgress(target, TN_PROGRESS_BEGIN, id, text);
    return id;
}

bool UpdateProgress(const CNotifyHandle& target, const CString& progressId, const CString& text) {
    return PostProgress(target, TN_PROGRESS_UPDATE, progressId, text);
}

bool EndProgress(const CNotifyHandle& target, const CString& progressId, const CString& text) {
    return PostProgress(target, TN_PROGRESS_END, progressId, text);
}

CString FormatSheetProgress(const CString& sheetName, int percent) {
    CString text;
    text.Format("Processing Worksheet \"%s\", %d%% completed", sheetName.GetString(), percent);
    return text;
}

CString FormatTaskProgress(int percent) {
    CString text;
    text.Format("Processing task... %d%% completed", percent);
    return text;
}

void UpdateSheetPercent(const CNotifyHandle& target, const CString& progressId,
                        const CString& sheetName, long i, long count, int& lastPercent) {
    const int percent = static_cast<int>(static_cast<double>(i) / count * 100);
    if (percent == lastPercent)
        return;
    UpdateProgress(target, progressId, FormatSheetProgress(sheetName, percent));
    lastPercent = percent;
}

CString PromptResultFile(CString& path) {
    if (path.IsEmpty()) {
        path = platform::PromptForFile(
            kResultExtension, "", kResultFilter, kResultTitle,
            platform::OFN_EXPLORER | platform::OFN_HIDEREADONLY | platform::OFN_OVERWRITEPROMPT,
            "");
        if (path.IsEmpty())
            return CString();
    }
    if (platform::PathFileExists(path)) {
        // Only a regular file is ever replaced: never a FIFO, device or folder.
        if (!platform::PathIsRegularFile(path)) {
            CString text;
            text.Format(
                "'%s' is not a regular file and is never replaced by a result. Please "
                "choose another result file.",
                path.GetString());
            platform::MessageBoxOk(text);
            return CString();
        }
        CString question;
        question.Format("File '%s' already exists. Do you want to overwrite it?", path.GetString());
        if (!platform::MessageBoxYesNo(question))
            return CString();
        // The old file is not deleted here: the save writes a temporary file and renames
        // it over the old one, so a save that fails leaves the old result intact.
    }
    return path;
}

}  // namespace tabulon::output
