#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_driver.h"
#include "engine/tasks/task_test_support.h"
#include "platform/temp_folder.h"

namespace tabulon::cli {
namespace {

using platform::testing::TempFolder;
using namespace engine::testing;

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

CliResult Tabulon(std::vector<CString> args, const std::string& input = "", bool terminal = false) {
    std::istringstream in(input);
    std::ostringstream out, err;
    CliEnvironment env{in, out, err, terminal, false};
    CliResult run;
    run.status = RunTabulon(args, env);
    run.out = out.str();
    run.err = err.str();
    return run;
}

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
    EXPECT_EQ(Tabulon({"copy-rows", "--bogus"}).status, kExitUsage);
    CliResult help = Tabulon({"--help"});
    EXPECT_EQ(help.status, kExitCompleted);
    EXPECT_NE(help.out.find("copy-rows-by-key"), std::string::npos);
    CliResult noSettings = Tabulon({"copy-rows", "--settings", "/none/Tabulon.ini"});
    EXPECT_EQ(noSettings.status, kExitUsage);
    EXPECT_EQ(noSettings.err, "tabulon: the settings file /none/Tabulon.ini does not exist.\n");
}

TEST(CliRun, FieldsAreCheckedInOrderWithTheFieldMessages) {
    Folder f;
    CliResult noFolder = Tabulon({"copy-rows"});
    EXPECT_EQ(noFolder.status, kExitUsage);
    EXPECT_EQ(noFolder.err, "Please specify 'Folder where the Excel file locates'.\n");

    CliResult fileAsFolder = Tabulon({"copy-sheets", "--folder", f.book.c_str()});
    EXPECT_EQ(fileAsFolder.err, "'" + f.book + "' is not a folder.\n");

    CliResult badRow = Tabulon(
        {"copy-rows", "--folder", f.root.Path().c_str(), "--sheets", ";;", "--from-row", " 2"});
    EXPECT_EQ(badRow.err,
              "\"Starting row of the processing range\": You must enter digit(s) in this field\n");

    // A zero blocks, and the command line says why (the form refuses it silently).
    const std::pair<const char*, const char*> zeros[] = {
        {"--from-row", "Starting row of the processing range"},
        {"--to-row", "Ending row (counted backwards) of the processing range"},
        {"--key-col", "Key column"}};
    for (const auto& [option, label] : zeros) {
        CliResult zero = Tabulon(
            {"copy-rows-by-key", "--folder", f.root.Path().c_str(), option, "00", "--json"});
        EXPECT_EQ(zero.status, kExitUsage) << option;
        EXPECT_EQ(zero.err, std::string("{\"message\":\"\\\"") + label +
                                "\\\": You must enter a number greater than 0 in this field\"}\n");
        EXPECT_EQ(zero.out, "");
    }
    EXPECT_TRUE(std::filesystem::is_empty(f.out.Path()));
}

TEST(CliRun, CopyRowsEndToEnd) {
    Folder f;
    CliResult run = Tabulon({"copy-rows", "--folder", f.root.Path().c_str(), "--from-row", "2",
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
    CliResult noName = Tabulon({"copy-sheets", "--folder", f.root.Path().c_str()});
    EXPECT_EQ(noName.status, kExitUsage);
    EXPECT_EQ(noName.out, "");
    EXPECT_EQ(noName.err,
              "tabulon: no result file was given and there is no terminal to ask for one: name "
              "it with --result.\n");
    CliResult noFolder = Tabulon({"copy-sheets", "--folder", f.root.Path().c_str(), "--result",
                                  (f.out / "none/r.xlsx").c_str(), "--json"});
    EXPECT_EQ(noFolder.status, kExitUsage);
    EXPECT_EQ(noFolder.out, "");
    EXPECT_EQ(noFolder.err, "{\"error\":\"usage\",\"text\":\"the folder of the result file '" +
                                f.out / "none/r.xlsx" + "' does not exist.\"}\n");

    // A name typed on the terminal.
    CliResult typed =
        Tabulon({"copy-sheets", "--folder", f.root.Path().c_str()}, f.result + "\nn\n", true);
    EXPECT_EQ(typed.status, kExitCompleted) << typed.err;
    const std::string before = Slurp(f.result);

    // Existing file and no terminal to ask: refused before any work unless --overwrite.
    CliResult refused =
        Tabulon({"copy-rows", "--folder", f.root.Path().c_str(), "--result", f.result.c_str()});
    EXPECT_EQ(refused.status, kExitUsage);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err,
              "tabulon: File '" + f.result + "' already exists. Give --overwrite to replace it.\n");
    EXPECT_EQ(Slurp(f.result), before);
    CliResult replaced = Tabulon({"copy-rows", "--folder", f.root.Path().c_str(), "--result",
                                  f.result.c_str(), "--overwrite"});
    EXPECT_EQ(replaced.status, kExitCompleted) << replaced.out << replaced.err;
    EXPECT_EQ(ReadBook(f.result)->SheetCount(), 1);  // the rows, no longer the sheet copies
}

TEST(CliRun, JsonLinesAndWorksheetListing) {
    Folder f;
    CliResult run = Tabulon({"copy-rows", "--folder", f.root.Path().c_str(), "--sheets", "Feb",
                             "--result", f.result.c_str(), "--json"});
    EXPECT_EQ(run.status, kExitCompleted);
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
              "{\"code\":1002,\"text\":\"Processing of the worksheet \\\"Feb\\\" is complete.\"}");

    CliResult list = Tabulon({"--list-sheets", f.book.c_str()});
    EXPECT_EQ(list.status, kExitCompleted);
    EXPECT_EQ(list.out, "Jan\nFeb\n");
    EXPECT_EQ(Tabulon({"--list-sheets", (f.root / "none.xlsx").c_str()}).status, kExitUsage);
}

}  // namespace
}  // namespace tabulon::cli
