#include "cli/cli_options.h"

#include <array>
#include <utility>

namespace tabulon::cli {

namespace {

struct ModeInfo {
    Mode mode;
    const char* name;
    const char* section;
};

constexpr std::array kModes = {
    ModeInfo{Mode::AddCellByCell, "add-cell-by-cell", "Config"},
    ModeInfo{Mode::CopySheets, "copy-sheets", "Config_CopySheets"},
    ModeInfo{Mode::CopyRows, "copy-rows", "Config_CopyRows"},
    ModeInfo{Mode::CopyRowsByKeyCol, "copy-rows-by-key", "Config_MergeRowsByCol"},
    ModeInfo{Mode::MergeCols, "merge-cols", "Config_MergeTwoXLSCols"},
    ModeInfo{Mode::Intersection, "intersection", "Config_Intersection"},
    ModeInfo{Mode::Difference, "difference", "Config_Difference"},
    ModeInfo{Mode::CheckSameFormat, "check-same-format", "CheckSameFormatSheet"},
};

const ModeInfo* FindMode(Mode mode) {
    for (const ModeInfo& info : kModes) {
        if (info.mode == mode)
            return &info;
    }
    return nullptr;
}

// The options that take a value, and where the value goes.
std::optional<CString>* ValueSlot(CliOptions& o, const CString& name) {
    const std::pair<const char*, std::optional<CString>*> slots[] = {
        {"--settings", &o.settingsFile},
        {"--folder", &o.folder},
        {"--sheets", &o.sheets},
        {"--from-row", &o.fromRow},
        {"--to-row", &o.toRow},
        {"--key-col", &o.keyCol},
        {"--template", &o.templateFile},
        {"--template-sheet", &o.templateSheet},
        {"--file1", &o.file1},
        {"--sheet1", &o.sheet1},
        {"--key1", &o.key1},
        {"--file2", &o.file2},
        {"--sheet2", &o.sheet2},
        {"--key2", &o.key2},
        {"--keep-formulas", &o.keepFormulas},
        {"--result", &o.result},
        {"--list-sheets", &o.listSheets},
    };
    for (const auto& [option, slot] : slots) {
        if (name == option)
            return slot;
    }
    return nullptr;
}

}  // namespace

Mode ModeFromName(const CString& name) {
    for (const ModeInfo& info : kModes) {
        if (name == info.name)
            return info.mode;
    }
    return Mode::None;
}

const char* ModeName(Mode mode) {
    const ModeInfo* info = FindMode(mode);
    return info ? info->name : "";
}

const char* ModeSection(Mode mode) {
    const ModeInfo* info = FindMode(mode);
    return info ? info->section : "";
}

bool ParseCommandLine(const std::vector<CString>& args, CliOptions& options, CString& error) {
    options = CliOptions();
    for (size_t i = 0; i < args.size(); ++i) {
        const CString& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--overwrite") {
            options.overwrite = true;
        } else if (arg == "--open") {
            options.open = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (std::optional<CString>* slot = ValueSlot(options, arg)) {
            if (i + 1 >= args.size()) {
                error.Format("Option %s needs a value.", arg.GetString());
                return false;
            }
            *slot = args[++i];
        } else if (arg.Left(2) == "--" || arg.Left(1) == "-") {
            error.Format("Unknown option %s.", arg.GetString());
            return false;
        } else if (options.mode == Mode::None) {
            options.mode = ModeFromName(arg);
            if (options.mode == Mode::None) {
                error.Format("Unknown mode %s.", arg.GetString());
                return false;
            }
        } else {
            error.Format("Unexpected argument %s.", arg.GetString());
            return false;
        }
    }
    if (options.keepFormulas) {
        CString value = *options.keepFormulas;
        if (value.CompareNoCase("yes") == 0) {
            options.keepFormulas = CString("Yes");
        } else if (value.CompareNoCase("no") == 0) {
            options.keepFormulas = CString("No");
        } else {
            error = "--keep-formulas takes yes or no.";
            return false;
        }
    }
    if (options.mode == Mode::None && !options.help && !options.version && !options.listSheets) {
        error = "No mode given.";
        return false;
    }
    return true;
}

const char* UsageText() {
    return R"USAGE(Usage: tabulon MODE [options]
       tabulon --list-sheets PATH
  MODE: add-cell-by-cell | copy-sheets | copy-rows | copy-rows-by-key |
        merge-cols | intersection | difference | check-same-format
  --settings FILE       take every field not given on the line from this settings file
                        (the mode's section and keys, defaults and path resolution as the GUI
                        reads them)
  --folder DIR          folder of the source workbooks (subfolders included)
  --sheets TEXT         worksheets, ";"-separated, wildcards, "*(All Worksheets)"; default all
  --from-row N          first row of the band (default 1)
  --to-row N            last row of the band, counted backwards (default 1)
  --key-col N           key column (copy-rows-by-key; default 1)
  --template FILE --template-sheet NAME      (add-cell-by-cell, check-same-format)
  --file1 FILE --sheet1 NAME --key1 N --file2 FILE --sheet2 NAME --key2 N   (two-file modes)
  --keep-formulas yes|no   (default yes)
  --result FILE         without it, the result name is asked for on a terminal (a name
                        without an extension gets .xlsx); without a terminal that is a usage
                        error
  --overwrite           answer Yes when the result file already exists (only a regular file
                        is ever replaced, never a source workbook)
  --open                answer Yes to "Do you want to open the result?" (default No); when
                        the desktop cannot open it, the reason is said
  --json                one JSON object per line instead of text (code, text, record); usage
                        errors and messages on stderr as JSON objects too
  --list-sheets PATH    print the worksheet names of a workbook, or those a folder offers, and
                        exit
  --help, --version
On a terminal, the bottom line shows the files done of those found, the file at work and
the time taken; it is never written with --json or when the output is not a terminal.
Ctrl-C, SIGTERM or SIGHUP stops the task; a second one ends the program at once.
Exit status: 0 when the task completed, 1 when it was cancelled or failed (or --list-sheets
could not read the workbook), 2 for usage errors.
)USAGE";
}

}  // namespace tabulon::cli
