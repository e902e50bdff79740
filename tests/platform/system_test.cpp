#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/guid.h"
#include "platform/processes.h"

namespace tabulon::platform {
namespace {

TEST(Guid, FormatsTheThirdGroupInLowerCaseOnly) {
    Guid g;
    g.data1 = 0xABCDEF01;
    g.data2 = 0xEEEE;
    g.data3 = 0xE4EE;
    g.data4 = {0xAB, 0xCD, 0x0E, 0xF0, 0x01, 0x02, 0xEE, 0xFF};
    EXPECT_EQ(FormatGuid(g), "{ABCDEF01-EEEE-e4ee-ABCD-0EF00102EEFF}");
    EXPECT_EQ(FormatGuid(Guid{}), "{00000000-0000-0000-0000-000000000000}");
}

TEST(Guid, NewGuidsAreWellFormedAndDistinct) {
    std::set<CString> seen;
    for (int i = 0; i < 200; ++i) {
        CString s = NewGuidString();
        ASSERT_EQ(s.GetLength(), 38) << s;
        EXPECT_EQ(s.GetAt(0), '{');
        EXPECT_EQ(s.GetAt(37), '}');
        EXPECT_TRUE(
            IsSpanOf(s.Mid(1, 8) + s.Mid(10, 4) + s.Mid(20, 4) + s.Mid(25, 12), "0123456789ABCDEF"))
            << s;
        EXPECT_TRUE(IsSpanOf(s.Mid(15, 4), "0123456789abcdef")) << s;
        EXPECT_EQ(s.GetAt(15), '4') << s;
        seen.insert(s);
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST(Processes, CountsByNameWithoutExtensionOrCase) {
    char exe[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    CString self = std::filesystem::path(exe).filename().string();
    EXPECT_GE(CountProcesses(self), 1);
    CString shouted = self + ".EXE";
    shouted.MakeUpper();
    // Other test processes of the same name may start or end between two counts.
    bool same = false;
    for (int i = 0; i < 20 && !same; ++i)
        same = CountProcesses(shouted) == CountProcesses(self);
    EXPECT_TRUE(same);
    EXPECT_EQ(CountProcesses("no-such-program-7f3a.exe"), 0);
    EXPECT_EQ(CountProcesses(""), 0);
}

}  // namespace
}  // namespace tabulon::platform
