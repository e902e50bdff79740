// copy-rows over one folder holding every corpus workbook that openpyxl reads (the .xlsx
// and .xlsm files the walk takes; openpyxl reads no .xls or .xlsb): no workbook is lost
// to another's shape, and the result holds exactly the sources' rows, counted by openpyxl.
#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/tool_run.h"
#include "integration/corpus_files.h"
#include "platform/temp_folder.h"

namespace tabulon::cli {
namespace {

using namespace testing;
using platform::testing::TempFolder;

// Per file: "ok <rows> <path>" with the sum over its worksheets of the last row holding a
// value, or "skip <path>" when openpyxl cannot show its worksheets. Worksheets are the
// sheets whose relationship says so (chart, macro and dialog sheets are not).
constexpr const char* kUsedRows = R"(
import zipfile
import xml.etree.ElementTree as ET

def local(name):
    return name.rsplit('}', 1)[-1]

def worksheet_names(path):
    with zipfile.ZipFile(path) as z:
        names = {n.lower(): n for n in z.namelist()}
        rels = ET.fromstring(z.read(names['xl/_rels/workbook.xml.rels']))
        kinds = {r.get('Id'): r.get('Type', '').rsplit('/', 1)[-1]
                 for r in rels.iter() if local(r.tag) == 'Relationship'}
        book = ET.fromstring(z.read(names['xl/workbook.xml']))
        sheets = []
        for s in book.iter():
            if local(s.tag) == 'sheet':
                rid = next((v for k, v in s.attrib.items() if local(k) == 'id'), None)
                if kinds.get(rid) == 'worksheet':
                    sheets.append(s.get('name'))
        return sheets

for path in open(sys.argv[1]).read().splitlines():
    try:
        wb = openpyxl.load_workbook(path)
        sheets = worksheet_names(path)
        if not sheets or any(name not in wb.sheetnames for name in sheets):
            print('skip', path)
            continue
        # Only the stored cells: an extent may claim the whole grid.
        rows = sum(max((r for (r, c), cell in wb[name]._cells.items() if cell.value is not None),
                       default=0) for name in sheets)
        print('ok', rows, path)
    except Exception:
        print('skip', path)
)";

constexpr const char* kResultRows = R"(
ws = openpyxl.load_workbook(sys.argv[1]).active
print(max((r for (r, c), cell in ws._cells.items() if cell.value is not None), default=0))
)";

// corpus name -> the manifest's note on it, for the files openpyxl loads per the manifest.
std::map<std::string, std::string> OpenpyxlLoadable() {
    std::ifstream manifest(std::string(TABULON_CORPUS_DIR) + "/MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);
    std::vector<std::string> header;
    for (std::istringstream fields(line); std::getline(fields, line, '\t');)
        header.push_back(line);
    std::map<std::string, std::string> files;
    while (std::getline(manifest, line)) {
        std::vector<std::string> cells;
        for (std::istringstream fields(line); std::getline(fields, line, '\t');)
            cells.push_back(line);
        cells.resize(header.size());
        std::map<std::string, std::string> row;
        for (size_t i = 0; i < header.size(); ++i)
            row[header[i]] = cells[i];
        const std::string ext = std::filesystem::path(row["path"]).extension().string();
        if (row["openpyxl_3.0.9_load"] == "ok" && (ext == ".xlsx" || ext == ".xlsm"))
            files[row["path"]] = row["note"];
    }
    return files;
}

// A folder under the build tree, removed afterwards.
struct BuildTreeFolder {
    std::string path;
    BuildTreeFolder() {
        std::string pattern = std::string(TABULON_BINARY_DIR) + "/corpus-copy-rows-XXXXXX";
        path = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~BuildTreeFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

std::string Flat(std::string name) {
    for (char& c : name)
        if (c == '/' || c == ' ')
            c = '_';
    return name;
}

TEST(CliCorpusCopyRows, EveryWorkbookOpenpyxlReadsKeepsItsRowsInOneFolderRun) {
    if (!HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl missing";
    const std::map<std::string, std::string> loadable = OpenpyxlLoadable();
    ASSERT_GT(loadable.size(), 50u);
    TempFolder scratch;
    const std::string list = scratch.Write("list.txt", [&] {
        std::string text;
        for (const auto& [name, note] : loadable)
            text += std::string(TABULON_CORPUS_DIR) + "/" + name + "\n";
        return text;
    }());
    BuildTreeFolder folder;
    ASSERT_FALSE(folder.path.empty());
    const std::string sources = folder.path + "/sources";
    std::filesystem::create_directory(sources);

    // The sources as openpyxl sees them, linked into one folder.
    std::map<std::string, long> rowsOf;         // linked path -> its rows
    std::map<std::string, std::string> noteOf;  // linked path -> the manifest's note
    std::istringstream report(Python(kUsedRows, {list}, scratch.Path()));
    for (std::string status, path; report >> status;) {
        long rows = 0;
        if (status == "ok")
            report >> rows;
        std::getline(report >> std::ws, path);
        if (status != "ok")
            continue;
        const std::string name = path.substr(std::string(TABULON_CORPUS_DIR).size() + 1);
        const std::string link = sources + "/" + Flat(name);
        std::filesystem::create_symlink(path, link);
        rowsOf[link] = rows;
        noteOf[link] = loadable.at(name);
    }
    ASSERT_GT(rowsOf.size(), 50u);

    const std::string result = folder.path + "/rows.xlsx";
    ToolRun run = Tabulon({"copy-rows", "--folder", sources, "--result", result}, scratch.Path());
    ASSERT_EQ(run.status, 0) << run.out << run.err;

    // A refused workbook is refused on its own as well: its own shape is the reason.
    const std::string refusal = "A unknown error occurs when processing file ";
    std::set<std::string> refused;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(refusal, 0) == 0)
            refused.insert(line.substr(refusal.size(), line.find(". Please run") - refusal.size()));
    }
    long expected = 0;
    for (const auto& [link, rows] : rowsOf) {
        if (!refused.count(link)) {
            expected += rows;
            EXPECT_NE(run.out.find("Processing of the file '" + link + "' is complete."),
                      std::string::npos)
                << link;
            continue;
        }
        const std::string alone = folder.path + "/alone";
        std::filesystem::create_directory(alone);
        std::filesystem::create_symlink(
            std::filesystem::read_symlink(link),
            alone + "/" + std::filesystem::path(link).filename().string());
        ToolRun single = Tabulon({"copy-rows", "--folder", alone, "--result", alone + "/r.xlsx"},
                                 scratch.Path());
        EXPECT_NE(single.out.find(refusal), std::string::npos)
            << link << " was lost to another workbook's shape: alone it gives\n"
            << single.out;
        std::filesystem::remove_all(alone);
        std::cout << "refused: " << link << " (" << noteOf[link] << ")\n";
    }
    EXPECT_LE(refused.size(), 3u) << run.out;
    EXPECT_EQ(std::stol(Python(kResultRows, {result}, scratch.Path())), expected) << run.out;
}

}  // namespace
}  // namespace tabulon::cli
