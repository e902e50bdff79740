// Everything the tasks, the sheet helpers and the pickers use to reach workbooks:
// a spreadsheet session in process, with the object model of a spreadsheet
// application driven by automation.
//
//   _Application app = _Application::Create();
//   _Workbook book = app.GetWorkbooks().Add(COleVariant(path));  // the file is only read
//   _Worksheet sheet = book.GetSheets().GetItem(COleVariant(1L));  // empty for a chart
//   COleVariant v = sheet.GetRange(COleVariant("B2")).GetValue();
//   book.Close();
//   app.Quit();
//
// Handles are cheap shared references; an empty one raises ComError E_POINTER when
// used, and objects of a closed workbook, a deleted sheet or an ended session raise
// ComError RPC_E_DISCONNECTED. Every failure is a ComError whose what() says which
// file or sheet and what went wrong. Optional arguments left out are
// COleVariant::Omitted(). A session and its objects belong to one thread at a time;
// separate sessions may run on separate threads.
#pragma once

#include "engine/automation/application.h"
#include "engine/automation/com_error.h"
#include "engine/automation/range.h"
#include "engine/automation/sheets.h"
#include "engine/automation/variant.h"
#include "engine/automation/workbook.h"
#include "engine/automation/workbooks.h"
#include "engine/automation/worksheet.h"
