// The spreadsheet session of a task: started the same way by both task families, and
// ended quietly on the way out of a failed or cancelled run.
#pragma once

#include <initializer_list>
#include <vector>

#include "engine/automation/automation.h"
#include "platform/notify.h"
#include "platform/paths.h"

namespace tabulon::engine {

inline constexpr const char* kNoSpreadsheetText =
    "This program cannot work without the Excel. To use this program properly, you are "
    "required to install Excel 2000 or a higher version.";

// Starts a session with alerts and link updates off (the old link setting goes to
// savedAskToUpdateLinks, -1 or 0) and a result workbook of one worksheet. When no session
// can be made, says so in a message box and returns false.
bool StartTaskSession(_Application& app, Workbooks& workbooks, int& savedAskToUpdateLinks,
                      _Workbook& resultBook, _Worksheet& resultSheet);

// Marks `books` saved, closes every workbook of the session, restores the two alert
// settings and quits, without saving anything. Each step is tried on its own: a
// failure is ignored so that the session is still quit.
void CloseSessionQuietly(_Application& app, Workbooks& workbooks, int savedAskToUpdateLinks,
                         std::initializer_list<_Workbook*> books);

// Reports the formula cells whose result could not be calculated (the session's
// TakeUncalculatedCells), as one line with details per worksheet: cells of source
// files whose values were left out, and cells of the result (saved to resultPath)
// saved without a value.
void PostUncalculatedCells(const platform::CNotifyHandle& notify, _Application& app,
                           const CString& resultPath = {});

// Sources are only ever read: when result is the same file (device and inode) as one of
// sources, posts a line saying so and returns false. A result not there yet is no source.
// read: the files a folder walk has read, kept by identity (a path each would cost more
// memory on large folders).
bool CheckResultIsNoSource(const platform::CNotifyHandle& notify, const CString& result,
                           const std::vector<CString>& sources,
                           const std::vector<platform::FileId>& read = {});

}  // namespace tabulon::engine
