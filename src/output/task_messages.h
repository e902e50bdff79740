// How a running task reports to the user interface: the posting operations and the
// question about the result file. Each posting operation copies its text into a new
// heap object and posts it to the task's notify target with one of the TN_ codes of
// platform/notify.h; ownership travels with the message.
#pragma once

#include "platform/cstring.h"
#include "platform/notify.h"

namespace tabulon::output {

using platform::CNotifyHandle;

// The final line of a task (TN_FINISHED).
bool PostFinished(const CNotifyHandle& target, const CString& text);
// One line of text (TN_TEXT).
bool PostText(const CNotifyHandle& target, const CString& text);
// A line that carries details (TN_DETAIL): [line text, workbook path, worksheet name,
// detail lines...]. A record without its line text is refused (false) and freed.
bool PostDetail(const CNotifyHandle& target, StringRecord record);

// Opens a progress line showing text and returns its id (a new GUID text).
CString BeginProgress(const CNotifyHandle& target, const CString& text);
// Replaces the text of the progress line; an empty text removes it.
bool UpdateProgress(const CNotifyHandle& target, const CString& progressId, const CString& text);
bool EndProgress(const CNotifyHandle& target, const CString& progressId, const CString& text);

// The progress texts the tasks use.
CString FormatSheetProgress(const CString& sheetName, int percent);  // folder tasks
CString FormatTaskProgress(int percent);                             // two-file tasks

// For item i of count on a worksheet's progress line: the whole percentage,
// trunc(i / count * 100) in double precision, posted only when it differs from
// lastPercent, which then takes it.
void UpdateSheetPercent(const CNotifyHandle& target, const CString& progressId,
                        const CString& sheetName, long i, long count, int& lastPercent);

// Asks for, or confirms, the file a task's result is saved to. An empty path is asked
// for with the file prompt (and the answer stored in path); an existing file is only
// replaced after a Yes to "File '%s' already exists. Do you want to overwrite it?" (the
// save then renames its new file over it); anything else there but a regular file (or a
// link to one) is refused with a message. Returns the path, or an empty text when there
// is nothing to save to.
CString PromptResultFile(CString& path);

}  // namespace tabulon::output
