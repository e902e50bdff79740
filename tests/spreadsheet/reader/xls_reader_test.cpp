// The .xls reader on corpus workbooks: the same workbook as its .xlsx twin,
// dates with their own formats, encrypted and damaged files refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "recording_sink.h"
#include "spreadsheet/reader/biff_crypto.h"
#include "spreadsheet/reader/compound_file.h"
#include "spreadsheet/reader/workbook_reader.h"

namespace tabulon::spreadsheet {
namespace {

const std::string kCorpus = TABULON_CORPUS_DIR;

testing::RecordingWorkbook ReadCorpusFile(const std::string& name) {
    testing::RecordingWorkbook sink;
    ReadWorkbookFile(kCorpus + "/" + name, sink);
    return sink;
}

std::string CorpusBytes(const std::string& name) {
    std::ifstream in(kCorpus + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Corpus workbooks saved both ways by their makers read alike: sheets, their
// kinds and states, the active sheet, the date system and every cell.
TEST(XlsReader, SameWorkbookAsItsXlsxTwin) {
    for (const std::string twin : {"calamine/any_sheets", "sheetjs/1904/1904"}) {
        SCOPED_TRACE(twin);
        if (!std::filesystem::exists(kCorpus + "/" + twin + ".xls"))
            GTEST_SKIP();
        const auto xls = ReadCorpusFile(twin + ".xls");
        const auto xlsx = ReadCorpusFile(twin + ".xlsx");
        ASSERT_EQ(xls.sheets.size(), xlsx.sheets.size());
        for (std::size_t i = 0; i < xls.sheets.size(); ++i) {
            EXPECT_EQ(xls.sheets[i].name, xlsx.sheets[i].name);
            EXPECT_EQ(xls.sheets[i].kind, xlsx.sheets[i].kind);
            EXPECT_EQ(xls.sheets[i].state, xlsx.sheets[i].state);
        }
        EXPECT_EQ(xls.active, xlsx.active);
        EXPECT_EQ(xls.date1904, xlsx.date1904);
        EXPECT_EQ(xls.CellDump(), xlsx.CellDump());
    }
    const auto anySheets = ReadCorpusFile("calamine/any_sheets.xls");
    EXPECT_EQ(anySheets.sheets[3].kind, SheetKind::Chartsheet);
    EXPECT_EQ(anySheets.sheets[2].state, SheetState::VeryHidden);
    EXPECT_TRUE(ReadCorpusFile("sheetjs/1904/1904.xls").date1904);
}

std::string WorkbookStream(const std::string& file, std::string* name = nullptr) {
    const CompoundFile cf(file.data(), file.size());
    for (const char* stream : {"Workbook", "Book"}) {
        if (auto s = cf.ReadStream(stream)) {
            if (name)
                *name = stream;
            return *s;
        }
    }
    return {};
}

// Workbooks protected with a password other than the default one are refused
// with the words the .xlsx reader uses. Both methods decrypt them with their
// password ("password"): the first FONT record names its font in clear.
TEST(XlsReader, PasswordsRefusedAndDecrypted) {
    const struct {
        const char* file;
        bool biff8;
        std::string font;
    } cases[] = {
        {"poi/password.xls", true, std::string("C\0a\0l\0i\0b\0r\0i", 13)},
        {"exceldatareader/Test_git_issue_242_xor_pwd_password.xls", false, "Calibri"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        if (!std::filesystem::exists(kCorpus + "/" + c.file))
            GTEST_SKIP();
        EXPECT_EQ(testing::DumpOrRefusal(CorpusBytes(c.file), "p.xls"),
                  "p.xls: cannot be read: the workbook is encrypted (password protected)");
        const std::string original = WorkbookStream(CorpusBytes(c.file));
        const std::size_t filePass = original.find(std::string("\x2F\x00", 2));
        ASSERT_NE(filePass, std::string::npos);
        std::string stream = original;
        EXPECT_FALSE(DecryptBiffStream(stream, filePass, c.biff8, kBiffDefaultPassword));
        EXPECT_EQ(stream, original);
        ASSERT_TRUE(DecryptBiffStream(stream, filePass, c.biff8, "password"));
        const std::size_t font = stream.find(std::string("\x31\x00", 2), filePass);
        ASSERT_NE(font, std::string::npos);
        EXPECT_NE(stream.substr(font, 64).find(c.font), std::string::npos);
    }
    EXPECT_EQ(Md5("abc")[0], 0x90);
    EXPECT_EQ(Md5(std::string(100, 'x'))[15], Md5(std::string(100, 'x'))[15]);
}

std::string Rc4KeyStream(const std::array<std::uint8_t, 16>& key, std::size_t count) {
    std::uint8_t s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<std::uint8_t>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 16]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    std::string out;
    for (std::size_t n = 0, i = 0, j = 0; n < count; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        out += static_cast<char>(s[(s[i] + s[j]) & 0xFF]);
    }
    return out;
}

// A workbook encrypted with the default password opens like any other: the
// corpus workbook protected with "password" is decrypted, given a FILEPASS
// for the default password and encrypted again.
TEST(XlsReader, WorkbooksWithTheDefaultPasswordOpen) {
    if (!std::filesystem::exists(kCorpus + "/poi/password.xls"))
        GTEST_SKIP();
    std::string file = CorpusBytes("poi/password.xls");
    std::string streamName;
    std::string stream = WorkbookStream(file, &streamName);
    const std::size_t filePass = stream.find(std::string("\x2F\x00", 2));
    ASSERT_TRUE(DecryptBiffStream(stream, filePass, true, "password"));
    const std::string salt(16, '\x5A'), verifier(16, '\x21');
    std::string utf16;
    for (const char ch : kBiffDefaultPassword)
        utf16 += std::string{ch, '\0'};
    const auto h0 = Md5(utf16);
    std::string buffer;
    for (int i = 0; i < 16; ++i)
        buffer += std::string(reinterpret_cast<const char*>(h0.data()), 5) + salt;
    const auto h1 = Md5(buffer);
    const auto key0 =
        Md5(std::string(reinterpret_cast<const char*>(h1.data()), 5) + std::string(4, '\0'));
    const std::string keys = Rc4KeyStream(key0, 32);
    const auto hash = Md5(verifier);
    std::string fields = salt;
    for (int i = 0; i < 16; ++i)
        fields += static_cast<char>(verifier[i] ^ keys[i]);
    for (int i = 0; i < 16; ++i)
        fields += static_cast<char>(hash[i] ^ keys[16 + i]);
    stream.replace(filePass + 4 + 6, 48, fields);
    // RC4 is its own inverse: "decrypting" the plain stream encrypts it.
    ASSERT_TRUE(DecryptBiffStream(stream, filePass, true, kBiffDefaultPassword));
    const CompoundFile cf(file.data(), file.size());
    ASSERT_TRUE(cf.WriteStream(streamName, stream, file));
    testing::RecordingWorkbook sink;
    ReadWorkbookMemory(file.data(), file.size(), "default.xls", sink);
    ASSERT_EQ(sink.sheets.size(), 3u);
    EXPECT_EQ(sink.sheets[0].name,
              "\xD0\x9B\xD0\xB8\xD1\x81\xD1\x82"
              "1");  // "Лист1"
    const auto* d5 = sink.sheets[0].content.At("D5");
    ASSERT_TRUE(d5);
    EXPECT_EQ(d5->value.AsText().rfind("A ZIP bomb is a variant of mail-bombing.", 0), 0u);
}

// Found by fuzzing: a compound file cut inside a sector, and a record longer
// than the stream.
TEST(XlsReader, RegressionDamagedFilesAreRefusedWithTheirPlace) {
    if (!std::filesystem::exists(kCorpus + "/exceldatareader/ExcelLibrary_newdoc.xls"))
        GTEST_SKIP();
    const std::string cut = CorpusBytes("exceldatareader/ExcelLibrary_newdoc.xls").substr(0, 2691);
    EXPECT_EQ(testing::DumpOrRefusal(cut, "fuzzed.xls"),
              "fuzzed.xls: cannot be read as .xls: damaged or truncated compound file (the "
              "workbook stream cannot be followed through its allocation tables)");

    std::string longRecord = CorpusBytes("calamine/any_sheets.xls");
    const std::size_t bof = longRecord.find(std::string("\x09\x08\x10\x00\x00\x06", 6));
    ASSERT_NE(bof, std::string::npos);
    longRecord[bof + 2] = '\x00';
    longRecord[bof + 3] = '\xA4';  // 41984 bytes
    EXPECT_EQ(testing::DumpOrRefusal(longRecord, "fuzzed.xls"),
              "fuzzed.xls: Workbook: damaged workbook stream: record 0x0809 at offset 0: its 41984 "
              "bytes run past the end of the stream");
}

}  // namespace
}  // namespace tabulon::spreadsheet
