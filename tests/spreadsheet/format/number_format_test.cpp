#include "spreadsheet/number_format.h"

#include <gtest/gtest.h>

namespace tabulon::spreadsheet {
namespace {

struct Case {
    const char* code;
    double value;
    const char* shown;
};

void CheckAll(const std::vector<Case>& cases, bool date1904 = false) {
    for (const auto& c : cases) {
        EXPECT_EQ(FormatValue(Value::Number(c.value), c.code, date1904), c.shown)
            << "code " << c.code << " value " << c.value;
    }
}

TEST(NumberFormat, NumbersShowAsTheirCodeSays) {
    CheckAll({
        // General fits eleven characters.
        {"General", 0, "0"},
        {"General", 1, "1"},
        {"General", -1.5, "-1.5"},
        {"General", 0.1, "0.1"},
        {"General", 1.0 / 3, "0.333333333"},
        {"General", 2.0 / 3, "0.666666667"},
        {"General", 1234.56789012, "1234.56789"},
        {"General", 12345678901, "12345678901"},
        {"General", 123456789012, "1.23457E+11"},
        {"General", -123456789012, "-1.23457E+11"},
        {"General", 1e100, "1E+100"},
        {"General", 0.0001, "0.0001"},
        {"General", 0.000001, "0.000001"},
        {"General", 1.234e-7, "1.234E-07"},
        {"General", 1e-10, "1E-10"},
        {"General", 0.1 + 0.2, "0.3"},
        {"General", 100000, "100000"},
        {"general", 42, "42"},
        {"", 42, "42"},
        {"\"Total \"General", 5, "Total 5"},
        // Placeholders and rounding.
        {"0", 0.5, "1"},
        {"0", 2.5, "3"},
        {"0", -2.5, "-3"},
        {"0.00", 1.005, "1.01"},
        {"0.00", 3, "3.00"},
        {"0.00", -0.001, "-0.00"},
        {"#.##", 0.5, ".5"},
        {"#.##", 3, "3."},
        {"0.0#", 1.25, "1.25"},
        {"0.0#", 1.2, "1.2"},
        {"??0.0?", 1.2, "  1.2 "},
        {"00000", 123, "00123"},
        {"000-0000", 5551234, "555-1234"},
        {"#", 0, ""},
        {"0", 123456, "123456"},
        {"0.000", 1e-7, "0.000"},
        // Thousands separators, scaling and percent.
        {"#,##0", 1234567, "1,234,567"},
        {"#,##0.00", 1234.5, "1,234.50"},
        {"#,##0", 123, "123"},
        {"#,##0", -1234, "-1,234"},
        {"#,##0,", 1234567, "1,235"},
        {"0.0,,", 1234567, "1.2"},
        {"0.0,,\"M\"", 25000000, "25.0M"},
        {"0%", 0.256, "26%"},
        {"0.00%", 0.12345, "12.35%"},
        {"0%", -0.5, "-50%"},
        // Scientific notation and fractions.
        {"0.00E+00", 12345, "1.23E+04"},
        {"0.00E+00", 0.00012345, "1.23E-04"},
        {"0.00E+00", 0, "0.00E+00"},
        {"0.00E-00", 12345, "1.23E04"},
        {"0.00E+00", 9.999, "1.00E+01"},
        {"##0.0E+0", 12345, "12.3E+3"},
        {"##0.0E+0", 1234567, "1.2E+6"},
        {"0E+0", -5000, "-5E+3"},
        {"# ?/?", 1.5, "1 1/2"},
        {"# ?/?", 0.75, " 3/4"},
        {"# ?/?", 5, "5    "},
        {"# ?\?/??", 3.14159, "3 14/99"},
        {"# ?/?", 3.14159, "3 1/7"},
        {"# ?\?/?\?", 0.333, "  1/3 "},
        {"?/?", 1.5, "3/2"},
        {"# ?/?", -1.5, "-1 1/2"},
        {"# ?/8", 2.3, "2 2/8"},
        {"# ?/4", 0.5, " 2/4"},
        // Sections, conditions, colours, currencies and literals.
        {"0;(0)", -5, "(5)"},
        {"0;(0)", 5, "5"},
        {"0;-0;\"zero\"", 0, "zero"},
        {"0;-0;", 0, ""},
        {"0;;0", -5, ""},
        {"#,##0_);(#,##0)", 1234, "1,234 "},
        {"#,##0_);(#,##0)", -1234, "(1,234)"},
        {"[Red]0.0;[Blue]-0.0", -2, "-2.0"},
        {"[>100]\"big\";[<0]\"neg\";\"small\"", 150, "big"},
        {"[>100]\"big\";[<0]\"neg\";\"small\"", -1, "neg"},
        {"[>100]\"big\";[<0]\"neg\";\"small\"", 5, "small"},
        {"[<=9999999]###-####;(###) ###-####", 5551234, "555-1234"},
        {"[<=9999999]###-####;(###) ###-####", 2125551234, "(212) 555-1234"},
        {"\"$\"#,##0.00", 1234.5, "$1,234.50"},
        {"\"$\"#,##0.00", -1234.5, "-$1,234.50"},
        {"[$\xE2\x82\xAC-407]#,##0.00", 12,
         "\xE2\x82\xAC"
         "12.00"},
        {"[$-409]0.0", 1, "1.0"},
        {"\\$0\\k", 3, "$3k"},
        {"*-0", 3, "3"},
        {"0\" units\"", 1, "1 units"},
        {"0;-0;0;@", 7, "7"},
        {"@", 7, "7"},
        {"_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)", 0, " -   "},
        {"_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)", -1234.5, " (1,234.50)"},
        // Dates of the 1900 system, with its phantom leap day.
        {"m/d/yyyy", 1, "1/1/1900"},
        {"m/d/yyyy", 0, "1/0/1900"},
        {"m/d/yyyy", 59, "2/28/1900"},
        {"m/d/yyyy", 60, "2/29/1900"},
        {"m/d/yyyy", 61, "3/1/1900"},
        {"yyyy-mm-dd", 45000, "2023-03-15"},
        {"d-mmm-yy", 45000, "15-Mar-23"},
        {"dddd, mmmm d, yyyy", 45000, "Wednesday, March 15, 2023"},
        {"ddd mmmmm", 45000, "Wed M"},
        {"dddd", 1, "Sunday"},
        {"yyyy-mm-dd", 2958465, "9999-12-31"},
        {"yyyy-mm-dd", 2958466, "########"},
        {"yyyy-mm-dd", -1, "########"},
        {"m/d/yyyy h:mm", 45000.75, "3/15/2023 18:00"},
        {"[$-409]mmmm yyyy;@", 45000, "March 2023"},
        // Times, elapsed times and fractions of seconds.
        {"h:mm", 0.5, "12:00"},
        {"h:mm AM/PM", 0.5, "12:00 PM"},
        {"h:mm AM/PM", 0, "12:00 AM"},
        {"h:mm:ss AM/PM", 0.75, "6:00:00 PM"},
        {"hh:mm A/P", 0.25, "06:00 A"},
        {"hh:mm a/p", 0.8, "07:12 p"},
        {"h:mm:ss", 0.99999999, "0:00:00"},
        {"h:mm:ss", 0.5 + 1.0 / 86400 * 0.4, "12:00:00"},
        {"mm:ss", 1.0 / 1440 * 2.5, "02:30"},
        {"mm:ss.0", 1.0 / 86400 * 1.25, "00:01.3"},
        {"hh:mm:ss.000", 0.5 + 0.1234 / 86400, "12:00:00.123"},
        {"[h]:mm:ss", 1.5, "36:00:00"},
        {"[mm]:ss", 0.05, "72:00"},
        {"[s]", 0.01, "864"},
        {"h:mm", 0.999, "23:58"},
        {"m", 45000, "3"},
        {"h \"h\" m \"min\"", 0.1, "2 h 24 min"},
    });
    CheckAll({{"m/d/yyyy", 0, "1/1/1904"},
              {"m/d/yyyy", 1, "1/2/1904"},
              {"yyyy-mm-dd dddd", 43538, "2023-03-15 Wednesday"}},
             true);
}

TEST(NumberFormat, NonNumericValues) {
    EXPECT_EQ(FormatValue(Value::Boolean(true), "0.00"), "TRUE");
    EXPECT_EQ(FormatValue(Value::Boolean(false), "General"), "FALSE");
    EXPECT_EQ(FormatValue(Value::Error(ErrorCode::Div0), "0"), "#DIV/0!");
    EXPECT_EQ(FormatValue(Value(), "0.00"), "");
    EXPECT_EQ(FormatValue(Value::Text("abc"), "0.00"), "abc");
    EXPECT_EQ(FormatValue(Value::Text("abc"), "@"), "abc");
    EXPECT_EQ(FormatValue(Value::Text("abc"), "0;-0;0;\"<\"@\">\""), "<abc>");
    EXPECT_EQ(FormatValue(Value::Text("abc"), "\"x\"@"), "xabc");
    EXPECT_EQ(FormatValue(Value::Text("abc"), "_(@_)"), " abc ");
}

TEST(NumberFormat, MalformedAndRandomCodesDoNotCrash) {
    for (const char* code :
         {"\"unterminated", "[",      "[>",        "\\",       "_",       "*",
          "0.0.0",          ";;;;;;", "E+",        "[h",       "0/",      "/0",
          "# ?/",           "[$",     "0,,,,,,,,", "\xFF\xFE", "ddddddd", "mmmmmmm",
          "#,##0.00E+00%",  "[=]0",   "?/?\?\?\?"}) {
        for (double v : {0.0, -1.5, 12345.678, 1e300, -1e-300})
            (void)FormatValue(Value::Number(v), code);
    }
    // Codes drawn from the characters formats are made of, with a fixed seed.
    const std::string alphabet = "0#?.,%E+-/@;\"\\_*[]<>=$hmsdyAMP/: General";
    unsigned seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int i = 0; i < 20000; ++i) {
        std::string code;
        const unsigned len = next() % 16;
        for (unsigned k = 0; k < len; ++k)
            code.push_back(alphabet[next() % alphabet.size()]);
        for (double v : {0.0, -2.5, 1234.5678, 45000.75, 1e-12}) {
            (void)FormatValue(Value::Number(v), code);
        }
        (void)FormatValue(Value::Text("t"), code);
        (void)ClassifyFormat(code);
    }
}

TEST(NumberFormat, BuiltinCodes) {
    EXPECT_EQ(BuiltinFormatCode(0), "General");
    EXPECT_EQ(BuiltinFormatCode(2), "0.00");
    EXPECT_EQ(BuiltinFormatCode(14), "m/d/yyyy");
    EXPECT_EQ(BuiltinFormatCode(22), "m/d/yyyy h:mm");
    EXPECT_EQ(BuiltinFormatCode(30), "");
    EXPECT_EQ(BuiltinFormatCode(49), "@");
    EXPECT_EQ(BuiltinFormatCode(50), "");
    EXPECT_EQ(BuiltinFormatCode(-1), "");
    EXPECT_EQ(FormatValue(Value::Number(-1234.5), BuiltinFormatCode(8)), "($1,234.50)");
    // Id 47 is stored as "mmss.0" but shown as minutes and seconds.
    EXPECT_EQ(FormatValue(Value::Number(15.0 / 1440), BuiltinFormatCode(47)), "15:00.0");
    EXPECT_EQ(FormatValue(Value::Number(15.0 / 1440), "mmss.0"), "1500.0");
    // Locale ids show as dates and times here and keep their id in files.
    EXPECT_EQ(LocaleFormatCode(58), "m/d/yyyy");
    EXPECT_EQ(LocaleFormatCode(33), "h:mm:ss");
    EXPECT_EQ(LocaleFormatCode(7), BuiltinFormatCode(7));
    EXPECT_EQ(LocaleFormatCode(14), "");
}

TEST(NumberFormat, Classification) {
    const std::vector<std::pair<const char*, FormatClass>> cases{
        {"General", FormatClass::General},
        {"", FormatClass::General},
        {"0.00", FormatClass::Number},
        {"#,##0_);(#,##0)", FormatClass::Number},
        {"0%", FormatClass::Percent},
        {"0.00E+00", FormatClass::Scientific},
        {"# ?/?", FormatClass::Fraction},
        {"@", FormatClass::Text},
        {"m/d/yyyy", FormatClass::Date},
        {"d-mmm", FormatClass::Date},
        {"[$-409]mmmm yyyy;@", FormatClass::Date},
        {"h:mm AM/PM", FormatClass::Time},
        {"[h]:mm:ss", FormatClass::Time},
        {"mm:ss", FormatClass::Time},
        {"m/d/yyyy h:mm", FormatClass::DateTime},
        {"\"$\"#,##0.00", FormatClass::Currency},
        {"[$\xE2\x82\xAC-407]#,##0.00", FormatClass::Currency},
        {"_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)",
         FormatClass::Currency},
        {"_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)", FormatClass::Number},
        {"\"day\"0", FormatClass::Number},
        {"[Red]0.00", FormatClass::Number},
        {"[$USD] #,##0.00", FormatClass::Currency},
        {"[$-409]#,##0.00", FormatClass::Number},
    };
    for (const auto& [code, cls] : cases)
        EXPECT_EQ(ClassifyFormat(code), cls) << code;
}

}  // namespace
}  // namespace tabulon::spreadsheet
