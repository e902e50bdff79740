#include "cli/cli_fields.h"

#include <unistd.h>

#include <string>
#include <vector>

#include "engine/tasks/add_cell_by_cell_task.h"
#include "engine/tasks/check_same_format_task.h"
#include "engine/tasks/copy_rows_by_key_task.h"
#include "engine/tasks/copy_rows_task.h"
#include "engine/tasks/copy_sheets_task.h"
#include "engine/tasks/difference_task.h"
#include "engine/tasks/intersection_task.h"
#include "engine/tasks/merge_cols_task.h"
#include "platform/field_checks.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "platform/prompt.h"

namespace tabulon::cli {

using platform::CFieldChecks;

namespace {

const char* ResultKey(Mode mode) {
    switch (mode) {
        case Mode::AddCellByCell:
        case Mode::CheckSameFormat:
            return "Result";
        case Mode::MergeCols:
        case Mode::Intersection:
        case Mode::Difference:
            return "ResultFile";
        default:
            return "ResultFolder";
    }
}

void ReadSettings(const CString& iniPath, Mode mode, TaskFields& f) {
    const CString section = ModeSection(mode);
    auto read = [&](const char* key, const char* defaultValue) {
        CString value;
        platform::ReadIniString(iniPath, section, key, defaultValue, value);
        return value;
    };
    f.folder = platform::ResolvePath(read("TheXLSFolder", ""));
    f.sheets = read("SheetName", platform::kAllWorksheets);
    f.fromRow = read("FromRow", "1");
    f.toRow = read("ToRow", "1");
    f.keepFormulas = read("KeepFormula", "Yes");
    f.result = read(ResultKey(mode), "");
    f.templateFile = read("TemplateFile", "");
    if (mode == Mode::CheckSameFormat)
        f.templateFile = platform::ResolvePath(f.templateFile);
    f.templateSheet = read("TemplateSheet", "");
    f.file1 = platform::ResolvePath(read("File1", ""));
    f.sheet1 = read("Sheet1", "");
    f.key1 = read("KeyCol1", "");
    f.file2 = platform::ResolvePath(read("File2", ""));
    f.sheet2 = read("Sheet2", "");
    f.key2 = read("KeyCol2", "");
    // The key column of copy-rows-by-key is never stored: it starts at "1".
}

// CheckNumber, and a message for a number made of zeros, which it refuses silently: on
// the command line nothing else would say what is wrong.
int CheckCount(const char* label, const CString& value) {
    const int number = CFieldChecks::CheckNumber(label, value);
    if (number == 0 && !value.IsEmpty() && value.SpanIncluding("0") == value) {
        CString text;
        text.Format("\"%s\": You must enter a number greater than 0 in this field", label);
        platform::MessageBoxOk(text);
    }
    return number;
}

// The folder check of the field lists: a value, then an existing folder.
bool CheckFolderField(const CString& folder) {
    return CFieldChecks::RequireValue(kFolderLabel, folder) &&
           CFieldChecks::CheckFolder(folder, true, false);
}

// The checks of the two-file field lists; the key column numbers on success, else false.
bool CheckTwoFileFields(const TaskFields& f, int& key1, int& key2) {
    if (!CFieldChecks::RequireValue(kWorkbook1Label, f.file1) ||
        !CFieldChecks::CheckExcelFile(f.file1, true, false) ||
        !CFieldChecks::RequireValue(kWorkbook1Label, f.sheet1))
        return false;
    key1 = CheckCount(kKey1Label, f.key1);
    if (key1 == 0)
        return false;
    if (!CFieldChecks::RequireValue(kWorkbook2Label, f.file2) ||
        !CFieldChecks::CheckExcelFile(f.file2, true, false) ||
        !CFieldChecks::RequireValue(kWorkbook2Label, f.sheet2))
        return false;
    key2 = CheckCount(kKey2Label, f.key2);
    return key2 != 0;
}

}  // namespace

CString AbsoluteFromCurrentFolder(const CString& path) {
    if (path.IsEmpty() || !platform::PathIsRelative(path))
        return path;
    std::vector<char> buffer(4096);
    if (!getcwd(buffer.data(), buffer.size()))
        return path;
    return CString(buffer.data()) + "/" + path;
}

TaskFields LoadFields(const CliOptions& options) {
    TaskFields f;
    if (options.settingsFile)
        ReadSettings(AbsoluteFromCurrentFolder(*options.settingsFile), options.mode, f);
    auto take = [](const std::optional<CString>& given, CString& field, bool isPath) {
        if (given)
            field = isPath ? AbsoluteFromCurrentFolder(*given) : *given;
    };
    take(options.folder, f.folder, true);
    take(options.sheets, f.sheets, false);
    take(options.fromRow, f.fromRow, false);
    take(options.toRow, f.toRow, false);
    take(options.keyCol, f.keyCol, false);
    take(options.templateFile, f.templateFile, true);
    take(options.templateSheet, f.templateSheet, false);
    take(options.file1, f.file1, true);
    take(options.sheet1, f.sheet1, false);
    take(options.key1, f.key1, false);
    take(options.file2, f.file2, true);
    take(options.sheet2, f.sheet2, false);
    take(options.key2, f.key2, false);
    take(options.keepFormulas, f.keepFormulas, false);
    take(options.result, f.result, true);
    return f;
}

std::unique_ptr<engine::CTask> ValidateAndCreateTask(Mode mode, const TaskFields& f,
                                                     const platform::CNotifyHandle& notify) {
    const int keepFormulas = f.keepFormulas == "Yes" ? 1 : 0;
    std::vector<CString> names;
    switch (mode) {
        case Mode::CopySheets:
            if (!CheckFolderField(f.folder) ||
                !CFieldChecks::ParseSheetList(kSheetsLabel, f.sheets, names))
                return nullptr;
            return std::make_unique<engine::CCopySheetsTask>(f.folder, names, notify, keepFormulas,
                                                             f.result);
        case Mode::CopyRows: {
            if (!CheckFolderField(f.folder) ||
                !CFieldChecks::ParseSheetList(kSheetsLabel, f.sheets, names))
                return nullptr;
            int fromRow = CheckCount(kFromRowLabel, f.fromRow);
            if (fromRow == 0)
                return nullptr;
            int toRow = CheckCount(kToRowLabel, f.toRow);
            if (toRow == 0)
                return nullptr;
            return std::make_unique<engine::CCopyRowsTask>(f.folder, names, fromRow, toRow, notify,
                                                           keepFormulas, f.result);
        }
        case Mode::CopyRowsByKeyCol: {
            if (!CheckFolderField(f.folder) ||
                !CFieldChecks::ParseSheetList(kSheetsLabel, f.sheets, names))
                return nullptr;
            int keyCol = CheckCount(kKeyColLabel, f.keyCol);
            if (keyCol == 0)
                return nullptr;
            int fromRow = CheckCount(kFromRowLabel, f.fromRow);
            if (fromRow == 0)
                return nullptr;
            int toRow = CheckCount(kToRowLabel, f.toRow);
            if (toRow == 0)
                return nullptr;
            return std::make_unique<engine::CCopyRowsByKeyColTask>(
                f.folder, names, keyCol, fromRow, toRow, notify, keepFormulas, f.result);
        }
        case Mode::AddCellByCell:
            if (!CheckFolderField(f.folder) ||
                !CFieldChecks::ParseSheetList(kSheetsLabel, f.sheets, names) ||
                !CFieldChecks::CheckExcelFile(f.templateFile, true, true))
                return nullptr;
            // A template workbook needs its worksheet: without one every file would fail.
            if (!f.templateFile.IsEmpty() &&
                !CFieldChecks::RequireValue(kTemplateLabel, f.templateSheet))
                return nullptr;
            return std::make_unique<engine::CAddCellByCellTask>(
                f.folder, names, f.templateFile, f.templateSheet, keepFormulas, f.result, notify);
        case Mode::CheckSameFormat:
            // No template at all is asked for by name, not reported as a path that is missing.
            if (!CFieldChecks::RequireValue(kTemplateLabel, f.templateFile) ||
                !CFieldChecks::CheckExcelFile(f.templateFile, true, false) ||
                !CheckFolderField(f.folder) ||
                !CFieldChecks::ParseSheetList(kSheetsLabel, f.sheets, names))
                return nullptr;
            return std::make_unique<engine::CCheckSameFormatSheetTask>(
                f.templateFile, f.templateSheet, f.folder, names, f.result, notify);
        case Mode::MergeCols:
        case Mode::Intersection:
        case Mode::Difference: {
            int key1 = 0, key2 = 0;
            if (!CheckTwoFileFields(f, key1, key2))
                return nullptr;
            if (mode == Mode::MergeCols)
                return std::make_unique<engine::CMergeColsTask>(notify, f.file1, f.sheet1, f.file2,
                                                                f.sheet2, key1, key2, keepFormulas,
                                                                f.result);
            if (mode == Mode::Intersection)
                return std::make_unique<engine::CIntersectionTask>(notify, f.file1, f.sheet1,
                                                                   f.file2, f.sheet2, key1, key2,
                                                                   keepFormulas, f.result);
            return std::make_unique<engine::CDifferenceTask>(
                notify, f.file1, f.sheet1, f.file2, f.sheet2, key1, key2, keepFormulas, f.result);
        }
        default:
            return nullptr;
    }
}

}  // namespace tabulon::cli
