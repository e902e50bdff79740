// The field values of a work mode as the command line gathers them: from the options
// given, else from the mode's section of a settings file (with the defaults and path
// resolution the field lists use), else the defaults. Validate then checks them in the
// field list's order with the field checks' messages and builds the mode's task.
#pragma once

#include <memory>

#include "cli/cli_options.h"
#include "engine/task.h"
#include "platform/notify.h"

namespace tabulon::cli {

inline constexpr const char* kFolderLabel = "Folder where the Excel file locates";
inline constexpr const char* kSheetsLabel = "Worksheets to process";
inline constexpr const char* kFromRowLabel = "Starting row of the processing range";
inline constexpr const char* kToRowLabel = "Ending row (counted backwards) of the processing range";
inline constexpr const char* kKeyColLabel = "Key column";
inline constexpr const char* kTemplateLabel = "Template worksheet";
inline constexpr const char* kWorkbook1Label = "Worksheet 1";
inline constexpr const char* kKey1Label = "The key column of worksheet 1";
inline constexpr const char* kWorkbook2Label = "Worksheet 2";
inline constexpr const char* kKey2Label = "The key column of worksheet 2";

struct TaskFields {
    CString folder;
    CString sheets = "*(All Worksheets)";
    CString fromRow = "1";
    CString toRow = "1";
    CString keyCol = "1";
    CString templateFile, templateSheet;
    CString file1, sheet1, key1 = "1";
    CString file2, sheet2, key2 = "1";
    CString keepFormulas = "Yes";
    CString result;
};

// A path given relative to the current folder, made absolute; other paths unchanged.
CString AbsoluteFromCurrentFolder(const CString& path);

// The fields of options.mode. Paths on the command line are taken relative to the
// current folder; paths read from the settings file as the field lists resolve them.
TaskFields LoadFields(const CliOptions& options);

// Checks the fields of mode in order, stopping at the first failure (its message goes
// through the prompt service), and builds the task; null when a check failed.
std::unique_ptr<engine::CTask> ValidateAndCreateTask(Mode mode, const TaskFields& fields,
                                                     const platform::CNotifyHandle& notify);

}  // namespace tabulon::cli
