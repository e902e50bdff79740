// The field lists' rows and settings without widgets: what a mode's list saves is what it
// loads again, and what the command line reads with --settings, key by key; nothing but
// the mode's own section is written, and the key column of copy-rows-by-key is never kept.
// (The defaults of an empty settings file and the stored relative paths are checked where
// the input view shows them, in input_view_test.cpp.)
#include <gtest/gtest.h>

#include "gui/input/field_rows.h"
#include "gui/input/work_modes.h"
#include "platform/ini_file.h"
#include "platform/temp_folder.h"

namespace tabulon::gui::testing {
namespace {

using cli::Mode;
using cli::TaskFields;
using platform::testing::TempFolder;

// A value for every field that differs from every default.
TaskFields Filled(const std::string& root) {
    TaskFields f;
    f.folder = root + "/books";
    f.sheets = "Sales; Costs";
    f.fromRow = "3";
    f.toRow = "2";
    f.keyCol = "4";
    f.templateFile = root + "/t.xlsx";
    f.templateSheet = "Sum";
    f.file1 = root + "/a.xlsx";
    f.sheet1 = "One";
    f.key1 = "5";
    f.file2 = root + "/b.xlsx";
    f.sheet2 = "Two";
    f.key2 = "6";
    f.keepFormulas = "No";
    f.result = root + "/r.xlsx";
    return f;
}

TEST(FieldRows, WhatAModeSavesItLoadsAndTheCommandLineReads) {
    for (const WorkModeEntry& entry : kWorkModes) {
        SCOPED_TRACE(cli::ModeName(entry.mode));
        TempFolder folder;
        const CString ini = folder / "Tabulon.ini";
        const TaskFields saved = Filled(folder.Path());
        ASSERT_TRUE(SaveFieldValues(entry.mode, saved, ini));
        const TaskFields loaded = LoadFieldValues(entry.mode, ini);
        cli::CliOptions options;
        options.mode = entry.mode;
        options.settingsFile = ini;
        const TaskFields read = cli::LoadFields(options);
        for (const FieldRow& row : FieldRowsOf(entry.mode)) {
            SCOPED_TRACE(row.label);
            // Not kept: the key column of copy-rows-by-key starts at "1".
            const CString expected = row.key ? saved.*row.value : CString("1");
            EXPECT_EQ(loaded.*row.value, expected);
            EXPECT_EQ(read.*row.value, expected);
            if (row.sheet) {
                EXPECT_EQ(loaded.*row.sheet, saved.*row.sheet);
                EXPECT_EQ(read.*row.sheet, saved.*row.sheet);
            }
        }
        // One section, the mode's own.
        const std::string content = platform::testing::ReadFile(ini.Str());
        EXPECT_EQ(std::count(content.begin(), content.end(), '['), 1) << content;
        EXPECT_NE(content.find(std::string("[") + cli::ModeSection(entry.mode) + "]"),
                  std::string::npos);
    }
}

}  // namespace
}  // namespace tabulon::gui::testing
