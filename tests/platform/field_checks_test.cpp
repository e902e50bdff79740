#include "platform/field_checks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/scripted_prompt.h"
#include "temp_folder.h"

namespace tabulon::platform {
namespace {

using testing::TempFolder;
using Names = std::vector<CString>;

class FieldChecks : public ::testing::Test {
  protected:
    std::vector<CString> Shown() const { return m_script->Messages(); }

    std::shared_ptr<CScriptedPromptService> m_script = std::make_shared<CScriptedPromptService>();
    CScopedPromptService m_installed{m_script};
    TempFolder m_dir;
};

TEST_F(FieldChecks, RequireValueRefusesBlanksOnly) {
    EXPECT_TRUE(CFieldChecks::RequireValue("Source Folder", " x "));
    EXPECT_FALSE(CFieldChecks::RequireValue("Source Folder", " \t "));
    EXPECT_FALSE(CFieldChecks::RequireValue("Key Column", ""));
    EXPECT_EQ(Shown(), (Names{"Please specify 'Source Folder'.", "Please specify 'Key Column'."}));
    for (const PromptRecord& r : m_script->Records())
        EXPECT_EQ(r.buttons, MessageButtons::Ok);
}

TEST_F(FieldChecks, ExcelFileMustExistAndCarryAnExcelExtension) {
    std::string book = m_dir.Write("BOOK.XLSX", "x");
    std::string text = m_dir.Write("notes.txt", "x");
    std::string missing = m_dir / "gone.xls";
    EXPECT_TRUE(CFieldChecks::CheckExcelFile(book.c_str(), true, false));
    EXPECT_TRUE(CFieldChecks::CheckExcelFile("", true, true));
    EXPECT_FALSE(CFieldChecks::CheckExcelFile(text.c_str(), true, false));
    EXPECT_FALSE(CFieldChecks::CheckExcelFile(missing.c_str(), true, false));
    EXPECT_FALSE(CFieldChecks::CheckExcelFile("", true, false));
    EXPECT_FALSE(CFieldChecks::CheckExcelFile(text.c_str(), false, false));  // silent
    EXPECT_EQ(Shown(), (Names{"'" + CString(text) + "' is not a valid Excel file.",
                              "Path '" + CString(missing) +
                                  "' does not exist. Please confirm and enter again.",
                              "Path '' does not exist. Please confirm and enter again."}));
}

TEST_F(FieldChecks, FolderMustExistAndBeADirectory) {
    std::string file = m_dir.Write("a.xls", "x");
    EXPECT_TRUE(CFieldChecks::CheckFolder(m_dir.Path().c_str(), true, false));
    EXPECT_TRUE(CFieldChecks::CheckFolder("", true, true));
    EXPECT_FALSE(CFieldChecks::CheckFolder(file.c_str(), true, false));
    EXPECT_FALSE(CFieldChecks::CheckFolder((m_dir / "nope").c_str(), false, false));
    EXPECT_EQ(Shown(), (Names{"'" + CString(file) + "' is not a folder."}));
}

TEST_F(FieldChecks, NumbersAreDigitsOnly) {
    EXPECT_EQ(CFieldChecks::CheckNumber("From Row", "12"), 12);
    EXPECT_EQ(CFieldChecks::CheckNumber("From Row", "0012"), 12);
    EXPECT_EQ(CFieldChecks::CheckNumber("From Row", "000"), 0);  // no message
    EXPECT_EQ(CFieldChecks::CheckNumber("From Row", "2147483647"), 2147483647);
    EXPECT_TRUE(Shown().empty());
    const CString refused = "\"From Row\": You must enter digit(s) in this field";
    EXPECT_EQ(CFieldChecks::CheckNumber("From Row", "12a"), 0);
    EXPECT_EQ(CFieldChecks::CheckNumber("From Row", " 12"), 0);
    EXPECT_EQ(CFieldChecks::CheckNumber("From Row", "-1"), 0);
    EXPECT_EQ(CFieldChecks::CheckNumber("From Row", "2147483648"), 0);
    EXPECT_EQ(CFieldChecks::CheckNumber("From Row", "99999999999999999999999"), 0);
    EXPECT_EQ(CFieldChecks::CheckNumber("From Row", "  "), 0);
    EXPECT_EQ(Shown(),
              (Names{refused, refused, refused, refused, refused, "Please specify 'From Row'."}));
}

TEST_F(FieldChecks, SheetListsSplitAtSeparatorsOnly) {
    Names names{"stale"};
    EXPECT_TRUE(CFieldChecks::ParseSheetList("Sheets", "  Sheet1;;Sheet 2 ; Sheet3;", names));
    EXPECT_EQ(names, (Names{"Sheet1", "Sheet 2 ", " Sheet3"}));
    EXPECT_TRUE(CFieldChecks::ParseSheetList("Sheets", "A;*(All Worksheets);B", names));
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(CFieldChecks::ParseSheetList("Sheets", ";", names));
    EXPECT_TRUE(names.empty());
    // Only an exact piece means every worksheet.
    EXPECT_TRUE(
        CFieldChecks::ParseSheetList("Sheets", "*(all worksheets); *(All Worksheets)", names));
    EXPECT_EQ(names, (Names{"*(all worksheets)", " *(All Worksheets)"}));
    EXPECT_TRUE(Shown().empty());
    EXPECT_FALSE(CFieldChecks::ParseSheetList("Sheets", " ", names));
    EXPECT_EQ(Shown(), (Names{"Please specify 'Sheets'."}));
}

TEST_F(FieldChecks, LongSheetListsAreNotCut) {
    CString value;
    Names expected;
    for (int i = 0; value.GetLength() < 5000; ++i) {
        CString name;
        name.Format("Worksheet number %04d", i);
        value += name + ";";
        expected.push_back(name);
    }
    Names names;
    EXPECT_TRUE(CFieldChecks::ParseSheetList("Sheets", value, names));
    EXPECT_EQ(names, expected);
}

}  // namespace
}  // namespace tabulon::platform
