// Damaged and hostile input: every case ends in a ReadError that names the file
// and says what is wrong, never in a crash, a hang or unbounded memory.
#include <gtest/gtest.h>

#include "platform/zip_archive.h"
#include "recording_sink.h"
#include "spreadsheet/reader/workbook_reader.h"
#include "zip_builder.h"

namespace tabulon::spreadsheet {
namespace {

using testing::BuildPackage;
using testing::MinimalXlsxParts;
using testing::WorksheetXml;
using testing::ZipBuilder;

// The message of the ReadError that reading `bytes` as "bad.xlsx" throws.
std::string Refusal(const std::string& bytes) {
    testing::RecordingWorkbook sink;
    try {
        ReadWorkbookMemory(bytes.data(), bytes.size(), "bad.xlsx", sink);
    } catch (const ReadError& e) {
        return e.what();
    }
    return "(read without error)";
}

std::string SheetRefusal(const std::string& sheetXml) {
    auto parts = MinimalXlsxParts("");
    parts["xl/worksheets/sheet1.xml"] = sheetXml;
    return Refusal(BuildPackage(parts));
}

TEST(ReaderMalformed, CellsAndRowsOutsideTheGrid) {
    EXPECT_EQ(SheetRefusal(WorksheetXml("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>")),
              "bad.xlsx: xl/worksheets/sheet1.xml:2: bad cell reference 'XFE1' (not a cell of "
              "the grid)");
    EXPECT_EQ(SheetRefusal(WorksheetXml("<row r=\"1048577\"/>")),
              "bad.xlsx: xl/worksheets/sheet1.xml:2: row number 1048577 is outside the grid (1 to "
              "1048576)");
    EXPECT_NE(SheetRefusal(WorksheetXml("<row r=\"0\"/>")).find("row number 0"), std::string::npos);
    EXPECT_NE(SheetRefusal(WorksheetXml("<row><c r=\"A1x\"/></row>")).find("'A1x'"),
              std::string::npos);
    std::string wide = "<row r=\"1\"><c r=\"XFD1\"/><c/></row>";
    EXPECT_NE(SheetRefusal(WorksheetXml(wide)).find("more cells in a row than the grid holds"),
              std::string::npos);
    EXPECT_NE(SheetRefusal(WorksheetXml("", "",
                                        "<mergeCells><mergeCell ref=\"A1:A0\"/>"
                                        "</mergeCells>"))
                  .find("bad merge range 'A1:A0'"),
              std::string::npos);
}

TEST(ReaderMalformed, UnexpectedContentIsNamedWithItsPlace) {
    EXPECT_EQ(SheetRefusal(WorksheetXml("<row>\n<foo/></row>")),
              "bad.xlsx: xl/worksheets/sheet1.xml:3: unexpected <foo> in <row>");
    EXPECT_EQ(SheetRefusal(WorksheetXml("<c/>")),
              "bad.xlsx: xl/worksheets/sheet1.xml:2: unexpected <c> in <sheetData>");
    EXPECT_NE(SheetRefusal(WorksheetXml("<row><c t=\"x\"><v>1</v></c></row>"))
                  .find("cell A1 has unknown type 'x'"),
              std::string::npos);
    EXPECT_NE(SheetRefusal("<table/>").find("unexpected root element <table>"), std::string::npos);
    // Elements of other namespaces and unknown extensions are skipped, not refused.
    EXPECT_EQ(SheetRefusal(WorksheetXml("<row><c><v>1</v><extLst><ext><x:y xmlns:x=\"urn:x\"/>"
                                        "</ext></extLst></c></row>",
                                        "<sheetPr><tabColor rgb=\"FF000000\"/></sheetPr>")),
              "(read without error)");
}

TEST(ReaderMalformed, XmlThatIsNotWellFormed) {
    EXPECT_EQ(SheetRefusal(WorksheetXml("<row>\n\n<c><v>1</c></row>")),
              "bad.xlsx: xl/worksheets/sheet1.xml:4: not well-formed XML: mismatched tag");
    EXPECT_NE(SheetRefusal("").find("xl/worksheets/sheet1.xml:1: not well-formed XML"),
              std::string::npos);
    EXPECT_NE(SheetRefusal(WorksheetXml("<row>")).find("not well-formed XML"), std::string::npos);
}

TEST(ReaderMalformed, DocumentTypeDeclarationsAreRefused) {
    // An entity expansion bomb and an external entity: both stop at the DOCTYPE.
    const std::string bomb =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [<!ENTITY lol \"lol\">"
        "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">]>"
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<sheetData><row><c t=\"inlineStr\"><is><t>&lol2;</t></is></c></row></sheetData>"
        "</worksheet>";
    EXPECT_EQ(SheetRefusal(bomb),
              "bad.xlsx: xl/worksheets/sheet1.xml:2: document type declarations are not allowed "
              "(entity expansion)");
    const std::string external =
        "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<sheetData><row><c t=\"inlineStr\"><is><t>&x;</t></is></c></row></sheetData>"
        "</worksheet>";
    EXPECT_NE(SheetRefusal(external).find("document type declarations are not allowed"),
              std::string::npos);
}

TEST(ReaderMalformed, BrokenPackages) {
    auto parts = MinimalXlsxParts("<row><c><v>1</v></c></row>");
    const std::string good = BuildPackage(parts);
    EXPECT_EQ(Refusal(good), "(read without error)");

    // Truncated anywhere: always a clear message.
    for (std::size_t cut : {good.size() - 1, good.size() - 30, good.size() / 2, std::size_t{10}}) {
        const std::string message = Refusal(good.substr(0, cut));
        EXPECT_EQ(message.rfind("bad.xlsx: ", 0), 0u) << message;
        EXPECT_NE(message, "(read without error)");
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
    noRel["xl/_rels/workbook.xml.rels"] =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"/>";
    EXPECT_EQ(Refusal(BuildPackage(noRel)),
              "bad.xlsx: sheet 'Sheet1' refers to relationship rId1, which the workbook does not "
              "have");

    EXPECT_EQ(Refusal(ZipBuilder().Build()),
              "bad.xlsx: cannot be read: the zip archive holds no workbook part (not a "
              "spreadsheet, or damaged)");
}

TEST(ReaderMalformed, SharedStringIndexOutOfRange) {
    auto parts = MinimalXlsxParts("<row><c t=\"s\"><v>3</v></c></row>");
    EXPECT_EQ(Refusal(BuildPackage(parts)),
              "bad.xlsx: xl/worksheets/sheet1.xml:2: cell A1 refers to shared string '3', but the "
              "table holds 0");
}

TEST(ReaderMalformed, ZipLimitsStopInflationBombs) {
    const std::string zeros(4 << 20, '\0');
    const std::string zip = ZipBuilder().Add("big", zeros, true).Add("small", "abc").Build();
    platform::ZipLimits limits;
    limits.ratioFloorBytes = 1 << 20;
    limits.maxRatio = 100;
    {
        platform::ZipArchive archive(zip.data(), zip.size(), limits);
        EXPECT_THROW(archive.ReadAll(0), platform::ZipError);
        EXPECT_EQ(archive.ReadAll(1), "abc");
    }
    limits = platform::ZipLimits{};
    limits.maxEntryBytes = 1 << 20;
    {
        platform::ZipArchive archive(zip.data(), zip.size(), limits);
        try {
            archive.ReadAll(0);
            ADD_FAILURE() << "no limit";
        } catch (const platform::ZipError& e) {
            EXPECT_STREQ(e.what(), "big: zip entry inflates beyond 1 MB");
        }
    }
    limits = platform::ZipLimits{};
    limits.maxTotalBytes = 6 << 20;
    {
        platform::ZipArchive archive(zip.data(), zip.size(), limits);
        EXPECT_EQ(archive.ReadAll(0).size(), zeros.size());
        EXPECT_THROW(archive.ReadAll(0), platform::ZipError);  // the second read passes 6 MB
    }
    // With the default limits the same entry is fine: 4 MB is below the ratio floor.
    platform::ZipArchive archive(zip.data(), zip.size());
    EXPECT_EQ(archive.ReadAll(0).size(), zeros.size());
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
