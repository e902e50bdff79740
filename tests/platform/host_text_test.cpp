#include "platform/host_text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/ini_file.h"
#include "platform/paths.h"
#include "temp_folder.h"

namespace tabulon::platform {
namespace {

using testing::ReadFile;
using testing::TempFolder;

TEST(HostTextCode, RoundTripsEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    all += all;  // every byte at an even and at an odd position
    CString encoded = EncodeHostText(CString(all));
    EXPECT_EQ(encoded.GetLength(), 2 * 512);
    EXPECT_TRUE(IsSpanOf(encoded, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"));
    std::optional<CString> decoded = DecodeHostText(encoded);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Str(), all);
    EXPECT_EQ(DecodeHostText(""), CString(""));
}

TEST(HostTextCode, TablesAlternateAndForeignTextFailsToDecode) {
    // The same byte looks different at even and odd positions.
    CString aa = EncodeHostText("aa");
    EXPECT_NE(aa.Left(2), aa.Right(2));
    EXPECT_FALSE(DecodeHostText(aa.Left(3)));                // odd length
    EXPECT_FALSE(DecodeHostText(aa.Right(2) + aa.Left(2)));  // tables swapped
    EXPECT_FALSE(DecodeHostText("plain text"));
    CString lower = aa;
    EXPECT_FALSE(DecodeHostText(lower.MakeLower()));
}

class HostTextLookup : public ::testing::Test {
  protected:
    void SetUp() override { SetModuleFolderOverride(Module::Host, m_dir.Path()); }
    void TearDown() override { SetModuleFolderOverride(Module::Host, ""); }
    TempFolder m_dir;
};

const std::string kRaw =
    "; texts of the host\n"
    "[TABULON]\n"
    "MORE_HELP_TXT = More help \xE2\x80\xA6\n"
    "PRODUCT_HOME_PAGE=\"https://example.org/tabulon\"\n";

TEST_F(HostTextLookup, ReadsTheRawFileWhenTheEncodedOneIsMissing) {
    m_dir.Write("QXTexts_Raw.ini", kRaw);
    EXPECT_EQ(LookupHostText("TABULON", "MORE_HELP_TXT"), "More help \xE2\x80\xA6");
    EXPECT_EQ(LookupHostText("tabulon", "product_home_page"), "https://example.org/tabulon");
    EXPECT_EQ(LookupHostText("TABULON", "HOME_PAGE_TXT"), "");
}

TEST_F(HostTextLookup, PrefersTheEncodedFileAndGivesTheSameTexts) {
    m_dir.Write("QXTexts_Raw.ini", "[TABULON]\nMORE_HELP_TXT=from the raw file\n");
    std::string encoded = EncodeHostTextFile(kRaw + "[S]\nLONG=" + std::string(1500, 'w') + "\n");
    EXPECT_EQ(encoded.find("TABULON"), std::string::npos);
    EXPECT_EQ(encoded.find("More help"), std::string::npos);
    // A value that does not decode gives nothing.
    m_dir.Write("QXTexts.ini", encoded + EncodeHostText("BAD").Str() + "=abc\n");
    EXPECT_EQ(LookupHostText("TABULON", "MORE_HELP_TXT"), "More help \xE2\x80\xA6");
    EXPECT_EQ(LookupHostText("TABULON", "PRODUCT_HOME_PAGE"), "https://example.org/tabulon");
    EXPECT_EQ(LookupHostText("TABULON", "HOME_PAGE_TXT"), "");
    EXPECT_EQ(LookupHostText("OTHER", "MORE_HELP_TXT"), "");
    EXPECT_EQ(LookupHostText("S", "LONG"), std::string(1500, 'w'));  // long values survive
    EXPECT_EQ(LookupHostText("S", "BAD"), "");
}

TEST(HostTextFile, DecodingGivesBackWhatAReaderSaw) {
    std::optional<std::string> back = DecodeHostTextFile(EncodeHostTextFile(kRaw));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back,
              "; texts of the host\n"
              "[TABULON]\n"
              "MORE_HELP_TXT=More help \xE2\x80\xA6\n"
              "PRODUCT_HOME_PAGE=https://example.org/tabulon\n");
    EXPECT_FALSE(DecodeHostTextFile("[TABULON]\n"));
    // A byte order mark is kept, and the section after it still gets encoded.
    std::string withMark = EncodeHostTextFile("\xEF\xBB\xBF[S]\nK=V\n");
    EXPECT_EQ(withMark, "\xEF\xBB\xBF[" + EncodeHostText("S").Str() + "]\n" +
                            EncodeHostText("K").Str() + "=" + EncodeHostText("V").Str() + "\n");
}

TEST(HostTextFile, EncoderToolConvertsBothWays) {
    TempFolder dir;
    std::string raw = dir.Write("QXTexts_Raw.ini", kRaw);
    const std::string tool = std::string(TABULON_BINARY_DIR) + "/bin/qxtext_encode";
    if (access(tool.c_str(), X_OK) != 0)
        GTEST_SKIP() << "qxtext_encode not built";
    std::string cmd = "cd '" + dir.Path() + "' && '" + tool + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(ReadFile(dir / "QXTexts.ini"), EncodeHostTextFile(kRaw));
    cmd = "'" + tool + "' --decode '" + (dir / "QXTexts.ini") + "' '" + (dir / "back.ini") + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(ReadFile(dir / "back.ini"), *DecodeHostTextFile(EncodeHostTextFile(kRaw)));
    cmd = "'" + tool + "' --decode '" + raw + "' '" + (dir / "x.ini") + "' 2>/dev/null";
    EXPECT_NE(std::system(cmd.c_str()), 0);
}

}  // namespace
}  // namespace tabulon::platform
