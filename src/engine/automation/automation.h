// Everything the tasks and helpers use to reach workbooks.
#pragma once

#include "engine/automation/application.h"
#include "engine/automation/com_error.h"
#include "engine/automation/range.h"
#include "engine/automation/sheets.h"
#include "engine/automation/variant.h"
#include "engine/automation/workbook.h"
#include "engine/automation/workbooks.h"
#include "engine/automation/worksheet.h"
