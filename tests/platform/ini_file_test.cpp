#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "temp_folder.h"

namespace tabulon::platform {
namespace {

using testing::ReadFile;
using testing::TempFolder;

CString Get(const std::string& file, const char* section, const char* key, const char* def = "") {
    return GetPrivateProfileString(section, key, def, file.c_str());
}

TEST(IniRead, MatchesNamesWithoutCaseAndFollowsTheProfileRules) {
    TempFolder dir;
    std::string file = dir.Write("a.ini",
                                 "; comment=1\r\n"
                                 "[Config]\r\n"
                                 "  FromRow  =   7  \r\n"
                                 "Quoted=\" padded \"\r\n"
                                 "Single='x'\r\n"
                                 "Half=\"open\r\n"
                                 "Empty=\r\n"
                                 "fromrow=second\r\n"
                                 "[ Other ]\n"
                                 "FromRow=9\n"
                                 "[config]\n"
                                 "Late=1\n");
    EXPECT_EQ(Get(file, "CONFIG", "fromROW"), "7");
    EXPECT_EQ(Get(file, "Config", "Quoted"), " padded ");
    EXPECT_EQ(Get(file, "Config", "Single"), "x");
    EXPECT_EQ(Get(file, "Config", "Half"), "\"open");
    EXPECT_EQ(Get(file, "Config", "Empty", "dflt"), "");
    EXPECT_EQ(Get(file, "other", "FromRow"), "9");
    // Only the first section of a name is read; comments are never keys.
    EXPECT_EQ(Get(file, "Config", "Late", "none"), "none");
    EXPECT_EQ(Get(file, "Config", "; comment", "none"), "none");
}

TEST(IniRead, MissingFileSectionOrKeyGivesTheDefaultWithoutTrailingBlanks) {
    TempFolder dir;
    std::string file = dir.Write("a.ini", "[S]\nk=v\n");
    EXPECT_EQ(Get(dir / "missing.ini", "S", "k", "d"), "d");
    EXPECT_EQ(Get(file, "T", "k", "d  "), "d");
    EXPECT_EQ(Get(file, "S", "x", "  d"), "  d");
    EXPECT_EQ(ReadProfileString(file.c_str(), "S", "x"), "");
    CString out("stale");
    EXPECT_EQ(ReadIniString(file.c_str(), "S", "x", "  dd  ", out), "dd");
    EXPECT_EQ(out, "dd");
}

TEST(IniRead, EmptySectionNamesAndBinaryFilesAreReadWithoutFailing) {
    TempFolder dir;
    std::string file = dir.Write("a.ini", "[]\nk=empty\n[ ]\nk=blank\n[\n[S]\nk=v\n");
    EXPECT_EQ(Get(file, "S", "k"), "v");
    EXPECT_EQ(Get(file, "", "k"), "empty");
    EXPECT_TRUE(WritePrivateProfileString("S", "n", "1", file.c_str()));
    EXPECT_EQ(ReadFile(file), "[]\nk=empty\n[ ]\nk=blank\n[\n[S]\nk=v\nn=1\n");

    std::string noise;
    unsigned state = 12345;
    for (int i = 0; i < 65536; ++i) {
        state = state * 1103515245u + 12345u;
        noise += static_cast<char>(state >> 16);
        if (i % 97 == 0)
            noise += i % 2 ? "[" : "[ ]\n";
    }
    std::string binary = dir.Write("b.ini", noise);
    EXPECT_EQ(Get(binary, "Config", "FromRow", "1"), "1");
    EXPECT_TRUE(WritePrivateProfileString("Config", "FromRow", "2", binary.c_str()));
    EXPECT_EQ(Get(binary, "Config", "FromRow", "1"), "2");
}

TEST(IniRead, ValuesStopAt2047BytesAndNeverSplitACharacter) {
    TempFolder dir;
    std::string longValue(3000, 'a');
    std::string file = dir.Write("a.ini", "[S]\nk=" + longValue + "\n");
    EXPECT_EQ(Get(file, "S", "k").GetLength(), kMaxProfileValue);
    // 2046 ASCII bytes and then a two-byte character straddling the limit.
    std::string straddle = std::string(2046, 'b') + "\xC3\xA9" + "tail";
    dir.Write("b.ini", "[S]\nk=" + straddle + "\n");
    CString cut = Get(dir / "b.ini", "S", "k");
    EXPECT_EQ(cut.GetLength(), 2046);
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", (dir / "b.ini").c_str(), 2048).Right(2),
              "\xC3\xA9");
}

TEST(IniWrite, CreatesTheFileThenTheSectionThenTheKey) {
    TempFolder dir;
    std::string file = dir / "new.ini";
    ASSERT_TRUE(WritePrivateProfileString("Config", "LastWorkMode", "1", file.c_str()));
    EXPECT_EQ(ReadFile(file), "[Config]\nLastWorkMode=1\n");
    ASSERT_TRUE(WritePrivateProfileString("CopyRows", "FromRow", "2", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("config", "Result", "r.xls", file.c_str()));
    EXPECT_EQ(ReadFile(file), "[Config]\nLastWorkMode=1\nResult=r.xls\n[CopyRows]\nFromRow=2\n");
}

TEST(IniWrite, ReplacesInPlaceAndKeepsEveryOtherLine) {
    TempFolder dir;
    const std::string before =
        "\xEF\xBB\xBF; settings\r\n"
        "[Config]\r\n"
        "  SheetName = Old ; not a comment\r\n"
        "; keep me\r\n"
        "other=1\r\n"
        "\r\n"
        "[Next]\r\n"
        "x=y";
    std::string file = dir.Write("a.ini", before);
    ASSERT_TRUE(WritePrivateProfileString("CONFIG", "sheetname", "Neu \xC3\xA9", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("Config", "Added", "2", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("Next", "x", "z", file.c_str()));
    EXPECT_EQ(ReadFile(file),
              "\xEF\xBB\xBF; settings\r\n"
              "[Config]\r\n"
              "  SheetName = Neu \xC3\xA9\r\n"
              "; keep me\r\n"
              "other=1\r\n"
              "Added=2\r\n"
              "\r\n"
              "[Next]\r\n"
              "x=z");
    EXPECT_EQ(Get(file, "config", "SHEETNAME"), "Neu \xC3\xA9");
}

TEST(IniWrite, RefusesTextThatWouldBreakTheFile) {
    TempFolder dir;
    std::string file = dir.Write("a.ini", "[S]\nk=v\n");
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "two\nlines", file.c_str()));
    EXPECT_FALSE(WritePrivateProfileString("S", "a=b", "v", file.c_str()));
    EXPECT_FALSE(WritePrivateProfileString("S]", "k", "v", file.c_str()));
    EXPECT_FALSE(WritePrivateProfileString("", "k", "v", file.c_str()));
    EXPECT_FALSE(WritePrivateProfileString("S", "  ", "v", file.c_str()));
    EXPECT_EQ(ReadFile(file), "[S]\nk=v\n");
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", (dir / "no/such/dir.ini").c_str()));
    // A file that cannot be read is not replaced (root reads anything: use a folder).
    std::filesystem::create_directory(dir / "folder.ini");
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", (dir / "folder.ini").c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.ini"));
}

TEST(IniWrite, WorksWithNonAsciiPathsAndKeepsThePermissions) {
    TempFolder dir;
    std::filesystem::create_directory(dir / "Ordner \xC3\xBC");
    std::string file = dir / "Ordner \xC3\xBC/\xE8\xA8\xAD\xE5\xAE\x9A.ini";
    ASSERT_TRUE(WritePrivateProfileString("S", "k", "\xE5\x80\xA4", file.c_str()));
    chmod(file.c_str(), 0600);
    ASSERT_TRUE(WritePrivateProfileString("S", "k", "2", file.c_str()));
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(Get(file, "S", "k"), "2");
    // Nothing but the file itself is left in the folder: no temporary files.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "Ordner \xC3\xBC"),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(IniWrite, WritesThroughASymbolicLink) {
    TempFolder dir;
    std::string real = dir.Write("real.ini", "[S]\nk=v\n");
    std::filesystem::create_symlink(real, dir / "link.ini");
    ASSERT_TRUE(WritePrivateProfileString("S", "k", "w", (dir / "link.ini").c_str()));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
    EXPECT_EQ(ReadFile(real), "[S]\nk=w\n");
}

// Readers running beside writers must always see a whole file: either value, never
// a missing key (which a truncate-then-write would show).
TEST(IniWrite, ReadersNeverSeeAHalfWrittenFile) {
    TempFolder dir;
    std::string file = dir / "a.ini";
    const std::string filler(4000, 'f');
    ASSERT_TRUE(WritePrivateProfileString("A", "Filler", filler.c_str(), file.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("S", "k", "0", file.c_str()));
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::thread reader([&] {
        while (!done) {
            CString v = Get(file, "S", "k", "missing");
            if (v != "0" && v != "1")
                ++bad;
        }
    });
    for (int i = 0; i < 200; ++i) {
        WritePrivateProfileString("S", "k", i % 2 ? "1" : "0", file.c_str());
    }
    done = true;
    reader.join();
    EXPECT_EQ(bad, 0);
}

TEST(IniWrite, ConcurrentWritersOfThisProcessLoseNoKey) {
    TempFolder dir;
    std::string file = dir / "a.ini";
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i) {
                CString key;
                key.Format("k%d_%d", t, i);
                WritePrivateProfileString("S", key, "v", file.c_str());
            }
        });
    }
    for (std::thread& w : writers)
        w.join();
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 20; ++i) {
            CString key;
            key.Format("k%d_%d", t, i);
            EXPECT_EQ(Get(file, "S", key), "v") << key;
        }
    }
}

}  // namespace
}  // namespace tabulon::platform
