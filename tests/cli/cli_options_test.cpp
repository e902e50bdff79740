#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include "cli/cli_fields.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "platform/temp_folder.h"

namespace tabulon::cli {
namespace {

using platform::testing::TempFolder;

bool Parse(std::vector<CString> args, CliOptions& options, CString& error) {
    return ParseCommandLine(args, options, error);
}

TEST(CliOptions, ParsesModesValuesAndFlags) {
    CliOptions o;
    CString error;
    ASSERT_TRUE(Parse({"copy-rows", "--folder", "in", "--from-row", "2", "--keep-formulas", "NO",
                       "--overwrite", "--json"},
                      o, error));
    EXPECT_EQ(o.mode, Mode::CopyRows);
    EXPECT_EQ(*o.folder, "in");
    EXPECT_EQ(*o.fromRow, "2");
    EXPECT_EQ(*o.keepFormulas, "No");
    EXPECT_TRUE(o.overwrite && o.json && !o.open);
    EXPECT_FALSE(o.toRow.has_value());

    ASSERT_TRUE(Parse({"--list-sheets", "book.xlsx"}, o, error));
    EXPECT_EQ(*o.listSheets, "book.xlsx");
    EXPECT_STREQ(ModeSection(ModeFromName("copy-rows-by-key")), "Config_MergeRowsByCol");
    EXPECT_STREQ(ModeSection(ModeFromName("add-cell-by-cell")), "Config");
}

TEST(CliOptions, RefusesWhatItCannotRead) {
    CliOptions o;
    CString error;
    EXPECT_FALSE(Parse({}, o, error));
    EXPECT_EQ(error, "No mode given.");
    EXPECT_FALSE(Parse({"copy-rows", "--folder"}, o, error));
    EXPECT_EQ(error, "Option --folder needs a value.");
    EXPECT_FALSE(Parse({"copy-rows", "--keep-formulas", "maybe"}, o, error));
    EXPECT_FALSE(Parse({"copy-rows", "--colour"}, o, error));
    EXPECT_FALSE(Parse({"Copy-Rows"}, o, error));
    EXPECT_FALSE(Parse({"copy-rows", "copy-sheets"}, o, error));
}

TEST(CliFields, SettingsFileDefaultsPathResolutionAndOverrides) {
    TempFolder host;
    platform::SetModuleFolderOverride(platform::Module::Host, host.Path().c_str());
    const std::string ini = host / "Tabulon.ini";
    platform::WritePrivateProfileString("Config_CopyRows", "TheXLSFolder", "Data", ini.c_str());
    platform::WritePrivateProfileString("Config_CopyRows", "ToRow", " 3 ", ini.c_str());
    platform::WritePrivateProfileString("Config_CopyRows", "ResultFolder", "r.xlsx", ini.c_str());
    platform::WritePrivateProfileString("Config_CopySheets", "FromRow", "9", ini.c_str());

    CliOptions o;
    o.mode = Mode::CopyRows;
    o.settingsFile = CString(ini);
    TaskFields f = LoadFields(o);
    EXPECT_EQ(f.folder, CString(host / "Data"));  // relative to the host folder
    EXPECT_EQ(f.sheets, "*(All Worksheets)");
    EXPECT_EQ(f.fromRow, "1");
    EXPECT_EQ(f.toRow, "3");
    EXPECT_EQ(f.keepFormulas, "Yes");
    EXPECT_EQ(f.result, "r.xlsx");  // as stored

    o.toRow = CString("4");
    o.folder = CString("/abs");
    EXPECT_EQ(LoadFields(o).toRow, "4");
    EXPECT_EQ(LoadFields(o).folder, "/abs");

    o.mode = Mode::MergeCols;  // two-file key columns read empty when not stored
    EXPECT_EQ(LoadFields(o).key1, "");
    platform::SetModuleFolderOverride(platform::Module::Host, "");

    CliOptions none;
    none.mode = Mode::CopyRows;
    none.result = CString("out/r.xlsx");
    TaskFields defaults = LoadFields(none);
    EXPECT_EQ(defaults.folder, "");
    EXPECT_EQ(defaults.result, AbsoluteFromCurrentFolder("out/r.xlsx"));
    EXPECT_EQ(defaults.result.Left(1), "/");
}

}  // namespace
}  // namespace tabulon::cli
