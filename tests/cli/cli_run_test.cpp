// The command-line driver in this process: usage, the fields checked before any work, the
// result questions answered from the options, the text and JSON lines of a run.
#include <gtest/gtest.h>

#include "cli/in_process_run.h"
#include "engine/tasks/task_test_support.h"
#include "platform/temp_folder.h"

namespace tabulon::cli {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;
using testing::CliResult;
using testing::RunCli;

struct Folder {
    TempFolder root;
    TempFolder out;
    std::string book = root / "branch.xlsx";
    std::string result = out / "rows.xlsx";
    Folder() {
        WriteBook(book, {{"Jan", {{"Item", "Units"}, {"Lamp", "3"}, {"Pen", "4"}}},
                         {"Feb", {{"Item", "Units"}, {"Tray", "1"}}}});
    }
};

TEST(CliRun, UsageErrorsHelpAndModesNotYetThere) {
    EXPECT_EQ(RunCli({"copy-rows", "--bogus"}).status, kExitUsage);
    CliResult help = RunCli({"--help"});
    EXPECT_EQ(help.status, kExitCompleted);
    EXPECT_NE(help.out.find("copy-rows-by-key"), std::string::npos);
    CliResult noSettings = RunCli({"copy-rows", "--settings", "/none/Tabulon.ini"});
    EXPECT_EQ(noSettings.status, kExitUsage);
    EXPECT_EQ(noSettings.err, "tabulon: the settings file /none/Tabulon.ini does not exist.\n");
}

// The first field that fails, for every kind of field, stops the run before any work with
// its message and the usage status.
TEST(CliRun, FieldsAreCheckedInOrderWithTheFieldMessages) {
    Folder f;
    const CString root = f.root.Path();
    const CString book = f.book;
    const std::string text = f.root.Write("notes.txt", "plain");
    const std::string missing = f.root / "missing";
    const auto notThere = [](const std::string& path) {
        return "Path '" + path + "' does not exist. Please confirm and enter again.";
    };
    const std::string digits = ": You must enter digit(s) in this field";
    const std::string positive = ": You must enter a number greater than 0 in this field";
    struct Case {
        std::vector<CString> args;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"copy-rows"}, "Please specify 'Folder where the Excel file locates'."},
        {{"copy-sheets", "--folder", book}, "'" + f.book + "' is not a folder."},
        {{"copy-sheets", "--folder", missing}, notThere(missing)},
        {{"copy-rows", "--folder", root, "--sheets", ""},
         "Please specify 'Worksheets to process'."},
        {{"copy-rows", "--folder", root, "--sheets", ";;", "--from-row", " 2"},
         "\"Starting row of the processing range\"" + digits},
        {{"copy-rows-by-key", "--folder", root, "--from-row", "00"},
         "\"Starting row of the processing range\"" + positive},
        {{"copy-rows", "--folder", root, "--to-row", "1a"},
         "\"Ending row (counted backwards) of the processing range\"" + digits},
        {{"copy-rows-by-key", "--folder", root, "--to-row", "00"},
         "\"Ending row (counted backwards) of the processing range\"" + positive},
        {{"copy-rows-by-key", "--folder", root, "--key-col", "0"}, "\"Key column\"" + positive},
        {{"add-cell-by-cell", "--folder", root, "--template", book},
         "Please specify 'Template worksheet'."},
        {{"add-cell-by-cell", "--folder", root, "--template", text},
         "'" + text + "' is not a valid Excel file."},
        {{"check-same-format", "--folder", root}, "Please specify 'Template worksheet'."},
        {{"check-same-format", "--template", book, "--template-sheet", "Jan", "--folder", missing},
         notThere(missing)},
        {{"intersection"}, "Please specify 'Worksheet 1'."},
        {{"difference", "--file1", book}, "Please specify 'Worksheet 1'."},
        {{"intersection", "--file1", text}, "'" + text + "' is not a valid Excel file."},
        {{"intersection", "--file1", book, "--sheet1", "Jan", "--key1", "2", "--file2",
          missing + ".xlsx"},
         notThere(missing + ".xlsx")},
        {{"difference", "--file1", book, "--sheet1", "Jan", "--key1", "1", "--file2", book,
          "--sheet2", "Feb", "--key2", ""},
         "Please specify 'The key column of worksheet 2'."},
        {{"merge-cols", "--file1", book, "--sheet1", "Jan", "--key1", "B"},
         "\"The key column of worksheet 1\"" + digits},
        {{"merge-cols", "--file1", book, "--sheet1", "Jan", "--key1", "1", "--file2", root},
         "'" + f.root.Path() + "' is not a valid Excel file."},
    };
    for (const Case& c : cases) {
        CliResult run = RunCli(c.args);
        EXPECT_EQ(run.status, kExitUsage) << c.err;
        EXPECT_EQ(run.err, c.err + "\n");
        EXPECT_EQ(run.out, "") << c.err;
    }
    // The same message as a JSON line.
    CliResult json = RunCli({"copy-rows-by-key", "--folder", root, "--key-col", "00", "--json"});
    EXPECT_EQ(json.status, kExitUsage);
    EXPECT_EQ(json.err, "{\"message\":\"\\\"Key column\\\"" + positive + "\"}\n");
    EXPECT_EQ(json.out, "");
    EXPECT_TRUE(std::filesystem::is_empty(f.out.Path()));
}

TEST(CliRun, CopyRowsEndToEnd) {
    Folder f;
    CliResult run = RunCli({"copy-rows", "--folder", f.root.Path().c_str(), "--from-row", "2",
                            "--result", f.result.c_str()});
    EXPECT_EQ(run.status, kExitCompleted) << run.err;
    EXPECT_EQ(run.out,
              "Processing of the worksheet \"Jan\" is complete.\n"
              "Processing of the worksheet \"Feb\" is complete.\n"
              "Processing of the file '" +
                  f.book +
                  "' is complete. This file has 2 worksheets in total. 2 worksheets "
                  "you specified have been processed.\n"
                  "Task is complete. 2 worksheets located in 1 Excel files were "
                  "processed. The result is saved in the Excel file \"" +
                  f.result + "\".\n");
    EXPECT_EQ(run.err, "Do you want to open the result? No\n");
    auto book = ReadBook(f.result);
    EXPECT_EQ(CellText(book->Sheet(0), 3, 1), "Tray");
}

TEST(CliRun, ResultQuestionsAnsweredFromTheOptions) {
    Folder f;
    // No name and no terminal to ask for one: said before any work.
    CliResult noName = RunCli({"copy-sheets", "--folder", f.root.Path().c_str()});
    EXPECT_EQ(noName.status, kExitUsage);
    EXPECT_EQ(noName.out, "");
    EXPECT_EQ(noName.err,
              "tabulon: no result file was given and there is no terminal to ask for one: name "
              "it with --result.\n");
    CliResult noFolder = RunCli({"copy-sheets", "--folder", f.root.Path().c_str(), "--result",
                                 (f.out / "none/r.xlsx").c_str(), "--json"});
    EXPECT_EQ(noFolder.status, kExitUsage);
    EXPECT_EQ(noFolder.out, "");
    EXPECT_EQ(noFolder.err, "{\"error\":\"usage\",\"text\":\"the folder of the result file '" +
                                f.out / "none/r.xlsx" + "' does not exist.\"}\n");

    // A name typed on the terminal.
    CliResult typed =
        RunCli({"copy-sheets", "--folder", f.root.Path().c_str()}, f.result + "\nn\n", true);
    EXPECT_EQ(typed.status, kExitCompleted) << typed.err;
    const std::string before = Slurp(f.result);

    // Existing file and no terminal to ask: refused before any work unless --overwrite.
    CliResult refused =
        RunCli({"copy-rows", "--folder", f.root.Path().c_str(), "--result", f.result.c_str()});
    EXPECT_EQ(refused.status, kExitUsage);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err,
              "tabulon: File '" + f.result + "' already exists. Give --overwrite to replace it.\n");
    EXPECT_EQ(Slurp(f.result), before);
    CliResult replaced = RunCli({"copy-rows", "--folder", f.root.Path().c_str(), "--result",
                                 f.result.c_str(), "--overwrite"});
    EXPECT_EQ(replaced.status, kExitCompleted) << replaced.out << replaced.err;
    EXPECT_EQ(ReadBook(f.result)->SheetCount(), 1);  // the rows, no longer the sheet copies
}

TEST(CliRun, JsonLinesAndWorksheetListing) {
    Folder f;
    CliResult run = RunCli({"copy-rows", "--folder", f.root.Path().c_str(), "--sheets", "Feb",
                            "--result", f.result.c_str(), "--json"});
    EXPECT_EQ(run.status, kExitCompleted);
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
              "{\"code\":1002,\"text\":\"Processing of the worksheet \\\"Feb\\\" is complete.\"}");

    CliResult list = RunCli({"--list-sheets", f.book.c_str()});
    EXPECT_EQ(list.status, kExitCompleted);
    EXPECT_EQ(list.out, "Jan\nFeb\n");
    EXPECT_EQ(RunCli({"--list-sheets", (f.root / "none.xlsx").c_str()}).status, kExitUsage);
}

}  // namespace
}  // namespace tabulon::cli
