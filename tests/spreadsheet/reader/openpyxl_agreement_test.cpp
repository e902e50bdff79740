// For every OOXML workbook of the corpus that openpyxl loads, our reading of
// sheet names, values, formulas and number format codes equals openpyxl's,
// except for the differences listed (and explained) below.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "recording_sink.h"
#include "spreadsheet/number_format.h"
#include "spreadsheet/reader/workbook_reader.h"

namespace tabulon::spreadsheet {
namespace {

const std::string kCorpus = TABULON_CORPUS_DIR;

// Files where openpyxl and we deliberately differ, with the reason.
const std::map<std::string, std::string> kKnownDifferences = {
    {"calamine/errors.xlsx",
     "a link to another workbook: openpyxl keeps the stored [1]Feuil8!A1, we name the workbook "
     "its link part gives, '[Feuil8]Feuil8'!A1"},
    {"phpspreadsheet/Reader/XLSX/namespacepurl.xlsx",
     "Strict OOXML: openpyxl 3.0.9 does not know its namespaces and finds no sheets"},
    {"poi/SampleSS.strict.xlsx",
     "Strict OOXML: openpyxl 3.0.9 does not know its namespaces and finds no sheets"},
    {"phpspreadsheet/Reader/XLSX/issue.3654.xlsx",
     "built-in format 58 follows the locale: openpyxl 3.0.9 reads it as General, we as a date"},
    {"poi/60289.xlsx", "openpyxl leaves _x000D_ escapes of rich text undecoded; we decode them"},
    {"roo/x000D.xlsx", "openpyxl leaves _x000D_ escapes of rich text undecoded; we decode them"},
    {"readxl/dates-leap-year-1900-xlsx.xlsx",
     "serial 60.33 is the phantom 1900-02-29; openpyxl's datetime cannot hold it and shifts "
     "it to 59.33, we keep the stored number"},
    {"poi/duplicate-filename.xlsx",
     "two zip entries of the same name: openpyxl takes one, we refuse the file as tampered"},
    {"tealeg/badfile_noWorksheets.xlsx",
     "the worksheet parts are missing: openpyxl makes empty sheets, we refuse the damaged file"},
};

// Built-in format ids whose code openpyxl spells otherwise than we do: we use
// the codes the rest of the program shares (how the application displays them),
// openpyxl the texts of the file format standard (and a typo in id 44).
std::string OurBuiltinText(const std::string& openpyxlText) {
    static const std::map<std::string, int> kIds = {
        {"\"$\"#,##0_);(\"$\"#,##0)", 5},
        {"\"$\"#,##0_);[Red](\"$\"#,##0)", 6},
        {"\"$\"#,##0.00_);(\"$\"#,##0.00)", 7},
        {"\"$\"#,##0.00_);[Red](\"$\"#,##0.00)", 8},
        {"mm-dd-yy", 14},
        {"m/d/yy h:mm", 22},
        {"_(\"$\"* #,##0.00_)_(\"$\"* \\\\(#,##0.00\\\\)_(\"$\"* \"-\"??_)_(@_)", 44},
    };
    const auto it = kIds.find(openpyxlText);
    return it == kIds.end() ? openpyxlText
                            : testing::EscapeForDump(std::string(BuiltinFormatCode(it->second)));
}

struct DumpLine {
    std::string kind, text, format;
};

struct FileDump {
    std::vector<std::string> sheets;
    std::map<std::string, DumpLine> cells;  // "Sheet!A1"
    std::string error;
};

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto tab = line.find('\t', start);
        parts.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return parts;
        start = tab + 1;
    }
}

void AddCellLine(FileDump& dump, const std::string& line) {
    const auto parts = SplitTabs(line);
    if (parts.size() != 4)
        return;
    dump.cells[parts[0]] = DumpLine{parts[1], parts[2], parts[3]};
}

// The OOXML files of the manifest that openpyxl loads.
std::vector<std::string> OpenpyxlReadableFiles() {
    std::vector<std::string> files;
    std::ifstream manifest(kCorpus + "/MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);
    while (std::getline(manifest, line)) {
        const auto parts = SplitTabs(line);
        if (parts.size() < 12 || parts[11] != "ok")
            continue;
        const std::string& format = parts[1];
        if (format.rfind("xlsx", 0) == 0 || format.rfind("xlsm", 0) == 0 ||
            format.rfind("xltx", 0) == 0 || format.rfind("xltm", 0) == 0) {
            files.push_back(parts[0]);
        }
    }
    return files;
}

std::map<std::string, FileDump> RunOpenpyxl(const std::vector<std::string>& files) {
    std::string command = "cd '" + kCorpus + "' && /usr/bin/python3 '" +
                          std::string(TABULON_SOURCE_DIR) +
                          "/tests/spreadsheet/reader/openpyxl_dump.py'";
    for (const auto& f : files)
        command += " '" + f + "'";
    std::map<std::string, FileDump> dumps;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return dumps;
    std::string output;
    char buffer[65536];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        output.append(buffer, n);
    std::istringstream in(output);
    std::string line;
    FileDump* current = nullptr;
    while (std::getline(in, line)) {
        if (line.rfind("=== ", 0) == 0) {
            current = &dumps[line.substr(4)];
        } else if (!current) {
            continue;
        } else if (line.rfind("sheets\t", 0) == 0) {
            auto parts = SplitTabs(line);
            current->sheets.assign(parts.begin() + 1, parts.end());
        } else if (line.rfind("error\t", 0) == 0) {
            current->error = line.substr(6);
        } else {
            AddCellLine(*current, line);
        }
    }
    return dumps;
}

FileDump OurDump(const std::string& path) {
    FileDump dump;
    testing::RecordingWorkbook sink;
    try {
        ReadWorkbookFile(path, sink);
    } catch (const ReadError& e) {
        dump.error = e.what();
        return dump;
    }
    for (const auto& sheet : sink.sheets)
        dump.sheets.push_back(testing::EscapeForDump(sheet.name));
    std::istringstream in(sink.CellDump());
    std::string line;
    std::set<std::string> worksheets;
    for (const auto& sheet : sink.sheets) {
        if (sheet.kind == SheetKind::Worksheet)
            worksheets.insert(testing::EscapeForDump(sheet.name));
    }
    while (std::getline(in, line)) {
        if (line.rfind("sheet\t", 0) == 0)
            continue;
        const auto parts = SplitTabs(line);
        if (parts.size() != 4 || parts[1] == "blank")
            continue;
        const auto bang = parts[0].rfind('!');
        if (bang == std::string::npos || !worksheets.count(line.substr(0, bang)))
            continue;
        // openpyxl empties the cells a merge covers, apart from its top-left
        // one; we keep what the file holds.
        const auto cell = ParseCellRef(parts[0].substr(bang + 1));
        bool covered = false;
        for (const auto& sheet : sink.sheets) {
            if (testing::EscapeForDump(sheet.name) != line.substr(0, bang))
                continue;
            for (const auto& merge : sheet.content.merges)
                covered |= cell && merge.Contains(*cell) && !(merge.first == *cell);
        }
        if (!covered)
            AddCellLine(dump, line);
    }
    return dump;
}

bool SameCell(const DumpLine& theirs, const DumpLine& ours) {
    if (OurBuiltinText(theirs.format) != ours.format)
        return false;
    if (theirs.kind == "n" || theirs.kind == "d") {
        if (ours.kind != "n")
            return false;
        const double a = std::strtod(theirs.text.c_str(), nullptr);
        const double b = std::strtod(ours.text.c_str(), nullptr);
        // openpyxl rounds date and time values to the microsecond.
        return theirs.kind == "n" ? a == b : std::fabs(a - b) < 1e-8 * std::max(1.0, std::fabs(a));
    }
    return theirs.kind == ours.kind && theirs.text == ours.text;
}

TEST(ReaderOpenpyxl, ValuesFormulasFormatsAndSheetNamesAgree) {
    const auto files = OpenpyxlReadableFiles();
    if (files.empty())
        GTEST_SKIP() << "corpus manifest not present";
    const auto theirs = RunOpenpyxl(files);
    ASSERT_FALSE(theirs.empty()) << "openpyxl did not run";
    long cells = 0, equalCells = 0;
    int equalFiles = 0;
    for (const auto& file : files) {
        SCOPED_TRACE(file);
        const auto it = theirs.find(file);
        ASSERT_NE(it, theirs.end());
        const FileDump& expected = it->second;
        if (!expected.error.empty())
            continue;
        const FileDump ours = OurDump(kCorpus + "/" + file);
        std::vector<std::string> differences;
        if (!ours.error.empty())
            differences.push_back("we refuse it: " + ours.error);
        if (ours.sheets != expected.sheets)
            differences.push_back("sheet names differ");
        std::set<std::string> keys;
        for (const auto& [k, v] : expected.cells)
            keys.insert(k);
        for (const auto& [k, v] : ours.cells)
            keys.insert(k);
        for (const auto& key : keys) {
            ++cells;
            const auto a = expected.cells.find(key);
            const auto b = ours.cells.find(key);
            if (a != expected.cells.end() && b != ours.cells.end() &&
                SameCell(a->second, b->second)) {
                ++equalCells;
                continue;
            }
            auto show = [](const auto& it, const auto& end) {
                return it == end ? std::string("(none)")
                                 : it->second.kind + " '" + it->second.text + "' [" +
                                       it->second.format + "]";
            };
            differences.push_back(key + ": openpyxl " + show(a, expected.cells.end()) + ", we " +
                                  show(b, ours.cells.end()));
        }
        if (differences.empty()) {
            ++equalFiles;
            continue;
        }
        if (kKnownDifferences.count(file))
            continue;
        std::string text;
        for (std::size_t i = 0; i < differences.size() && i < 8; ++i)
            text += "\n  " + differences[i];
        ADD_FAILURE() << differences.size() << " differences:" << text;
    }
    std::printf(
        "openpyxl agreement: %d of %zu files identical; %ld of %ld cells equal (%.2f%%)\n",
        equalFiles, files.size(), equalCells, cells,
        cells ? 100.0 * static_cast<double>(equalCells) / static_cast<double>(cells) : 100.0);
}

}  // namespace
}  // namespace tabulon::spreadsheet
