// A sheet copied into a new workbook looks as it did: its workbook's default
// font, column widths, number formats given by id and styles inside alternate
// content survive reading, copying and writing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../reader/zip_builder.h"
#include "platform/zip_archive.h"
#include "spreadsheet/reader/workbook_reader.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/xlsx_writer.h"

namespace tabulon::spreadsheet {
namespace {

namespace fs = std::filesystem;

// Default font Arial 10 (the Normal style's), a title font only alternate
// content gives, a locale date id, a custom "mmss.0" and the built-in 47.
std::string SourceStyles() {
    return "<?xml version=\"1.0\"?><styleSheet "
           "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
           "<numFmts count=\"1\"><numFmt numFmtId=\"170\" formatCode=\"mmss.0\"/></numFmts>"
           "<fonts count=\"2\"><font><sz val=\"10\"/><name val=\"Arial\"/></font>"
           "<mc:AlternateContent><mc:Choice xmlns:hs=\"urn:example:hs\" Requires=\"hs\">"
           "<font><sz val=\"9\"/><name val=\"Wrong\"/></font></mc:Choice><mc:Fallback>"
           "<font><b/><sz val=\"18\"/><name val=\"Arial\"/></font></mc:Fallback>"
           "</mc:AlternateContent></fonts>"
           "<fills count=\"1\"><fill><patternFill patternType=\"none\"/></fill></fills>"
           "<borders count=\"1\"><border/></borders>"
           "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\"/></cellStyleXfs>"
           "<cellXfs count=\"5\"><xf numFmtId=\"0\" fontId=\"0\"/><xf numFmtId=\"0\" fontId=\"1\"/>"
           "<xf numFmtId=\"58\" fontId=\"0\"/><xf numFmtId=\"170\" fontId=\"0\"/>"
           "<xf numFmtId=\"47\" fontId=\"0\"/></cellXfs></styleSheet>";
}

std::string Part(const std::string& path, const std::string& name) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string bytes = buffer.str();
    platform::ZipArchive zip(bytes.data(), bytes.size());
    std::string text;
    for (std::size_t i = 0; i < zip.Entries().size(); ++i) {
        if (zip.Entries()[i].name == name)
            zip.ReadAll(i, text);
    }
    return text;
}

TEST(SheetCopyAppearance, DefaultFontWidthsAndFormatsSurviveACopy) {
    auto parts = testing::MinimalXlsxParts("");
    parts["xl/worksheets/sheet1.xml"] = testing::WorksheetXml(
        "<row r=\"1\"><c r=\"A1\" s=\"1\" t=\"inlineStr\"><is><t>Title</t></is></c>"
        "<c r=\"B1\" s=\"2\"><v>44644.5</v></c><c r=\"C1\" s=\"3\"><v>0.5</v></c>"
        "<c r=\"D1\" s=\"4\"><v>0.5</v></c><c r=\"E1\"><v>1</v></c></row>",
        "<sheetFormatPr baseColWidth=\"10\" defaultRowHeight=\"13\"/>"
        "<cols><col min=\"1\" max=\"1\" width=\"20\" customWidth=\"1\"/></cols>");
    parts["xl/styles.xml"] = SourceStyles();
    parts["xl/_rels/workbook.xml.rels"].insert(
        parts["xl/_rels/workbook.xml.rels"].find("</Relationships>"),
        "<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
        "relationships/styles\" Target=\"styles.xml\"/>");
    const std::string bytes = testing::BuildPackage(parts);
    Workbook source;
    ReadWorkbookMemory(bytes.data(), bytes.size(), "source.xlsx", *MakeWorkbookBuilder(source));

    const Worksheet& from = source.Sheet(0);
    EXPECT_EQ(source.DefaultFont().name, "Arial");
    const Font& title = source.Style(from.Cell({1, 1}).style).font;
    EXPECT_TRUE(title.bold);
    EXPECT_DOUBLE_EQ(title.size, 18);
    EXPECT_EQ(from.DisplayText({1, 2}), "3/24/2022");
    EXPECT_EQ(from.Cell({1, 5}).style, 0);  // the Normal style is the default style

    // A new workbook takes the look of its first source; a Calibri 12 one
    // rescales widths so that columns keep their size on screen.
    Workbook result;
    result.CopySheet(from, -1, "Copy");
    Workbook wide;
    Font calibri12;
    calibri12.size = 12;
    wide.SetDefaultFont(calibri12);
    const Worksheet& rescaled = wide.CopySheet(from, -1, "Copy");
    EXPECT_NEAR(rescaled.Column(1).width, 20 * 7.0 / 8, 0.01);

    const fs::path dir = fs::temp_directory_path() / "tabulon_sheet_copy_appearance";
    fs::create_directories(dir);
    const std::string out = (dir / "result.xlsx").string();
    WriteWorkbookFile(result, out);
    const std::string styles = Part(out, "xl/styles.xml");
    EXPECT_NE(styles.find("<fonts count=\"2\"><font><sz val=\"10\"/><name val=\"Arial\"/>"),
              std::string::npos)
        << styles;
    EXPECT_NE(styles.find("numFmtId=\"58\""), std::string::npos) << styles;
    EXPECT_NE(styles.find("formatCode=\"mmss.0\""), std::string::npos) << styles;
    EXPECT_NE(styles.find("formatCode=\"mm:ss.0\""), std::string::npos) << styles;
    EXPECT_EQ(styles.find("numFmtId=\"47\""), std::string::npos) << styles;
    EXPECT_NE(Part(out, "xl/worksheets/sheet1.xml").find("baseColWidth=\"10\""), std::string::npos);

    Workbook back;
    ReadWorkbookFile(out, *MakeWorkbookBuilder(back));
    const Worksheet& copy = back.Sheet(0);
    EXPECT_EQ(back.DefaultFont(), source.DefaultFont());
    for (int col = 1; col <= 5; ++col) {
        SCOPED_TRACE(col);
        EXPECT_EQ(copy.DisplayText({1, col}), from.DisplayText({1, col}));
        EXPECT_EQ(back.Style(copy.Cell({1, col}).style), source.Style(from.Cell({1, col}).style));
    }
    EXPECT_DOUBLE_EQ(copy.Column(1).width, 20);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace tabulon::spreadsheet
