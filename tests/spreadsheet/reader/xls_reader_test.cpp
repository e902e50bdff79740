// The .xls path: values through freexl, sheet kinds and states from the BIFF
// records, dates turned back into serial numbers.
#include <gtest/gtest.h>

#include <filesystem>

#include "recording_sink.h"
#include "spreadsheet/reader/biff_globals.h"
#include "spreadsheet/reader/biff_sheet_layout.h"
#include "spreadsheet/reader/workbook_reader.h"

namespace tabulon::spreadsheet {
namespace {

const std::string kCorpus = TABULON_CORPUS_DIR;

testing::RecordingWorkbook ReadCorpusFile(const std::string& name) {
    testing::RecordingWorkbook sink;
    ReadWorkbookFile(kCorpus + "/" + name, sink);
    return sink;
}

TEST(XlsReader, SameWorkbookAsItsXlsxTwin) {
    if (!std::filesystem::exists(kCorpus + "/calamine/any_sheets.xls"))
        GTEST_SKIP();
    const auto xls = ReadCorpusFile("calamine/any_sheets.xls");
    const auto xlsx = ReadCorpusFile("calamine/any_sheets.xlsx");
    ASSERT_EQ(xls.sheets.size(), xlsx.sheets.size());
    for (std::size_t i = 0; i < xls.sheets.size(); ++i) {
        SCOPED_TRACE(xlsx.sheets[i].name);
        EXPECT_EQ(xls.sheets[i].name, xlsx.sheets[i].name);
        EXPECT_EQ(xls.sheets[i].kind, xlsx.sheets[i].kind);
        EXPECT_EQ(xls.sheets[i].state, xlsx.sheets[i].state);
    }
    EXPECT_EQ(xls.sheets[3].kind, SheetKind::Chartsheet);
    EXPECT_EQ(xls.sheets[2].state, SheetState::VeryHidden);
    EXPECT_EQ(xls.active, xlsx.active);
    EXPECT_EQ(xls.CellDump(), xlsx.CellDump());
}

TEST(XlsReader, DatesBecomeSerialNumbersWithADateFormat) {
    // Column A holds serial numbers, column B the same numbers formatted as
    // dates, in the 1904 date system; freexl hands column B over as text.
    if (!std::filesystem::exists(kCorpus + "/sheetjs/1904/1904.xls"))
        GTEST_SKIP();
    const auto xls = ReadCorpusFile("sheetjs/1904/1904.xls");
    EXPECT_TRUE(xls.date1904);
    const auto& sheet = xls.ByName("Sheet1");
    for (const char* row : {"1", "2", "3", "4", "5"}) {
        SCOPED_TRACE(row);
        const auto* a = sheet.At(std::string("A") + row);
        const auto* b = sheet.At(std::string("B") + row);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a->value, b->value);
        EXPECT_EQ(xls.styles[static_cast<std::size_t>(b->style)].numberFormat, "yyyy-mm-dd");
    }
    const auto xlsx = ReadCorpusFile("sheetjs/1904/1904.xlsx");
    EXPECT_EQ(xlsx.ByName("Sheet1").At("B5")->value, sheet.At("B5")->value);
}

TEST(XlsReader, EncryptedAndUndecodableWorkbooksAreRefused) {
    if (!std::filesystem::exists(kCorpus + "/poi/password.xls"))
        GTEST_SKIP();
    testing::RecordingWorkbook sink;
    try {
        ReadWorkbookFile(kCorpus + "/poi/password.xls", sink);
        ADD_FAILURE() << "read an encrypted workbook";
    } catch (const ReadError& e) {
        EXPECT_EQ(std::string(e.what()),
                  kCorpus +
                      "/poi/password.xls: cannot be read: the workbook is encrypted "
                      "(password protected)");
    }
}

// Found by fuzzing: freexl leaked on this damaged compound file. It must now be
// refused before freexl sees it (the leak checker fails the run otherwise).
TEST(XlsReader, RegressionDamagedCompoundFileNeverReachesFreexl) {
    const std::string path = std::string(TABULON_SOURCE_DIR) +
                             "/fuzz/seeds/fuzz_reader/regression-freexl-leak-damaged-cfb.xls";
    testing::RecordingWorkbook sink;
    try {
        ReadWorkbookFile(path, sink);
        ADD_FAILURE() << "read a damaged file";
    } catch (const ReadError& e) {
        EXPECT_NE(std::string(e.what()).find("truncated compound file"), std::string::npos)
            << e.what();
    }
}

TEST(XlsReader, GlobalsRecords) {
    // BOF, two BOUNDSHEETs (hidden chart, visible worksheet), WINDOW1 with tab 1, EOF.
    const std::string stream(
        "\x09\x08\x04\x00\x00\x06\x05\x00"
        "\x85\x00\x08\x00\x00\x00\x00\x00\x01\x02\x01\x00"
        "\x85\x00\x08\x00\x00\x00\x00\x00\x00\x00\x01\x00"
        "\x3D\x00\x12\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00"
        "\x0A\x00\x00\x00"
        "\x85\x00\x08\x00\x00\x00\x00\x00\x00\x00\x01\x00",
        70);
    const BiffGlobals globals = ReadBiffGlobals(stream);
    ASSERT_EQ(globals.sheets.size(), 2u);
    EXPECT_EQ(globals.sheets[0].kind, SheetKind::Chartsheet);
    EXPECT_EQ(globals.sheets[0].state, SheetState::Hidden);
    EXPECT_EQ(globals.sheets[1].kind, SheetKind::Worksheet);
    EXPECT_EQ(globals.activeSheet, 1);
    // A record running past the end stops the scan without harm.
    EXPECT_EQ(ReadBiffGlobals(stream.substr(0, 26)).sheets.size(), 1u);
    EXPECT_EQ(ReadBiffGlobals("").sheets.size(), 0u);
}

TEST(XlsReader, SheetLayoutRecords) {
    // BOF; ROW 3 hidden with a custom height of 30 pt; ROW 4 plain; COLINFO B:IV
    // width 12.5 custom; COLINFO with first > last (skipped); MERGEDCELLS with one
    // good range and one beyond the grid; STANDARDWIDTH 9; EOF; then a ROW
    // that belongs to no sheet.
    static const char kBytes[] =
        "\x09\x08\x04\x00\x00\x06\x10\x00"
        "\x08\x02\x10\x00\x02\x00\x00\x00\x01\x00\x58\x02\x00\x00\x00\x00\x60\x00\x0F\x00"
        "\x08\x02\x10\x00\x03\x00\x00\x00\x01\x00\xFF\x80\x00\x00\x00\x00\x00\x00\x0F\x00"
        "\x7D\x00\x0C\x00\x01\x00\x00\x01\x80\x0C\x0F\x00\x02\x00\x00\x00"
        "\x7D\x00\x0C\x00\x05\x00\x04\x00\x00\x01\x0F\x00\x01\x00\x00\x00"
        "\xE5\x00\x12\x00\x02\x00\x00\x00\x01\x00\x00\x00\x02\x00"
        "\x00\x00\x01\x00\x00\x00\xFF\xFF"
        "\x99\x00\x02\x00\x00\x09"
        "\x0A\x00\x00\x00"
        "\x08\x02\x10\x00\x07\x00\x00\x00\x01\x00\x58\x02\x00\x00\x00\x00\x60\x00\x0F\x00";
    const std::string stream(kBytes, sizeof kBytes - 1);
    testing::RecordingSheet sheet;
    ReadBiffSheetLayout(stream, 0, sheet);
    ASSERT_EQ(sheet.rows.size(), 1u);
    EXPECT_EQ(sheet.rows[0], "3 height=30 custom hidden style=0");
    ASSERT_EQ(sheet.columns.size(), 1u);
    EXPECT_EQ(sheet.columns[0], "B:IV width=12.5 custom style=0");
    ASSERT_EQ(sheet.merges.size(), 1u);
    EXPECT_EQ(sheet.merges[0], (RangeRef{{1, 1}, {2, 3}}));
    EXPECT_EQ(sheet.defaultWidth, 9);
    // Not at a BOF, or cut inside a record: nothing, and no harm.
    testing::RecordingSheet none;
    ReadBiffSheetLayout(stream, 8, none);
    ReadBiffSheetLayout(stream.substr(0, 20), 0, none);
    ReadBiffSheetLayout(stream, stream.size() + 10, none);
    EXPECT_TRUE(none.rows.empty() && none.columns.empty());

    if (!std::filesystem::exists(kCorpus + "/poi/WORKBOOK_in_capitals.xls"))
        return;
    const auto xls = ReadCorpusFile("poi/WORKBOOK_in_capitals.xls");
    EXPECT_EQ(xls.sheets[0].content.merges.size(), 54u);
    EXPECT_EQ(xls.sheets[0].content.columns.at(1), "B:B width=24.8555 style=0");
}

}  // namespace
}  // namespace tabulon::spreadsheet
