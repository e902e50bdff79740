#include "spreadsheet/xlsx_writer.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <charconv>

#include <charconv>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "spreadsheet/reader/read_error.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/workbook_file.h"
#include "spreadsheet/xlsx/xml_text.h"

namespace tabulon::spreadsheet {
namespace {

namespace fs = std::filesystem;

// A folder of the running test's own: ctest runs the tests of this file side by side.
fs::path TempDir() {
    const fs::path dir = fs::path(TABULON_BINARY_DIR) / "xlsx_writer_test" /
                         ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(dir);
    return dir;
}

// Runs a Python snippet with openpyxl on `file`; returns what it prints.
std::string RunPython(const fs::path& file, const std::string& script) {
    const fs::path py = TempDir() / "check.py";
    std::ofstream(py) << "import sys, openpyxl\nwb = openpyxl.load_workbook(sys.argv[1])\n"
                      << script;
    const std::string cmd = "/usr/bin/python3 '" + py.string() + "' '" + file.string() + "' 2>&1";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

bool HaveOpenpyxl() {
    return std::system("/usr/bin/python3 -c 'import openpyxl' >/dev/null 2>&1") == 0;
}

std::string Escaped(std::string_view text) {
    std::string out;
    xlsx::AppendXmlText(out, text);
    return out;
}

TEST(XmlText, EscapesMarkupControlsAndBadUtf8) {
    EXPECT_EQ(Escaped("a<b>&\"c\""), "a&lt;b&gt;&amp;&quot;c&quot;");
    EXPECT_EQ(Escaped("tab\there\nnl"), "tab&#9;here&#10;nl");
    EXPECT_EQ(Escaped(std::string("nul\0bell\x07", 9)), "nul_x0000_bell_x0007_");
    EXPECT_EQ(Escaped("literal _x0041_ stays"), "literal _x005F_x0041_ stays");
    EXPECT_EQ(Escaped("_x41_ _xZZZZ_"), "_x41_ _xZZZZ_");
    EXPECT_EQ(Escaped("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"),
              "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80");
    EXPECT_EQ(Escaped("bad\xFF"
                      "x"),
              "bad\xEF\xBF\xBDx");
    EXPECT_EQ(Escaped("cut\xC3"), "cut\xEF\xBF\xBD");
    EXPECT_EQ(Escaped("overlong\xC0\xAF"), "overlong\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Escaped("surrogate\xED\xA0\x80"), "surrogate\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Escaped("\xEF\xBF\xBF"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

// Numbers are written as std::to_chars writes them (the shortest text that reads back
// exactly): short decimals take a quicker way, which must give the same text.
TEST(XmlText, NumbersAreWrittenAsToCharsWritesThem) {
    std::vector<double> values = {0.1,           1.0 / 3,     1e-300,     123456789012345678.0,
                                  -2.5,          8.43,        20.7109375, 100000,
                                  120000,        1e6,         10000,      0.0001,
                                  0.001,         0.0012,      -0.0005,    2147483647.5,
                                  2147483648.25, 999999.9999, 4.35,       1e15};
    for (long long i = -3000; i <= 300000; i += 7) {
        values.push_back(static_cast<double>(i) / 100);
        values.push_back(static_cast<double>(i) / 10000);
        values.push_back(static_cast<double>(i * 997) / 1000);
    }
    for (double v : values) {
        std::string s;
        xlsx::AppendNumber(s, v);
        char buf[32];
        EXPECT_EQ(s, std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr)) << v;
        EXPECT_EQ(std::stod(s), v) << s;
    }
    std::string z;
    xlsx::AppendNumber(z, -0.0);
    EXPECT_EQ(z, "0");
}

void FillSample(Workbook& book) {
    book.SetDate1904(true);
    CellStyle date;
    date.numberFormat = "yyyy-mm-dd";
    date.font.bold = true;
    date.font.color = {Color::Kind::Rgb, 0xFFFF0000, 0, 0};
    date.fill = {"solid", {Color::Kind::Theme, 0, 4, -0.25}, {Color::Kind::Indexed, 0, 64, 0}};
    date.border.bottom = {"thin", {Color::Kind::Auto, 0, 0, 0}};
    date.alignment.horizontal = "center";
    date.alignment.wrap = true;
    date.protection.locked = false;
    const int dateStyle = book.AddStyle(date);
    CellStyle pct;
    pct.numberFormat = "0.00%";
    const int pctStyle = book.AddStyle(pct);

    Worksheet& data = book.AddSheet("Data & <More>");
    data.SetValue({1, 1}, Value::Text("name"));
    data.SetValue({1, 2}, Value::Text("  padded  "));
    data.SetValue({2, 1}, Value::Number(1.5));
    data.SetValue({2, 2}, Value::Boolean(true));
    data.SetValue({2, 3}, Value::Error(ErrorCode::Div0));
    data.SetValue({3, 1}, Value::Number(45000));
    data.SetStyle({3, 1}, dateStyle);
    data.SetValue({3, 2}, Value::Number(0.25));
    data.SetStyle({3, 2}, pctStyle);
    data.SetFormula({4, 1}, "A2*2", Value::Number(3), false);
    data.SetFormula({4, 2}, "A1&\"x\"", Value::Text("namex"), false);
    data.SetFormula({4, 3}, "1/0", Value::Error(ErrorCode::Div0), false);
    data.SetFormula({4, 4}, "A2>1", Value::Boolean(true), false);
    data.SetValue({5, 1}, Value::Text(std::string("ctl\x01 bad\xFF")));
    data.SetStyle({6, 6}, dateStyle);
    data.SetColumnWidth(1, 1, 20.7109375);
    data.SetColumnWidth(2, 3, 9.140625);
    data.SetColumnsHidden(5, 5, true);
    data.SetRowHeight(2, 30.75);
    data.SetRowHidden(7, true);
    data.AddMerge({{10, 1}, {11, 3}});
    data.SetAutoFilter(RangeRef{{1, 1}, {5, 4}});
    book.AddSheet("Chart", SheetKind::Chartsheet);
    book.AddSheet("Hidden").SetState(SheetState::Hidden);
    book.Sheet(2).SetValue({1, 1}, Value::Text("name"));
    book.AddDefinedName({"Total", "'Data & <More>'!$A$1:$B$2", -1, false});
    book.AddDefinedName({"Local", "Hidden!$A$1", 2, true});
    book.SetActiveSheet(2);  // hidden: the file must open on a visible sheet
}

TEST(XlsxWriter, OpenpyxlReadsWhatWeWrite) {
    if (!HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl missing";
    Workbook book;
    FillSample(book);
    const fs::path file = TempDir() / "sample.xlsx";
    WriteWorkbookFile(book, file.string());
    const std::string out = RunPython(file, R"(
ws = wb.worksheets[0]
print(wb.sheetnames)
print([s.sheet_state for s in wb.worksheets])
print(wb.epoch.year)
for row in ws.iter_rows(min_row=1, max_row=5):
    print([(c.coordinate, c.value, c.number_format) for c in row if c.value is not None])
print(ws.column_dimensions['A'].width, ws.column_dimensions['B'].width,
      ws.column_dimensions['E'].hidden)
print(ws.row_dimensions[2].height, ws.row_dimensions[7].hidden)
print(ws.merged_cells.ranges, ws.auto_filter.ref)
f = ws['A3'].font
print(f.b, f.color.rgb, ws['A3'].fill.fill_type, ws['A3'].fill.fgColor.theme,
      ws['A3'].border.bottom.style, ws['A3'].alignment.horizontal, ws['A3'].protection.locked)
print(sorted((d.name, d.localSheetId, d.hidden, d.attr_text) for d in wb.defined_names.definedName))
print(wb.active.title)
print(wb.calculation.fullCalcOnLoad)
)");
    EXPECT_NE(out.find("['Data & <More>', 'Chart', 'Hidden']"), std::string::npos) << out;
    EXPECT_NE(out.find("['visible', 'visible', 'hidden']"), std::string::npos) << out;
    EXPECT_NE(out.find("\n1904\n"), std::string::npos) << out;
    EXPECT_NE(out.find("('A1', 'name', 'General'), ('B1', '  padded  ', 'General')"),
              std::string::npos)
        << out;
    EXPECT_NE(
        out.find("('A2', 1.5, 'General'), ('B2', True, 'General'), ('C2', '#DIV/0!', 'General')"),
        std::string::npos)
        << out;
    EXPECT_NE(
        out.find(
            "('A3', datetime.datetime(2027, 3, 16, 0, 0), 'yyyy-mm-dd'), ('B3', 0.25, '0.00%')"),
        std::string::npos)
        << out;
    EXPECT_NE(out.find("('A4', '=A2*2', 'General'), ('B4', '=A1&\"x\"', 'General'), ('C4', '=1/0', "
                       "'General'), ('D4', '=A2>1', 'General')"),
              std::string::npos)
        << out;
    // openpyxl leaves the _xHHHH_ escape as it is; applications decode it.
    EXPECT_NE(out.find("('A5', 'ctl_x0001_ bad\xEF\xBF\xBD', 'General')"), std::string::npos)
        << out;
    EXPECT_NE(out.find("20.7109375 9.140625 True"), std::string::npos) << out;
    EXPECT_NE(out.find("30.75 True"), std::string::npos) << out;
    EXPECT_NE(out.find("[<MergedCellRange A10:C11>] A1:D5"), std::string::npos) << out;
    EXPECT_NE(out.find("True FFFF0000 solid 4 thin center False"), std::string::npos) << out;
    EXPECT_NE(out.find("[('Local', 2, True, 'Hidden!$A$1'), ('Total', None, None, \"'Data & "
                       "<More>'!$A$1:$B$2\")]"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\nData & <More>\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nTrue\n"), std::string::npos) << out;

    // Cached results are in the file too (openpyxl's data_only view).
    const std::string cached = RunPython(file, R"(
wb = openpyxl.load_workbook(sys.argv[1], data_only=True)
ws = wb.worksheets[0]
print([ws[c].value for c in ('A4', 'B4', 'C4', 'D4')])
)");
    EXPECT_NE(cached.find("[3, 'namex', '#DIV/0!', True]"), std::string::npos) << cached;
}

// Formulas linked to other workbooks: the file stores [n]Sheet!A1 and one external
// link part per workbook, which names the file and the sheets used.
TEST(XlsxWriter, LinksToOtherWorkbooksAreStoredAsNumberedLinkParts) {
    if (!HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl missing";
    Workbook book;
    Worksheet& ws = book.AddSheet("Data");
    ws.SetFormula({1, 1}, "'[src.xlsx]Other'!A1*2", Value::Number(84), false);
    ws.SetFormula({2, 1}, "SUM('[src.xlsx]My Sheet'!A1:B2)+'[/data/b book.xlsx]Q'!C3",
                  Value::Number(5), false);
    ws.SetFormula({3, 1}, "'[src.xlsx]Other'!B1&\"[src.xlsx]Other!A1\"", Value::Text("x"), false);
    ws.SetFormula({4, 1}, "[3]Gone!A1+Data!A1", Value::Number(1), false);
    book.AddDefinedName({"Rate", "'[/data/b book.xlsx]Q'!$A$1", -1, false});
    const fs::path file = TempDir() / "links.xlsx";
    WriteWorkbookFile(book, file.string());
    const std::string out = RunPython(file, R"(
import zipfile
z = zipfile.ZipFile(sys.argv[1])
ws = wb['Data']
for ref in ('A1', 'A2', 'A3', 'A4'):
    print(ws[ref].value)
print(wb.defined_names.get('Rate').attr_text)
print(len(wb._external_links))
print(z.read('xl/externalLinks/_rels/externalLink1.xml.rels').decode().count('Target="src.xlsx"'))
print(z.read('xl/externalLinks/_rels/externalLink2.xml.rels').decode()
      .count('Target="file:///data/b%20book.xlsx" TargetMode="External"'))
print(list(wb._external_links[0].externalBook.sheetNames.sheetName))
)");
    EXPECT_EQ(out,
              "=[1]Other!A1*2\n"
              "=SUM('[1]My Sheet'!A1:B2)+[2]Q!C3\n"
              "=[1]Other!B1&\"[src.xlsx]Other!A1\"\n"
              "=[3]Gone!A1+Data!A1\n"
              "[2]Q!$A$1\n"
              "2\n1\n1\n"
              "['Other', 'My Sheet']\n");
}

TEST(XlsxWriter, MacroEnabledContentTypeAndEmptyWorkbook) {
    if (!HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl missing";
    Workbook empty;
    const fs::path file = TempDir() / "empty.xlsm";
    WriteWorkbookFile(empty, file.string());
    const std::string out = RunPython(file, R"(
import zipfile
print(wb.sheetnames)
print('macroEnabled' in zipfile.ZipFile(sys.argv[1]).read('[Content_Types].xml').decode())
)");
    EXPECT_NE(out.find("['Sheet1']\nTrue"), std::string::npos) << out;
}

TEST(XlsxWriter, FailuresNameThePathAndLeaveNoTemporaryFile) {
    Workbook book;
    book.AddSheet("S").SetValue({1, 1}, Value::Number(1));
    const std::string missing = (TempDir() / "no such dir" / "x.xlsx").string();
    try {
        WriteWorkbookFile(book, missing);
        FAIL() << "no error";
    } catch (const WorkbookWriteError& e) {
        EXPECT_EQ(e.Path(), missing);
        EXPECT_EQ(std::string(e.what()).rfind(missing + ": ", 0), 0u) << e.what();
    }
    // Writing over an existing file replaces it whole; nothing else is left beside it.
    const fs::path dir = TempDir() / "replace";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path target = dir / "out.xlsx";
    std::ofstream(target) << "old content";
    WriteWorkbookFile(book, target.string());
    EXPECT_GT(fs::file_size(target), 100u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    // A directory in the way.
    EXPECT_THROW(WriteWorkbookFile(book, dir.string()), WorkbookWriteError);
    EXPECT_TRUE(fs::is_directory(dir));
}

// The disk fills up while the second thread compresses and writes a large
// sheet: the caller gets the error, and the old file stays as it was.
TEST(XlsxWriter, FailureWhileWritingPiecesKeepsTheOldFile) {
    Workbook book;
    Worksheet& ws = book.AddSheet("Big");
    for (int r = 1; r <= 20000; ++r) {
        ws.SetValue({r, 1}, Value::Text("row " + std::to_string(r)));
        ws.SetValue({r, 2}, Value::Number(r * 0.37));
    }
    const fs::path dir = TempDir();
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path target = dir / "out.xlsx";
    std::ofstream(target) << "old content";

    // A file size limit makes writes fail with EFBIG once past it.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    WriteOptions options;
    options.pieceBytes = 4096;
    std::string error;
    try {
        WriteWorkbookFile(book, target.string(), options);
    } catch (const WorkbookWriteError& e) {
        error = e.what();
    }
    const fs::path fresh = dir / "new.xlsx";
    bool freshFailed = false;
    try {
        WriteWorkbookFile(book, fresh.string(), options);
    } catch (const WorkbookWriteError&) {
        freshFailed = true;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(error.rfind(target.string() + ": ", 0), 0u) << error;
    std::ifstream in(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old content");
    EXPECT_TRUE(freshFailed);
    EXPECT_FALSE(fs::exists(fresh));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST(XlsxWriter, WrittenFileLoadsAsANewWorkbook) {
    Workbook book;
    FillSample(book);
    const fs::path file = TempDir() / "load.xlsx";
    WriteWorkbookFile(book, file.string());
    const auto loaded = LoadWorkbookFile(file.string());
    EXPECT_EQ(loaded->Path(), file.string());
    EXPECT_EQ(loaded->SheetCount(), 3);
    EXPECT_TRUE(loaded->Date1904());
    const Worksheet& ws = loaded->Sheet(0);
    EXPECT_EQ(ws.DisplayText({3, 1}), "2027-03-16");
    EXPECT_EQ(ws.DisplayText({3, 2}), "25.00%");
    EXPECT_EQ(ws.Cell({4, 2}).formula, "A1&\"x\"");
    EXPECT_EQ(loaded->ActiveSheet(), 0);  // the hidden active sheet gave way
    EXPECT_THROW(LoadWorkbookFile((TempDir() / "missing.xlsx").string()), ReadError);
}

TEST(XlsxWriter, SameWorkbookGivesSameBytes) {
    Workbook book;
    FillSample(book);
    const fs::path a = TempDir() / "a.xlsx", b = TempDir() / "b.xlsx";
    WriteWorkbookFile(book, a.string());
    WriteWorkbookFile(book, b.string());
    std::stringstream sa, sb;
    sa << std::ifstream(a, std::ios::binary).rdbuf();
    sb << std::ifstream(b, std::ios::binary).rdbuf();
    EXPECT_EQ(sa.str(), sb.str());
}

}  // namespace
}  // namespace tabulon::spreadsheet
