#include "engine/workbook_prefetch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "engine/automation/automation.h"
#include "engine/tasks/copy_rows_task.h"
#include "engine/tasks/task_test_support.h"
#include "platform/scripted_prompt.h"
#include "platform/temp_folder.h"
#include "spreadsheet/worksheet.h"
#include "spreadsheet/xlsx_writer.h"

namespace tabulon::engine {
namespace {

using platform::testing::TempFolder;
using spreadsheet::Value;

CString WriteBook(const TempFolder& folder, const std::string& name, double a1) {
    spreadsheet::Workbook book;
    book.AddSheet("Data").SetValue({1, 1}, Value::Number(a1));
    const std::string path = folder / name;
    spreadsheet::WriteWorkbookFile(book, path);
    return CString(path);
}

double A1Of(const spreadsheet::Workbook& book) {
    return book.Sheet(0).GetValue({1, 1}).AsNumber();
}

double A1(const Workbooks::FileRead& read) {
    return read.workbook->Sheet(0).GetValue({1, 1}).AsNumber();
}

TEST(WorkbookPrefetch, HandsOverTheFilesInOrderAndSkipsThoseNeverAskedFor) {
    TempFolder folder;
    std::vector<CString> paths;
    for (int i = 1; i <= 5; ++i)
        paths.push_back(WriteBook(folder, "b" + std::to_string(i) + ".xlsx", i));
    CWorkbookPrefetch prefetch(paths, 2);

    auto first = prefetch.Take(paths[0]);
    ASSERT_TRUE(first && first->workbook);
    EXPECT_EQ(A1(*first), 1);
    auto fourth = prefetch.Take(paths[3]);  // the walk passed two files by
    ASSERT_TRUE(fourth && fourth->workbook);
    EXPECT_EQ(A1(*fourth), 4);
    EXPECT_FALSE(prefetch.Take(paths[1]));  // behind: the caller reads it itself
    EXPECT_FALSE(prefetch.Take(CString(folder / "elsewhere.xlsx")));
    auto fifth = prefetch.Take(paths[4]);
    ASSERT_TRUE(fifth && fifth->workbook);
    EXPECT_EQ(A1(*fifth), 5);
}

TEST(WorkbookPrefetch, ABrokenFileGivesTheErrorOpeningItWouldGive) {
    TempFolder folder;
    const CString broken(folder.Write("broken.xlsx", std::string("PK\3\4") + "not a zip at all"));
    CWorkbookPrefetch prefetch({broken});
    auto read = prefetch.Take(broken);
    ASSERT_TRUE(read);
    ASSERT_TRUE(read->error);

    _Application app = _Application::Create();
    Workbooks books = app.GetWorkbooks();
    CString direct, ahead;
    try {
        books.Add(COleVariant(broken));
    } catch (const ComError& e) {
        direct = e.what();
    }
    try {
        books.AddRead(broken, std::move(*read));
    } catch (const ComError& e) {
        ahead = e.what();
    }
    EXPECT_FALSE(direct.IsEmpty());
    EXPECT_EQ(ahead, direct);
    EXPECT_EQ(books.GetCount(), 0);
    app.Quit();
}

TEST(WorkbookPrefetch, ReadsBrokenFilesAheadAndLeavesChangedFilesToTheCaller) {
    TempFolder folder;
    const CString binary(folder.Write("old.xls", "\xD0\xCF\x11\xE0 compound file"));
    const CString changed = WriteBook(folder, "changed.xlsx", 1);
    CWorkbookPrefetch prefetch({binary, changed}, 2);
    const auto broken = prefetch.Take(binary);
    ASSERT_TRUE(broken);
    EXPECT_TRUE(broken->error);
    // Wait until the second file has surely been read ahead, then rewrite it.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::filesystem::remove(changed.Str());
    WriteBook(folder, "changed.xlsx", 22);
    std::filesystem::last_write_time(
        changed.Str(), std::filesystem::last_write_time(changed.Str()) + std::chrono::seconds(5));
    EXPECT_FALSE(prefetch.Take(changed));
}

TEST(WorkbookPrefetch, StopsPromptlyWithFilesStillQueued) {
    TempFolder folder;
    std::vector<CString> paths;
    for (int i = 0; i < 20; ++i)
        paths.push_back(WriteBook(folder, "q" + std::to_string(i) + ".xlsx", i));
    {
        CWorkbookPrefetch prefetch(paths, 3);
        ASSERT_TRUE(prefetch.Take(paths[0]));
    }  // destroyed with 19 files left: it must neither hang nor leak
    SUCCEED();
}

// The read-ahead thread reads .xls and .xlsx files alike: a mixed folder must come
// through whole, in walk order, with nothing torn.
TEST(WorkbookPrefetch, AMixedXlsAndXlsxFolderComesThroughWhole) {
    const std::string xls = std::string(TABULON_CORPUS_DIR) + "/exceldatareader/Test255x10.xls";
    if (!std::filesystem::exists(xls))
        GTEST_SKIP() << "corpus not found";
    TempFolder folder;
    TempFolder out;
    for (int i = 0; i < 6; ++i) {
        const std::string stem = folder / ("f" + std::to_string(i));
        if (i % 2)
            std::filesystem::copy_file(xls, stem + ".xls");
        else
            WriteBook(folder, "f" + std::to_string(i) + ".xlsx", i);
    }
    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;
    const CString result(out / "rows.xlsx");
    testing::TaskRun run =
        testing::RunToEnd(std::make_unique<CCopyRowsTask>(CString(folder.Path()), SheetSelection{},
                                                          1, 1, target.Handle(), 0, result),
                          target);
    EXPECT_NE(run.FinalText().Find("6 Excel files were processed"), -1) << run.FinalText();
    for (const CString& line : run.lines)
        EXPECT_EQ(line.Find("unknown error occurs"), -1) << line;
    auto book = testing::ReadBook(result.Str());
    EXPECT_EQ(A1Of(*book), 0);
}

}  // namespace
}  // namespace tabulon::engine
