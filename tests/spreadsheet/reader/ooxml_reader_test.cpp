// What the OOXML reader delivers for small hand-made packages, feature by feature.
#include <gtest/gtest.h>

#include "recording_sink.h"
#include "spreadsheet/reader/workbook_reader.h"
#include "zip_builder.h"

namespace tabulon::spreadsheet {
namespace {

using testing::BuildPackage;
using testing::MinimalXlsxParts;
using testing::RecordingWorkbook;
using testing::Rel;
using testing::RelsXml;
using testing::WorkbookXml;
using testing::WorksheetXml;

RecordingWorkbook Read(const std::map<std::string, std::string>& parts) {
    const std::string bytes = BuildPackage(parts);
    RecordingWorkbook sink;
    ReadWorkbookMemory(bytes.data(), bytes.size(), "test.xlsx", sink);
    return sink;
}

// Cells in the forms the corpus comparisons do not reach. (Values of every type,
// shared strings, dates and shared formulas filled in are compared with
// openpyxl's reading of the corpus in openpyxl_agreement_test.cpp.) Cached
// results of formulas, escaped characters, cells and rows without an address,
// a shared formula whose master is unknown and an array formula.
TEST(OoxmlReader, CellsInEveryForm) {
    const auto book = Read(MinimalXlsxParts(
        "<row><c t=\"s\"><v>0</v></c><c t=\"inlineStr\"><is><t>x_x0009_y</t></is></c>"
        "<c t=\"inlineStr\"><is><t>in</t><r><t>line</t></r></is></c><c t=\"inlineStr\"/></row>"
        "<row r=\"5\"><c r=\"C5\"><v>3</v></c><c><v>4</v></c></row>"
        "<row><c t=\"str\"><f>\"a\"&amp;\"b\"</f><v>ab</v></c><c t=\"b\"><f>TRUE</f><v>0</v></c>"
        "<c t=\"e\"><f>1/0</f><v>#DIV/0!</v></c><c><f>1+1</f></c>"
        "<c><f t=\"shared\" ref=\"E6:E7\" si=\"0\">A1+$A$1</f><v>3</v></c>"
        "<c><f t=\"shared\" si=\"7\"/><v>9</v></c></row>"
        "<row><c r=\"A7\"><f t=\"array\" ref=\"A7:A8\">{1;2}*2</f><v>2</v></c>"
        "<c r=\"E7\"><f t=\"shared\" si=\"0\"/><v>4</v></c></row><row><c><v>4</v></c></row>",
        "<si><t>a_x000D__x000A_b _x005F_x0041_ _xD83D__xDE00_ _xZZZZ_</t></si>"));
    const auto& sheet = book.ByName("Sheet1");
    EXPECT_EQ(sheet.At("A1")->value, Value::Text("a\r\nb _x0041_ \xF0\x9F\x98\x80 _xZZZZ_"));
    EXPECT_EQ(sheet.At("B1")->value, Value::Text("x\ty"));
    EXPECT_EQ(sheet.At("C1")->value, Value::Text("inline"));
    EXPECT_EQ(sheet.At("D1"), nullptr);
    EXPECT_EQ(sheet.At("C5")->value, Value::Number(3));
    EXPECT_EQ(sheet.At("D5")->value, Value::Number(4));
    EXPECT_EQ(sheet.At("A6")->formula, "\"a\"&\"b\"");
    EXPECT_EQ(sheet.At("A6")->value, Value::Text("ab"));
    EXPECT_EQ(sheet.At("B6")->value, Value::Boolean(false));
    EXPECT_EQ(sheet.At("C6")->value, Value::Error(ErrorCode::Div0));
    EXPECT_TRUE(sheet.At("D6")->hasFormula);
    EXPECT_TRUE(sheet.At("D6")->value.IsEmpty());
    EXPECT_EQ(sheet.At("E7")->formula, "A2+$A$1");
    EXPECT_EQ(sheet.At("E7")->value, Value::Number(4));
    EXPECT_FALSE(sheet.At("F6")->hasFormula);  // keeps its stored result
    EXPECT_EQ(sheet.At("F6")->value, Value::Number(9));
    EXPECT_EQ(sheet.arrays, std::vector<std::string>{"A7:A8 {{1;2}*2}"});
    EXPECT_EQ(sheet.At("A7")->formula, "{1;2}*2");
    EXPECT_EQ(sheet.At("A8")->value, Value::Number(4));
    EXPECT_EQ(sheet.duplicates, 0);
}

TEST(OoxmlReader, StylesAndNumberFormats) {
    const auto book = Read(MinimalXlsxParts(
        "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>1</v></c><c r=\"B1\" s=\"2\"><v>2</v></c>"
        "<c r=\"C1\" s=\"2\"/><c r=\"D1\" s=\"0\"/><c r=\"E1\" s=\"99\"><v>3</v></c></row>",
        "",
        "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"0.000%\"/></numFmts>"
        "<fonts><font><sz val=\"11\"/><name val=\"Calibri\"/></font>"
        "<font><b/><i val=\"0\"/><u/><sz val=\"14\"/><color rgb=\"FFFF0000\"/>"
        "<name val=\"Arial\"/></font></fonts>"
        "<fills><fill><patternFill patternType=\"none\"/></fill>"
        "<fill><patternFill patternType=\"solid\"><fgColor theme=\"4\" tint=\"0.5\"/>"
        "</patternFill></fill></fills>"
        "<borders><border/><border diagonalUp=\"1\"><left style=\"thin\"><color indexed=\"8\"/>"
        "</left><bottom style=\"double\"/></border></borders>"
        "<cellStyleXfs><xf numFmtId=\"10\" fontId=\"1\"/></cellStyleXfs>"
        "<cellXfs><xf numFmtId=\"0\" fontId=\"0\"/>"
        "<xf numFmtId=\"14\" fontId=\"1\" fillId=\"1\" borderId=\"1\">"
        "<alignment horizontal=\"center\" wrapText=\"1\" textRotation=\"90\"/>"
        "<protection locked=\"0\" hidden=\"1\"/></xf>"
        "<xf numFmtId=\"164\" fontId=\"7\"/></cellXfs>"
        "<dxfs><dxf><font><b/></font></dxf></dxfs>"));
    ASSERT_EQ(book.styles.size(), 4u);  // the default plus three cell formats
    const auto& sheet = book.ByName("Sheet1");
    const CellStyle& a1 = book.styles[static_cast<size_t>(sheet.At("A1")->style)];
    EXPECT_EQ(a1.numberFormat, "m/d/yyyy");
    EXPECT_TRUE(a1.font.bold);
    EXPECT_FALSE(a1.font.italic);
    EXPECT_EQ(a1.font.underline, "single");
    EXPECT_EQ(a1.font.size, 14);
    EXPECT_EQ(a1.font.name, "Arial");
    EXPECT_EQ(a1.font.color.kind, Color::Kind::Rgb);
    EXPECT_EQ(a1.font.color.argb, 0xFFFF0000u);
    EXPECT_EQ(a1.fill.pattern, "solid");
    EXPECT_EQ(a1.fill.fg.kind, Color::Kind::Theme);
    EXPECT_EQ(a1.fill.fg.index, 4);
    EXPECT_DOUBLE_EQ(a1.fill.fg.tint, 0.5);
    EXPECT_EQ(a1.border.left.style, "thin");
    EXPECT_EQ(a1.border.left.color.kind, Color::Kind::Indexed);
    EXPECT_EQ(a1.border.bottom.style, "double");
    EXPECT_TRUE(a1.border.diagonalUp);
    EXPECT_EQ(a1.alignment.horizontal, "center");
    EXPECT_TRUE(a1.alignment.wrap);
    EXPECT_EQ(a1.alignment.rotation, 90);
    EXPECT_FALSE(a1.protection.locked);
    EXPECT_TRUE(a1.protection.hidden);
    const CellStyle& b1 = book.styles[static_cast<size_t>(sheet.At("B1")->style)];
    EXPECT_EQ(b1.numberFormat, "0.000%");
    EXPECT_EQ(b1.font, Font{});  // font 7 does not exist: the default
    // A formatted blank is delivered, an unformatted one is not; an unknown
    // format index falls back to the default style.
    ASSERT_NE(sheet.At("C1"), nullptr);
    EXPECT_TRUE(sheet.At("C1")->value.IsEmpty());
    EXPECT_EQ(sheet.At("D1"), nullptr);
    EXPECT_EQ(sheet.At("E1")->style, 0);
}

TEST(OoxmlReader, ColumnsRowsMergesAndFilter) {
    auto parts = MinimalXlsxParts("");
    parts["xl/worksheets/sheet1.xml"] = WorksheetXml(
        "<row r=\"2\" ht=\"30\" customHeight=\"1\"/><row r=\"3\" hidden=\"1\"/>"
        "<row r=\"4\"><c r=\"A4\"><v>1</v></c></row>",
        "<dimension ref=\"A1:XFD1048576\"/>"
        "<sheetFormatPr defaultColWidth=\"12.5\" defaultRowHeight=\"15\"/>"
        "<cols><col min=\"1\" max=\"2\" width=\"20\" customWidth=\"1\"/>"
        "<col min=\"3\" max=\"3\" hidden=\"1\" width=\"0\"/>"
        "<col min=\"5\" max=\"99999\" width=\"9\"/><col min=\"0\" max=\"2\" width=\"1\"/></cols>",
        "<autoFilter ref=\"A1:C4\"/><mergeCells count=\"2\"><mergeCell ref=\"A1:B2\"/>"
        "<mergeCell ref=\"D4:C3\"/></mergeCells>");
    const auto book = Read(parts);
    const auto& sheet = book.ByName("Sheet1");
    EXPECT_EQ(sheet.defaultWidth, 12.5);
    EXPECT_EQ(sheet.defaultHeight, 15);
    ASSERT_EQ(sheet.columns.size(), 3u);
    EXPECT_EQ(sheet.columns[0], "A:B width=20 custom style=0");
    EXPECT_EQ(sheet.columns[1], "C:C width=0 hidden style=0");
    EXPECT_EQ(sheet.columns[2], "E:XFD width=9 style=0");
    ASSERT_EQ(sheet.rows.size(), 2u);
    EXPECT_EQ(sheet.rows[0], "2 height=30 custom style=0");
    EXPECT_EQ(sheet.rows[1], "3 height=-1 hidden style=0");
    EXPECT_EQ(sheet.autoFilter, "A1:C4");
    ASSERT_EQ(sheet.merges.size(), 2u);
    EXPECT_EQ(sheet.merges[1], (RangeRef{{3, 3}, {4, 4}}));
}

TEST(OoxmlReader, WorkbookSheetsNamesAndSettings) {
    auto parts = MinimalXlsxParts("<row><c><v>1</v></c></row>");
    parts["xl/workbook.xml"] = WorkbookXml(
        "<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/>"
        "<sheet name=\"Chart\" sheetId=\"2\" r:id=\"rId2\" state=\"hidden\"/>"
        "<sheet name=\"Macro\" sheetId=\"3\" r:id=\"rId3\" state=\"veryHidden\"/>"
        "<sheet name=\"Dialog\" sheetId=\"4\" r:id=\"rId4\"/>",
        "<workbookPr date1904=\"true\"/><bookViews><workbookView activeTab=\"2\"/>"
        "<workbookView activeTab=\"0\"/></bookViews>",
        "<definedNames><definedName name=\"Total\">Data!$A$1</definedName>"
        "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"0\" hidden=\"1\">Data!$A:$B"
        "</definedName></definedNames>");
    parts["xl/_rels/workbook.xml.rels"] =
        RelsXml(Rel("rId1", "worksheet", "worksheets/sheet1.xml") +
                Rel("rId2", "chartsheet", "chartsheets/sheet1.xml") +
                Rel("rId3", "http://schemas.microsoft.com/office/2006/relationships/xlMacrosheet",
                    "macrosheets/sheet1.xml") +
                Rel("rId4", "dialogsheet", "dialogsheets/sheet1.xml"));
    parts["xl/macrosheets/sheet1.xml"] =
        "<xm:macrosheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:xm=\"http://schemas.microsoft.com/office/excel/2006/main\"><sheetData><row r=\"1\">"
        "<c r=\"A1\"><f>RETURN()</f></c></row></sheetData></xm:macrosheet>";
    const auto book = Read(parts);
    ASSERT_EQ(book.sheets.size(), 4u);
    EXPECT_EQ(book.sheets[0].kind, SheetKind::Worksheet);
    EXPECT_EQ(book.sheets[1].kind, SheetKind::Chartsheet);
    EXPECT_EQ(book.sheets[1].state, SheetState::Hidden);
    EXPECT_EQ(book.sheets[2].kind, SheetKind::Macrosheet);
    EXPECT_EQ(book.sheets[2].state, SheetState::VeryHidden);
    EXPECT_EQ(book.sheets[3].kind, SheetKind::Dialogsheet);
    EXPECT_EQ(book.sheets[2].content.At("A1")->formula, "RETURN()");
    EXPECT_TRUE(book.date1904);
    EXPECT_EQ(book.active, 2);
    ASSERT_EQ(book.names.size(), 2u);
    EXPECT_EQ(book.names[0], "Total=Data!$A$1 local=-1");
    EXPECT_EQ(book.names[1], "_xlnm.Print_Area=Data!$A:$B local=0 hidden");
}

TEST(OoxmlReader, FindsPartsTheWayProducersWriteThem) {
    // Absolute and percent-encoded targets, backslashes, "..", letter case, odd folders and no
    // [Content_Types].xml at all.
    auto parts = MinimalXlsxParts("");
    parts.erase("[Content_Types].xml");
    parts.erase("xl/workbook.xml");
    parts.erase("xl/_rels/workbook.xml.rels");
    parts.erase("xl/worksheets/sheet1.xml");
    parts["_rels/.rels"] = RelsXml(Rel("rId1", "officeDocument", "/Book/Main.XML"));
    parts["book/MAIN.xml"] = WorkbookXml(
        "<sheet name=\"A\" sheetId=\"1\" r:id=\"a\"/>"
        "<sheet name=\"B\" sheetId=\"2\" r:id=\"b\"/>");
    parts["book/_rels/main.xml.rels"] = RelsXml(Rel("a", "worksheet", "..\\data\\one.xml") +
                                                Rel("b", "worksheet", "/Book/./t%77o.xml"));
    parts["data/one.xml"] = WorksheetXml("<row><c><v>1</v></c></row>");
    parts["book/two.xml"] = WorksheetXml("<row><c><v>2</v></c></row>");
    const auto book = Read(parts);
    ASSERT_EQ(book.sheets.size(), 2u);
    EXPECT_EQ(book.ByName("A").At("A1")->value, Value::Number(1));
    EXPECT_EQ(book.ByName("B").At("A1")->value, Value::Number(2));
}

TEST(OoxmlReader, StrictNamespaces) {
    auto parts = MinimalXlsxParts("");
    parts["xl/workbook.xml"] =
        "<workbook xmlns=\"http://purl.oclc.org/ooxml/spreadsheetml/main\" "
        "xmlns:r=\"http://purl.oclc.org/ooxml/officeDocument/relationships\">"
        "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
    parts["xl/_rels/workbook.xml.rels"] =
        RelsXml(Rel("rId1", "http://purl.oclc.org/ooxml/officeDocument/relationships/worksheet",
                    "worksheets/sheet1.xml"));
    parts["xl/worksheets/sheet1.xml"] =
        "<worksheet xmlns=\"http://purl.oclc.org/ooxml/spreadsheetml/main\"><sheetData>"
        "<row r=\"1\"><c r=\"A1\"><v>7</v></c></row></sheetData></worksheet>";
    const auto book = Read(parts);
    EXPECT_EQ(book.ByName("S").At("A1")->value, Value::Number(7));
}

}  // namespace
}  // namespace tabulon::spreadsheet
