// Sessions, workbooks, sheets: creation, placement and naming, copies, deletion,
// closing, saving, and what happens to the files they come from.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>

#include "engine/automation/automation.h"
#include "engine/automation/fixture.h"
#include "platform/scripted_prompt.h"
#include "spreadsheet/reader/workbook_reader.h"

namespace tabulon::engine {
namespace {

using platform::testing::ReadFile;
using platform::testing::TempFolder;
using spreadsheet::CellRef;
using spreadsheet::Workbook;
using testing::V;
using testing::WriteWorkbook;

std::vector<std::string> SheetNames(const _Workbook& book) {
    std::vector<std::string> names;
    Sheets sheets = book.GetSheets();
    for (long i = 1; i <= sheets.GetCount(); ++i)
        names.push_back(sheets.GetItem(COleVariant(i)).GetName().Str());
    return names;
}

HRESULT CodeOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const ComError& e) {
        return e.Error();
    }
    return 0;
}

TEST(AutomationSession, EmptyHandlesAndEndedSessionsRaise) {
    EXPECT_EQ(CodeOf([] { Range().GetValue(); }), E_POINTER);
    EXPECT_EQ(CodeOf([] { _Worksheet().GetName(); }), E_POINTER);
    EXPECT_EQ(CodeOf([] { _Workbook().Close(); }), E_POINTER);
    EXPECT_EQ(CodeOf([] { _Application().GetWorkbooks(); }), E_POINTER);

    _Application app = _Application::Create();
    _Workbook book = app.GetWorkbooks().Add();
    _Worksheet sheet = book.GetSheets().GetItem(COleVariant(1));
    app.Quit();
    EXPECT_EQ(CodeOf([&] { sheet.GetName(); }), RPC_E_DISCONNECTED);
    EXPECT_EQ(CodeOf([&] { app.GetWorkbooks(); }), RPC_E_DISCONNECTED);
}

TEST(AutomationSession, NewWorkbooksHaveSheetsInNewWorkbookWorksheets) {
    _Application app = _Application::Create();
    app.SetSheetsInNewWorkbook(3);
    _Workbook book = app.GetWorkbooks().Add();
    EXPECT_EQ(SheetNames(book), (std::vector<std::string>{"Sheet1", "Sheet2", "Sheet3"}));
    EXPECT_EQ(CodeOf([&] { app.SetSheetsInNewWorkbook(0); }), XL_E_APPLICATION);
    EXPECT_EQ(app.GetSheetsInNewWorkbook(), 3);
    app.GetWorkbooks().Close();
    EXPECT_EQ(app.GetWorkbooks().GetCount(), 0);
    EXPECT_EQ(CodeOf([&] { book.GetSheets(); }), RPC_E_DISCONNECTED);
}

TEST(AutomationSheets, AddGoesBeforeTheActiveSheetWithTheNextFreeName) {
    _Application app = _Application::Create();
    app.SetSheetsInNewWorkbook(2);
    _Workbook book = app.GetWorkbooks().Add();
    Sheets sheets = book.GetSheets();
    _Worksheet added = sheets.Add();
    EXPECT_EQ(added.GetName(), "Sheet3");
    EXPECT_EQ(added.GetIndex(), 1);
    // The new sheet is active now, so the next one goes before it.
    _Worksheet next = sheets.Add();
    EXPECT_EQ(SheetNames(book), (std::vector<std::string>{"Sheet4", "Sheet3", "Sheet1", "Sheet2"}));
    // A deleted name is free again.
    next.Delete();
    EXPECT_EQ(sheets.Add().GetName(), "Sheet4");
}

TEST(AutomationSheets, NamesAreValidatedAsTheApplicationDoes) {
    _Application app = _Application::Create();
    app.SetSheetsInNewWorkbook(2);
    _Workbook book = app.GetWorkbooks().Add();
    _Worksheet sheet = book.GetSheets().GetItem(COleVariant(1));
    for (const char* bad : {"", "a:b", "a/b", "a\\b", "a?b", "a*b", "a[b", "a]b",
                            "0123456789012345678901234567890123", "SHEET2"}) {
        EXPECT_EQ(CodeOf([&] { sheet.SetName(bad); }), XL_E_APPLICATION) << bad;
    }
    EXPECT_EQ(sheet.GetName(), "Sheet1");
    sheet.SetName("sheet1");  // its own name in another case
    sheet.SetName("Data 2024");
    EXPECT_EQ(sheet.GetName(), "Data 2024");
    try {
        sheet.SetName("Sheet2");
        FAIL();
    } catch (const ComError& e) {
        EXPECT_NE(std::string(e.what()).find("Sheet2"), std::string::npos);
    }
}

TEST(AutomationSheets, TheLastVisibleSheetCannotBeDeleted) {
    _Application app = _Application::Create();
    _Workbook book = app.GetWorkbooks().Add();
    _Worksheet only = book.GetSheets().GetItem(COleVariant(1));
    EXPECT_EQ(CodeOf([&] { only.Delete(); }), XL_E_APPLICATION);
    EXPECT_EQ(book.GetSheets().GetCount(), 1);
}

TEST(AutomationSheets, ChartSheetsAreItemsWithoutAWorksheet) {
    _Application app = _Application::Create();
    _Workbook book = app.GetWorkbooks().Add(
        COleVariant(CString(TABULON_CORPUS_DIR "/calamine/any_sheets.xlsx")));
    Sheets sheets = book.GetSheets();
    ASSERT_EQ(sheets.GetCount(), 4);
    int charts = 0;
    for (long i = 1; i <= 4; ++i)
        if (sheets.GetItem(COleVariant(i)).IsEmpty()) {
            ++charts;
            EXPECT_FALSE(sheets.IsWorksheet(i));
        }
    EXPECT_EQ(charts, 1);
    EXPECT_EQ(CodeOf([&] { sheets.GetItem(COleVariant(5)); }), DISP_E_BADINDEX);
}

TEST(AutomationWorksheetCopy, CarriesEverythingAndTakesAFreeName) {
    TempFolder folder;
    std::string path = WriteWorkbook(folder, "src.xlsx", [](Workbook& b) {
        auto& data = b.AddSheet("Data");
        auto& other = b.AddSheet("Other");
        other.SetValue({1, 1}, spreadsheet::Value::Number(40));
        data.SetValue({1, 1}, spreadsheet::Value::Text("Key"));
        data.SetValue({2, 1}, spreadsheet::Value::Number(2));
        data.SetFormula({2, 2}, "A2*Other!A1", spreadsheet::Value::Number(80), false);
        data.SetFormula({3, 2}, "Data!A2+1", spreadsheet::Value::Number(3), false);
        data.SetColumnWidth(1, 1, 21.5);
        data.SetRowHidden(4, true);
        data.SetRowHeight(2, 30);
        data.AddMerge({{6, 1}, {6, 3}});
        data.SetAutoFilter(spreadsheet::RangeRef{{1, 1}, {5, 2}});
    });
    _Application app = _Application::Create();
    _Workbook source = app.GetWorkbooks().Add(COleVariant(CString(path)));
    _Workbook result = app.GetWorkbooks().Add();  // one "Sheet1"
    _Worksheet data = source.GetSheets().GetItem(V("Data"));
    data.Copy(_Worksheet(), result.GetSheets().GetItem(COleVariant(1)));
    data.Copy(_Worksheet(), result.GetSheets().GetItem(COleVariant(2)));
    EXPECT_EQ(SheetNames(result), (std::vector<std::string>{"Sheet1", "Data", "Data (2)"}));

    _Worksheet copy = result.GetSheets().GetItem(COleVariant(2));
    EXPECT_EQ(copy.GetRange(V("A2")).GetValue(), COleVariant(2.0));
    EXPECT_EQ(copy.GetRange(V("A1")).GetColumnWidth(), COleVariant(21.5));
    // A reference to another sheet of the source keeps pointing at the source file,
    // by its full path, with the result it had there; a reference to the sheet itself
    // stays local.
    EXPECT_EQ(copy.GetRange(V("B2")).GetFormula(), V(("=A2*'[" + path + "]Other'!A1").c_str()));
    EXPECT_EQ(copy.GetRange(V("B2")).GetValue(), COleVariant(80.0));
    EXPECT_EQ(copy.GetRange(V("B3")).GetFormula(), V("=Data!A2+1"));
    _Worksheet second = result.GetSheets().GetItem(COleVariant(3));
    EXPECT_EQ(second.GetRange(V("B3")).GetFormula(), V("='Data (2)'!A2+1"));

    // Hidden rows, merges and the filter came along: ShowAllData finds the filter
    // and the hidden row, and fails again once nothing is hidden.
    copy.ShowAllData();
    EXPECT_EQ(CodeOf([&] { copy.ShowAllData(); }), XL_E_APPLICATION);
    TempFolder out;
    result.SaveCopyAs(CString(out / "r.xlsx"));
    Workbook back;
    auto builder = spreadsheet::MakeWorkbookBuilder(back);
    spreadsheet::ReadWorkbookFile(out / "r.xlsx", *builder);
    const auto& saved = back.Sheet(1);
    EXPECT_EQ(saved.Merges().size(), 1u);
    EXPECT_TRUE(saved.AutoFilter().has_value());
    EXPECT_FALSE(saved.Row(4).hidden);
    EXPECT_EQ(saved.Row(2).height, 30);
    EXPECT_TRUE(back.Sheet(2).Row(4).hidden);
    EXPECT_EQ(result.GetSheets().Add().GetIndex(), 3);  // before the last copy, still active
}

TEST(AutomationWorkbooks, SourceFilesAreOnlyRead) {
    TempFolder folder;
    std::string path = WriteWorkbook(folder, "src.xlsx", [](Workbook& b) {
        b.AddSheet("S").SetValue({1, 1}, spreadsheet::Value::Text("x"));
    });
    const std::string before = ReadFile(path);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    const auto modified = st.st_mtim;

    _Application app = _Application::Create();
    _Workbook source = app.GetWorkbooks().Add(COleVariant(CString(path)));
    _Worksheet sheet = source.GetSheets().GetItem(COleVariant(1));
    sheet.GetRange(V("A1")).SetValue(V("changed"));  // the loaded copy, not the file
    _Workbook result = app.GetWorkbooks().Add();
    sheet.Copy(_Worksheet(), result.GetSheets().GetItem(COleVariant(1)));
    sheet.GetCells().Copy(result.GetSheets().GetItem(COleVariant(1)).GetCells());
    // Saving over a file a workbook of the session was loaded from is refused.
    EXPECT_EQ(CodeOf([&] { result.SaveCopyAs(CString(path)); }), XL_E_APPLICATION);
    Range kept = sheet.GetRange(V("A1"));
    source.Close();
    EXPECT_EQ(CodeOf([&] { kept.GetValue(); }), RPC_E_DISCONNECTED);
    EXPECT_EQ(CodeOf([&] { sheet.GetName(); }), RPC_E_DISCONNECTED);
    app.Quit();

    EXPECT_EQ(ReadFile(path), before);
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, modified.tv_sec);
    EXPECT_EQ(st.st_mtim.tv_nsec, modified.tv_nsec);
}

TEST(AutomationWorkbooks, UnreadableFilesNameTheFileAndTheReason) {
    TempFolder folder;
    std::string bad = folder.Write("broken.xlsx", "not a workbook");
    _Application app = _Application::Create();
    for (const std::string& path : {bad, folder / "missing.xlsx"}) {
        try {
            app.GetWorkbooks().Add(COleVariant(CString(path)));
            FAIL() << path;
        } catch (const ComError& e) {
            EXPECT_EQ(e.Error(), XL_E_APPLICATION);
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(app.GetWorkbooks().GetCount(), 0);
}

TEST(AutomationWorkbooks, SaveCopyAsWritesTheNamedFormatAtomically) {
    TempFolder folder;
    _Application app = _Application::Create();
    _Workbook book = app.GetWorkbooks().Add();
    book.GetSheets().GetItem(COleVariant(1)).GetRange(V("B2")).SetValue(COleVariant(7.0));

    for (const char* name : {"a.xlsx", "b.xlsm", "c.xls", "noextension"}) {
        book.SaveCopyAs(CString(folder / name));
        _Workbook back = app.GetWorkbooks().Add(COleVariant(CString(folder / name)));
        EXPECT_EQ(back.GetSheets().GetItem(COleVariant(1)).GetRange(V("B2")).GetValue(),
                  COleVariant(7.0))
            << name;
        back.Close();
    }

    // Failures leave what was there and no temporary files.
    folder.Write("keep.xlsx", "old");
    EXPECT_EQ(CodeOf([&] { book.SaveCopyAs(CString(folder / "no/such/folder/x.xlsx")); }),
              XL_E_APPLICATION);
    std::filesystem::create_directory(folder / "locked");
    chmod((folder / "locked").c_str(), 0500);
    if (access((folder / "locked").c_str(), W_OK) != 0) {  // not when running as root
        try {
            book.SaveCopyAs(CString(folder / "locked/x.xlsx"));
            FAIL();
        } catch (const ComError& e) {
            EXPECT_NE(std::string(e.what()).find("locked/x.xlsx"), std::string::npos);
        }
    }
    chmod((folder / "locked").c_str(), 0700);
    EXPECT_EQ(ReadFile(folder / "keep.xlsx"), "old");
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(folder.Path()))
        entries += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(entries, 5);  // four results and keep.xlsx
    EXPECT_TRUE(book.GetSaved() == false);
}

TEST(AutomationSession, VisibleOpensTheWorkbooksMadeFromFiles) {
    TempFolder folder;
    std::string path = WriteWorkbook(folder, "shown.xlsx", [](Workbook& b) { b.AddSheet("S"); });
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    _Application app = _Application::Create();
    app.GetWorkbooks().Add();
    app.GetWorkbooks().Add(COleVariant(CString(path)));
    app.SetVisible(true);
    auto records = prompts->Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, platform::PromptKind::OpenDocument);
    EXPECT_EQ(records[0].text, CString(path));
}

}  // namespace
}  // namespace tabulon::engine
