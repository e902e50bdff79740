// Worksheet parts read through XmlScanner must give the very model expat gives:
// every corpus file is loaded both ways and the two workbooks compared cell by
// cell, or the two refusals compared word for word.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "spreadsheet/reader/sheet_context.h"
#include "spreadsheet/reader/workbook_reader.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/worksheet.h"
#include "zip_builder.h"

namespace tabulon::spreadsheet {
namespace {

namespace fs = std::filesystem;

// Everything a loaded workbook holds, as text; numbers in hexadecimal so that
// they compare exactly.
std::string Dump(const Workbook& book) {
    std::ostringstream out;
    out << "date1904 " << book.Date1904() << " active " << book.ActiveSheet() << "\n";
    for (int i = 0; i < book.StyleCount(); ++i)
        out << "style " << i << (book.Style(i) == CellStyle{} ? " default" : " set") << "\n";
    for (const DefinedName& n : book.DefinedNames())
        out << "name " << n.name << " " << n.formula << " " << n.localSheet << "\n";
    char number[64];
    for (int s = 0; s < book.SheetCount(); ++s) {
        const Worksheet& sheet = book.Sheet(s);
        out << "sheet " << sheet.Name() << " " << static_cast<int>(sheet.Kind()) << " "
            << static_cast<int>(sheet.State()) << " " << sheet.DefaultColumnWidth() << " "
            << sheet.DefaultRowHeight() << "\n";
        for (const ColumnSpan& span : sheet.ColumnSpans()) {
            out << "cols " << span.first << "-" << span.last << " " << span.info.width << " "
                << span.info.customWidth << span.info.hidden << " " << span.info.style << "\n";
        }
        sheet.ForEachRow(
            [&](int row, const RowInfoView& props, const std::vector<CellView>& cells) {
                out << "row " << row << " " << props.height << " " << props.customHeight
                    << props.hidden << " " << props.style << "\n";
                for (const CellView& c : cells) {
                    std::snprintf(number, sizeof number, "%a", c.number);
                    out << FormatCellRef(c.ref) << " " << static_cast<int>(c.kind) << " "
                        << static_cast<int>(c.valueKind) << " " << number << " "
                        << static_cast<int>(c.error) << " [" << c.text << "] [" << c.formula << "] "
                        << c.stale << " " << c.style << "\n";
                }
            });
        for (const RangeRef& m : sheet.Merges())
            out << "merge " << FormatRangeRef(m) << "\n";
        if (const auto filter = sheet.AutoFilter())
            out << "filter " << FormatRangeRef(*filter) << "\n";
        for (const ArrayFormula& a : sheet.ArrayFormulas())
            out << "array " << FormatRangeRef(a.range) << " " << a.formula << "\n";
    }
    return out.str();
}

std::string LoadAndDump(const void* data, std::size_t size, const std::string& name,
                        SheetParser parser) {
    UseSheetParser(parser);
    Workbook book;
    const auto builder = MakeWorkbookBuilder(book);
    try {
        ReadWorkbookMemory(data, size, name, *builder);
    } catch (const ReadError& e) {
        UseSheetParser(SheetParser::Scanner);
        return std::string("refused: ") + e.what();
    }
    UseSheetParser(SheetParser::Scanner);
    return Dump(book);
}

std::string LoadAndDump(const std::string& bytes, SheetParser parser) {
    return LoadAndDump(bytes.data(), bytes.size(), "book.xlsx", parser);
}

// Every file of the corpus is read or refused with a ReadError of one line that
// names it; none crashes or leaks (the sanitizers watch). Worksheet parts give the
// same workbook, or the same refusal, through the scanner and through expat.
TEST(SheetParserAgreement, EveryCorpusFileIsReadOrRefusedAlikeBothWays) {
    const fs::path root = TABULON_CORPUS_DIR;
    if (!fs::exists(root))
        GTEST_SKIP() << "corpus not present at " << TABULON_CORPUS_DIR;
    // Its parts are UTF-16, which the scanner leaves to expat.
    const std::string kUtf16Parts = "Pfand_from_windows_phone.xlsx";
    int compared = 0, refused = 0, rereadWhenRead = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string rel = entry.path().lexically_relative(root).string();
        if (!entry.is_regular_file() || rel == "MANIFEST.tsv" || rel == "README.md" ||
            rel.rfind("LICENSES", 0) == 0)
            continue;
        SCOPED_TRACE(rel);
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        const std::string name = entry.path().string();
        const std::string expat = LoadAndDump(bytes.data(), bytes.size(), name, SheetParser::Expat);
        const auto before = SheetParserCountsSoFar();
        const std::string scanned =
            LoadAndDump(bytes.data(), bytes.size(), name, SheetParser::Scanner);
        const auto after = SheetParserCountsSoFar();
        EXPECT_EQ(expat, scanned);
        ++compared;
        if (scanned.rfind("refused: ", 0) == 0) {
            ++refused;
            EXPECT_EQ(scanned.rfind("refused: " + name + ": ", 0), 0u) << scanned;
            EXPECT_EQ(scanned.find('\n'), std::string::npos) << scanned;
        } else {
            EXPECT_NE(scanned.find("\nsheet "), std::string::npos) << "read, but no sheets";
            if (after.reread != before.reread && entry.path().filename() != kUtf16Parts) {
                ++rereadWhenRead;
                std::printf("read again through expat: %s\n", rel.c_str());
            }
        }
    }
    std::printf("corpus: %d files, %d read, %d refused\n", compared, compared - refused, refused);
    // Real producers' UTF-8 parts are all within what the scanner takes on.
    EXPECT_EQ(rereadWhenRead, 0);
}

// The XML forms real producers use, each read both ways.
TEST(SheetParserAgreement, XmlFormsProducersWrite) {
    const char* const sheets[] = {
        // Prefixed main namespace, attributes in any order and quoting.
        "<x:worksheet xmlns:x='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<x:sheetData><x:row r='2'><x:c t=\"s\" s='0' r=\"B2\"><x:v>0</x:v></x:c>"
        "<x:c r='C2'><x:v>1.5e3</x:v></x:c></x:row></x:sheetData></x:worksheet>",
        // Strict namespace, references in text and attributes, CDATA, comments, PIs.
        "<?xml version='1.0' encoding='utf-8'?>\r\n<!-- made by hand -->"
        "<worksheet xmlns='http://purl.oclc.org/ooxml/spreadsheetml/main'><?app hint?>"
        "<sheetData><row r='1' ht='20.5' customHeight='1'><c r='A1' t='inlineStr'><is><t>"
        "a&amp;b &lt;&#10;&#x41;&#x1F600;<![CDATA[<raw> & ]]>\r\nend</t></is></c>"
        "<c r='B1' t='str'><f>&quot;x&quot;&amp;\"y\"</f><v>x&apos;y</v></c>"
        "<!-- between cells --><c r='C1' t='b'><v>1</v></c><c r='D1' t='e'><v>#N/A</v></c>"
        "</row></sheetData>"
        "<mergeCells count='1'><mergeCell ref='A3:B4'/></mergeCells></worksheet>",
        // Rich inline strings, unknown subtrees, other namespaces, missing r.
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main' "
        "xmlns:x14ac='http://schemas.microsoft.com/office/spreadsheetml/2009/9/ac'>"
        "<sheetPr><tabColor rgb='FF00FF00'/></sheetPr><sheetData>"
        "<row x14ac:dyDescent='0.25'><c t='inlineStr'><is><r><rPr><b/></rPr><t>bold</t></r>"
        "<r><t xml:space='preserve'> plain </t></r><rPh><t>ignored</t></rPh></is></c>"
        "<c><v>2</v><extLst><ext uri='{x}'><x14ac:foo><c><v>9</v></c></x14ac:foo></ext></extLst>"
        "</c><c/><c s='0'><f t='shared' ref='D1:D3' si='0'>A1+1</f><v>3</v></c></row>"
        "<row><c r='D2'><f t='shared' si='0'/><v>4</v></c>"
        "<c r='E2'><f t='array' ref='E2:E3'>SUM(A1:A2*2)</f><v>5</v></c></row>"
        "</sheetData><extLst><ext><x:y xmlns:x='urn:other'><sheetData/></x:y></ext></extLst>"
        "</worksheet>",
        // A default namespace changed inside the part and changed back.
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row r='1'><c r='A1'><v>1</v></c></row></sheetData>"
        "<other xmlns='urn:other'><mergeCells><mergeCell ref='A1:B1'/></mergeCells></other>"
        "<mergeCells><mergeCell ref='C1:D1'/></mergeCells></worksheet>",
        // Plain rows, as most producers write them, pretty-printed or not, then rows
        // with something unusual in the middle, then plain rows again.
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData>\n  <row r='1' spans='1:9' ht='30' customHeight='1'>\n"
        "    <c r='A1' t='s' s='0'><v>0</v></c><c r=\"B1\" t=\"str\"><f>\"x\"</f><v>x</v></c>"
        "<c\n r='C1'\tt='b' ><v >1</v ></c ><c r='D1' t='e'><v>#DIV/0!</v></c>"
        "<c r='E1' t='d'><v>2024-02-29T12:00:00</v></c><c r='F1' t='n'><v> 1.5E3 </v></c>"
        "<c r='G1' cm='1' vm='2'><v/></c><c r='H1' s='0'/><c r='I1'><f/><v>3</v></c></row>\n"
        "  <row r='2' hidden='1' customFormat='1' s='0'/><row>"
        "<c><f t='shared' ref='A3:C3' si='7' aca='0' ca='1'>ROW()+1</f><v>4</v></c>"
        "<c><f t='shared' si='7'/><v>4</v></c><c><v>a'b</v><f t=\"shared\" si='7'></f></c>"
        "<c r='D3'><f t='array' ref='D3:D4'>A1:A2*2</f><v>0</v></c>"
        "<c r='E3' t='s' attr='a\"b' other=\"c'd\"><v>0</v></c></row>"
        "<row r='5'><c r='A5'><f>A1&amp;\"&lt;\"</f><v>x</v></c></row>"
        "<row r='6'><c r='A6'><v>1</v></c><!-- c --><c r='B6'><v>2</v></c></row>"
        "<row r='7'><c r='A7'><v>1</v></c><c r='B7' t='inlineStr'><is><t>in</t></is></c></row>"
        "<row r='8' xmlns:q='urn:q' q:x='1'><c r='A8'><v>8</v></c></row>"
        "<row r='9'><c r='A9' t='str'><v>a\r\nb</v></c><c r='B9'><v><![CDATA[9]]></v></c>"
        "<c r='C9' a='x\ty'><v>9</v></c><c r='D9'><v>]</v></c></row>"
        "<row r='10'><c r='A10'><v>10</v></c><extLst/></row>"
        "<row r='11'><c r='A11'><v>11</v></c><c r='B11'><f>1</f><f>2</f></c></row>"
        "</sheetData></worksheet>",
    };
    for (const char* sheet : sheets) {
        SCOPED_TRACE(sheet);
        auto parts = testing::MinimalXlsxParts("", "<si><t>shared</t></si>");
        parts["xl/worksheets/sheet1.xml"] = sheet;
        const std::string bytes = testing::BuildPackage(parts);
        const auto before = SheetParserCountsSoFar();
        const std::string scanned = LoadAndDump(bytes, SheetParser::Scanner);
        EXPECT_EQ(SheetParserCountsSoFar().reread, before.reread) << "the scanner gave up";
        EXPECT_EQ(scanned.find("refused"), std::string::npos) << scanned;
        EXPECT_EQ(scanned, LoadAndDump(bytes, SheetParser::Expat));
    }
}

// What is not well-formed is refused with expat's words, file, part and line;
// a part the scanner refuses but expat reads loads in full, array formulas once.
TEST(SheetParserAgreement, RefusalsAndRereadsMatchExpat) {
    const char* const sheets[] = {
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row><c><v>1</v></row></sheetData></worksheet>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row><c><v>1&bogus;</v></c></row></sheetData></worksheet>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row><c><v>&#0;</v></c></row></sheetData></worksheet>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row><c r='A1' r='B1'/></row></sheetData></worksheet>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row><c r='A1\"/></row></sheetData></worksheet>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row><q:c/></row></sheetData></worksheet>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData/></worksheet><junk/>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row><c><v>\x01</v></c></row></sheetData></worksheet>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row><c><v>\xC3</v></c></row></sheetData></worksheet>",
        "<!DOCTYPE worksheet [<!ENTITY a 'aaaa'>]><worksheet/>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row><c><v>1</v></c></row><!-- a -- b --></sheetData></worksheet>",
        // Not UTF-8: the scanner passes the part to expat, which reads it.
        "<?xml version='1.0' encoding='ISO-8859-1'?>"
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row><c r='A1' t='inlineStr'><is><t>caf\xE9</t></is></c>"
        "<c r='B1'><f t='array' ref='B1'>1+1</f><v>2</v></c></row></sheetData></worksheet>",
        // Cut short.
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row><c r='A1'><v>1</v></c></row></sheetData",
        // Damage inside rows that are otherwise plain.
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row><c r='A1' x='1' x='2'><v>1</v></c></row></sheetData></worksheet>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row><c r='A1's='0'><v>1</v></c></row></sheetData></worksheet>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row r='1'><c r='A1'><v>1</f></c></row></sheetData></worksheet>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row r='1'><c r='A1'><v>1</v></c><row r='2'/></row></sheetData></worksheet>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row r='1'><c r='A1'><v>1</v></c></row r='2'></sheetData></worksheet>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row r='1'><c r='A1'><v>1</v></c></row><row r='0'/></sheetData></worksheet>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row r='1'><c r='A0'><v>1</v></c></row></sheetData></worksheet>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row r='1'><c r='A1' t='q'><v>1</v></c></row></sheetData></worksheet>",
        "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
        "<sheetData><row r='1'><c r='A1' t='s'><v>5</v></c></row></sheetData></worksheet>",
    };
    for (const char* sheet : sheets) {
        SCOPED_TRACE(sheet);
        auto parts = testing::MinimalXlsxParts("");
        parts["xl/worksheets/sheet1.xml"] = sheet;
        const std::string bytes = testing::BuildPackage(parts);
        const std::string scanned = LoadAndDump(bytes, SheetParser::Scanner);
        EXPECT_EQ(scanned, LoadAndDump(bytes, SheetParser::Expat));
        // All but the Latin-1 part are damaged: refused with file, part and line.
        if (std::string_view(sheet).find("ISO-8859-1") == std::string_view::npos) {
            EXPECT_EQ(scanned.rfind("refused: book.xlsx: xl/worksheets/sheet1.xml:1: ", 0), 0u)
                << scanned;
        } else {
            EXPECT_NE(scanned.find("[caf\xC3\xA9]"), std::string::npos) << scanned;
        }
    }
}

}  // namespace
}  // namespace tabulon::spreadsheet
