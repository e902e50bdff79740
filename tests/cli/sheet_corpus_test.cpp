// Every readable .xlsx/.xlsm workbook of the corpus goes through copy-sheets with its
// formulas kept, alone, and each copied sheet is compared with its source twice: read
// by our reader here and by python3-openpyxl (sheet_fidelity.py). A sheet that differs
// is listed below with the reason, and a listed sheet that no longer differs fails too,
// so that the list stays true.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/tool_run.h"
#include "integration/corpus_files.h"
#include "platform/temp_folder.h"
#include "spreadsheet/reader/workbook_reader.h"
#include "spreadsheet/workbook.h"

namespace tabulon::cli {
namespace {

namespace fs = std::filesystem;
using namespace spreadsheet;
using namespace testing;

constexpr const char* kDefaultStyleBlank =
    "a blank cell in the workbook's default style is not stored: it shows the same";
constexpr const char* kFontFallback =
    "a font given without name or size is written as the application's fallback (Calibri, 11)";
constexpr const char* kNoStylesPart =
    "no styles part: openpyxl makes up a font in theme colour 1, the copy has the plain default";
constexpr const char* kOpaque =
    "colours are written opaque (alpha FF); the application ignores the alpha byte";
constexpr const char* kOutline =
    "row outline levels are not modelled yet: the rows stay hidden, the levels are lost";
constexpr const char* kFilterLifted =
    "the folder task lifts a sheet's filter before reading it: rows the filter hid show";
constexpr const char* kDate1904 =
    "the result counts dates from 1900: serials move by 1462 days, the dates shown stay";
constexpr const char* kRecalculated =
    "the copy's formulas are calculated before saving: our result differs from the cached one";
constexpr const char* kSourceUnreadable = "openpyxl cannot read the source";
constexpr const char* kOtherSheets =
    "openpyxl counts other sheets (strict namespace, macro or dialog sheets copy-sheets leaves)";
constexpr const char* kMergedBorder =
    "openpyxl draws the range border onto merged cell A17 in the copy only; both files style "
    "A16:A17 alike";
constexpr const char* kEscapes =
    "openpyxl leaves _x000D_ escapes of shared strings undecoded; the copy holds the carriage "
    "return";
constexpr const char* kDateCell =
    "openpyxl reads the source's date-typed cell as a date, the copy's number as a datetime";

// "file<TAB>sheet<TAB>reader: category" (or "openpyxl: category") -> why it differs.
// The sheet "*" stands for every sheet of the file.
const std::map<std::string, std::string> kKnown = {
    {"calamine/date_1904.xlsx\tSheet1\treader: values", kDate1904},
    {"calamine/inlineStr_cdata.xlsx\tSheet1\topenpyxl: fonts", kNoStylesPart},
    {"calamine/issue_174.xlsx\tSheet1\topenpyxl: alignment", kDefaultStyleBlank},
    {"calamine/issue_174.xlsx\tSheet1\topenpyxl: borders", kDefaultStyleBlank},
    {"calamine/issue_174.xlsx\tSheet1\topenpyxl: fills", kDefaultStyleBlank},
    {"calamine/issue_174.xlsx\tSheet1\topenpyxl: fonts", kDefaultStyleBlank},
    {"calamine/issue_174.xlsx\tSheet1\topenpyxl: formats", kDefaultStyleBlank},
    {"calamine/issue_174.xlsx\tSheet1\topenpyxl: values", kDefaultStyleBlank},
    {"calamine/issue_419.xlsx\t*\topenpyxl: error", kSourceUnreadable},
    {"calamine/minimal_package.xlsx\t*\topenpyxl: error", kSourceUnreadable},
    {"exceldatareader/Test_Issue_12667_GoogleExport_MissingColumns.xlsx\tDataset1\topenpyxl: "
     "alignment",
     kDefaultStyleBlank},
    {"exceldatareader/Test_Issue_12667_GoogleExport_MissingColumns.xlsx\tDataset1\topenpyxl: "
     "borders",
     kDefaultStyleBlank},
    {"exceldatareader/Test_Issue_12667_GoogleExport_MissingColumns.xlsx\tDataset1\topenpyxl: fills",
     kDefaultStyleBlank},
    {"exceldatareader/Test_Issue_12667_GoogleExport_MissingColumns.xlsx\tDataset1\topenpyxl: fonts",
     kDefaultStyleBlank},
    {"exceldatareader/Test_Issue_12667_GoogleExport_MissingColumns.xlsx\tDataset1\topenpyxl: "
     "formats",
     kDefaultStyleBlank},
    {"exceldatareader/Test_Issue_12667_GoogleExport_MissingColumns.xlsx\tDataset1\topenpyxl: "
     "values",
     kDefaultStyleBlank},
    {"exceldatareader/Test_git_issue_385_backslash.xlsx\t*\topenpyxl: error", kSourceUnreadable},
    {"exceljs/hidden-test/google-sheets.xlsx\tSheet1\topenpyxl: fonts", kFontFallback},
    {"phpspreadsheet/Reader/XLSX/autofilter2.xlsx\t*\topenpyxl: heights", kFilterLifted},
    {"phpspreadsheet/Reader/XLSX/autofilter2.xlsx\t*\treader: heights", kFilterLifted},
    {"phpspreadsheet/Reader/XLSX/explicitdate.xlsx\tSheet\topenpyxl: values", kDateCell},
    {"phpspreadsheet/Reader/XLSX/explicitdate.xlsx\tSheet\treader: values", kRecalculated},
    {"phpspreadsheet/Reader/XLSX/issue.2301.xlsx\tHS1-XYZ\treader: values", kRecalculated},
    {"phpspreadsheet/Reader/XLSX/issue.3770.xlsx\tPage1\topenpyxl: alignment", kMergedBorder},
    {"phpspreadsheet/Reader/XLSX/issue.3770.xlsx\tPage1\topenpyxl: borders", kMergedBorder},
    {"phpspreadsheet/Reader/XLSX/issue.3770.xlsx\tPage1\topenpyxl: fills", kMergedBorder},
    {"phpspreadsheet/Reader/XLSX/issue.3770.xlsx\tPage1\topenpyxl: fonts", kMergedBorder},
    {"phpspreadsheet/Reader/XLSX/issue.3770.xlsx\tPage1\topenpyxl: formats", kMergedBorder},
    {"phpspreadsheet/Reader/XLSX/issue.3770.xlsx\tPage1\topenpyxl: values", kMergedBorder},
    {"phpspreadsheet/Reader/XLSX/rootZipFiles.xlsx\t*\topenpyxl: error", kSourceUnreadable},
    {"poi/59746_NoRowNums.xlsx\tFeatures\topenpyxl: borders", kOpaque},
    {"poi/59746_NoRowNums.xlsx\tFeatures\topenpyxl: fills", kOpaque},
    {"poi/59746_NoRowNums.xlsx\tFeatures\topenpyxl: fonts", kOpaque},
    {"poi/59746_NoRowNums.xlsx\tFeatures\topenpyxl: heights", kOutline},
    {"poi/60289.xlsx\tTABLE\topenpyxl: values", kEscapes},
    {"poi/SampleSS.strict.xlsx\t*\topenpyxl: error", kOtherSheets},
    {"poi/style-alternate-content.xlsx\t*\topenpyxl: error", kSourceUnreadable},
    {"poi/xlmmacro.xlsm\t*\topenpyxl: error", kOtherSheets},
    {"readxl/dates-leap-year-1900-xlsx.xlsx\tfor_human_eyes\treader: values", kRecalculated},
    {"readxl/iris-google-doc.xlsx\tiris\topenpyxl: fonts", kFontFallback},
    {"readxl/los-angeles-arrests-xlsx.xlsx\t*\topenpyxl: error", kSourceUnreadable},
    {"readxl/missing-v-node-xlsx.xlsx\tSheet1\treader: values", kRecalculated},
    {"readxl/no-styles-or-sharedStrings-parts.xlsx\tSheet1\topenpyxl: fonts", kNoStylesPart},
    {"roo/Pfand_from_windows_phone.xlsx\tBlatt1\treader: values", kRecalculated},
    {"roo/boolean-from-google-sheets.xlsx\tSheet1\topenpyxl: fonts", kFontFallback},
    {"roo/x000D.xlsx\t情人节活动\topenpyxl: values", kEscapes},
    {"sheetjs/1904/1904.xlsx\tSheet1\treader: values", kDate1904},
    {"sheetjs/BlankSheetTypes.xlsm\t*\topenpyxl: error", kOtherSheets},
    {"sheetjs/DataTypesFormats.xlsx\tSheet1\topenpyxl: fonts", kFontFallback},
    {"sheetjs/LONumbers.xlsx\tSheet1\treader: values", kRecalculated},
    {"sheetjs/formula_stress_test.xlsx\tLogical\topenpyxl: alignment", kDefaultStyleBlank},
    {"sheetjs/formula_stress_test.xlsx\tLogical\topenpyxl: borders", kDefaultStyleBlank},
    {"sheetjs/formula_stress_test.xlsx\tLogical\topenpyxl: fills", kDefaultStyleBlank},
    {"sheetjs/formula_stress_test.xlsx\tLogical\topenpyxl: fonts", kDefaultStyleBlank},
    {"sheetjs/formula_stress_test.xlsx\tLogical\topenpyxl: formats", kDefaultStyleBlank},
    {"sheetjs/formula_stress_test.xlsx\tLogical\topenpyxl: values", kDefaultStyleBlank},
    {"sheetjs/formula_stress_test.xlsx\t*\treader: values", kRecalculated},
    {"sheetjs/formula_stress_test.xlsx\tStatistical\topenpyxl: values", kRecalculated},
    {"sheetjs/metadata_2019.xlsx\tSheet1\treader: values", kRecalculated},
    {"sheetjs/wtf_path.xlsx\t*\topenpyxl: error", kSourceUnreadable},
    {"sheetjs/wtf_path.xlsx\tSheetJS\treader: values", kRecalculated},
    {"sheetjs/xlsx-stream-d-date-cell.xlsx\t*\topenpyxl: error", kSourceUnreadable},
    {"xlsx2csv/input-weird.xlsx\t*\topenpyxl: fonts", kFontFallback},
    {"xlsxwriter/dynamic_array01.xlsx\tSheet1\treader: values", kRecalculated},
};

// A copied formula naming another sheet of its source names the source workbook:
// the references are compared without the workbook part and the quotes.
std::string PlainFormula(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '[') {
            const std::size_t end = text.find(']', i);
            if (end != std::string_view::npos) {
                i = end;
                continue;
            }
        }
        if (text[i] != '\'')
            out += text[i];
    }
    return out;
}

std::string Describe(const Value& v) {
    switch (v.Kind()) {
        case ValueKind::Empty:
            return "empty";
        case ValueKind::Number: {
            std::ostringstream s;
            s.precision(17);
            s << v.AsNumber();
            return s.str();
        }
        case ValueKind::Boolean:
            return v.AsBoolean() ? "TRUE" : "FALSE";
        case ValueKind::Error:
            return std::string(ErrorText(v.AsError()));
        default:
            return "\"" + v.AsText() + "\"";
    }
}

// The first difference of each kind between a sheet and its copy, as our reader sees them.
std::map<std::string, std::string> CompareWithReader(const Worksheet& a, const Worksheet& b) {
    std::map<std::string, std::string> diffs;
    auto note = [&](const std::string& what, const std::string& text) {
        diffs.emplace(what, text);
    };
    struct Seen {
        std::string value, formula;
        const CellStyle* style = nullptr;
    };
    std::map<std::pair<int, int>, Seen> cells[2];
    const Worksheet* sheets[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        sheets[i]->ForEachCell({{1, 1}, {kMaxRows, kMaxColumns}}, IterationOrder::RowByRow,
                               [&](const CellView& c) {
                                   Seen& s = cells[i][{c.ref.row, c.ref.col}];
                                   s.value = Describe(c.ToValue());
                                   if (c.kind == CellKind::Formula)
                                       s.formula = PlainFormula(c.formula);
                                   s.style = &sheets[i]->Owner().Style(c.style);
                               });
    }
    for (int i = 0; i < 2; ++i) {
        for (const auto& [at, seen] : cells[i]) {
            const auto other = cells[1 - i].find(at);
            // A cell one sheet lacks shows in its workbook's default style.
            const Seen none{"empty", "", &sheets[1 - i]->Owner().Style(0)};
            const Seen& x = i == 0 ? seen : (other == cells[0].end() ? none : other->second);
            const Seen& y = i == 1 ? seen : (other == cells[1].end() ? none : other->second);
            const std::string where = ColumnLetters(at.second) + std::to_string(at.first) + ": ";
            if (x.value != y.value)
                note("values", where + x.value + " -> " + y.value);
            if (x.formula != y.formula)
                note("formulas", where + x.formula + " -> " + y.formula);
            if (!(*x.style == *y.style))
                note("styles", where + "differ");
        }
    }
    for (int col = 1; col <= 300; ++col) {
        if (a.ColumnWidth(col) != b.ColumnWidth(col) ||
            a.Column(col).hidden != b.Column(col).hidden) {
            note("widths", ColumnLetters(col));
            break;
        }
    }
    const auto used = a.UsedExtent(true);
    for (int row = 1; used && row <= std::min(used->last.row + 1, kMaxRows); ++row) {
        const RowInfoView x = a.Row(row), y = b.Row(row);
        if (x.height != y.height || x.hidden != y.hidden) {
            note("heights", std::to_string(row));
            break;
        }
    }
    if (a.Merges() != b.Merges())
        note("merges",
             std::to_string(a.Merges().size()) + " -> " + std::to_string(b.Merges().size()));
    if (a.Notes() != b.Notes())
        note("comments",
             std::to_string(a.Notes().size()) + " -> " + std::to_string(b.Notes().size()));
    if (a.Hyperlinks() != b.Hyperlinks())
        note("hyperlinks", std::to_string(a.Hyperlinks().size()) + " -> " +
                               std::to_string(b.Hyperlinks().size()));
    for (CellRef cell : a.CellsWithRuns()) {
        const RichText* x = a.TextRuns(cell);
        const RichText* y = b.TextRuns(cell);
        if (!y || *x != *y) {
            note("runs", ColumnLetters(cell.col) + std::to_string(cell.row));
            break;
        }
    }
    // What the file holds beyond the model travels as it was: the same elements and parts.
    auto kept = [](const Worksheet& s) {
        std::string out;
        if (const auto& k = s.KeptXml()) {
            for (const KeptElement& e : k->elements)
                out += e.local + " ";
            out += "/ " + std::to_string(k->parts.size()) + " parts";
        }
        return out;
    };
    // Every sheet written states its view; a source may have given none.
    std::string copied = kept(b);
    if (kept(a).find("sheetViews") == std::string::npos &&
        copied.find("sheetViews ") != std::string::npos)
        copied.erase(copied.find("sheetViews "), std::string("sheetViews ").size());
    if (kept(a) != copied)
        note("kept", kept(a) + " -> " + copied);
    return diffs;
}

std::unique_ptr<Workbook> Read(const std::string& path) {
    auto book = std::make_unique<Workbook>();
    auto builder = MakeWorkbookBuilder(*book);
    ReadWorkbookFile(path, *builder);
    return book;
}

TEST(SheetCorpus, EveryCopiedSheetEqualsItsSourceInOurReaderAndInOpenpyxl) {
    if (!HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl missing";
    platform::testing::TempFolder work;
    std::vector<std::pair<std::string, std::string>> jobs;  // source, result
    for (const auto& file : tabulon::testing::ListCorpus()) {
        const std::string ext = fs::path(file.name).extension().string();
        if (!tabulon::testing::IsSoundOoxml(file) || (ext != ".xlsx" && ext != ".xlsm"))
            continue;
        const fs::path folder = work / ("in" + std::to_string(jobs.size()));
        fs::create_directories(folder);
        fs::create_symlink(file.path, folder / fs::path(file.name).filename());
        jobs.emplace_back(file.name, work / ("out" + std::to_string(jobs.size()) + ext));
    }
    ASSERT_GT(jobs.size(), 90u);

    // Two at a time: each run is a process of its own.
    std::atomic<std::size_t> next{0};
    std::vector<std::string> failures(jobs.size()), outputs(jobs.size());
    auto worker = [&] {
        for (std::size_t i; (i = next++) < jobs.size();) {
            const ToolRun run =
                RunTool({"copy-sheets", "--folder", work / ("in" + std::to_string(i)), "--result",
                         jobs[i].second, "--keep-formulas", "yes"});
            if (run.status != 0 || !fs::exists(jobs[i].second))
                failures[i] = run.out + run.err;
            outputs[i] = run.out;
        }
    };
    std::thread other(worker);
    worker();
    other.join();

    // openpyxl reads the pairs in two processes while our reader compares them here.
    std::set<std::string> found;  // "file<TAB>sheet<TAB>reader: category"
    std::map<std::string, std::string> firsts;
    std::ofstream lists[2] = {std::ofstream(work / "list0.tsv"), std::ofstream(work / "list1.tsv")};
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (failures[i].empty())
            lists[i % 2] << std::string(TABULON_CORPUS_DIR) + "/" + jobs[i].first << "\t"
                         << jobs[i].second << "\n";
    }
    lists[0].close();
    lists[1].close();
    ToolRun py[2];
    std::vector<std::thread> readers;
    for (int n = 0; n < 2; ++n) {
        readers.emplace_back([&, n] {
            py[n] = RunProgram("/usr/bin/python3",
                               {std::string(TABULON_SOURCE_DIR) + "/tests/cli/sheet_fidelity.py",
                                work / ("list" + std::to_string(n) + ".tsv")},
                               600);
        });
    }
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const auto& [name, result] = jobs[i];
        if (!failures[i].empty()) {
            found.insert(name + "\t*\tcopy");
            firsts[name + "\t*\tcopy"] = failures[i];
            continue;
        }
        const auto source = Read(std::string(TABULON_CORPUS_DIR) + "/" + name);
        const auto copy = Read(result);
        std::vector<const Worksheet*> sources, copies;
        for (int s = 0; s < source->SheetCount(); ++s) {
            if (source->Sheet(s).Kind() == SheetKind::Worksheet)
                sources.push_back(&source->Sheet(s));
        }
        for (int s = 0; s < copy->SheetCount(); ++s)
            copies.push_back(&copy->Sheet(s));
        if (copies.size() == sources.size() + 1)
            copies.erase(copies.begin());  // the blank sheet kept when every copy is hidden
        if (copies.size() != sources.size()) {
            found.insert(name + "\t*\treader: sheets");
            continue;
        }
        for (std::size_t s = 0; s < sources.size(); ++s) {
            for (const auto& [what, first] : CompareWithReader(*sources[s], *copies[s])) {
                const std::string key = name + "\t" + sources[s]->Name() + "\treader: " + what;
                found.insert(key);
                firsts[key] = first;
            }
        }
    }
    for (std::thread& t : readers)
        t.join();
    // A pivot table stays behind as its cells' values and formats, and the run says so.
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (jobs[i].first == "sheetjs/formula_stress_test.xlsx") {
            EXPECT_NE(outputs[i].find("-> Database: 1 pivot table copied as values and formats"),
                      std::string::npos)
                << outputs[i];
        }
    }

    const std::string prefix = std::string(TABULON_CORPUS_DIR) + "/";
    ASSERT_EQ(py[0].status, 0) << py[0].err;
    ASSERT_EQ(py[1].status, 0) << py[1].err;
    std::istringstream lines(py[0].out + py[1].out);
    std::set<std::string> sheets;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string file, sheet, what, first;
        std::getline(fields, file, '\t');
        std::getline(fields, sheet, '\t');
        std::getline(fields, what, '\t');
        std::getline(fields, first);
        if (!file.starts_with(prefix))
            continue;
        file = file.substr(prefix.size());
        sheets.insert(file + "\t" + sheet);
        if (what == "ok")
            continue;
        const std::string key = file + "\t" + sheet + "\topenpyxl: " + what;
        found.insert(key);
        firsts[key] = first;
    }
    EXPECT_GT(sheets.size(), 150u);

    std::string unexpected, stale;
    for (const std::string& key : found) {
        const std::string file = key.substr(0, key.find('\t'));
        const std::string what = key.substr(key.rfind('\t'));
        if (!kKnown.count(key) && !kKnown.count(file + "\t*" + what))
            unexpected += "    {\"" + key + "\", \"\"},  // " + firsts[key].substr(0, 200) + "\n";
    }
    for (const auto& [key, why] : kKnown) {
        if (key.find("\t*\t") != std::string::npos) {
            const std::string head = key.substr(0, key.find('\t'));
            const std::string what = key.substr(key.rfind('\t'));
            if (std::none_of(found.begin(), found.end(), [&](const std::string& f) {
                    return f.starts_with(head + "\t") && f.ends_with(what);
                }))
                stale += "    " + key + "\n";
        } else if (!found.count(key)) {
            stale += "    " + key + "\n";
        }
    }
    EXPECT_EQ(unexpected, "") << "copied sheets that differ from their sources";
    EXPECT_EQ(stale, "") << "listed differences that are gone";
}

}  // namespace
}  // namespace tabulon::cli
