#include "spreadsheet/reader/xml_values.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <random>
#include <string>

namespace tabulon::spreadsheet {
namespace {

double FromChars(const std::string& text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Plain decimals take a shortcut; it must give the very double from_chars gives.
TEST(XmlValues, PlainDecimalsReadExactlyAsFromChars) {
    std::mt19937_64 random(42);
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 17);
        std::string text = random() % 4 == 0 ? "-" : "";
        std::string number;
        for (int d = 0; d < digits; ++d)
            number += static_cast<char>('0' + random() % 10);
        const int point = static_cast<int>(random() % static_cast<unsigned>(digits + 1));
        if (point > 0 && point < digits)
            number.insert(static_cast<std::size_t>(point), ".");
        text += number;
        double parsed = 0;
        ASSERT_TRUE(xml::ParseDouble(text, parsed)) << text;
        ASSERT_TRUE(SameBits(parsed, FromChars(text))) << text;
    }
    for (const char* text :
         {"0", "-0", "0.1", "0.3", "501.36", "999999999999999", "0.000000000000001",
          "123456789012345.6", "9007199254740993", "1.7976931348623157"}) {
        double parsed = 0;
        ASSERT_TRUE(xml::ParseDouble(text, parsed)) << text;
        EXPECT_TRUE(SameBits(parsed, FromChars(text))) << text;
    }
}

TEST(XmlValues, OtherNumberFormsStillRead) {
    double v = 0;
    EXPECT_TRUE(xml::ParseDouble(" +1.5e3 ", v));
    EXPECT_EQ(v, 1500);
    EXPECT_TRUE(xml::ParseDouble("1E-2", v));
    EXPECT_EQ(v, 0.01);
    EXPECT_TRUE(xml::ParseDouble("-12", v));
    EXPECT_EQ(v, -12);
    for (const char* bad : {"", "-", "1.2.3", "12a", "--1", "1,5", "0x10"})
        EXPECT_FALSE(xml::ParseDouble(bad, v)) << bad;
}

}  // namespace
}  // namespace tabulon::spreadsheet
