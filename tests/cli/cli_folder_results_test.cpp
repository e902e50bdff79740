// Folder modes run by the real executable over workbooks made with openpyxl (and a few
// corpus files), results read back with openpyxl: worksheets whose rows reach column
// XFD, key columns, currency amounts, chart/macro/dialog sheets and hidden sheets.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/tool_run.h"
#include "platform/temp_folder.h"

namespace tabulon::cli {
namespace {

using platform::testing::TempFolder;
using namespace testing;

constexpr const char* kUnknownError = "A unknown error occurs";

struct Folders {
    TempFolder root;     // the source folder
    TempFolder out;      // results
    TempFolder scratch;  // scripts and captured output
    std::string Result(const std::string& name) const { return out / name; }
    void Link(const std::string& corpusName, const std::string& as) const {
        std::filesystem::create_symlink(std::string(TABULON_CORPUS_DIR) + "/" + corpusName,
                                        root / as);
    }
    // Runs a script that writes workbooks into the source folder (sys.argv[1]).
    void Make(const std::string& script) const {
        Python("root = sys.argv[1]\n" + script, {root.Path()}, scratch.Path());
    }
    std::string Read(const std::string& script, const std::string& file) const {
        return Python("wb = openpyxl.load_workbook(sys.argv[1])\n" + script, {file},
                      scratch.Path());
    }
    ToolRun Run(std::vector<std::string> args) const { return Tabulon(args, scratch.Path()); }
};

#define REQUIRE_OPENPYXL() \
    if (!HaveOpenpyxl())   \
    GTEST_SKIP() << "python3-openpyxl missing"

TEST(CliFolderResults, RowsReachingColumnXfdNeitherStopTheRunNorLoseLaterFiles) {
    REQUIRE_OPENPYXL();
    Folders f;
    f.Link("poi/53105.xlsx", "a_wide.xlsx");  // its Sheet1 fills row 1 from A to XFD
    f.Make(R"(
wb = openpyxl.Workbook(); ws = wb.active; ws.title = 'Data'
ws.append(['k1', 1]); ws.append(['k2', 2])
wb.save(root + '/b_plain.xlsx')
)");
    const std::string wideCells =
        f.Read("ws = wb['Sheet1']\nprint(ws.max_row, ws['A1'].value, ws['XFD1'].value)\n",
               f.root / "a_wide.xlsx");

    const std::string rows = f.Result("rows.xlsx");
    ToolRun run = f.Run({"copy-rows", "--folder", f.root.Path(), "--result", rows});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out.find(kUnknownError), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Task is complete. 4 worksheets located in 2 Excel files"),
              std::string::npos)
        << run.out;
    // The wide rows first, as they are, then the plain file's rows right below them.
    const std::string sourceRows = wideCells.substr(0, wideCells.find(' '));
    EXPECT_EQ(
        f.Read("ws = wb.active\nprint(ws.max_row, ws['A1'].value, ws['XFD1'].value)\n"
               "n = " +
                   sourceRows + "\nprint(ws.cell(n + 1, 1).value, ws.cell(n + 2, 2).value)\n",
               rows),
        std::to_string(std::stoi(sourceRows) + 2) + wideCells.substr(sourceRows.size()) + "k1 2\n");

    // Gathering by key and intersecting go on past the whole-row used range too.
    const std::string keyed = f.Result("keyed.xlsx");
    run = f.Run({"copy-rows-by-key", "--folder", f.root.Path(), "--result", keyed});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out.find(kUnknownError), std::string::npos) << run.out;
    EXPECT_EQ(f.Read("ws = wb.active\nprint([r[0] for r in ws.iter_rows(values_only=True)][-2:])\n",
                     keyed),
              "['k1', 'k2']\n");
    const std::string both = f.Result("both.xlsx");
    run = f.Run({"intersection", "--file1", f.root / "a_wide.xlsx", "--sheet1", "Sheet1", "--file2",
                 f.root / "a_wide.xlsx", "--sheet2", "Sheet1", "--result", both});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(f.Read("ws = wb.active\nprint(ws.max_row, ws['A1'].value, ws['XFD1'].value)\n", both),
              wideCells);

    // A starting row no worksheet has is an empty band, not an overflow.
    const std::string none = f.Result("none.xlsx");
    run = f.Run({"copy-rows", "--folder", f.root.Path(), "--from-row", "2147483647", "--to-row",
                 "2147483647", "--result", none});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Task is complete."), std::string::npos) << run.out;
    EXPECT_EQ(f.Read("print(wb.active.max_row, wb.active['A1'].value)\n", none), "1 None\n");
}

TEST(CliFolderResults, KeysStayAsTheyAreAndCurrencyAmountsAreAdded) {
    REQUIRE_OPENPYXL();
    Folders f;
    // Three branches with the numeric key 5: a dollar amount, a euro amount, a date.
    f.Make(R"(
for i, amount in enumerate([10.1, 20.2, 30.3]):
    wb = openpyxl.Workbook(); ws = wb.active; ws.title = 'Sales'
    ws.append(['Key', 'Units', 'Dollars', 'Euros', 'When'])
    ws.append([5, i + 1, amount, amount * 2, datetime.date(2024, 1, i + 1)])
    ws['C2'].number_format = '"$"#,##0.00'
    ws['D2'].number_format = '#,##0.00 [$\u20ac-407]'
    ws['E2'].number_format = 'yyyy-mm-dd'
    wb.save(root + '/branch%d.xlsx' % i)
)");
    const std::string keyed = f.Result("keyed.xlsx");
    ToolRun run = f.Run(
        {"copy-rows-by-key", "--folder", f.root.Path(), "--from-row", "2", "--result", keyed});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(f.Read(R"(
ws = wb.active
for row in ws.iter_rows():
    print([c.value if not isinstance(c.value, float) else round(c.value, 6) for c in row])
print(ws['C1'].number_format, '|', ws['D1'].number_format)
)",
                     keyed),
              "[5, 6, 60.6, 121.2, datetime.datetime(2024, 1, 1, 0, 0)]\n"
              "\"$\"#,##0.00 | #,##0.00 [$\u20ac-407]\n");

    // A "(SUM)" cell formatted as currency adds every branch's amount; a date is no amount.
    const std::string model = f.Result("model.xlsx");
    Python(R"(
wb = openpyxl.Workbook(); ws = wb.active; ws.title = 'Model'
ws.append(['Key', 'Units', 'Dollars', 'Euros', 'When'])
ws.append([None, '(SUM)', '(sum)', '(SUM)', '(SUM)'])
ws['C2'].number_format = '"$"#,##0.00'
wb.save(sys.argv[1])
)",
           {model}, f.scratch.Path());
    const std::string summed = f.Result("summed.xlsx");
    run = f.Run({"add-cell-by-cell", "--folder", f.root.Path(), "--template", model,
                 "--template-sheet", "Model", "--result", summed});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out.find(kUnknownError), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("    E2: No data in this cell"), std::string::npos) << run.out;
    const std::string secondRow = R"(
ws = wb.active
print([c.value if not isinstance(c.value, float) else round(c.value, 6) for c in ws[2]])
print(ws['C2'].number_format)
)";
    EXPECT_EQ(f.Read(secondRow, summed), "[None, 6, 60.6, 121.2, '(SUM)']\n\"$\"#,##0.00\n");

    // Without a template the first branch starts the sums, and every number is added.
    const std::string added = f.Result("added.xlsx");
    run = f.Run({"add-cell-by-cell", "--folder", f.root.Path(), "--result", added});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(f.Read(secondRow, added),
              "[15, 6, 60.6, 121.2, datetime.datetime(2024, 1, 1, 0, 0)]\n\"$\"#,##0.00\n");
}

TEST(CliFolderResults, EveryModePassesOverSheetsThatAreNotWorksheets) {
    REQUIRE_OPENPYXL();
    Folders f;
    // A worksheet, a chart sheet, an XLM macro sheet and a dialog sheet.
    f.Link("sheetjs/BlankSheetTypes.xlsm", "kinds.xlsm");
    f.Make(R"(
from openpyxl.chart import BarChart, Reference
wb = openpyxl.Workbook(); ws = wb.active; ws.title = 'Data'
ws.append(['Item', 'Units']); ws.append(['Apple', 3])
chart = wb.create_chartsheet('Chart')
bars = BarChart(); bars.add_data(Reference(ws, min_col=2, min_row=1, max_row=2))
chart.add_chart(bars)
more = wb.create_sheet('More'); more.append(['Item', 'Units']); more.append(['Pear', 4])
wb.save(root + '/charted.xlsx')
)");
    const std::string charted = f.root / "charted.xlsx";
    const std::string kinds = f.root / "kinds.xlsm";
    auto fileLine = [](const std::string& path, int sheets) {
        const std::string n = std::to_string(sheets);
        return "Processing of the file '" + path + "' is complete. This file has " + n +
               " worksheets in total. " + n + " worksheets you specified have been processed.\n";
    };
    const std::vector<std::vector<std::string>> modes = {
        {"copy-sheets"},
        {"copy-sheets", "--keep-formulas", "no"},
        {"copy-rows"},
        {"copy-rows-by-key"},
        {"add-cell-by-cell"},
        {"check-same-format", "--template", charted, "--template-sheet", "Data"},
    };
    for (const auto& mode : modes) {
        std::vector<std::string> args = mode;
        const std::string result = f.Result(mode[0] + std::to_string(args.size()) + ".xlsx");
        args.insert(args.end(), {"--folder", f.root.Path(), "--result", result});
        ToolRun run = f.Run(args);
        EXPECT_EQ(run.status, 0) << mode[0] << run.out << run.err;
        EXPECT_EQ(run.out.find(kUnknownError), std::string::npos) << mode[0] << run.out;
        EXPECT_NE(run.out.find(fileLine(charted, 2)), std::string::npos) << mode[0] << run.out;
        EXPECT_NE(run.out.find(fileLine(kinds, 1)), std::string::npos) << mode[0] << run.out;
        EXPECT_NE(run.out.find("Task is complete. 3 worksheets located in 2 Excel files"),
                  std::string::npos)
            << mode[0] << run.out;
        if (mode[0] == "copy-sheets") {
            EXPECT_EQ(f.Read("print(wb.sheetnames)\n", result), "['Data', 'More', 'Sheet1 (2)']\n")
                << mode[0] << " " << args.size();
        }
    }
}

TEST(CliFolderResults, CopyingOnlyHiddenSheetsWritesTheResultWithItsBlankSheet) {
    REQUIRE_OPENPYXL();
    Folders f;
    f.Make(R"(
wb = openpyxl.Workbook(); ws = wb.active; ws.title = 'Open'; ws['A1'] = 'shown'
for name in ['Secret1', 'Secret2']:
    s = wb.create_sheet(name); s['A1'] = name; s['B1'] = '=LEN(A1)'
    s.sheet_state = 'hidden'
wb.save(root + '/book.xlsx')
)");
    const std::string result = f.Result("hidden.xlsx");
    ToolRun run = f.Run(
        {"copy-sheets", "--folder", f.root.Path(), "--sheets", "Secret*", "--result", result});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Task is complete. 2 worksheets located in 1 Excel files"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(f.Read(R"(
print([(ws.title, ws.sheet_state, ws['A1'].value, ws['B1'].value) for ws in wb.worksheets])
)",
                     result),
              "[('Sheet1', 'visible', None, None), ('Secret1', 'hidden', 'Secret1', '=LEN(A1)'), "
              "('Secret2', 'hidden', 'Secret2', '=LEN(A1)')]\n");
}

}  // namespace
}  // namespace tabulon::cli
