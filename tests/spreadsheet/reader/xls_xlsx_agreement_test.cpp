// Every .xls of the corpus that LibreOffice opens reads like the same workbook
// saved as .xlsx by LibreOffice: LibreOffice converts each one, both files are
// read with our readers and compared cell by cell (values and types, formula
// texts, number formats, fonts, fills, borders, alignment) and sheet by sheet (column
// widths, row heights, hidden rows and columns, merged ranges).
//
// What LibreOffice cannot hold or rewrites throughout is compared the way both
// readings can express it: a cell in its workbook's default font shows the
// default font of the .xls (LibreOffice puts a font of its own in place of
// the default font of files that have none, and of Excel 3 and 4 files); a text constant of no
// characters compares equal to an empty cell (LibreOffice drops such cells);
// numbers compare to 13 significant digits (LibreOffice recalculates some
// formulas, with other rounding in the last bits); the inner edges of a merged
// range are not drawn, so their borders are not compared, nor the borders of
// ranges LibreOffice merged on its own; chart sheets are
// not compared (LibreOffice makes a worksheet of the chart's data).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "integration/corpus_files.h"
#include "recording_sink.h"
#include "spreadsheet/reader/workbook_reader.h"

namespace tabulon::spreadsheet {
namespace {

namespace fs = std::filesystem;

// Differences where the two readings rightly disagree, with their reasons: by
// "file|sheet!cell|aspect", or by "file|aspect" for every cell of a file.
const std::map<std::string, std::string> kKnownDifferences = {
    {"exceldatareader/as3xls_BIFF2.xls|sheet name",
     "an Excel 2 worksheet file has one sheet without a name: LibreOffice names it after the "
     "file, we call it Sheet1 as LibreOffice does for Excel 3 and 4 files"},
    {"sheetjs/crlf/CRLFX5_2.XLS|sheet name", "the unnamed sheet of an Excel 2 worksheet file"},
    {"poi/testEXCEL_4.xls|Sheet1|merges",
     "LibreOffice has no centring across a selection: it merges the cells instead (J5:L5 ...); "
     "the file has no merged cells"},
    {"phpspreadsheet/Reader/XLS/maccentraleurope.biff5.xls|sheet name",
     "code page 10029 (Mac Central European): LibreOffice decodes it as Windows-1250 and shows "
     "\"€rkusz1\" for \"Ärkusz1\""},
    {"phpspreadsheet/Reader/XLS/maccentraleurope.biff5.xls|value",
     "same code page: LibreOffice shows \"üadownoæ\" for the Polish \"Ładowność\""},
    {"poi/chinese-provinces.xls|font",
     "LibreOffice substitutes a CJK font for Arial in cells of Chinese text"},
    {"sheetjs/artifacts/quattro/write_57.xls|A!A2|value",
     "Quattro Pro cached the result of TRUE() as the number 1; LibreOffice recalculates it"},
    {"sheetjs/artifacts/quattro/write_57.xls|A!B2|value",
     "Quattro Pro cached the result of FALSE() as the number 0; LibreOffice recalculates it"},
    {"sheetjs/wps/fn.xls|Sheet1!C2|formula",
     "EVALUATE is a macro-sheet function LibreOffice does not know"},
    {"sheetjs/wps/fn.xls|Sheet1!C2|value", "EVALUATE: LibreOffice shows #NAME?"},
    {"sheetjs/wps/fn.xls|Sheet1!C3|value", "EVALUATE: LibreOffice shows #NAME?"},
    {"xlrd/invalid_formula.xls|Sheet1!A1|value",
     "an array formula naming a name with a broken reference: the file caches #REF!, "
     "LibreOffice recalculates it to #VALUE!"},
    {"calamine/ptgexp-truncated-operand.xls|Tab 1!A24|value",
     "CELL(\"filename\") cached with its author's path; LibreOffice recalculates it"},
};

bool Known(const std::string& file, const std::string& id, const std::string& aspect) {
    return kKnownDifferences.count(id) || kKnownDifferences.count(file + "|" + aspect);
}

bool HaveLibreOffice() {
    return std::system("command -v soffice > /dev/null 2>&1") == 0;
}

// The corpus files that are .xls by content, with their manifest format.
std::map<std::string, std::string> CorpusXls() {
    std::map<std::string, std::string> files;
    for (const auto& file : ::tabulon::testing::ListCorpus()) {
        if (file.format.rfind("xls (", 0) == 0 || file.format.rfind("xls BIFF", 0) == 0)
            files[file.name] = file.format;
    }
    return files;
}

std::string ColorText(const Color& c) {
    switch (c.kind) {
        case Color::Kind::Rgb: {
            char text[16];
            std::snprintf(text, sizeof text, "%06X", c.argb & 0xFFFFFF);
            return text;
        }
        case Color::Kind::Indexed:
            return "indexed " + std::to_string(c.index);
        case Color::Kind::Theme:
            return "theme " + std::to_string(c.index);
        default:
            return "auto";
    }
}

// Automatic and black are the same colour on screen.
std::string FontColor(const Color& c) {
    const std::string text = ColorText(c);
    return text == "000000" ? "auto" : text;
}

std::string ValueText(const Value& v) {
    switch (v.Kind()) {
        case ValueKind::Empty:
            return "empty";
        case ValueKind::Number: {
            char text[40];
            std::snprintf(text, sizeof text, "n %.17g", v.AsNumber());
            return text;
        }
        case ValueKind::Text:
            return v.AsText().empty() ? "empty" : "s " + v.AsText();
        case ValueKind::Boolean:
            return v.AsBoolean() ? "b TRUE" : "b FALSE";
        case ValueKind::Error:
            return "e " + std::string(ErrorText(v.AsError()));
    }
    return "?";
}

// LibreOffice rewrites format codes without changing what they show: it adds
// the locale ("[$-409]"), quotes and escapes literal characters its own way
// and changes letter case. Those spellings compare equal.
std::string CanonicalFormat(const std::string& code) {
    std::string out;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (code.compare(i, 3, "[$-") == 0 && code.find(']', i) != std::string::npos) {
            const std::size_t end = code.find(']', i);
            if (end - i <= 8) {
                i = end;
                continue;
            }
        }
        if (c == '\\' || c == '"')
            continue;
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string BorderText(const Border& b) {
    std::string text;
    for (const BorderSide* side : {&b.left, &b.right, &b.top, &b.bottom})
        text += (side->style.empty() ? "-" : side->style + " " + FontColor(side->color)) + ";";
    return text;
}

// The aspects compared, each as text.
// The border of the cell at `at` without the edges inside a merged range.
Border Outline(Border border, std::pair<int, int> at, const std::vector<RangeRef>& merges) {
    const auto [row, col] = at;
    for (const RangeRef& m : merges) {
        if (row < m.first.row || row > m.last.row || col < m.first.col || col > m.last.col)
            continue;
        if (col > m.first.col)
            border.left = {};
        if (col < m.last.col)
            border.right = {};
        if (row > m.first.row)
            border.top = {};
        if (row < m.last.row)
            border.bottom = {};
    }
    return border;
}

bool Inside(std::pair<int, int> at, const std::vector<RangeRef>& ranges) {
    for (const RangeRef& m : ranges)
        if (at.first >= m.first.row && at.first <= m.last.row && at.second >= m.first.col &&
            at.second <= m.last.col)
            return true;
    return false;
}

// Numbers that differ in their last bits only: LibreOffice recalculates
// some formulas, with other rounding.
bool SameNumber(const std::string& one, const std::string& two) {
    if (one.rfind("n ", 0) != 0 || two.rfind("n ", 0) != 0)
        return false;
    const double a = std::stod(one.substr(2)), b = std::stod(two.substr(2));
    return std::abs(a - b) <= 1e-13 * std::max(std::abs(a), std::abs(b));
}

// `defaultFont` is the default font of the .xls: a cell in its workbook's
// default font is described with it in both readings.
std::map<std::string, std::string> Aspects(const testing::RecordedCell& cell,
                                           const testing::RecordingWorkbook& book,
                                           std::pair<int, int> at,
                                           const std::vector<RangeRef>& merges,
                                           const Font& defaultFont) {
    const CellStyle& s = book.styles.at(static_cast<std::size_t>(cell.style));
    std::map<std::string, std::string> a;
    a["value"] = ValueText(cell.value);
    if (cell.hasFormula)
        a["formula"] = cell.formula;
    a["format"] = CanonicalFormat(s.numberFormat);
    const Font& f = s.font == book.defaultFont ? defaultFont : s.font;
    std::ostringstream font;
    font << f.name << " " << f.size << (f.bold ? " bold" : "") << (f.italic ? " italic" : "")
         << (f.strike ? " strike" : "") << " u" << f.underline << " " << FontColor(f.color);
    a["font"] = font.str();
    a["fill"] = s.fill.pattern.empty() ? "none"
                : s.fill.pattern == "solid"
                    ? "solid " + ColorText(s.fill.fg)
                    : s.fill.pattern + " " + ColorText(s.fill.fg) + " " + ColorText(s.fill.bg);
    a["border"] = BorderText(Outline(s.border, at, merges));
    const Alignment& al = s.alignment;
    std::ostringstream alignment;
    // LibreOffice has no centring across a selection: it centres the cells. It
    // wraps the text of a cell whose text holds a line break.
    const bool lineBreak =
        cell.value.Kind() == ValueKind::Text && cell.value.AsText().find('\n') != std::string::npos;
    alignment << (al.horizontal == "general"            ? ""
                  : al.horizontal == "centerContinuous" ? "center"
                                                        : al.horizontal)
              << "/" << (al.vertical == "bottom" ? "" : al.vertical)
              << (al.wrap || lineBreak ? " wrap" : "") << " indent " << al.indent << " rotation "
              << al.rotation << (al.shrink ? " shrink" : "");
    a["alignment"] = alignment.str();
    return a;
}

struct Tally {
    long compared = 0, equal = 0;
    long explained = 0;  // differing in listed ways only
    std::vector<std::string> differences, listed;
};

struct Layout {
    std::map<int, double> widths, heights;  // explicit ones
    std::set<int> customRows, customColumns;
    std::set<int> hiddenRows, hiddenColumns;
    std::set<std::string> merges;
    double defaultWidth = -1, defaultHeight = -1;
};

Layout LayoutOf(const testing::RecordingSheet& sheet) {
    Layout layout;
    layout.defaultWidth = sheet.defaultWidth;
    layout.defaultHeight = sheet.defaultHeight;
    for (const std::string& line : sheet.rows) {
        int row = 0;
        double height = -1;
        std::sscanf(line.c_str(), "%d height=%lf", &row, &height);
        if (height >= 0)
            layout.heights[row] = height;
        if (line.find(" custom") != std::string::npos)
            layout.customRows.insert(row);
        if (line.find(" hidden") != std::string::npos)
            layout.hiddenRows.insert(row);
    }
    for (const std::string& line : sheet.columns) {
        const std::size_t colon = line.find(':'), space = line.find(' ');
        const int first = ColumnFromLetters(line.substr(0, colon));
        const int last = ColumnFromLetters(line.substr(colon + 1, space - colon - 1));
        double width = -1;
        std::sscanf(line.c_str() + space, " width=%lf", &width);
        for (int c = first; c <= last && c <= 256; ++c) {
            if (width >= 0)
                layout.widths[c] = width;
            if (line.find(" custom") != std::string::npos)
                layout.customColumns.insert(c);
            if (line.find(" hidden") != std::string::npos)
                layout.hiddenColumns.insert(c);
        }
    }
    for (const RangeRef& merge : sheet.merges)
        layout.merges.insert(FormatRangeRef(merge));
    return layout;
}

// Widths and heights in the units the files store, compared to what the
// writers round them to.
void CompareLayout(const std::string& where, const testing::RecordingSheet& xlsSheet,
                   const testing::RecordingSheet& xlsxSheet, Tally& tally) {
    const Layout a = LayoutOf(xlsSheet), b = LayoutOf(xlsxSheet);
    auto check = [&](const std::string& what, const std::string& one, const std::string& two) {
        ++tally.compared;
        const std::string id = where + "|" + what;
        if (one == two) {
            ++tally.equal;
            return;
        }
        if (kKnownDifferences.count(id)) {
            ++tally.explained;
            tally.listed.push_back(id + ": xls [" + one + "] xlsx [" + two + "]");
            return;
        }
        tally.differences.push_back(id + ": xls [" + one + "] xlsx [" + two + "]");
    };
    auto join = [](const auto& set) {
        std::ostringstream out;
        for (const auto& item : set)
            out << item << " ";
        return out.str();
    };
    check("merges", join(a.merges), join(b.merges));
    check("hidden rows", join(a.hiddenRows), join(b.hiddenRows));
    check("hidden columns", join(a.hiddenColumns), join(b.hiddenColumns));
    // Heights and widths the user set. The others are the application's own
    // fit to its fonts, which LibreOffice computes afresh with other fonts.
    std::set<int> rows = a.customRows, cols = a.customColumns;
    rows.insert(b.customRows.begin(), b.customRows.end());
    cols.insert(b.customColumns.begin(), b.customColumns.end());
    auto effective = [](const std::map<int, double>& explicitOnes, int at, double fallback) {
        const auto it = explicitOnes.find(at);
        return it != explicitOnes.end() ? it->second : fallback;
    };
    for (const int row : rows) {
        const double one =
            effective(a.heights, row, a.defaultHeight >= 0 ? a.defaultHeight : 12.75);
        const double two =
            effective(b.heights, row, b.defaultHeight >= 0 ? b.defaultHeight : 12.75);
        check("row " + std::to_string(row) + " height", std::to_string(one),
              std::abs(one - two) < 0.06 ? std::to_string(one) : std::to_string(two));
    }
    for (const int col : cols) {
        const double one = effective(a.widths, col, a.defaultWidth >= 0 ? a.defaultWidth : 8.43);
        const double two = effective(b.widths, col, b.defaultWidth >= 0 ? b.defaultWidth : 8.43);
        check("column " + ColumnLetters(col) + " width", std::to_string(one),
              std::abs(one - two) < 0.02 ? std::to_string(one) : std::to_string(two));
    }
}

void CompareCells(const std::string& file, const testing::RecordingWorkbook& xls,
                  const testing::RecordingWorkbook& xlsx, Tally& tally) {
    for (const auto& sheet : xls.sheets) {
        if (sheet.kind == SheetKind::Chartsheet)
            continue;
        const testing::RecordingSheet* other = nullptr;
        for (const auto& s : xlsx.sheets)
            if (s.name == sheet.name)
                other = &s.content;
        const std::size_t at = static_cast<std::size_t>(&sheet - xls.sheets.data());
        if (!other && at < xlsx.sheets.size() && xls.sheets.size() == xlsx.sheets.size()) {
            // Renamed on the way (code page): compared at the same place.
            other = &xlsx.sheets[at].content;
            const std::string id = file + "|" + sheet.name + "|sheet name";
            if (!Known(file, id, "sheet name"))
                tally.differences.push_back(id + ": xlsx [" + xlsx.sheets[at].name + "]");
        }
        if (!other) {
            if (sheet.kind == SheetKind::Worksheet)
                tally.differences.push_back(file + "|" + sheet.name + "|sheet missing");
            continue;
        }
        CompareLayout(file + "|" + sheet.name, sheet.content, *other, tally);
        std::set<std::pair<int, int>> keys;
        for (const auto& [key, cell] : sheet.content.cells)
            keys.insert(key);
        for (const auto& [key, cell] : other->cells)
            keys.insert(key);
        // A cell without a record shows the workbook's default format: XF 15 of
        // an .xls, the first cell format of an .xlsx.
        testing::RecordedCell blankXls, blankXlsx;
        blankXls.style = xls.styles.size() > 16 ? 16 : 0;
        blankXlsx.style = xlsx.styles.size() > 1 ? 1 : 0;
        // Merged in both readings: only the outline of the range is drawn.
        // Merged by LibreOffice alone (it merges what the file centres across
        // a selection): the range shows one border around it that LibreOffice
        // puts together from its cells, which are not compared for borders.
        std::vector<RangeRef> merges, mergedByLibreOffice;
        for (const RangeRef& m : other->merges) {
            const auto& ours = sheet.content.merges;
            (std::find(ours.begin(), ours.end(), m) != ours.end() ? merges : mergedByLibreOffice)
                .push_back(m);
        }
        for (const auto& key : keys) {
            const auto a = sheet.content.cells.find(key);
            const auto b = other->cells.find(key);
            auto one = Aspects(a != sheet.content.cells.end() ? a->second : blankXls, xls, key,
                               merges, xls.defaultFont);
            auto two = Aspects(b != other->cells.end() ? b->second : blankXlsx, xlsx, key, merges,
                               xls.defaultFont);
            if (!one.count("formula") || !two.count("formula")) {
                one.erase("formula");
                two.erase("formula");
            }
            if (Inside(key, mergedByLibreOffice)) {
                one.erase("border");
                two.erase("border");
            }
            if (SameNumber(one["value"], two["value"]))
                two["value"] = one["value"];
            ++tally.compared;
            bool same = true, listed = true;
            for (const auto& [aspect, text] : one) {
                if (two[aspect] == text)
                    continue;
                same = false;
                const std::string id = file + "|" + sheet.name + "!" +
                                       FormatCellRef({key.first, key.second}) + "|" + aspect;
                if (Known(file, id, aspect)) {
                    tally.listed.push_back(id + ": xls [" + text + "] xlsx [" + two[aspect] + "]");
                    continue;
                }
                listed = false;
                tally.differences.push_back(id + ": xls [" + text + "] xlsx [" + two[aspect] + "]");
            }
            tally.equal += same;
            tally.explained += !same && listed;
        }
    }
}

TEST(XlsXlsxAgreement, CorpusXlsReadsLikeItsXlsxConversion) {
    if (!HaveLibreOffice())
        GTEST_SKIP() << "soffice is not installed";
    const auto names = CorpusXls();
    if (names.empty())
        GTEST_SKIP() << "corpus not found";
    const fs::path work = fs::temp_directory_path() / ("tabulon-xls-" + std::to_string(getpid()));
    fs::remove_all(work);
    fs::create_directories(work / "in");
    std::map<std::string, std::string> flat;  // flat name -> corpus name
    for (const auto& [name, format] : names) {
        std::string f = name;
        for (char& c : f)
            if (c == '/')
                c = '_';
        f = f.substr(0, f.rfind('.')) + ".xls";
        flat[f] = name;
        fs::create_symlink(fs::path(TABULON_CORPUS_DIR) / name, work / "in" / f);
    }
    const std::string command =
        "cd '" + (work / "in").string() + "' && soffice -env:UserInstallation=file://" +
        (work / "profile").string() + " --headless --convert-to xlsx --outdir '" +
        (work / "out").string() + "' *.xls > '" + (work / "convert.log").string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    Tally tally;
    int readable = 0, refused = 0;
    for (const auto& [f, name] : flat) {
        const fs::path converted = work / "out" / (f.substr(0, f.size() - 4) + ".xlsx");
        testing::RecordingWorkbook xls;
        std::string refusal;
        try {
            ReadWorkbookFile(std::string(TABULON_CORPUS_DIR) + "/" + name, xls);
        } catch (const ReadError& e) {
            refusal = e.what();
        }
        // A damaged file may be refused, whatever LibreOffice makes of it (it
        // imports a picture or a text file as a sheet of text); one we read
        // must agree with LibreOffice's reading.
        const bool malformed = names.at(name).find("MALFORMED") != std::string::npos;
        if (malformed && !refusal.empty()) {
            ++refused;
            continue;
        }
        if (!fs::exists(converted)) {
            EXPECT_FALSE(refusal.empty()) << name << " is read but should be refused";
            ++refused;
            continue;
        }
        EXPECT_TRUE(refusal.empty()) << name << ": LibreOffice opens it, we refuse: " << refusal;
        if (!refusal.empty())
            continue;
        testing::RecordingWorkbook xlsx;
        ReadWorkbookFile(converted.string(), xlsx);
        ++readable;
        CompareCells(name, xls, xlsx, tally);
    }
    const double share = tally.compared ? 100.0 * tally.equal / tally.compared : 100;
    std::cout << readable << " .xls read, " << refused << " refused; " << tally.equal << " of "
              << tally.compared << " cells and layout items equal (" << share << " %), "
              << tally.explained << " differ for the listed reasons\n";
    for (const std::string& d : tally.listed)
        std::cout << "  listed: " << d << "\n";
    for (const std::string& d : tally.differences)
        std::cout << "  " << d << "\n";
    EXPECT_TRUE(tally.differences.empty()) << "differences without a listed reason";
    EXPECT_GE(share, 99.9);
    fs::remove_all(work);
}

}  // namespace
}  // namespace tabulon::spreadsheet
