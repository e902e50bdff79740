#include "spreadsheet/address.h"

#include <gtest/gtest.h>

#include "spreadsheet/value.h"

namespace tabulon::spreadsheet {
namespace {

TEST(Address, ColumnLettersCoverTheWholeGrid) {
    EXPECT_EQ(ColumnLetters(1), "A");
    EXPECT_EQ(ColumnLetters(26), "Z");
    EXPECT_EQ(ColumnLetters(27), "AA");
    EXPECT_EQ(ColumnLetters(702), "ZZ");
    EXPECT_EQ(ColumnLetters(703), "AAA");
    EXPECT_EQ(ColumnLetters(16384), "XFD");
    EXPECT_EQ(ColumnLetters(0), "");
    EXPECT_EQ(ColumnLetters(16385), "");
    for (int c = 1; c <= kMaxColumns; ++c) ASSERT_EQ(ColumnFromLetters(ColumnLetters(c)), c);
    EXPECT_EQ(ColumnFromLetters("ab"), 28);
    EXPECT_EQ(ColumnFromLetters("XFE"), -1);
    EXPECT_EQ(ColumnFromLetters("ABCD"), -1);
    EXPECT_EQ(ColumnFromLetters(""), -1);
    EXPECT_EQ(ColumnFromLetters("A1"), -1);
}

TEST(Address, ParsesAndPrintsCellsAndRanges) {
    EXPECT_EQ(ParseCellRef("$B$7"), (CellRef{7, 2}));
    EXPECT_EQ(ParseCellRef("xfd1048576"), (CellRef{kMaxRows, kMaxColumns}));
    EXPECT_FALSE(ParseCellRef("A0"));
    EXPECT_FALSE(ParseCellRef("A1048577"));
    EXPECT_FALSE(ParseCellRef("A"));
    EXPECT_FALSE(ParseCellRef("1"));
    EXPECT_FALSE(ParseCellRef("A1x"));
    EXPECT_EQ(ParseRangeRef("C3:A1"), (RangeRef{{1, 1}, {3, 3}}));
    EXPECT_FALSE(ParseRangeRef("A1:"));
    EXPECT_EQ(FormatRangeRef({{1, 1}, {10, 6}}, true), "$A$1:$F$10");
    EXPECT_EQ(FormatRangeRef({{2, 2}, {2, 2}}), "B2");
}

TEST(Value, ErrorTextsRoundTrip) {
    for (auto e : {ErrorCode::Null, ErrorCode::Div0, ErrorCode::Value, ErrorCode::Ref,
                   ErrorCode::Name, ErrorCode::Num, ErrorCode::NA, ErrorCode::GettingData}) {
        EXPECT_EQ(ParseErrorText(ErrorText(e)), e);
    }
    EXPECT_FALSE(ParseErrorText("#div/0!"));
    EXPECT_EQ(Value::Number(1), Value::Number(1));
    EXPECT_NE(Value::Number(1), Value::Boolean(true));
    EXPECT_NE(Value::Text("a"), Value::Text("A"));
}

}  // namespace
}  // namespace tabulon::spreadsheet
