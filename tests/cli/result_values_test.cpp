// What users see in our results, judged by other programs: the built tabulon runs on
// workbooks written by openpyxl (which stores no formula results), and the results are
// read back with openpyxl (the results they cache) and LibreOffice (whose default
// profile shows the cached results without calculating). Formulas must show what they
// give where they now stand, a formula we cannot calculate must carry no result (and
// the task must say so), and a date of a workbook in the 1904 date system must stay the
// same date.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/temp_folder.h"

namespace tabulon::cli {
namespace {

namespace fs = std::filesystem;
using platform::testing::ReadFile;
using platform::testing::TempFolder;

const std::string kPython = "/usr/bin/python3";
const std::string kCorpus = TABULON_CORPUS_DIR;

bool Have(const std::string& check) {
    return std::system((check + " > /dev/null 2>&1").c_str()) == 0;
}

// Source workbooks, all without cached results (openpyxl writes none).
const char* kMakeSources = R"PY(
import os, sys, datetime, openpyxl
from openpyxl.utils.datetime import CALENDAR_MAC_1904
root = sys.argv[1]
def book(path, sheets, epoch=None):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    wb = openpyxl.Workbook()
    if epoch:
        wb.epoch = epoch
    wb.remove(wb.active)
    for title, rows in sheets:
        ws = wb.create_sheet(title)
        for r in rows:
            ws.append(r)
        for row in ws.iter_rows():
            for c in row:
                if isinstance(c.value, datetime.datetime):
                    c.number_format = 'yyyy-mm-dd'
    wb.save(path)
# add-cell-by-cell: a total under two marked cells
book(f'{root}/sum/template.xlsx', [('T', [['(SUM)'], ['(SUM)'], ['=SUM(A1:A2)']])])
book(f'{root}/sum/in/a.xlsx', [('S', [[10], [1]])])
book(f'{root}/sum/in/b.xlsx', [('S', [[20], [2]])])
# copy-rows: a formula with an absolute reference lands in another row
book(f'{root}/rows/a.xlsx', [('S', [[2, '=$A$1*A1']])])
book(f'{root}/rows/b.xlsx', [('S', [[10, '=$A$1*A1']])])
# merge-cols: worksheet 1 reads the column the merge fills
book(f'{root}/two/one.xlsx', [('One', [['k1', '=D1*2'], ['k2', '=D2*2']])])
book(f'{root}/two/two.xlsx', [('Two', [['k2', 5], ['k1', 16]])])
# difference: the kept row moves up and reads the first row of the result
book(f'{root}/two/keep.xlsx', [('One', [['a', 5], ['b', 7, '=B2+$B$1']])])
book(f'{root}/two/drop.xlsx', [('Two', [['a']])])
# a function we cannot calculate, and a formula that reads it
book(f'{root}/odd/a.xlsx', [('S', [[2, '=RTD("feed",,"price")', '=B1*2', '=A1*3']])])
# dates: a 1900 workbook and a 1904 one keyed by the same days in another order
d1, d2 = datetime.datetime(2021, 1, 1), datetime.datetime(2021, 1, 2)
book(f'{root}/dates/d1900.xlsx', [('D', [[d1, 'one'], [d2, 'two']])])
book(f'{root}/dates/d1904.xlsx', [('D', [[d2, 'zwei'], [d1, 'eins']])], CALENDAR_MAC_1904)
)PY";

// Every non-empty cell with the result openpyxl reads for it: "Sheet!A1=repr".
const char* kDumpValues = R"PY(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1], data_only=True)
for ws in wb:
    for row in ws.iter_rows():
        for c in row:
            if c.value is not None:
                print(f'{c.coordinate}={c.value!r}')
)PY";

struct Fixture {
    TempFolder work;
    std::string tool = std::string(TABULON_BINARY_DIR) + "/bin/tabulon";
    std::string results = work / "results";

    Fixture() {
        fs::create_directories(results);
        std::ofstream(work / "make.py") << kMakeSources;
        std::ofstream(work / "dump.py") << kDumpValues;
        EXPECT_EQ(std::system((kPython + " " + work / "make.py" + " " + work.Path()).c_str()), 0);
    }

    // Runs tabulon; returns what it printed.
    std::string Run(const std::string& name, const std::string& args) {
        const std::string out = work / (name + ".out");
        const std::string command = "'" + tool + "' " + args + " --result '" + results + "/" +
                                    name + ".xlsx' > '" + out + "' 2>&1 < /dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << name << ":\n" << ReadFile(out);
        return ReadFile(out);
    }

    std::string Values(const std::string& book) {
        const std::string out = work / "values.txt";
        std::system((kPython + " " + work / "dump.py" + " '" + book + "' > '" + out + "'").c_str());
        return ReadFile(out);
    }
};

bool HasLine(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

TEST(ResultValues, FormulasShowWhatTheyGiveWhereTheyStandAndUnknownOnesNothing) {
    if (!Have(kPython + " -c 'import openpyxl'"))
        GTEST_SKIP() << "python3-openpyxl is not installed";
    Fixture f;
    const std::string& w = f.work.Path();
    f.Run("sum", "add-cell-by-cell --folder " + w + "/sum/in --template " + w +
                     "/sum/template.xlsx --template-sheet T");
    f.Run("rows", "copy-rows --folder " + w + "/rows");
    const std::string two = " --key1 1 --key2 1";
    f.Run("merge", "merge-cols --file1 " + w + "/two/one.xlsx --sheet1 One --file2 " + w +
                       "/two/two.xlsx --sheet2 Two" + two);
    f.Run("difference", "difference --file1 " + w + "/two/keep.xlsx --sheet1 One --file2 " + w +
                            "/two/drop.xlsx --sheet2 Two" + two);
    const std::string kept = f.Run("odd-kept", "copy-sheets --folder " + w + "/odd");
    const std::string values =
        f.Run("odd-values", "copy-sheets --keep-formulas no --folder " + w + "/odd");

    // Cell -> the result openpyxl reads ("" for none).
    const std::vector<std::pair<std::string, std::map<std::string, std::string>>> expected = {
        {"sum", {{"A1", "30"}, {"A2", "3"}, {"A3", "33"}}},
        {"rows", {{"B1", "4"}, {"B2", "20"}}},
        {"merge", {{"B1", "32"}, {"B2", "10"}, {"D1", "16"}, {"D2", "5"}}},
        {"difference", {{"A1", "'b'"}, {"C1", "14"}}},
        {"odd-kept", {{"A1", "2"}, {"B1", ""}, {"C1", ""}, {"D1", "6"}}},
        {"odd-values", {{"A1", "2"}, {"B1", ""}, {"C1", ""}, {"D1", "6"}}},
    };
    for (const auto& [name, cells] : expected) {
        const std::string shown = f.Values(f.results + "/" + name + ".xlsx");
        for (const auto& [cell, value] : cells) {
            if (value.empty()) {
                EXPECT_EQ(("\n" + shown).find("\n" + cell + "="), std::string::npos)
                    << name << " " << cell << ":\n"
                    << shown;
            } else {
                EXPECT_TRUE(HasLine(shown, cell + "=" + value)) << name << " " << cell << ":\n"
                                                                << shown;
            }
        }
    }

    // The task names what it could not calculate: the result's cells when formulas are
    // kept, the source's cells when their values are copied.
    EXPECT_TRUE(HasLine(kept,
                        "Some formulas of worksheet \"S\" in the result cannot be calculated: "
                        "they are saved without a value. Please click this item for detailed "
                        "information."))
        << kept;
    EXPECT_TRUE(HasLine(kept, "    B1: =RTD(\"feed\",,\"price\") cannot be calculated")) << kept;
    EXPECT_TRUE(HasLine(kept, "    C1: =B1*2 cannot be calculated")) << kept;
    EXPECT_EQ(kept.find("D1:"), std::string::npos) << kept;
    EXPECT_TRUE(HasLine(values, "Some formulas of worksheet \"S\" in \"" + w +
                                    "/odd/a.xlsx\" cannot be calculated and the file holds no "
                                    "values for them: their values are left out. Please click "
                                    "this item for detailed information."))
        << values;
    EXPECT_TRUE(HasLine(values, "    C1: =B1*2 cannot be calculated")) << values;

    // LibreOffice as it starts for a user: it shows the results the file caches.
    if (!Have("command -v soffice"))
        GTEST_SKIP() << "soffice is not installed";
    const std::string csv = f.work / "csv";
    const std::string command = "cd '" + f.results + "' && soffice -env:UserInstallation=file://" +
                                f.work / "profile" + " --headless --convert-to csv --outdir '" +
                                csv + "' sum.xlsx rows.xlsx merge.xlsx difference.xlsx > '" +
                                f.work / "soffice.log" + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadFile(f.work / "soffice.log");
    EXPECT_EQ(ReadFile(csv + "/sum.csv"), "30\n3\n33\n");
    EXPECT_EQ(ReadFile(csv + "/rows.csv"), "2,4\n10,20\n");
    EXPECT_EQ(ReadFile(csv + "/merge.csv"), "k1,32,k1,16\nk2,10,k2,5\n");
    EXPECT_EQ(ReadFile(csv + "/difference.csv"), "b,7,14\n");
}

TEST(ResultValues, DatesOfThe1904SystemStayTheSameDates) {
    if (!Have(kPython + " -c 'import openpyxl'"))
        GTEST_SKIP() << "python3-openpyxl is not installed";
    Fixture f;
    const std::string& w = f.work.Path();
    // Corpus workbooks in the 1904 system, linked (never copied) into a folder of their own.
    const std::vector<std::string> corpus = {"sheetjs/1904/1904.xlsx", "calamine/date_1904.xlsx"};
    fs::create_directories(w + "/corpus");
    for (const std::string& name : corpus)
        fs::create_symlink(kCorpus + "/" + name,
                           w + "/corpus/" + fs::path(name).filename().string());
    f.Run("copies", "copy-sheets --folder " + w + "/corpus");
    f.Run("values", "copy-sheets --keep-formulas no --folder " + w + "/corpus");

    // Every sheet of the copies shows what its source shows (dates as dates, durations as
    // durations, texts of dates calculated again), wherever the copy stands.
    auto sorted = [](const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    std::string sources;
    for (const std::string& name : corpus)
        sources += f.Values(kCorpus + "/" + name);
    EXPECT_GT(sorted(sources).size(), 20u);
    EXPECT_EQ(sorted(f.Values(f.results + "/copies.xlsx")), sorted(sources));
    EXPECT_EQ(sorted(f.Values(f.results + "/values.xlsx")), sorted(sources));

    // Keys compare by the days they show, whichever system each workbook counts in.
    f.Run("merged", "merge-cols --file1 " + w + "/dates/d1900.xlsx --sheet1 D --file2 " + w +
                        "/dates/d1904.xlsx --sheet2 D --key1 1 --key2 1");
    const std::string merged = f.Values(f.results + "/merged.xlsx");
    EXPECT_EQ(merged,
              "A1=datetime.datetime(2021, 1, 1, 0, 0)\nB1='one'\n"
              "C1=datetime.datetime(2021, 1, 1, 0, 0)\nD1='eins'\n"
              "A2=datetime.datetime(2021, 1, 2, 0, 0)\nB2='two'\n"
              "C2=datetime.datetime(2021, 1, 2, 0, 0)\nD2='zwei'\n");
    f.Run("by-key", "copy-rows-by-key --folder " + w + "/dates --key-col 1");
    EXPECT_EQ(f.Values(f.results + "/by-key.xlsx"),
              "A1=datetime.datetime(2021, 1, 1, 0, 0)\nB1='one'\n"
              "A2=datetime.datetime(2021, 1, 2, 0, 0)\nB2='two'\n");
}

}  // namespace
}  // namespace tabulon::cli
