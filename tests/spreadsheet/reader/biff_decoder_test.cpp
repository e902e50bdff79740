// The BIFF decoders over small hand-built record streams: RK numbers, strings
// cut by CONTINUE records, formula tokens, cells and their formulas.
#include <gtest/gtest.h>

#include <cstring>

#include "recording_sink.h"
#include "spreadsheet/reader/biff_cells.h"
#include "spreadsheet/reader/biff_formula.h"
#include "spreadsheet/reader/biff_globals.h"
#include "spreadsheet/reader/read_error.h"
#include "spreadsheet/reader/xls_reader.h"

namespace tabulon::spreadsheet {
namespace {

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (const int b : bytes)
        s += static_cast<char>(b);
    return s;
}

std::string U16(unsigned v) {
    return Bytes({static_cast<int>(v & 0xFF), static_cast<int>(v >> 8)});
}

std::string F64(double d) {
    std::string s(8, '\0');
    std::memcpy(s.data(), &d, 8);
    return s;
}

std::string Rec(unsigned id, const std::string& body) {
    return U16(id) + U16(static_cast<unsigned>(body.size())) + body;
}

const std::string kBof8 = Rec(0x0809, U16(0x0600) + U16(0x0005) + std::string(12, '\0'));
const std::string kSheetBof8 = Rec(0x0809, U16(0x0600) + U16(0x0010) + std::string(12, '\0'));
const std::string kEof = Rec(0x000A, "");

TEST(BiffDecoder, RkNumbers) {
    const struct {
        std::uint32_t rk;
        double value;
    } cases[] = {
        {0x00000002, 0},       {0x00000006, 1},           {0xFFFFFFFE, -1},
        {0x3FF00000, 1.0},     {0x3FF00001, 0.01},        {0x00000007, 0.01},
        {0x00078903, 1234.56}, {0x405EC000, 123.0},       {0x405EC001, 1.23},
        {0xC0590000, -100.0},  {0x7FFFFFFE, 536870911.0}, {0x80000002, -536870912.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rk);
        EXPECT_DOUBLE_EQ(BiffRkValue(c.rk), c.value);
    }
}

TEST(BiffDecoder, SharedStringsAcrossContinueRecords) {
    // Three strings: "abc" compressed; "héllo" starting compressed and going on
    // 16-bit after a CONTINUE; a rich string with a phonetic block whose runs
    // and block are cut by a CONTINUE (no option byte there).
    std::string sst = std::string(4, '\0') + Bytes({3, 0, 0, 0});
    sst += U16(3) + Bytes({0}) + "abc";
    sst += U16(5) + Bytes({0}) + "h";
    const std::string cont1 = Bytes({1}) + U16(0xE9) + U16('l') + U16('l') + U16('o');
    std::string third = U16(2) + Bytes({0x0C}) + U16(1) + Bytes({4, 0, 0, 0}) + "ok" + U16(0) +
                        U16(0);                                       // run 1 of 2 halves
    const std::string cont2 = U16(0) + U16(0) + Bytes({9, 9, 9, 9});  // rest of the run, phonetic
    const std::string stream =
        kBof8 + Rec(0x00FC, sst) + Rec(0x003C, cont1 + third) + Rec(0x003C, cont2) + kEof;
    BiffText text(true);
    const BiffGlobals g = ReadBiffGlobals(stream, text);
    ASSERT_EQ(g.sst.size(), 3u);
    EXPECT_EQ(g.sst[0], "abc");
    EXPECT_EQ(g.sst[1], "h\xC3\xA9llo");
    EXPECT_EQ(g.sst[2], "ok");
}

TEST(BiffDecoder, DamagedGlobalsNameTheirRecord) {
    BiffText text(true);
    const std::string shortFont = kBof8 + Rec(0x0031, U16(200)) + kEof;
    try {
        ReadBiffGlobals(shortFont, text);
        ADD_FAILURE();
    } catch (const BiffDamage& e) {
        EXPECT_EQ(std::string(e.what()),
                  "record 0x0031 at offset 20: record too short: 2 more bytes needed at 2 of 2");
    }
    const std::string cut = kBof8 + U16(0x0031) + U16(40) + "xx";
    EXPECT_THROW(ReadBiffGlobals(cut, text), BiffDamage);
}

struct FormulaCase {
    const char* name;
    std::string tokens;
    std::string extra;
    const char* text;
};

BiffFormulaContext Context(BiffText& text) {
    BiffFormulaContext context;
    context.text = &text;
    context.sheetPrefix = [](int ixti, int, int) -> std::string {
        return ixti == 0 ? "Sheet2!" : ixti == 1 ? "'My sheet'!" : "";
    };
    context.name = [](unsigned index) -> std::string {
        if (index != 1)
            throw BiffDamage("no such name");
        return "Rate";
    };
    context.externName = [](int, unsigned index) -> std::string {
        return index == 1 ? "_xlfn.IFERROR" : "EDATE";
    };
    return context;
}

std::string Ref(unsigned row, unsigned col, bool rowRel, bool colRel) {
    return U16(row) + U16(col | (rowRel ? 0x8000 : 0) | (colRel ? 0x4000 : 0));
}

// What ReadBiffCells needs besides the stream; Read delivers the sheet as
// sheet "S" of a recorded workbook.
struct SheetInput {
    BiffText text{true};
    std::vector<Value> sst;
    std::size_t budget = 1 << 20;

    testing::RecordingWorkbook Read(const std::string& stream,
                                    const BiffGlobals* globals = nullptr) {
        const BiffFormulaContext context = Context(text);
        const std::vector<int> styles;
        const std::string file = "t.xls";
        const BiffSheetSource source{stream, globals,  &sst,  &styles,
                                     &text,  &context, &file, &budget};
        testing::RecordingWorkbook book;
        book.AddSheet("S", SheetKind::Worksheet, SheetState::Visible);
        ReadBiffCells(source, 0, book.sheets[0].content);
        return book;
    }
};

TEST(BiffDecoder, FormulaTokensBiff8) {
    const std::string a1 = Bytes({0x24}) + Ref(0, 0, true, true);
    const std::string b2abs = Bytes({0x24}) + Ref(1, 1, false, false);
    const std::string two = Bytes({0x1E}) + U16(2);
    const FormulaCase cases[] = {
        {"add", a1 + two + Bytes({0x03}), "", "A1+2"},
        {"precedence kept by paren tokens", a1 + two + Bytes({0x03, 0x15}) + b2abs + Bytes({0x05}),
         "", "(A1+2)*$B$2"},
        {"unary and percent", a1 + Bytes({0x13, 0x14}), "", "-A1%"},
        {"compare and concat", a1 + Bytes({0x17, 2, 0}) + "x\"" + Bytes({0x08}), "",
         "A1&\"x\"\"\""},
        {"number, bool, error",
         Bytes({0x1F}) + F64(1.5) + Bytes({0x1D, 1, 0x1C, 0x07, 0x22, 3}) + U16(6), "",
         "MIN(1.5,TRUE,#DIV/0!)"},
        {"area and mixed refs", Bytes({0x25}) + U16(0) + U16(9) + U16(0 | 0x4000) + U16(2 | 0x8000),
         "", "A$1:$C10"},
        {"whole columns", Bytes({0x25}) + U16(0) + U16(0xFFFF) + U16(1) + U16(1), "", "$B:$B"},
        {"fixed-argument function", a1 + Bytes({0x21}) + U16(24), "", "ABS(A1)"},
        {"tAttr SUM and IF skips",
         a1 + Bytes({0x19, 0x10}) + U16(0) + Bytes({0x19, 0x02}) + U16(7) + two +
             Bytes({0x19, 0x08}) + U16(3) + Bytes({0x1E}) + U16(3) + Bytes({0x19, 0x08}) + U16(3) +
             Bytes({0x42, 3}) + U16(1),
         "", "IF(SUM(A1),2,3)"},
        {"CHOOSE jump table",
         two + Bytes({0x19, 0x04}) + U16(1) + U16(4) + U16(8) + a1 + Bytes({0x42, 2}) + U16(100),
         "", "CHOOSE(2,A1)"},
        {"spaces",
         a1 + Bytes({0x19, 0x40}) + U16(0x0100) + two + Bytes({0x19, 0x40}) + U16(0x0200) +
             Bytes({0x03}),
         "", "A1  + 2"},
        {"3-D references",
         Bytes({0x3A}) + U16(0) + Ref(4, 3, true, true) + Bytes({0x3B}) + U16(1) + U16(0) + U16(1) +
             U16(0) + U16(0) + Bytes({0x10}),
         "", "Sheet2!D5,'My sheet'!$A$1:$A$2"},
        {"deleted sheet", Bytes({0x3A}) + U16(7) + Ref(0, 0, true, true), "", "#REF!"},
        {"names and add-ins",
         Bytes({0x23}) + U16(1) + U16(0) + Bytes({0x39}) + U16(0) + U16(1) + U16(0) + a1 +
             Bytes({0x42, 2}) + U16(255) + Bytes({0x04}),
         "", "Rate-_xlfn.IFERROR(A1)"},
        {"array constant", Bytes({0x60}) + std::string(7, '\0'),
         Bytes({1}) + U16(1) + Bytes({1}) + F64(1) + Bytes({2}) + U16(1) + Bytes({0}) + "a" +
             Bytes({4, 1, 0, 0, 0, 0, 0, 0, 0}) + Bytes({16, 42, 0, 0, 0, 0, 0, 0, 0}),
         "{1,\"a\";TRUE,#N/A}"},
        {"reference errors",
         Bytes({0x2A}) + U16(0) + U16(0) + Bytes({0x2B}) + std::string(8, 'x') + Bytes({0x03}), "",
         "#REF!+#REF!"},
    };
    BiffText text(true);
    const BiffFormulaContext context = Context(text);
    for (const FormulaCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeBiffFormula(c.tokens, c.extra, 0, 0, context), c.text);
    }
}

TEST(BiffDecoder, RelativeTokensOfSharedFormulas) {
    BiffText text8(true), text5(false);
    const BiffFormulaContext c8 = Context(text8), c5 = Context(text5);
    // One row up and one column left of the cell, wrapping as 16- and 8-bit offsets.
    const std::string refN = Bytes({0x2C}) + U16(0xFFFF) + U16(0xFF | 0xC000);
    EXPECT_EQ(DecodeBiffFormula(refN, "", 4, 2, c8), "B4");
    const std::string areaN =
        Bytes({0x2D}) + U16(0) + U16(2) + U16(0 | 0xC000) + U16(0);  // then an absolute corner
    EXPECT_EQ(DecodeBiffFormula(areaN, "", 9, 3, c8), "D10:$A$3");
    // BIFF5: flags in the row, 8-bit columns; offsets of 14 bits.
    const std::string refN5 = Bytes({0x2C}) + U16(0x3FFE | 0xC000) + Bytes({1});
    EXPECT_EQ(DecodeBiffFormula(refN5, "", 4, 2, c5), "D3");
    const std::string ref5 = Bytes({0x44}) + U16(6 | 0x4000) + Bytes({2});
    EXPECT_EQ(DecodeBiffFormula(ref5, "", 0, 0, c5), "C$7");
    const std::string str5 = Bytes({0x17, 3}) + "abc";
    EXPECT_EQ(DecodeBiffFormula(str5, "", 0, 0, c5), "\"abc\"");
}

TEST(BiffDecoder, UnreadableTokensAreRefused) {
    BiffText text(true);
    const BiffFormulaContext context = Context(text);
    const char* cases[] = {
        "\x24\x00", "\x03",    "\x21\xFF\x7F", "\x1E\x01\x00\x1E\x01\x00", "\x23\x05\x00\x00\x00",
        "\x18\x01", "\x1C\x63"};
    for (const char* tokens : cases) {
        SCOPED_TRACE(tokens);
        EXPECT_THROW(
            DecodeBiffFormula(std::string_view(tokens, std::strlen(tokens) + 0), "", 0, 0, context),
            BiffDamage);
    }
}

TEST(BiffDecoder, CellsAndTheirFormulas) {
    // A sheet with every cell record: NUMBER, RK, MULRK, LABELSST, LABEL, BOOLERR,
    // BLANK, MULBLANK, a FORMULA with a string result (STRING record), a shared
    // formula over B5:B6, an array formula, a table cell and a cell outside any
    // anchor; then an embedded chart substream that must be skipped.
    auto cell = [](unsigned row, unsigned col, unsigned xf) {
        return U16(row) + U16(col) + U16(xf);
    };
    auto formula = [&](unsigned row, unsigned col, const std::string& result,
                       const std::string& tokens) {
        return Rec(0x0006, cell(row, col, 0) + result + U16(0) + std::string(4, '\0') +
                               U16(static_cast<unsigned>(tokens.size())) + tokens);
    };
    const std::string stringResult = Bytes({0, 0, 0, 0, 0, 0, 0xFF, 0xFF});
    const std::string boolResult = Bytes({1, 0, 1, 0, 0, 0, 0xFF, 0xFF});
    const std::string a1 = Bytes({0x24}) + Ref(0, 0, true, true);
    const std::string sharedTokens = Bytes({0x2C}) + U16(0) + U16(0xFF | 0xC000) + Bytes({0x1E}) +
                                     U16(1) + Bytes({0x03});  // left neighbour + 1
    std::string s = kSheetBof8;
    s += Rec(0x0203, cell(0, 0, 0) + F64(2.5));
    s += Rec(0x027E, cell(0, 1, 0) + Bytes({0x06, 0, 0, 0}));
    s += Rec(0x00BD, U16(1) + U16(0) + U16(0) + Bytes({0x0A, 0, 0, 0}) + U16(0) +
                         Bytes({0x0E, 0, 0, 0}) + U16(1));
    s += Rec(0x00FD, cell(2, 0, 0) + Bytes({1, 0, 0, 0}));
    s += Rec(0x0204, cell(2, 1, 0) + U16(2) + Bytes({0}) + "hi");
    s += Rec(0x0205, cell(2, 2, 0) + Bytes({1, 0})) + Rec(0x0205, cell(2, 3, 0) + Bytes({0x2A, 1}));
    s += Rec(0x0201, cell(3, 0, 0)) + Rec(0x00BE, U16(3) + U16(1) + U16(0) + U16(0) + U16(2));
    s += formula(3, 3, stringResult, a1 + Bytes({0x17, 1, 0}) + "x" + Bytes({0x08}));
    s += Rec(0x0207, U16(3) + Bytes({0}) + "2.5");
    s += formula(4, 1, F64(4), Bytes({0x01}) + U16(4) + U16(1));
    s += Rec(0x04BC, U16(4) + U16(5) + Bytes({1, 1, 0, 2}) +
                         U16(static_cast<unsigned>(sharedTokens.size())) + sharedTokens);
    s += formula(5, 1, F64(5), Bytes({0x01}) + U16(4) + U16(1));
    s += formula(6, 0, boolResult, Bytes({0x01}) + U16(6) + U16(0));
    s += Rec(0x0221, U16(6) + U16(7) + Bytes({0, 0}) + U16(0) + std::string(4, '\0') + U16(5) + a1);
    s += formula(7, 0, boolResult, Bytes({0x01}) + U16(6) + U16(0));
    s += formula(8, 0, F64(7), Bytes({0x02}) + U16(8) + U16(0));
    s += formula(9, 0, F64(8), Bytes({0x01}) + U16(30) + U16(0));
    s += Rec(0x0809, U16(0x0600) + U16(0x0020) + std::string(12, '\0')) +
         Rec(0x0203, cell(20, 0, 0) + F64(1)) + kEof;
    s += kEof + Rec(0x0203, cell(30, 0, 0) + F64(1));

    SheetInput input;
    input.sst = {Value::Text("zero"), Value::Text("one")};
    const testing::RecordingWorkbook book = input.Read(s);
    EXPECT_EQ(book.CellDump(),
              "sheet\tS\n"
              "S!A1\tn\t2.5\tGeneral\n"
              "S!B1\tn\t1\tGeneral\n"
              "S!A2\tn\t2\tGeneral\n"
              "S!B2\tn\t3\tGeneral\n"
              "S!A3\ts\tone\tGeneral\n"
              "S!B3\ts\thi\tGeneral\n"
              "S!C3\tb\t1\tGeneral\n"
              "S!D3\te\t#N/A\tGeneral\n"
              "S!A4\tblank\t\tGeneral\n"
              "S!B4\tblank\t\tGeneral\n"
              "S!C4\tblank\t\tGeneral\n"
              "S!D4\tf\tA1&\"x\"\tGeneral\n"
              "S!B5\tf\tA5+1\tGeneral\n"
              "S!B6\tf\tA6+1\tGeneral\n"
              "S!A7\tf\tA1\tGeneral\n"
              "S!A8\tb\t1\tGeneral\n"
              "S!A9\tn\t7\tGeneral\n"
              "S!A10\tn\t8\tGeneral\n");
    const auto& sheet = book.sheets[0].content;
    EXPECT_EQ(sheet.At("D4")->value, Value::Text("2.5"));
    EXPECT_EQ(sheet.At("B6")->value, Value::Number(5));
    EXPECT_EQ(sheet.At("A7")->value, Value::Boolean(true));
    ASSERT_EQ(book.sheets[0].content.arrays.size(), 1u);
    EXPECT_EQ(book.sheets[0].content.arrays[0], "A7:A8 {A1}");
}

TEST(BiffDecoder, SheetLayoutRecords) {
    // ROW 3 hidden with a custom height of 30 pt; ROW 4 plain; COLINFO B:IV
    // width 12.5 custom; COLINFO with first > last (skipped); MERGEDCELLS with
    // one good range and one beyond the grid; STANDARDWIDTH 9; DEFCOLWIDTH 8;
    // then a ROW after the EOF that belongs to no sheet.
    static const char kBytes[] =
        "\x08\x02\x10\x00\x02\x00\x00\x00\x01\x00\x58\x02\x00\x00\x00\x00\x60\x00\x0F\x00"
        "\x08\x02\x10\x00\x03\x00\x00\x00\x01\x00\xFF\x80\x00\x00\x00\x00\x00\x00\x0F\x00"
        "\x7D\x00\x0C\x00\x01\x00\x00\x01\x80\x0C\x0F\x00\x02\x00\x00\x00"
        "\x7D\x00\x0C\x00\x05\x00\x04\x00\x00\x01\x0F\x00\x01\x00\x00\x00"
        "\xE5\x00\x12\x00\x02\x00\x00\x00\x01\x00\x00\x00\x02\x00"
        "\x00\x00\x01\x00\x00\x00\xFF\xFF"
        "\x99\x00\x02\x00\x00\x09"
        "\x55\x00\x02\x00\x08\x00";
    const std::string stream = kSheetBof8 + std::string(kBytes, sizeof kBytes - 1) + kEof +
                               Rec(0x0208, U16(7) + std::string(14, '\0'));
    const auto book = SheetInput().Read(stream);
    const testing::RecordingSheet& sheet = book.sheets[0].content;
    ASSERT_EQ(sheet.rows.size(), 1u);
    EXPECT_EQ(sheet.rows[0], "3 height=30 custom hidden style=0");
    ASSERT_EQ(sheet.columns.size(), 1u);
    EXPECT_EQ(sheet.columns[0], "B:IV width=12.5 custom style=0");
    ASSERT_EQ(sheet.merges.size(), 1u);
    EXPECT_EQ(sheet.merges[0], (RangeRef{{1, 1}, {2, 3}}));
    EXPECT_EQ(sheet.defaultWidth, 9);
    EXPECT_EQ(sheet.baseWidth, 8);
}

std::string Utf16(const std::string& ascii, bool counted) {
    std::string out;
    if (counted) {
        const auto n = static_cast<unsigned>(ascii.size() + 1);
        out = U16(n) + U16(0);
    }
    for (const char c : ascii)
        out += std::string{c, '\0'};
    return out + std::string(2, '\0');
}

// Links (URL and place inside the workbook, with a tooltip), a note with its
// text in OBJ and TXO records, and the runs of a rich string.
TEST(BiffDecoder, LinksNotesAndRichText) {
    auto font = [](const std::string& name, bool bold) {
        return Rec(0x0031, U16(200) + U16(0) + U16(0x7FFF) + U16(bold ? 700 : 400) + U16(0) +
                               Bytes({0, 0, 0, 0}) + Bytes({static_cast<int>(name.size()), 0}) +
                               name);
    };
    SheetInput input;
    const BiffGlobals globals =
        ReadBiffGlobals(kBof8 + font("Arial", false) + font("Arial", true) + kEof, input.text);
    const std::string urlMoniker = Bytes({0xE0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11, 0x8C,
                                          0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B});
    const std::string url = Utf16("http://example.com/", false);
    const std::string head =
        U16(0) + U16(0) + U16(0) + U16(1) + std::string(16, '\0') + U16(2) + U16(0);
    std::string s = kSheetBof8;
    s += Rec(0x01B8, head + U16(0x17) + U16(0) + Utf16("Site", true) + urlMoniker +
                         U16(static_cast<unsigned>(url.size())) + U16(0) + url);
    s += Rec(0x0800, U16(0x0800) + std::string(8, '\0') + Utf16("Go there", false));
    s += Rec(0x01B8, U16(2) + U16(2) + U16(0) + U16(0) + std::string(16, '\0') + U16(2) + U16(0) +
                         U16(0x08) + U16(0) + Utf16("Sheet2!A1", true));
    s += Rec(0x005D, U16(0x15) + U16(18) + U16(0x19) + U16(7) + std::string(14, '\0'));
    s += Rec(0x01B6, U16(0x0212) + std::string(8, '\0') + U16(5) + U16(24) + std::string(6, '\0'));
    s += Rec(0x003C, Bytes({0}) + "Hello");
    s += Rec(0x003C, U16(0) + U16(0) + std::string(4, '\0') + U16(2) + U16(1) +
                         std::string(4, '\0') + U16(5) + U16(0) + std::string(4, '\0'));
    s += Rec(0x00D6, U16(4) + U16(0) + U16(0) + U16(6) + Bytes({0}) + "abcdef" + U16(2) + U16(0) +
                         U16(0) + U16(3) + U16(1));
    s += Rec(0x001C, U16(3) + U16(1) + U16(2) + U16(7) + U16(3) + Bytes({0}) + "Ann");
    s += kEof;
    const testing::RecordingWorkbook book = input.Read(s, &globals);
    const auto& sheet = book.sheets[0].content;
    ASSERT_EQ(sheet.links.size(), 2u);
    EXPECT_EQ(sheet.links[0].range, (RangeRef{{1, 1}, {1, 2}}));
    EXPECT_EQ(sheet.links[0].target, "http://example.com/");
    EXPECT_EQ(sheet.links[0].display, "Site");
    EXPECT_EQ(sheet.links[0].tooltip, "Go there");
    EXPECT_EQ(sheet.links[1].location, "Sheet2!A1");
    EXPECT_EQ(sheet.links[1].range, (RangeRef{{3, 1}, {3, 1}}));
    ASSERT_EQ(sheet.notes.size(), 1u);
    EXPECT_EQ(sheet.notes[0].cell, (CellRef{4, 2}));
    EXPECT_EQ(sheet.notes[0].author, "Ann");
    EXPECT_TRUE(sheet.notes[0].visible);
    ASSERT_EQ(sheet.notes[0].text.size(), 2u);
    EXPECT_EQ(sheet.notes[0].text[0].text, "He");
    EXPECT_EQ(sheet.notes[0].text[1].text, "llo");
    ASSERT_TRUE(sheet.notes[0].text[1].font);
    EXPECT_TRUE(sheet.notes[0].text[1].font->bold);
    ASSERT_EQ(sheet.runs.count({5, 1}), 1u);
    const RichText& runs = sheet.runs.at({5, 1});
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, "abc");
    EXPECT_EQ(runs[1].text, "def");
    EXPECT_FALSE(runs[0].font->bold);
    EXPECT_TRUE(runs[1].font->bold);
}

// A worksheet file of Excel 2: a workbook of one sheet, with the cell records,
// formats, fonts, cell attributes and formulas of its version. (The Excel 3 and 4
// files of the corpus, and its BIFF5 worksheet stream holding Excel 2 cells,
// are compared with LibreOffice's reading in xls_xlsx_agreement_test.cpp: cells,
// formulas, formats, fonts, fills, borders and alignment.)
TEST(BiffDecoder, WorksheetFilesOfExcel2) {
    auto attributes = [](int xf, int fontAndFormat, int align) {
        return Bytes({xf, fontAndFormat, align});
    };
    auto cell2 = [&](unsigned row, unsigned col, const std::string& attr) {
        return U16(row) + U16(col) + attr;
    };
    const std::string plain = attributes(0, 0, 0);
    // Font 1 bold, format 1 "0.00", centred with a left border.
    const std::string styled = attributes(0x40, 0x41, 0x0A);
    // 5 + SIN(A1): tInt, tRef, tFunc with a one-byte index, tAdd.
    const std::string sinTokens = Bytes({0x1E, 5, 0, 0x44, 0, 0xC0, 0, 0x41, 15, 0x03});
    std::string biff2 = Rec(0x0009, U16(7) + U16(0x10));
    biff2 += Rec(0x0031, U16(200) + U16(0) + Bytes({5}) + "Arial") + Rec(0x0045, U16(0x7FFF));
    biff2 += Rec(0x0031, U16(240) + U16(1) + Bytes({5}) + "Arial") + Rec(0x0045, U16(2));
    biff2 += Rec(0x001E, Bytes({7}) + "General") + Rec(0x001E, Bytes({4}) + "0.00");
    biff2 += Rec(0x0025, U16(0x8000 | 300)) + Rec(0x0024, Bytes({1, 2}) + U16(20 * 256));
    biff2 += Rec(0x0008, U16(1) + U16(0) + U16(3) + U16(400) + U16(0) + Bytes({0}) + U16(0));
    biff2 += Rec(0x0002, cell2(0, 0, plain) + U16(7));
    biff2 += Rec(0x0003, cell2(0, 1, styled) + F64(2.5));
    biff2 += Rec(0x0004, cell2(1, 0, plain) + Bytes({2}) + "hi");
    biff2 += Rec(0x0005, cell2(1, 1, plain) + Bytes({1, 0}));
    biff2 += Rec(0x0001, cell2(1, 2, styled));
    biff2 += Rec(0x0006, cell2(2, 0, plain) + F64(5.66) + Bytes({0, 10}) + sinTokens);
    biff2 += Rec(0x0006, cell2(2, 1, plain) + Bytes({0, 0, 0, 0, 0, 0, 0xFF, 0xFF}) +
                             Bytes({0, 4, 0x17, 2}) + "ab");
    biff2 += Rec(0x0007, Bytes({2}) + "ab") + kEof;
    testing::RecordingWorkbook book2;
    ReadXlsStream(biff2, "", "f.xls", book2);
    EXPECT_EQ(book2.CellDump(),
              "sheet\tSheet1\n"
              "Sheet1!A1\tn\t7\tGeneral\n"
              "Sheet1!B1\tn\t2.5\t0.00\n"
              "Sheet1!A2\ts\thi\tGeneral\n"
              "Sheet1!B2\tb\t1\tGeneral\n"
              "Sheet1!C2\tblank\t\t0.00\n"
              "Sheet1!A3\tf\t5+SIN(A1)\tGeneral\n"
              "Sheet1!B3\tf\t\"ab\"\tGeneral\n");
    const CellStyle& bold = book2.styles.at(book2.sheets[0].content.At("B1")->style);
    EXPECT_TRUE(bold.font.bold);
    EXPECT_EQ(bold.font.size, 12);
    EXPECT_EQ(bold.font.color.argb, 0xFFFF0000u);
    EXPECT_EQ(bold.alignment.horizontal, "center");
    EXPECT_EQ(bold.border.left.style, "thin");
    EXPECT_EQ(bold.border.right.style, "");
    EXPECT_EQ(book2.sheets[0].content.At("B3")->value, Value::Text("ab"));
    const auto& layout = book2.sheets[0].content;
    EXPECT_EQ(layout.defaultHeight, 15);
    ASSERT_EQ(layout.rows.size(), 1u);
    EXPECT_EQ(layout.rows[0], "2 height=20 custom style=0");
    ASSERT_EQ(layout.columns.size(), 1u);
    EXPECT_EQ(layout.columns[0], "B:C width=20 custom style=0");

    // Damage is named with its record, at its place in the file.
    const struct {
        std::string stream, message;
    } damaged[] = {
        {Rec(0x0009, U16(7) + U16(0x10)) + Rec(0x0003, U16(0) + U16(0)),
         "record 0x0003 at offset 8: record too short: 3 more bytes needed at 4 of 4"},
        {Rec(0x0209, U16(0) + U16(0x10) + U16(0)) +
             Rec(0x0204, cell2(0, 0, U16(15)) + U16(9) + "a"),
         "record 0x0204 at offset 10: record too short: 17 bytes needed, 9 there"},
    };
    for (const auto& [stream, message] : damaged) {
        testing::RecordingWorkbook sink;
        try {
            ReadXlsStream(stream + kEof, "", "f.xls", sink);
            ADD_FAILURE() << message;
        } catch (const ReadError& e) {
            EXPECT_EQ(std::string(e.what()), "f.xls: damaged worksheet stream: " + message);
        }
    }
}

// Hostile streams that would make the work grow far beyond the file: sheets
// listed twice at one offset, and shared formulas spelled out for cells
// without end. Both are refused.
TEST(BiffDecoder, WorkBeyondTheFileIsRefused) {
    const std::string number = Rec(0x0203, U16(0) + U16(0) + U16(0) + F64(1));
    const std::string sheet = kSheetBof8 + number + kEof;
    auto boundSheet = [](std::size_t offset, const std::string& name) {
        std::string body;
        for (int i = 0; i < 4; ++i)
            body += static_cast<char>((offset >> (8 * i)) & 0xFF);
        return Rec(0x0085, body + Bytes({0, 0, static_cast<int>(name.size()), 0}) + name);
    };
    const std::size_t globalsSize = kBof8.size() + 2 * boundSheet(0, "A").size() + kEof.size();
    const std::string twice =
        kBof8 + boundSheet(globalsSize, "A") + boundSheet(globalsSize, "B") + kEof + sheet;
    testing::RecordingWorkbook book;
    try {
        ReadXlsStream(twice, "Workbook", "twice.xls", book);
        ADD_FAILURE() << "read a workbook whose sheets share their records";
    } catch (const ReadError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "twice.xls: Workbook: damaged workbook stream: sheet \"B\" starts at offset " +
                      std::to_string(globalsSize) + ", inside another sheet");
    }

    const std::string tokens = Bytes({0x2C}) + U16(0) + U16(0xFF | 0xC000);
    std::string shared = kSheetBof8;
    auto formula = [](unsigned row) {
        return Rec(0x0006, U16(row) + U16(1) + U16(0) + F64(0) + U16(0) + std::string(4, '\0') +
                               U16(5) + Bytes({0x01}) + U16(0) + U16(1));
    };
    shared += formula(0) + Rec(0x04BC, U16(0) + U16(999) + Bytes({1, 1, 0, 0}) + U16(5) + tokens);
    for (unsigned row = 1; row < 40; ++row)
        shared += formula(row);
    shared += kEof;
    SheetInput input;
    input.budget = 100;  // bytes of tokens and text: about ten cells' worth
    EXPECT_THROW(input.Read(shared), BiffDamage);
    input.budget = 1000;
    const testing::RecordingWorkbook enough = input.Read(shared);
    EXPECT_EQ(enough.sheets[0].content.At("B40")->formula, "A40");
}

}  // namespace
}  // namespace tabulon::spreadsheet
