// The executable on generated folders: sources are only ever read, what cannot be read is
// said with its reason, and every line it prints is what it claims to be. Results are read
// back with openpyxl.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/tasks/task_test_support.h"
#include "platform/temp_folder.h"
#include "tool_run.h"

namespace tabulon::cli {
namespace {

namespace fs = std::filesystem;
using platform::testing::TempFolder;
using namespace engine::testing;
using namespace cli::testing;

const char* const kEncrypted = TABULON_CORPUS_DIR "/exceldatareader/Test_git_issue289.xlsx";

// A folder of two small workbooks, a template and a place for results.
struct Books {
    TempFolder root;
    TempFolder out;
    std::string a = root / "a.xlsx";
    std::string b = root / "b.xlsx";
    std::string model = out / "model.xlsx";
    Books() {
        WriteBook(a, {{"Stock", {{"Item", "Units"}, {"Apple", "3"}, {"Pear", "1"}}}});
        WriteBook(b, {{"Stock", {{"Item", "Units"}, {"Apple", "4"}, {"Plum", "2"}}}});
        WriteBook(model, {{"Sum", {{"Item", "Units"}, {"Apple", "(SUM)"}}}});
    }
};

// A copy of a good workbook whose first worksheet part is not well-formed XML.
std::string WriteDamagedBook(const std::string& good, const std::string& damaged) {
    return RunPython(R"PY(
import sys, zipfile
src, dst = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, "w") as zout:
    for item in zin.infolist():
        data = zin.read(item.filename)
        if item.filename == "xl/worksheets/sheet1.xml":
            data = data.replace(b"<sheetData>", b"<sheetData><row><c></row>", 1)
        zout.writestr(item, data)
)PY",
                     {good, damaged});
}

TEST(TrustedResults, AResultThatIsAWorkbookTheTaskReadsIsRefusedBeforeAnyWork) {
    Books f;
    fs::create_directory(f.root / "sub");
    fs::create_symlink(f.a, f.out / "link.xlsx");
    struct Case {
        std::vector<std::string> args;
        std::string result;  // as given
        std::string source;  // the file it is
    };
    const std::vector<Case> cases = {
        {{"add-cell-by-cell", "--folder", f.root.Path(), "--template", f.model, "--template-sheet",
          "Sum"},
         f.model,
         f.model},
        {{"check-same-format", "--template", f.a, "--template-sheet", "Stock", "--folder",
          f.out.Path()},
         f.out / "link.xlsx",
         f.a},
        {{"merge-cols", "--file1", f.a, "--sheet1", "Stock", "--file2", f.b, "--sheet2", "Stock"},
         f.root / "sub/../b.xlsx",
         f.b},
    };
    for (const Case& c : cases) {
        const std::string before = Slurp(c.source);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--result", c.result, "--overwrite"});
        ToolRun run = RunTool(args);
        EXPECT_EQ(run.status, 1) << c.args[0];
        EXPECT_EQ(run.out, "The result file '" + c.result + "' is the workbook '" + c.source +
                               "' that this task reads. A source workbook is never written: "
                               "please choose another result file.\nTask is canceled.\n")
            << c.args[0];
        EXPECT_EQ(Slurp(c.source), before) << c.args[0];
    }
    EXPECT_TRUE(fs::is_symlink(f.out / "link.xlsx"));
}

TEST(TrustedResults, AResultInsideTheWalkedFolderIsNotReadBackAndOnlyRegularFilesAreReplaced) {
    if (!HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl missing";
    Books f;
    const std::string result = f.root / "result.xlsx";
    const std::vector<std::string> args = {"copy-rows", "--folder", f.root.Path(), "--from-row",
                                           "2",         "--result", result,        "--overwrite"};
    ToolRun first = RunTool(args);
    ASSERT_EQ(first.status, 0) << first.out << first.err;
    const std::string rows = "Sheet1:\nApple|3\nPear|1\nApple|4\nPlum|2\n";
    EXPECT_EQ(OpenpyxlDump(result), rows);

    ToolRun second = RunTool(args);
    EXPECT_EQ(second.status, 0) << second.out << second.err;
    EXPECT_NE(second.out.find("The file '" + result +
                              "' is skipped: it is the result file of this task.\n"),
              std::string::npos)
        << second.out;
    EXPECT_NE(second.out.find("2 worksheets located in 2 Excel files"), std::string::npos);
    EXPECT_EQ(OpenpyxlDump(result), rows);  // not read back into itself

    // --overwrite replaces a regular file (or a link to one), never a FIFO or a device.
    const std::string fifo = f.out / "fifo.xlsx";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("/dev/null", f.out / "null.xlsx");
    for (const std::string& special : {fifo, f.out / "null.xlsx"}) {
        ToolRun refused = RunTool(
            {"copy-rows", "--folder", f.root.Path(), "--result", special, "--overwrite"}, 60);
        EXPECT_EQ(refused.status, 2) << special;
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(refused.err, "tabulon: '" + special +
                                   "' is not a regular file and is never replaced by a result.\n");
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_symlink(f.out / "null.xlsx"));
}

// Folders nested so deep that the path of the innermost ones passes PATH_MAX.
void MakeDeepFolders(const std::string& root) {
    const std::string name(200, 'd');
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 24 && fd >= 0; ++level) {
        mkdirat(fd, name.c_str(), 0700);
        const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
    }
    if (fd >= 0)
        close(fd);
}

TEST(TrustedResults, TheWalkOpensRegularFilesOnlyAndSaysWhatItLeavesOut) {
    if (!HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl missing";
    Books f;
    ASSERT_EQ(mkfifo((f.root / "fifo.xlsx").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", f.root / "zero.xlsx");
    fs::create_symlink(f.root / "gone.xlsx", f.root / "broken.xlsx");
    fs::create_directory(f.root / "deep");
    MakeDeepFolders(f.root / "deep");
    const bool canLockOut = geteuid() != 0;  // root reads every folder
    if (canLockOut) {
        fs::create_directory(f.root / "locked");
        chmod((f.root / "locked").c_str(), 0);
    }

    const std::string result = f.out / "result.xlsx";
    ToolRun run = RunTool(
        {"copy-rows", "--folder", f.root.Path(), "--from-row", "2", "--result", result}, 90);
    if (canLockOut)
        chmod((f.root / "locked").c_str(), 0700);
    std::system(("rm -rf '" + (f.root / "deep") + "'").c_str());
    ASSERT_FALSE(run.timedOut) << "the walk opened a FIFO and hung";
    EXPECT_EQ(run.status, 0) << run.err;
    for (const char* name : {"broken.xlsx", "fifo.xlsx", "zero.xlsx"}) {
        EXPECT_NE(run.out.find("The file '" + (f.root / name) +
                               "' is skipped: it is not a regular file.\n"),
                  std::string::npos)
            << name << "\n"
            << run.out;
    }
    EXPECT_NE(run.out.find(" cannot be read (File name too long). It is skipped.\n"),
              std::string::npos)
        << run.out.substr(0, 300);
    if (canLockOut) {
        EXPECT_NE(run.out.find("The folder '" + (f.root / "locked") +
                               "' cannot be read (Permission denied)."),
                  std::string::npos);
    }
    EXPECT_NE(run.out.find("2 worksheets located in 2 Excel files"), std::string::npos);
    EXPECT_EQ(OpenpyxlDump(result), "Sheet1:\nApple|3\nPear|1\nApple|4\nPlum|2\n");
}

TEST(TrustedResults, EveryFileThatFailsGetsItsReasonInTextAndJson) {
    if (!HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl missing";
    Books f;
    const std::string damaged = f.root / "damaged.xlsx";
    ASSERT_EQ(WriteDamagedBook(f.a, damaged), "");
    fs::create_symlink(kEncrypted, f.root / "locked.xlsx");
    const std::string result = f.out / "result.xlsx";

    ToolRun text = RunTool({"copy-rows", "--folder", f.root.Path(), "--result", result});
    EXPECT_EQ(text.status, 0) << text.err;
    const std::string unknown = "A unknown error occurs when processing file ";
    const std::string again = ". Please run the task again without this file.\n";
    EXPECT_NE(text.out.find(unknown + damaged + again + "Reason: xl/worksheets/sheet1.xml, line "),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find(unknown + (f.root / "locked.xlsx") + again +
                            "Reason: cannot be read: the workbook is encrypted (password "
                            "protected)\n"),
              std::string::npos)
        << text.out;

    ToolRun json = RunTool(
        {"copy-rows", "--folder", f.root.Path(), "--result", result, "--overwrite", "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    const std::string check = RunPython(R"PY(
import sys, json
lines = [json.loads(line) for line in sys.argv[1].splitlines()]
texts = [line.get("text", "") for line in lines]
for i, text in enumerate(texts):
    if text.startswith("A unknown error occurs"):
        print(texts[i + 1].split(":")[0] + ":" + texts[i + 1].split(":")[1])
)PY",
                                        {json.out});
    EXPECT_EQ(check, "Reason: xl/worksheets/sheet1.xml, line 2\nReason: cannot be read\n");

    // The two-file tasks name the file once, then what is wrong where.
    ToolRun merge = RunTool({"merge-cols", "--file1", damaged, "--sheet1", "Stock", "--file2", f.b,
                             "--sheet2", "Stock", "--result", result, "--overwrite"});
    EXPECT_EQ(merge.status, 1);
    const std::string opening =
        "Cannot open workbook \"" + damaged + "\": xl/worksheets/sheet1.xml";
    EXPECT_EQ(merge.out.substr(0, opening.size()), opening) << merge.out;
    EXPECT_EQ(merge.out.find(damaged, opening.size()), std::string::npos) << merge.out;
}

TEST(TrustedResults, ListSheetsSaysWhyAWorkbookCannotBeRead) {
    Books f;
    ToolRun good = RunTool({"--list-sheets", f.a});
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.out, "Stock\n");
    // Only the workbook part is read: a damaged worksheet does not stop the listing.
    const std::string damaged = f.root / "damaged.xlsx";
    ASSERT_EQ(WriteDamagedBook(f.a, damaged), "");
    ToolRun names = RunTool({"--list-sheets", damaged});
    EXPECT_EQ(names.status, 0) << names.err;
    EXPECT_EQ(names.out, "Stock\n");

    ToolRun locked = RunTool({"--list-sheets", kEncrypted});
    EXPECT_EQ(locked.status, 1);
    EXPECT_EQ(locked.out, "");
    EXPECT_EQ(locked.err, std::string("tabulon: Cannot open workbook \"") + kEncrypted +
                              "\": cannot be read: the workbook is encrypted (password "
                              "protected)\n");

    const std::string text = f.root.Write("notes.xlsx", "just text\n");
    ToolRun json = RunTool({"--list-sheets", text, "--json"});
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(json.err.substr(0, 10), "{\"note\":\"C");
}

TEST(TrustedResults, SettingsFilesMustBeTextAndEmptySectionNamesAreNoFault) {
    Books f;
    const std::string result = f.out / "result.xlsx";
    const std::string binary = f.out.Write("binary.ini", std::string("[Config]\n\0\x01\x02", 12));
    const std::string empty =
        f.out.Write("empty.ini", "[]\n[ ]\nx=1\n[Config_CopyRows]\nTheXLSFolder=" + f.root.Path() +
                                     "\nFromRow=2\n");
    struct Case {
        std::string settings;
        int status;
        std::string err;
    };
    const std::vector<Case> cases = {
        {f.out.Path(), 2, "tabulon: the settings file " + f.out.Path() + " is not a file.\n"},
        {binary, 2, "tabulon: the settings file " + binary + " is not a text file.\n"},
        {empty, 0, "Do you want to open the result? No\n"},
    };
    for (const Case& c : cases) {
        ToolRun run = RunTool({"copy-rows", "--settings", c.settings, "--result", result}, 60);
        EXPECT_EQ(run.status, c.status) << c.settings;
        EXPECT_EQ(run.err, c.err) << c.settings;
    }
    EXPECT_EQ(ReadBook(result)->Sheet(0).DisplayText({4, 1}), "Plum");
}

TEST(TrustedResults, JsonLinesStayValidJsonForAnyFileNameAndUsageErrors) {
    Books f;
    const std::string latin1 = f.root / "caf\xe9.xlsx";  // not UTF-8
    fs::copy_file(f.a, latin1);
    ToolRun run = RunTool(
        {"copy-rows", "--folder", f.root.Path(), "--result", f.out / "result.xlsx", "--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string parse = R"PY(
import sys, json
for line in sys.argv[1].splitlines():
    value = json.loads(line)
    if "caf" in json.dumps(value):
        print(value["text"])
)PY";
    EXPECT_NE(RunPython(parse, {run.out}).find("caf\xef\xbf\xbd.xlsx' is complete."),
              std::string::npos)
        << run.out;

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"copy-rows", "--bogus", "--json"},
          std::vector<std::string>{"copy-rows", "--json", "--folder", f.root.Path()},
          std::vector<std::string>{"copy-rows", "--json", "--folder", latin1}}) {
        ToolRun usage = RunTool(args);
        EXPECT_EQ(usage.status, 2);
        EXPECT_EQ(usage.out, "");
        EXPECT_EQ(RunPython("import sys, json\nfor l in sys.argv[1].splitlines(): json.loads(l)\n"
                            "print(len(sys.argv[1].splitlines()))\n",
                            {usage.err}),
                  "1\n")
            << usage.err;
    }
}

}  // namespace
}  // namespace tabulon::cli
