// The .xls path: values through freexl, sheet kinds and states from the BIFF
// records, dates turned back into serial numbers.
#include <gtest/gtest.h>

#include <filesystem>

#include "recording_sink.h"
#include "spreadsheet/reader/biff_globals.h"
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

}  // namespace
}  // namespace tabulon::spreadsheet
