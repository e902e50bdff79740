#include "spreadsheet/reader/serial_date.h"

#include <gtest/gtest.h>

namespace tabulon::spreadsheet {
namespace {

TEST(SerialDate, AroundThePhantomLeapDayOf1900) {
    EXPECT_EQ(SerialFromDateTime(1900, 1, 1, 0, 0, 0, false), 1);
    EXPECT_EQ(SerialFromDateTime(1900, 2, 28, 0, 0, 0, false), 59);
    EXPECT_EQ(SerialFromDateTime(1900, 3, 1, 0, 0, 0, false), 61);
    EXPECT_EQ(SerialFromDateTime(2000, 1, 1, 0, 0, 0, false), 36526);
    EXPECT_EQ(SerialFromDateTime(9999, 12, 31, 0, 0, 0, false), 2958465);
    EXPECT_EQ(SerialFromDateTime(1904, 1, 1, 0, 0, 0, true), 0);
    EXPECT_EQ(SerialFromDateTime(2000, 1, 1, 0, 0, 0, true), 36526 - 1462);
    EXPECT_DOUBLE_EQ(SerialFromDateTime(2000, 1, 1, 18, 0, 0, false), 36526.75);
}

TEST(SerialDate, IsoTexts) {
    EXPECT_EQ(SerialFromIsoText("2000-01-01", false), 36526);
    EXPECT_EQ(SerialFromIsoText("2000-01-01T06:00:00", false), 36526.25);
    EXPECT_EQ(SerialFromIsoText("2000-01-01 12:00:00Z", false), 36526.5);
    EXPECT_EQ(SerialFromIsoText("2000-01-01T12:00", false), 36526.5);
    EXPECT_DOUBLE_EQ(*SerialFromIsoText("2000-01-01T00:00:00.5", false), 36526 + 0.5 / 86400);
    EXPECT_EQ(SerialFromIsoText("12:00:00", false), 0.5);
    EXPECT_EQ(SerialFromIsoText("1904-01-02", true), 1);
    for (const char* bad : {"", "2000", "2000-13-01", "2000-01-32", "2000/01/01", "2000-01-01X",
                            "2000-01-01T25:00:00", "2000-01-01T12:61", "1:00:00", "ab:cd:ef",
                            "2000-01-01T12:00:00junk"}) {
        EXPECT_FALSE(SerialFromIsoText(bad, false)) << bad;
    }
}

}  // namespace
}  // namespace tabulon::spreadsheet
