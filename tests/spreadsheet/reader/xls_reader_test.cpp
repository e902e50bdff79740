// The .xls reader on corpus workbooks: the same workbook as its .xlsx twin,
// dates with their own formats, encrypted and damaged files refused.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "recording_sink.h"
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
    // dates, in the 1904 date system.
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
        EXPECT_EQ(xls.styles[static_cast<std::size_t>(b->style)].numberFormat, "yyyy\\-mm\\-dd;@");
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

std::string CorpusBytes(const std::string& name) {
    std::ifstream in(kCorpus + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string RefusalOf(const std::string& bytes) {
    testing::RecordingWorkbook sink;
    try {
        ReadWorkbookMemory(bytes.data(), bytes.size(), "fuzzed.xls", sink);
    } catch (const ReadError& e) {
        return e.what();
    }
    return "(read without error)";
}

// Found by fuzzing: a compound file cut inside a sector, and a record longer
// than the stream.
TEST(XlsReader, RegressionDamagedFilesAreRefusedWithTheirPlace) {
    if (!std::filesystem::exists(kCorpus + "/exceldatareader/ExcelLibrary_newdoc.xls"))
        GTEST_SKIP();
    const std::string cut = CorpusBytes("exceldatareader/ExcelLibrary_newdoc.xls").substr(0, 2691);
    EXPECT_EQ(RefusalOf(cut),
              "fuzzed.xls: cannot be read as .xls: damaged or truncated compound file (the "
              "workbook stream cannot be followed through its allocation tables)");

    std::string longRecord = CorpusBytes("calamine/any_sheets.xls");
    const std::size_t bof = longRecord.find(std::string("\x09\x08\x10\x00\x00\x06", 6));
    ASSERT_NE(bof, std::string::npos);
    longRecord[bof + 2] = '\x00';
    longRecord[bof + 3] = '\xA4';  // 41984 bytes
    EXPECT_EQ(RefusalOf(longRecord),
              "fuzzed.xls: Workbook: damaged workbook stream: record 0x0809 at offset 0: its 41984 "
              "bytes run past the end of the stream");
}

}  // namespace
}  // namespace tabulon::spreadsheet
