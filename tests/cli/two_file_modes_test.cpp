// intersection, difference and merge-cols through the command line: the rows of each
// result, the progress records, and a worksheet without data.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/in_process_run.h"
#include "engine/tasks/task_test_support.h"
#include "platform/temp_folder.h"

namespace tabulon::cli {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;
using testing::CliResult;

// Staff keys Key, A, B, C, B against Badges keys Key, B, D.
struct TwoBooks {
    TempFolder folder;
    std::string staff = folder / "staff.xlsx";
    std::string badges = folder / "badges.xlsx";
    std::string result = folder / "result.xlsx";
    TwoBooks() {
        WriteBook(
            staff,
            {{"Staff", {{"Key", "Name"}, {"A", "Ann"}, {"B", "Bob"}, {"C", "Cid"}, {"B", "Bea"}}}});
        WriteBook(badges, {{"Badges", {{"Key", "Badge"}, {"B", "7"}, {"D", "9"}}}});
    }
    CliResult Run(const char* mode, std::vector<CString> extra = {}) {
        std::vector<CString> args = {
            mode, "--file1",  staff.c_str(),  "--sheet1",   "Staff",  "--key1",
            "1",  "--file2",  badges.c_str(), "--sheet2",   "Badges", "--key2",
            "1",  "--result", result.c_str(), "--overwrite"};
        args.insert(args.end(), extra.begin(), extra.end());
        return testing::RunCli(args);
    }
    std::vector<std::string> Row(int row, int columns) const {
        auto book = ReadBook(result);
        std::vector<std::string> cells;
        for (int c = 1; c <= columns; ++c)
            cells.push_back(CellText(book->Sheet(0), row, c));
        return cells;
    }
};

using Row = std::vector<std::string>;

TEST(CliTwoFileModes, IntersectionDifferenceAndMergeEndToEnd) {
    TwoBooks books;
    CliResult both = books.Run("intersection");
    EXPECT_EQ(both.status, kExitCompleted) << both.err;
    EXPECT_EQ(both.out, "Processing task... 100% completed\nMission accomplished\n");
    EXPECT_EQ(both.err, "Do you want to open the result? No\n");
    EXPECT_EQ(books.Row(1, 2), (Row{"Key", "Name"}));
    EXPECT_EQ(books.Row(2, 2), (Row{"B", "Bob"}));
    EXPECT_EQ(books.Row(3, 2), (Row{"B", "Bea"}));
    EXPECT_EQ(books.Row(4, 2), (Row{"", ""}));

    CliResult only = books.Run("difference");
    EXPECT_EQ(only.status, kExitCompleted) << only.err;
    EXPECT_EQ(books.Row(1, 2), (Row{"A", "Ann"}));
    EXPECT_EQ(books.Row(2, 2), (Row{"C", "Cid"}));
    EXPECT_EQ(books.Row(3, 2), (Row{"", ""}));

    CliResult merged = books.Run("merge-cols");
    EXPECT_EQ(merged.status, kExitCompleted) << merged.err;
    EXPECT_EQ(books.Row(1, 4), (Row{"Key", "Name", "Key", "Badge"}));
    EXPECT_EQ(books.Row(2, 4), (Row{"A", "Ann", "", ""}));
    EXPECT_EQ(books.Row(5, 4), (Row{"B", "Bea", "B", "7"}));
}

TEST(CliTwoFileModes, ProgressRecordsInJson) {
    TwoBooks books;
    CliResult run = books.Run("intersection", {"--json"});
    EXPECT_EQ(run.status, kExitCompleted);
    // Each line without the record, which repeats the progress line's id and text.
    std::istringstream lines(run.out);
    std::vector<std::string> texts;
    for (std::string line; std::getline(lines, line);)
        texts.push_back(line.substr(0, line.find(",\"record\"")));
    auto progress = [](int code, int percent) {
        return "{\"code\":" + std::to_string(code) + ",\"text\":\"Processing task... " +
               std::to_string(percent) + "% completed\"";
    };
    const std::vector<std::string> expected = {
        progress(1005, 0),   progress(1006, 20),
        progress(1006, 40),  progress(1006, 60),
        progress(1006, 80),  progress(1006, 100),
        progress(1007, 100), "{\"code\":1001,\"text\":\"Mission accomplished\"}"};
    EXPECT_EQ(texts, expected) << run.out;
}

TEST(CliTwoFileModes, AWorksheetWithoutDataCancelsWithoutAResult) {
    TwoBooks books;
    WriteBook(books.badges, {{"Badges", {}}});
    CliResult empty = books.Run("merge-cols");
    EXPECT_EQ(empty.status, kExitCanceled);
    EXPECT_EQ(empty.out, "Task is canceled.\n");
    EXPECT_EQ(empty.err, "There is no data in Excel file \"" + books.badges +
                             "\" --> worksheet \"Badges\" you specified. Please check it and "
                             "perform the operation again.\n");
    EXPECT_FALSE(std::filesystem::exists(books.result));
}

}  // namespace
}  // namespace tabulon::cli
