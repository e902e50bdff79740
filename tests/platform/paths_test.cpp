#include "platform/paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "temp_folder.h"

namespace tabulon::platform {
namespace {

using testing::TempFolder;

TEST(Paths, ModuleFoldersAreTheFoldersOfTheRunningFiles) {
    char exe[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    const std::string folder = std::filesystem::path(exe).parent_path().string();
    EXPECT_EQ(GetHostFolder(), folder);
    // The core library is linked statically into the test, so both modules agree here.
    EXPECT_EQ(GetModuleFolder(Module::Core), folder);
    EXPECT_EQ(GetIniPath(), folder + "/Tabulon.ini");
    EXPECT_EQ(GetResourceFolder(), folder + "/Tabulon_DLL");
}

TEST(Paths, OverridesReplaceTheFolderUntilCleared) {
    const CString real = GetHostFolder();
    SetModuleFolderOverride(Module::Core, "/opt/tabulon");
    EXPECT_EQ(GetIniPath(), "/opt/tabulon/Tabulon.ini");
    EXPECT_EQ(GetHostFolder(), real);
    SetModuleFolderOverride(Module::Core, "");
    EXPECT_EQ(GetModuleFolder(Module::Core), real);
}

TEST(Paths, ResolvePathAnchorsRelativePathsAtTheHostFolder) {
    SetModuleFolderOverride(Module::Host, "/srv/host");
    EXPECT_EQ(ResolvePath(""), "/srv/host");
    EXPECT_EQ(ResolvePath("/data/a.xls"), "/data/a.xls");
    EXPECT_EQ(ResolvePath("data/a.xls"), "/srv/host/data/a.xls");
    EXPECT_EQ(ResolvePath("./a.xls"), "/srv/host/./a.xls");
    SetModuleFolderOverride(Module::Host, "");
    EXPECT_TRUE(PathIsRelative(""));
    EXPECT_TRUE(PathIsRelative("~/a"));
    EXPECT_FALSE(PathIsRelative("/"));
}

TEST(Paths, ExistenceAndDirectoryTests) {
    TempFolder dir;
    std::string file = dir.Write("f \xC3\xA9.txt", "x");
    EXPECT_TRUE(PathFileExists(file.c_str()));
    EXPECT_TRUE(PathFileExists(dir.Path().c_str()));
    EXPECT_FALSE(PathFileExists((dir / "nope").c_str()));
    EXPECT_FALSE(PathFileExists(""));
    EXPECT_TRUE(PathIsDirectory(dir.Path().c_str()));
    EXPECT_FALSE(PathIsDirectory(file.c_str()));
    EXPECT_FALSE(PathIsDirectory((dir / "nope").c_str()));
}

TEST(Paths, MatchSpecTakesAPatternListWithoutRegardToCase) {
    const char* excel = "*.xls;*.xlsx;*.xlsm;*.xlsb";
    EXPECT_TRUE(PathMatchSpec("/data/Book1.XLS", excel));
    EXPECT_TRUE(PathMatchSpec("b.xlsb", excel));
    EXPECT_TRUE(PathMatchSpec("a.b.xlsm", excel));
    EXPECT_FALSE(PathMatchSpec("book.xls.txt", excel));
    EXPECT_FALSE(PathMatchSpec("book.xl", excel));
    EXPECT_FALSE(PathMatchSpec("xls", excel));
    EXPECT_TRUE(PathMatchSpec("Sheet12", "Sheet??"));
    EXPECT_FALSE(PathMatchSpec("Sheet1", "Sheet??"));
    EXPECT_TRUE(PathMatchSpec("abcabcx", "*abc*x"));
    EXPECT_TRUE(PathMatchSpec("a.csv", "*.xls; *.csv"));
    EXPECT_TRUE(PathMatchSpec("noext", "*.*"));
    EXPECT_TRUE(PathMatchSpec("", "*"));
    EXPECT_FALSE(PathMatchSpec("a", ""));
    EXPECT_FALSE(PathMatchSpec("a", ";;"));
}

}  // namespace
}  // namespace tabulon::platform
