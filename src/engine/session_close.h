// Ending a task's spreadsheet session on the way out of a failed or cancelled run.
#pragma once

#include <initializer_list>

#include "engine/automation/automation.h"

namespace tabulon::engine {

// Marks `books` saved, closes every workbook of the session, restores the two alert
// settings and quits, without saving anything. Each step is tried on its own: a
// failure is ignored so that the session is still quit.
void CloseSessionQuietly(_Application& app, Workbooks& workbooks, int savedAskToUpdateLinks,
                         std::initializer_list<_Workbook*> books);

}  // namespace tabulon::engine
