// A workbook with one of each thing a sheet holds beside its cells, made with
// openpyxl, goes through copy-sheets and copy-rows; openpyxl reads each thing
// back from the results, and LibreOffice shows them (pictures, charts, the values
// of links to the source once the source is gone).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/tool_run.h"
#include "platform/temp_folder.h"

namespace tabulon::cli {
namespace {

using platform::testing::TempFolder;
using namespace testing;

constexpr const char* kMake = R"(
import struct, zlib
root = sys.argv[1]
from openpyxl.comments import Comment
from openpyxl.worksheet.datavalidation import DataValidation
from openpyxl.formatting.rule import CellIsRule, ColorScaleRule, DataBarRule, IconSetRule
from openpyxl.worksheet.table import Table
from openpyxl.worksheet.pagebreak import Break
from openpyxl.chart import BarChart, Reference
from openpyxl.drawing.image import Image
from openpyxl.styles import Font
from openpyxl.workbook.defined_name import DefinedName

def png(w, h):
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    rows = b''.join(b'\x00' + b'\xff\x00\x00' * w for _ in range(h))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))

class Picture(Image):
    # openpyxl sizes pictures through PIL: this one knows its size and bytes.
    def __init__(self, data, w, h):
        self.ref, self._bytes, self.width, self.height, self.format = None, data, w, h, 'png'
        self.anchor = 'A1'
    def _data(self):
        return self._bytes

wb = openpyxl.Workbook(); ws = wb.active; ws.title = 'Data'
ws.append(['key', 'n', 'm', 'd', 'head1', 'head2'])
for r in range(2, 7):
    ws.append(['k%d' % r, r, r * 2, None, 'x%d' % r, r])
other = wb.create_sheet('Other')
for r in range(1, 4):
    other.cell(r, 1, r * 10)
ws['D2'] = '=Other!A1*2'
ws['D3'] = '=SUM(MyTotal)'
wb.defined_names.append(DefinedName('MyTotal', attr_text='Other!$A$1:$A$3'))
ws.add_image(Picture(png(40, 30), 40, 30), 'H20')
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
chart.series[0].graphicalProperties.solidFill = '123456'
ws.add_chart(chart, 'H2')
ws.freeze_panes = 'B2'; ws.sheet_view.zoomScale = 150; ws.sheet_view.showGridLines = False
ws.sheet_properties.tabColor = 'FF0000'
ws.page_setup.orientation = 'landscape'; ws.page_setup.paperSize = 9
ws.page_margins.left = 1.25
ws.oddHeader.center.text = 'Head'; ws.print_options.gridLines = True
ws.print_area = 'A1:P40'
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
    "print area ['$A$1:$P$40']\n"
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
    // The copy reads the source's other sheet through a link to the source file, by
    // its full path, and through the name it uses: both show the source's values.
    EXPECT_EQ(Python(R"(
wb = openpyxl.load_workbook(sys.argv[1])
values = openpyxl.load_workbook(sys.argv[1], data_only=True)['Data']
link = wb._external_links[0]
print(wb['Data']['D2'].value, wb.defined_names['MyTotal'].attr_text, values['D2'].value, values['D3'].value)
print(link.file_link.Target, [[c.v for c in row.cell] for row in link.externalBook.sheetDataSet.sheetData[0].row])
)",
                     {result}, scratch.Path()),
              "=[1]Other!A1*2 [1]Other!$A$1:$A$3 20 60\nfile://" + source +
                  " [['10'], ['20'], ['30']]\n");
}

// LibreOffice, recalculating on load, with the source gone: the results convert to
// PDF with their picture and chart drawn, and the copies' links show the source's values.
TEST(SheetFidelity, ResultsShowInLibreOfficeWithTheSourceGone) {
    if (!HaveOpenpyxl() || std::system("command -v soffice > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3-openpyxl or soffice missing";
    TempFolder root, out, scratch;
    Python(kMake, {root.Path()}, scratch.Path());
    for (const std::string mode : {"copy-sheets", "copy-rows"}) {
        ToolRun run = Tabulon({mode, "--folder", root.Path(), "--result", out / (mode + ".xlsx")},
                              scratch.Path());
        ASSERT_EQ(run.status, 0) << run.out << run.err;
    }
    // The source as LibreOffice prints it, before it goes.
    std::filesystem::copy_file(root / "features.xlsx", out / "source.xlsx");
    std::filesystem::remove(root / "features.xlsx");
    const std::filesystem::path profile = std::filesystem::path(scratch.Path()) / "profile/user";
    std::filesystem::create_directories(profile);
    std::ofstream(profile / "registrymodifications.xcu")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items "
           "xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
           "<item oor:path=\"/org.openoffice.Office.Calc/Formula/Load\"><prop "
           "oor:name=\"OOXMLRecalcMode\" oor:op=\"fuse\"><value>0</value></prop></item>"
           "</oor:items>\n";
    const std::string office = "cd '" + out.Path() + "' && soffice -env:UserInstallation=file://" +
                               scratch.Path() + "/profile --headless --convert-to ";
    const std::string log = " >> '" + scratch.Path() + "/soffice.log' 2>&1";
    ASSERT_EQ(std::system((office + "pdf copy-sheets.xlsx copy-rows.xlsx" + log).c_str()), 0);
    ASSERT_EQ(std::system((office + "pdf source.xlsx" + log).c_str()), 0);
    ASSERT_EQ(std::system((office +
                           "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,"
                           "false,false,-1' copy-sheets.xlsx" +
                           log)
                              .c_str()),
              0);
    // Each PDF: its pages and image objects (the picture, the icons of the icon set),
    // and whether the chart's bars (colour 123456) are drawn.
    EXPECT_EQ(Python(R"(
import re, zlib
def shown(name):
    data = open(sys.argv[1] + '/' + name + '.pdf', 'rb').read()
    drawn = b''
    for m in re.finditer(rb'stream\r?\n(.*?)\r?\nendstream', data, re.S):
        try:
            drawn += zlib.decompress(m.group(1))
        except Exception:
            pass
    return (len(re.findall(rb'/Type\s*/Page\b', data)), len(re.findall(rb'/Subtype\s*/Image', data)),
            b'0.0705882352 0.2039215686 0.3372549019 rg' in drawn)
source = shown('source')
print(source[1] > 5, source[2], shown('copy-sheets') == source, shown('copy-rows')[0] > 0)
print(open(sys.argv[1] + '/copy-sheets-Data.csv').read().splitlines()[1:3])
)",
                     {out.Path()}, scratch.Path()),
              "True True True True\n['k2,2,4,20,x2,2', 'k3,3,6,60,x3,3']\n");
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
