#include "gui/input/field_rows.h"

#include "platform/field_checks.h"
#include "platform/ini_file.h"
#include "platform/paths.h"

namespace tabulon::gui {

namespace {

using cli::TaskFields;

FieldRow Folder() {
    return {RowKind::Folder,
            cli::kFolderLabel,
            true,
            "TheXLSFolder",
            nullptr,
            "",
            true,
            &TaskFields::folder,
            nullptr};
}
FieldRow Sheets() {
    return {RowKind::Sheets, cli::kSheetsLabel,        true,  "SheetName",
            nullptr,         platform::kAllWorksheets, false, &TaskFields::sheets,
            nullptr};
}
FieldRow FromRow() {
    return {RowKind::Number, cli::kFromRowLabel,   false,  "FromRow", nullptr, "1",
            false,           &TaskFields::fromRow, nullptr};
}
FieldRow ToRow() {
    return {RowKind::Number, cli::kToRowLabel,   false,  "ToRow", nullptr, "1",
            false,           &TaskFields::toRow, nullptr};
}
FieldRow KeepFormulas() {
    return {RowKind::KeepFormulas,
            kKeepFormulasLabel,
            false,
            "KeepFormula",
            nullptr,
            "Yes",
            false,
            &TaskFields::keepFormulas,
            nullptr};
}
FieldRow Result(const char* key) {
    return {RowKind::Result, kResultLabel,        false,  key, nullptr, "",
            false,           &TaskFields::result, nullptr};
}
FieldRow Template(bool bold, bool resolve) {
    return {RowKind::Workbook, cli::kTemplateLabel,       bold,
            "TemplateFile",    "TemplateSheet",           "",
            resolve,           &TaskFields::templateFile, &TaskFields::templateSheet};
}

std::vector<FieldRow> TwoFileRows() {
    return {
        {RowKind::Workbook, cli::kWorkbook1Label, true, "File1", "Sheet1", "", true,
         &TaskFields::file1, &TaskFields::sheet1},
        {RowKind::Number, cli::kKey1Label, true, "KeyCol1", nullptr, "", false, &TaskFields::key1,
         nullptr},
        {RowKind::Workbook, cli::kWorkbook2Label, true, "File2", "Sheet2", "", true,
         &TaskFields::file2, &TaskFields::sheet2},
        {RowKind::Number, cli::kKey2Label, true, "KeyCol2", nullptr, "", false, &TaskFields::key2,
         nullptr},
        KeepFormulas(),
        Result("ResultFile"),
    };
}

}  // namespace

const std::vector<FieldRow>& FieldRowsOf(cli::Mode mode) {
    static const std::vector<FieldRow> addCellByCell = {Folder(), Sheets(), Template(false, false),
                                                        KeepFormulas(), Result("Result")};
    static const std::vector<FieldRow> copySheets = {Folder(), Sheets(), KeepFormulas(),
                                                     Result("ResultFolder")};
    static const std::vector<FieldRow> copyRows = {
        Folder(), Sheets(), FromRow(), ToRow(), KeepFormulas(), Result("ResultFolder")};
    // The key column starts at "1" every time: it is not kept.
    static const std::vector<FieldRow> copyRowsByKey = {
        Folder(),
        Sheets(),
        {RowKind::Number, cli::kKeyColLabel, true, nullptr, nullptr, "1", false,
         &TaskFields::keyCol, nullptr},
        FromRow(),
        ToRow(),
        KeepFormulas(),
        Result("ResultFolder")};
    static const std::vector<FieldRow> twoFiles = TwoFileRows();
    static const std::vector<FieldRow> checkSameFormat = {Template(true, true), Folder(), Sheets(),
                                                          Result("Result")};
    static const std::vector<FieldRow> none;
    switch (mode) {
        case cli::Mode::AddCellByCell:
            return addCellByCell;
        case cli::Mode::CopySheets:
            return copySheets;
        case cli::Mode::CopyRows:
            return copyRows;
        case cli::Mode::CopyRowsByKeyCol:
            return copyRowsByKey;
        case cli::Mode::MergeCols:
        case cli::Mode::Intersection:
        case cli::Mode::Difference:
            return twoFiles;
        case cli::Mode::CheckSameFormat:
            return checkSameFormat;
        default:
            return none;
    }
}

cli::TaskFields LoadFieldValues(cli::Mode mode, const CString& iniPath) {
    cli::TaskFields fields;
    const CString section = cli::ModeSection(mode);
    for (const FieldRow& row : FieldRowsOf(mode)) {
        if (!row.key) {
            fields.*row.value = row.defaultValue;
            continue;
        }
        CString value;
        platform::ReadIniString(iniPath, section, row.key, row.defaultValue, value);
        // A workbook that was never chosen stays empty: resolving it would make it the
        // host folder, which Start would then call "not a valid Excel file".
        const bool resolve = row.resolvePath && (row.kind != RowKind::Workbook || !value.IsEmpty());
        fields.*row.value = resolve ? platform::ResolvePath(value) : value;
        if (row.sheetKey)
            platform::ReadIniString(iniPath, section, row.sheetKey, "", fields.*row.sheet);
    }
    return fields;
}

bool SaveFieldValues(cli::Mode mode, const cli::TaskFields& fields, const CString& iniPath) {
    const CString section = cli::ModeSection(mode);
    bool ok = true;
    for (const FieldRow& row : FieldRowsOf(mode)) {
        if (!row.key)
            continue;
        ok &= platform::WritePrivateProfileString(section, row.key, fields.*row.value, iniPath);
        if (row.sheetKey)
            ok &= platform::WritePrivateProfileString(section, row.sheetKey, fields.*row.sheet,
                                                      iniPath);
    }
    return ok;
}

}  // namespace tabulon::gui
