#include "platform/cstring.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

TEST(CString, FormatHasNoLengthLimit) {
    CString s;
    s.Format("%s-%d", "row", 42);
    EXPECT_EQ(s, "row-42");
    const std::string big(10000, 'x');
    s.Format("[%s]", big.c_str());
    EXPECT_EQ(s.GetLength(), 10002);
    EXPECT_EQ(s.Right(3), "xx]");
    s.AppendFormat("%c", '!');
    EXPECT_EQ(s.GetLength(), 10003);
}

TEST(CString, TrimsBlanksOrGivenCharacters) {
    EXPECT_EQ(CString(" \t a b \r\n").Trim(), "a b");
    EXPECT_EQ(CString("  a ").TrimLeft(), "a ");
    EXPECT_EQ(CString("  a ").TrimRight(), "  a");
    EXPECT_EQ(CString("xxaxx").Trim('x'), "a");
    EXPECT_EQ(CString("$$A$1").TrimLeft("$"), "A$1");
    EXPECT_EQ(CString("   ").Trim(), "");
    // Bytes of UTF-8 sequences are never blanks.
    EXPECT_EQ(CString(" \xC3\xA9 ").Trim(), "\xC3\xA9");
}

TEST(CString, SearchesAndCutsWithClampedArguments) {
    const CString s("Sheet1;Sheet2");
    EXPECT_EQ(s.Find(';'), 6);
    EXPECT_EQ(s.Find(';', 7), -1);
    EXPECT_EQ(s.Find("Sheet", 1), 7);
    EXPECT_EQ(s.Find("Sheet", 99), -1);
    EXPECT_EQ(s.Find(""), 0);
    EXPECT_EQ(s.ReverseFind('e'), 10);
    EXPECT_EQ(s.ReverseFind('z'), -1);
    EXPECT_EQ(s.Mid(7), "Sheet2");
    EXPECT_EQ(s.Mid(-3, 5), "Sheet");
    EXPECT_EQ(s.Mid(50), "");
    EXPECT_EQ(s.Left(100), s);
    EXPECT_EQ(s.Right(6), "Sheet2");
    EXPECT_EQ(s.Right(-1), "");
    EXPECT_EQ(s.SpanIncluding("SheT"), "Shee");
    EXPECT_EQ(s.SpanExcluding(";"), "Sheet1");
    EXPECT_EQ(s.GetAt(99), '\0');
}

TEST(CString, EditsCountTheirChanges) {
    CString s("a-b-c");
    EXPECT_EQ(s.Replace('-', '+'), 2);
    EXPECT_EQ(s, "a+b+c");
    EXPECT_EQ(s.Replace("+", "--"), 2);
    EXPECT_EQ(s, "a--b--c");
    EXPECT_EQ(s.Replace("--", ""), 2);
    EXPECT_EQ(s, "abc");
    EXPECT_EQ(s.Replace("", "x"), 0);
    CString t("aXaXa");
    EXPECT_EQ(t.Remove('a'), 3);
    EXPECT_EQ(t, "XX");
    EXPECT_EQ(CString("\xC3\xA9tat Abc").MakeUpper(), "\xC3\xA9TAT ABC");
    EXPECT_EQ(CString("ABC").MakeLower(), "abc");
}

TEST(CString, ComparesExactlyUnlessAskedOtherwise) {
    EXPECT_NE(CString("Sheet"), CString("sheet"));
    EXPECT_EQ(CString("Sheet").CompareNoCase("SHEET"), 0);
    EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(CString("abcd").CompareNoCase("ABC"), 0);
    EXPECT_TRUE(CString("a") < CString("b"));
    EXPECT_TRUE(CString("x") == std::string("x"));
    EXPECT_TRUE("x" == CString("x"));
    std::map<CString, int> ordered{{"b", 2}, {"a", 1}};
    EXPECT_EQ(ordered.begin()->first, "a");
}

TEST(CString, ConcatenatesAndConverts) {
    CString s = CString("a") + "b" + 'c' + CString("d");
    s += "e";
    s += std::string_view("f");
    EXPECT_EQ(s, "abcdef");
    EXPECT_EQ("<" + s, "<abcdef");
    const char* raw = s;
    std::string_view view = s;
    EXPECT_STREQ(raw, "abcdef");
    EXPECT_EQ(view, "abcdef");
    EXPECT_EQ(CString(static_cast<const char*>(nullptr)), "");
}

TEST(CString, IsSpanOf) {
    EXPECT_TRUE(IsSpanOf("", "0123456789"));
    EXPECT_TRUE(IsSpanOf("0042", "0123456789"));
    EXPECT_FALSE(IsSpanOf("12a4", "0123456789"));
    EXPECT_FALSE(IsSpanOf(" 12", "0123456789"));
}

}  // namespace
