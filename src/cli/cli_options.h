// The command line of tabulon: the work mode and the options as given, before any
// settings file or field check is applied.
#pragma once

#include <optional>
#include <vector>

#include "platform/cstring.h"

namespace tabulon::cli {

enum class Mode {
    None,
    AddCellByCell,
    CopySheets,
    CopyRows,
    CopyRowsByKeyCol,
    MergeCols,
    Intersection,
    Difference,
    CheckSameFormat
};

// The mode named on the command line ("copy-rows"...); Mode::None for anything else.
Mode ModeFromName(const CString& name);
const char* ModeName(Mode mode);
// The section of the settings file the mode's fields are kept in.
const char* ModeSection(Mode mode);

struct CliOptions {
    Mode mode = Mode::None;
    std::optional<CString> settingsFile;
    // Field values given on the line; unset ones come from the settings file or defaults.
    std::optional<CString> folder, sheets, fromRow, toRow, keyCol;
    std::optional<CString> templateFile, templateSheet;
    std::optional<CString> file1, sheet1, key1, file2, sheet2, key2;
    std::optional<CString> keepFormulas;  // "Yes" or "No"
    std::optional<CString> result;
    bool overwrite = false;
    bool open = false;
    bool json = false;
    std::optional<CString> listSheets;
    bool help = false;
    bool version = false;
};

// Parses argv[1..]. False with a one-line reason in error for a usage error.
bool ParseCommandLine(const std::vector<CString>& args, CliOptions& options, CString& error);

// The --help text.
const char* UsageText();

}  // namespace tabulon::cli
