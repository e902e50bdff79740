// A workbook with one of each thing a sheet holds beside its cells, made with
// openpyxl, goes through copy-sheets and copy-rows; openpyxl reads each thing
// back from the results.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/tool_run.h"
#include "platform/temp_folder.h"

namespace tabulon::cli {
namespace {

using platform::testing::TempFolder;
using namespace testing;

constexpr const char* kMake = R"(
root = sys.argv[1]
from openpyxl.comments import Comment
from openpyxl.worksheet.datavalidation import DataValidation
from openpyxl.formatting.rule import CellIsRule, ColorScaleRule, DataBarRule, IconSetRule
from openpyxl.worksheet.table import Table
from openpyxl.worksheet.pagebreak import Break
from openpyxl.chart import BarChart, Reference
from openpyxl.styles import Font
wb = openpyxl.Workbook(); ws = wb.active; ws.title = 'Data'
ws.append(['key', 'n', 'm', 'd', 'head1', 'head2'])
for r in range(2, 7):
    ws.append(['k%d' % r, r, r * 2, None, 'x%d' % r, r])
ws['A2'].comment = Comment('a note & <more>', 'Ann')
ws['A3'].hyperlink = 'https://example.com/'
dv = DataValidation(type='whole', operator='between', formula1='0', formula2='10')
dv.add('B2:B6'); ws.add_data_validation(dv)
ws.conditional_formatting.add('B2:B6', CellIsRule(operator='greaterThan', formula=['3'], font=Font(bold=True)))
ws.conditional_formatting.add('C2:C6', ColorScaleRule(start_type='min', start_color='FF0000', end_type='max', end_color='00FF00'))
ws.conditional_formatting.add('C2:C6', DataBarRule(start_type='min', end_type='max', color='638EC6'))
ws.conditional_formatting.add('B2:B6', IconSetRule('3Arrows', 'percent', [0, 33, 67]))
ws.add_table(Table(displayName='Tbl', ref='E1:F6'))
chart = BarChart(); chart.add_data(Reference(ws, min_col=2, min_row=1, max_row=6), titles_from_data=True)
ws.add_chart(chart, 'H2')
ws.freeze_panes = 'B2'; ws.sheet_view.zoomScale = 150; ws.sheet_view.showGridLines = False
ws.sheet_properties.tabColor = 'FF0000'
ws.page_setup.orientation = 'landscape'; ws.page_setup.paperSize = 9
ws.page_margins.left = 1.25
ws.oddHeader.center.text = 'Head'; ws.print_options.gridLines = True
ws.print_area = 'A1:C6'
ws.protection.sheet = True
ws.row_breaks.append(Break(id=3))
wb.save(root + '/features.xlsx')
)";

// Prints what openpyxl finds of each thing on the sheet `name`.
constexpr const char* kCheck = R"(
ws = wb[sys.argv[2]]
v = ws.sheet_view
print('note', ws['A2'].comment.text if ws['A2'].comment else None)
print('links', ws['A3'].hyperlink.target if ws['A3'].hyperlink else None,
      ws['A4'].hyperlink.location if ws['A4'].hyperlink else None)
print('validation', [(str(d.sqref), d.formula1, d.formula2) for d in ws.data_validations.dataValidation])
print('formats', sorted((str(r.sqref), sorted(x.type for x in r.rules)) for r in ws.conditional_formatting))
print('tables', sorted(t.ref for t in ws.tables.values()))
print('charts', len(ws._charts))
print('view', v.zoomScale, v.showGridLines, v.pane.topLeftCell if v.pane else None, ws.sheet_properties.tabColor.rgb if ws.sheet_properties.tabColor else None)
print('page', ws.page_setup.orientation, ws.page_setup.paperSize, ws.page_margins.left, ws.oddHeader.center.text, ws.print_options.gridLines)
print('print area', ws.print_area)
print('protection', ws.protection.sheet, [b.id for b in ws.row_breaks.brk])
)";

constexpr const char* kExpected =
    "note a note & <more>\n"
    "links https://example.com/ None\n"
    "validation [('B2:B6', '0', '10')]\n"
    "formats [('B2:B6', ['cellIs', 'iconSet']), ('C2:C6', ['colorScale', 'dataBar'])]\n"
    "tables ['E1:F6']\n"
    "charts 1\n"
    "view 150 False B2 00FF0000\n"
    "page landscape 9 1.25 Head True\n"
    "print area ['$A$1:$C$6']\n"
    "protection True [3]\n";

TEST(SheetFidelity, EveryKindOfThingSurvivesCopySheets) {
    if (!HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl missing";
    TempFolder root, out, scratch;
    Python(kMake, {root.Path()}, scratch.Path());
    const std::string source = root / "features.xlsx";
    // The source as openpyxl reads it: the expectation holds for it too.
    ASSERT_EQ(Python(std::string("wb = openpyxl.load_workbook(sys.argv[1])\n") + kCheck,
                     {source, "Data"}, scratch.Path()),
              kExpected);

    const std::string result = out / "sheets.xlsx";
    ToolRun run =
        Tabulon({"copy-sheets", "--folder", root.Path(), "--result", result}, scratch.Path());
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(Python(std::string("wb = openpyxl.load_workbook(sys.argv[1])\n") + kCheck,
                     {result, "Data"}, scratch.Path()),
              kExpected);
}

TEST(SheetFidelity, CopyRowsCarriesNotesLinksValidationAndFormatsOfTheRows) {
    if (!HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl missing";
    TempFolder root, out, scratch;
    Python(kMake, {root.Path()}, scratch.Path());
    const std::string result = out / "rows.xlsx";
    ToolRun run =
        Tabulon({"copy-rows", "--folder", root.Path(), "--result", result}, scratch.Path());
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const std::string found = Python(R"(
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
notes = [(c.coordinate, c.comment.text) for row in ws.iter_rows() for c in row if c.comment]
links = [(c.coordinate, c.hyperlink.target or c.hyperlink.location) for row in ws.iter_rows() for c in row if c.hyperlink]
print(notes, links)
print(len(ws.data_validations.dataValidation), len(list(ws.conditional_formatting)))
)",
                                     {result}, scratch.Path());
    EXPECT_NE(found.find("'a note & <more>'"), std::string::npos) << found << run.out;
    EXPECT_NE(found.find("https://example.com/"), std::string::npos) << found;
    EXPECT_EQ(found.substr(found.find('\n') + 1), "1 2\n") << found;
}

}  // namespace
}  // namespace tabulon::cli
