// Workbooks we write must read back in a real spreadsheet application the way the
// originals do: every sound OOXML workbook of the corpus is read and written again by
// us, then LibreOffice converts the original and our copy to CSV (every sheet) and the
// two conversions must show the same cells.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "corpus_files.h"
#include "spreadsheet/reader/workbook_reader.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/xlsx_writer.h"

namespace tabulon::spreadsheet {
namespace {

namespace fs = std::filesystem;

std::vector<std::vector<std::string>> ParseCsv(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    std::vector<std::vector<std::string>> rows(1);
    std::string cell;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(cell);
            cell.clear();
        } else if (c == '\n') {
            rows.back().push_back(cell);
            cell.clear();
            rows.emplace_back();
        } else if (c != '\r') {
            cell += c;
        }
    }
    if (!cell.empty() || !rows.back().empty())
        rows.back().push_back(cell);
    while (!rows.empty() && rows.back().empty())
        rows.pop_back();
    return rows;
}

// Workbooks whose shown values change on every calculation, or need what a copy of the
// cells does not carry; the application recalculates our copies on opening.
const std::set<std::string> kNotComparable = {
    "xlsxjl/Template File.xltx",                     // RANDBETWEEN in every cell
    "sheetjs/number_format.xlsm",                    // functions of its macro project
    "sheetjs/formula_stress_test.xlsx",              // NOW(), RAND(), pivot-style blocks
    "phpspreadsheet/Reader/XLSX/explicitdate.xlsx",  // NOW()
};

bool HaveLibreOffice() {
    return std::system("command -v soffice > /dev/null 2>&1") == 0;
}

// Converts every workbook of `folder` to CSV files "<name>-<sheet>.csv" in `out`.
void ConvertToCsv(const fs::path& folder, const fs::path& out, const fs::path& profile) {
    fs::create_directories(out);
    std::string command = "cd '" + folder.string() + "' && soffice -env:UserInstallation=file://" +
                          profile.string() +
                          " --headless --convert-to "
                          "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,"
                          "false,false,-1' --outdir '" +
                          out.string() + "' * > '" + out.string() + ".log' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

TEST(LibreOfficeRoundTrip, OurCopiesShowTheSameCellsAsTheOriginals) {
    if (!HaveLibreOffice())
        GTEST_SKIP() << "soffice is not installed";
    const fs::path work = fs::temp_directory_path() / ("tabulon-lo-" + std::to_string(getpid()));
    fs::remove_all(work);
    fs::create_directories(work / "orig");
    fs::create_directories(work / "copy");

    int written = 0;
    std::map<std::string, std::string> originals;  // "w3" -> corpus name, for the report
    for (const auto& file : testing::ListCorpus()) {
        if (!testing::IsSoundOoxml(file) || kNotComparable.count(file.name))
            continue;
        Workbook book;
        try {
            auto builder = MakeWorkbookBuilder(book);
            ReadWorkbookFile(file.path, *builder);
        } catch (const std::exception&) {
            continue;
        }
        const std::string ext = fs::path(file.path).extension() == ".xlsm" ? ".xlsm" : ".xlsx";
        const std::string name = "w" + std::to_string(written++) + ext;
        WriteWorkbookFile(book, (work / "copy" / name).string());
        fs::create_symlink(file.path, work / "orig" / name);
        originals[fs::path(name).stem().string()] = file.name;
    }
    ASSERT_GT(written, 50);
    ConvertToCsv(work / "orig", work / "orig-csv", work / "profile");
    ConvertToCsv(work / "copy", work / "copy-csv", work / "profile");

    long cells = 0, same = 0;
    std::map<std::string, int> differing;  // csv file -> cells that differ
    for (const auto& entry : fs::directory_iterator(work / "orig-csv")) {
        const auto orig = ParseCsv(entry.path().string());
        const fs::path copyPath = work / "copy-csv" / entry.path().filename();
        if (!fs::exists(copyPath)) {
            differing[entry.path().filename().string() + " (missing in copy)"] = 1;
            continue;
        }
        const auto copy = ParseCsv(copyPath.string());
        const size_t rows = std::max(orig.size(), copy.size());
        for (size_t r = 0; r < rows; ++r) {
            const auto& a = r < orig.size() ? orig[r] : std::vector<std::string>{};
            const auto& b = r < copy.size() ? copy[r] : std::vector<std::string>{};
            for (size_t c = 0; c < std::max(a.size(), b.size()); ++c) {
                const std::string x = c < a.size() ? a[c] : "";
                const std::string y = c < b.size() ? b[c] : "";
                if (x.empty() && y.empty())
                    continue;
                ++cells;
                if (x == y) {
                    ++same;
                } else if (differing[entry.path().filename().string()]++ < 2) {
                    std::cout << "  " << entry.path().filename().string() << " row " << r + 1
                              << " col " << c + 1 << ": original '" << x << "', copy '" << y
                              << "'\n";
                }
            }
        }
    }
    const double rate = cells ? 100.0 * same / cells : 0;
    std::cout << written << " workbooks, " << cells << " non-empty cells, " << same
              << " shown the same (" << rate << "%)\n";
    for (const auto& [name, n] : differing) {
        std::cout << "  " << name << " (" << originals[name.substr(0, name.find('-'))] << "): " << n
                  << "\n";
    }
    EXPECT_GT(cells, 10000);
    EXPECT_GE(rate, 99.9);
    fs::remove_all(work);
}

}  // namespace
}  // namespace tabulon::spreadsheet
