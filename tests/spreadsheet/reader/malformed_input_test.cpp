// Damaged and hostile input: every case ends in a ReadError that names the file
// and says what is wrong, never in a crash, a hang or unbounded memory.
#include <gtest/gtest.h>

#include "recording_sink.h"
#include "spreadsheet/reader/workbook_reader.h"
#include "zip_builder.h"

namespace tabulon::spreadsheet {
namespace {

using testing::BuildPackage;
using testing::MinimalXlsxParts;
using testing::WorksheetXml;
using testing::ZipBuilder;

std::string Refusal(const std::string& bytes) {
    return testing::DumpOrRefusal(bytes, "bad.xlsx");
}

std::string SheetRefusal(const std::string& sheetXml) {
    auto parts = MinimalXlsxParts("");
    parts["xl/worksheets/sheet1.xml"] = sheetXml;
    return Refusal(BuildPackage(parts));
}

// Worksheet parts that are refused, each with (the end of) its message; the line
// of a part made by WorksheetXml holding the cells is 2.
TEST(ReaderMalformed, DamagedWorksheetsAreRefusedWithTheirPlace) {
    const std::string doctype =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<sheetData><row><c t=\"inlineStr\"><is><t>&x;</t></is></c></row></sheetData>"
        "</worksheet>";
    const struct {
        std::string sheet, message;
    } cases[] = {
        // Outside the grid.
        {WorksheetXml("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>"),
         ":2: bad cell reference 'XFE1' (not a cell of the grid)"},
        {WorksheetXml("<row r=\"1048577\"/>"),
         ":2: row number 1048577 is outside the grid (1 to 1048576)"},
        {WorksheetXml("<row r=\"0\"/>"), "row number 0"},
        {WorksheetXml("<row><c r=\"A1x\"/></row>"), "'A1x'"},
        {WorksheetXml("<row r=\"1\"><c r=\"XFD1\"/><c/></row>"),
         "more cells in a row than the grid holds"},
        {WorksheetXml("", "", "<mergeCells><mergeCell ref=\"A1:A0\"/></mergeCells>"),
         "bad merge range 'A1:A0'"},
        {WorksheetXml("<row><c t=\"s\"><v>3</v></c></row>"),
         ":2: cell A1 refers to shared string '3', but the table holds 0"},
        // Unexpected content.
        {WorksheetXml("<row>\n<foo/></row>"), ":3: unexpected <foo> in <row>"},
        {WorksheetXml("<c/>"), ":2: unexpected <c> in <sheetData>"},
        {WorksheetXml("<row><c t=\"x\"><v>1</v></c></row>"), "cell A1 has unknown type 'x'"},
        {"<table/>", "unexpected root element <table>"},
        // Not well-formed.
        {WorksheetXml("<row>\n\n<c><v>1</c></row>"), ":4: not well-formed XML: mismatched tag"},
        {"", ":1: not well-formed XML"},
        {WorksheetXml("<row>"), "not well-formed XML"},
        // An entity expansion bomb and an external entity both stop at the DOCTYPE.
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [<!ENTITY lol \"lol\">"
         "<!ENTITY x \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">]>" +
             doctype,
         ":2: document type declarations are not allowed (entity expansion)"},
        {"<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>" +
             doctype,
         "document type declarations are not allowed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sheet);
        const std::string refusal = SheetRefusal(c.sheet);
        EXPECT_EQ(refusal.rfind("bad.xlsx: xl/worksheets/sheet1.xml:", 0), 0u) << refusal;
        EXPECT_NE(refusal.find(c.message), std::string::npos) << refusal;
    }
    // Elements of other namespaces and unknown extensions are skipped, not refused.
    EXPECT_EQ(SheetRefusal(WorksheetXml("<row><c><v>1</v><extLst><ext><x:y xmlns:x=\"urn:x\"/>"
                                        "</ext></extLst></c></row>",
                                        "<sheetPr><tabColor rgb=\"FF000000\"/></sheetPr>")),
              "sheet\tSheet1\nSheet1!A1\tn\t1\tGeneral\n");
}

TEST(ReaderMalformed, BrokenPackages) {
    auto parts = MinimalXlsxParts("<row><c><v>1</v></c></row>");
    const std::string good = BuildPackage(parts);
    EXPECT_EQ(Refusal(good), "sheet\tSheet1\nSheet1!A1\tn\t1\tGeneral\n");

    // Truncated anywhere: always a clear message.
    for (std::size_t cut : {good.size() - 1, good.size() - 30, good.size() / 2, std::size_t{10}}) {
        const std::string message = Refusal(good.substr(0, cut));
        EXPECT_EQ(message.rfind("bad.xlsx: ", 0), 0u) << message;
    }
    // Damaged compressed data fails its check sum.
    std::string damaged = good;
    const std::size_t sheetAt = damaged.find("xl/worksheets/sheet1.xml");
    for (std::size_t i = sheetAt + 30; i < sheetAt + 60; ++i)
        damaged[i] = static_cast<char>(~damaged[i]);
    EXPECT_NE(Refusal(damaged).find("bad.xlsx: "), std::string::npos);

    ZipBuilder twice;
    for (const auto& [name, content] : parts)
        twice.Add(name, content);
    twice.Add("xl/worksheets/sheet1.xml", WorksheetXml(""));
    EXPECT_EQ(Refusal(twice.Build()),
              "bad.xlsx: the zip archive holds the entry xl/worksheets/sheet1.xml twice (damaged "
              "or tampered file)");

    auto missing = parts;
    missing.erase("xl/worksheets/sheet1.xml");
    EXPECT_EQ(Refusal(BuildPackage(missing)),
              "bad.xlsx: sheet 'Sheet1': part xl/worksheets/sheet1.xml is missing from the "
              "archive");

    auto noRel = parts;
    noRel["xl/_rels/workbook.xml.rels"] = testing::RelsXml("");
    EXPECT_EQ(Refusal(BuildPackage(noRel)),
              "bad.xlsx: sheet 'Sheet1' refers to relationship rId1, which the workbook does not "
              "have");

    EXPECT_EQ(Refusal(ZipBuilder().Build()),
              "bad.xlsx: cannot be read: the zip archive holds no workbook part (not a "
              "spreadsheet, or damaged)");
}

TEST(ReaderMalformed, FilesThatCannotBeOpened) {
    testing::RecordingWorkbook sink;
    EXPECT_THROW(ReadWorkbookFile("/nonexistent/book.xlsx", sink), ReadError);
    try {
        ReadWorkbookFile(TABULON_SOURCE_DIR, sink);
        ADD_FAILURE() << "a folder was read";
    } catch (const ReadError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(std::string(TABULON_SOURCE_DIR) + ": ", 0), 0u);
    }
}

}  // namespace
}  // namespace tabulon::spreadsheet
