// The rows of each work mode's field list as data: label, kind, boldness, settings keys,
// load default and where the value goes among the task fields. Loading and saving a
// mode's fields work on these alone, without widgets. The values are the command line's
// task fields, and the settings file is the one `tabulon MODE --settings FILE` reads.
#pragma once

#include <vector>

#include "cli/cli_fields.h"
#include "platform/cstring.h"

namespace tabulon::gui {

enum class RowKind {
    Folder,        // text box + folder picker
    Sheets,        // worksheet check-combo
    Number,        // text box only
    KeepFormulas,  // "Yes" / "No"
    Result,        // text box + result-file prompt
    Workbook,      // workbook and worksheet, chosen with Browse
};

struct FieldRow {
    RowKind kind;
    const char* label;
    bool bold;
    const char* key;       // null: the row is not kept in the settings file
    const char* sheetKey;  // the worksheet key of a Workbook row
    const char* defaultValue;
    bool resolvePath;  // a stored relative path is taken relative to the host folder
    CString cli::TaskFields::*value;
    CString cli::TaskFields::*sheet;  // the worksheet of a Workbook row
};

inline constexpr const char* kKeepFormulasLabel = "Keep formulas in the result";
inline constexpr const char* kResultLabel = "File to save the results";
inline constexpr const char* kSheetPlaceholderOptions = "AAA|BBB|CCC|";

// The rows of a mode in display order.
const std::vector<FieldRow>& FieldRowsOf(cli::Mode mode);

// The values the field list of a mode shows after loading the settings file: stored
// values, else the defaults; the folder and the workbooks the rows name resolved.
cli::TaskFields LoadFieldValues(cli::Mode mode, const CString& iniPath);

// Writes every stored row of the mode to its key; false when a write failed.
bool SaveFieldValues(cli::Mode mode, const cli::TaskFields& fields, const CString& iniPath);

}  // namespace tabulon::gui
