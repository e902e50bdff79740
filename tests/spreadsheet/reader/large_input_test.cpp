// Workbooks far bigger than usual: worksheets and string tables too big to
// inflate whole are streamed and read as the whole part reads; a read can be
// stopped part way. The limits of the tests are set low through ReadOptions so
// that small packages stand for huge ones.
#include <gtest/gtest.h>

#include "recording_sink.h"
#include "spreadsheet/reader/sheet_context.h"
#include "spreadsheet/reader/workbook_reader.h"
#include "spreadsheet/workbook.h"
#include "zip_builder.h"

namespace tabulon::spreadsheet {
namespace {

using testing::BuildPackage;
using testing::MinimalXlsxParts;
using testing::RecordingWorkbook;
using testing::WorksheetXml;

// A sheet of `rows` rows of every kind of cell, with its shared string table.
std::map<std::string, std::string> BigWorkbookParts(int rows) {
    std::string data;
    std::string strings;
    for (int r = 1; r <= rows; ++r) {
        const std::string n = std::to_string(r);
        data += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + n + ".25</v></c><c r=\"B" + n +
                "\" t=\"s\"><v>" + std::to_string(r - 1) + "</v></c><c r=\"C" + n +
                "\" t=\"inlineStr\"><is><t>x&gt;" + n + " &amp; \xC3\xA9</t></is></c>";
        data += r == 1 ? "<c r=\"D1\"><f t=\"shared\" ref=\"D1:D" + std::to_string(rows) +
                             "\" si=\"0\">A1*2</f><v>2.5</v></c>"
                       : "<c r=\"D" + n + "\"><f t=\"shared\" si=\"0\"/></c>";
        data += "</row>\n";
        strings += "<si><t>text " + n + "</t></si>";
    }
    auto parts = MinimalXlsxParts("", strings);
    parts["xl/worksheets/sheet1.xml"] =
        WorksheetXml(data, "", "<mergeCells><mergeCell ref=\"E1:F2\"/></mergeCells>");
    return parts;
}

// The cells read, or the message of the ReadError.
std::string Read(const std::string& bytes, const ReadOptions& options = {}) {
    return testing::DumpOrRefusal(bytes, "big.xlsx", options);
}

// Parts above `limit` are streamed; nothing may be held whole above 2 * limit.
ReadOptions Streaming(std::uint64_t limit) {
    ReadOptions options;
    options.wholePartLimit = limit;
    options.zipLimits.maxEntryBytes = 2 * limit;
    return options;
}

TEST(ReaderLargeInput, PartsTooBigToHoldWholeAreStreamedAndReadAlike) {
    const auto parts = BigWorkbookParts(3000);
    ASSERT_GT(parts.at("xl/worksheets/sheet1.xml").size(), 200'000u);
    const std::string bytes = BuildPackage(parts);
    const std::string whole = Read(bytes);
    ASSERT_NE(whole.find("Sheet1!D3000\tf\tA3000*2"), std::string::npos) << whole.substr(0, 300);
    ASSERT_NE(whole.find("Sheet1!C77\ts\tx>77 & \xC3\xA9"), std::string::npos);
    // Before, such parts were refused at the per-part cap.
    EXPECT_EQ(Read(bytes, Streaming(16 << 10)), whole);

    // A big part the scanner refuses (not UTF-8) is read through expat, still in
    // pieces, with the same cells.
    auto latin1 = BigWorkbookParts(500);
    std::string& sheet = latin1["xl/worksheets/sheet1.xml"];
    sheet.replace(sheet.find("UTF-8"), 5, "ISO-8859-1");
    for (std::size_t at; (at = sheet.find("\xC3\xA9")) != std::string::npos;)
        sheet.replace(at, 2, "\xE9");
    const std::string latin1Bytes = BuildPackage(latin1);
    const SheetParserCounts before = SheetParserCountsSoFar();
    const std::string latin1Whole = Read(latin1Bytes);
    EXPECT_EQ(Read(latin1Bytes, Streaming(4 << 10)), latin1Whole);
    EXPECT_EQ(SheetParserCountsSoFar().reread - before.reread, 2u);
    EXPECT_NE(latin1Whole.find("Sheet1!C9\ts\tx>9 & \xC3\xA9"), std::string::npos);
}

TEST(ReaderLargeInput, BombLimitsHoldForStreamedParts) {
    const std::string bytes = BuildPackage(BigWorkbookParts(3000));
    ReadOptions ratio = Streaming(16 << 10);
    ratio.zipLimits.ratioFloorBytes = 32 << 10;
    ratio.zipLimits.maxRatio = 3;
    EXPECT_EQ(Read(bytes, ratio),
              "big.xlsx: xl/sharedStrings.xml: zip entry inflates more than 3 times its "
              "compressed size (zip bomb?)");
    ReadOptions total = Streaming(16 << 10);
    total.zipLimits.maxTotalBytes = 100 << 10;
    EXPECT_NE(Read(bytes, total).find("zip archive inflates beyond 0 MB in total"),
              std::string::npos);
}

// A workbook of `count` sheets that all name one small part, as a hostile file
// would; every fifth sheet repeats an earlier name.
std::string ManySheets(int count) {
    std::string sheets, rels;
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        sheets += "<sheet name=\"S" + std::to_string(i % 5 == 0 ? 1 : i) + "\" sheetId=\"" + n +
                  "\" r:id=\"rId" + n + "\"/>";
        rels += testing::Rel("rId" + n, "worksheet", "worksheets/sheet1.xml");
    }
    auto parts = MinimalXlsxParts("<row r=\"1\"><c r=\"A1\"><v>7</v></c></row>");
    parts["xl/workbook.xml"] = testing::WorkbookXml(sheets);
    parts["xl/_rels/workbook.xml.rels"] = testing::RelsXml(rels);
    return BuildPackage(parts);
}

// Repeated names get fresh ones, the lowest free "SheetN" as ever. (What a sheet
// costs as workbooks grow is measured in bench/bench_many_sheets.cpp.)
TEST(ReaderLargeInput, RepeatedSheetNamesAreRenamed) {
    Workbook book;
    auto builder = MakeWorkbookBuilder(book);
    const std::string bytes = ManySheets(12);
    ReadWorkbookMemory(bytes.data(), bytes.size(), "many.xlsx", *builder);
    ASSERT_EQ(book.SheetCount(), 12);
    EXPECT_EQ(book.Sheet(4).Name(), "Sheet1");
    EXPECT_EQ(book.Sheet(9).Name(), "Sheet2");
    EXPECT_EQ(book.Sheet(10).Name(), "S11");
    EXPECT_EQ(book.Sheet(10).GetValue(CellRef{1, 1}), Value::Number(7));
}

TEST(ReaderLargeInput, ACanceledReadStopsAtOnceWithItsOwnError) {
    // Stopped between sheets and inside big parts alike, at the first poll that
    // says so.
    const std::string many = ManySheets(20000);
    const std::string big = BuildPackage(BigWorkbookParts(3000));
    for (const std::string* bytes : {&many, &big}) {
        for (const int polls : {1, 2, 5, 9}) {
            ReadOptions options = Streaming(16 << 10);
            int asked = 0;
            options.canceled = [&] { return ++asked >= polls; };
            RecordingWorkbook sink;
            try {
                ReadWorkbookMemory(bytes->data(), bytes->size(), "big.xlsx", sink, options);
                ADD_FAILURE() << "read to the end";
            } catch (const ReadCanceled& e) {
                EXPECT_STREQ(e.what(), "big.xlsx: reading was canceled");
            }
            EXPECT_EQ(asked, polls);
        }
    }
}

}  // namespace
}  // namespace tabulon::spreadsheet
