#include "spreadsheet/reader/sheet_context.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "platform/zip_archive.h"
#include "spreadsheet/reader/external_links.h"
#include "spreadsheet/reader/formula_shifter.h"
#include "spreadsheet/reader/read_control.h"
#include "spreadsheet/reader/read_error.h"
#include "spreadsheet/reader/serial_date.h"
#include "spreadsheet/reader/xml_values.h"

namespace tabulon::spreadsheet {
namespace {

#define SHEET_RULES(root)                                                     \
    {"", root}, {root, "sheetFormatPr"}, {root, "cols"}, {root, "sheetData"}, \
        {root, "mergeCells"}, {                                               \
        root, "autoFilter"                                                    \
    }

constexpr ElementRule kRules[] = {
    SHEET_RULES("worksheet"),
    SHEET_RULES("macrosheet"),
    {"cols", "col"},
    {"sheetData", "row"},
    {"row", "c"},
    {"row", "extLst"},
    {"c", "f"},
    {"c", "v"},
    {"c", "is"},
    {"c", "extLst"},
    {"is", "t"},
    {"is", "r"},
    {"r", "t"},
    {"mergeCells", "mergeCell"},
};

#undef SHEET_RULES

constexpr std::string_view kStrict[] = {"sheetData", "row", "c"};

// "B12" as most producers write it, without the general parser's work; any
// other form goes to ParseCellRef.
std::optional<CellRef> CellRefOf(std::string_view text) {
    std::size_t i = 0;
    int col = 0;
    while (i < text.size() && text[i] >= 'A' && text[i] <= 'Z' && i < 3)
        col = col * 26 + (text[i++] - 'A' + 1);
    const std::size_t digits = i;
    int row = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - digits < 7)
        row = row * 10 + (text[i++] - '0');
    if (i != text.size() || i == digits || digits == 0 || col > kMaxColumns || row < 1 ||
        row > kMaxRows) {
        return ParseCellRef(text);
    }
    return CellRef{row, col};
}

// A view of an attribute's value; data() is nullptr when it is absent.
std::string_view Attribute(const char* value) {
    return value ? std::string_view(value) : std::string_view();
}

std::atomic<SheetParser> g_parser{SheetParser::Scanner};
std::atomic<std::uint64_t> g_scanned{0};
std::atomic<std::uint64_t> g_reread{0};

// Passes everything on but the first `skip` array formulas: those reached the
// sheet already when a part is read a second time.
class SkipArrayFormulas final : public ISheetImport {
  public:
    SkipArrayFormulas(ISheetImport& sink, std::size_t skip) : m_sink(sink), m_skip(skip) {}

    void SetCell(CellRef cell, const Value& value, int style) override {
        m_sink.SetCell(cell, value, style);
    }
    void SetNumber(CellRef cell, double number, int style) override {
        m_sink.SetNumber(cell, number, style);
    }
    void SetFormula(CellRef cell, std::string_view formula, const Value& cached,
                    int style) override {
        m_sink.SetFormula(cell, formula, cached, style);
    }
    void SetArrayFormula(const RangeRef& range, std::string_view formula) override {
        if (m_skip > 0)
            --m_skip;
        else
            m_sink.SetArrayFormula(range, formula);
    }
    void SetDefaultColumnWidth(double width) override { m_sink.SetDefaultColumnWidth(width); }
    void SetDefaultRowHeight(double height) override { m_sink.SetDefaultRowHeight(height); }
    void SetBaseColumnWidth(int chars) override { m_sink.SetBaseColumnWidth(chars); }
    void SetColumns(int firstCol, int lastCol, double width, bool customWidth, bool hidden,
                    int style) override {
        m_sink.SetColumns(firstCol, lastCol, width, customWidth, hidden, style);
    }
    void SetRow(int row, double height, bool customHeight, bool hidden, int style) override {
        m_sink.SetRow(row, height, customHeight, hidden, style);
    }
    void AddMerge(const RangeRef& range) override { m_sink.AddMerge(range); }
    void SetAutoFilter(const RangeRef& range) override { m_sink.SetAutoFilter(range); }
    void SetTextRuns(CellRef cell, const RichText& runs) override {
        m_sink.SetTextRuns(cell, runs);
    }
    void AddHyperlink(const Hyperlink& link) override { m_sink.AddHyperlink(link); }
    void AddNote(const Note& note) override { m_sink.AddNote(note); }

  private:
    ISheetImport& m_sink;
    std::size_t m_skip;
};

}  // namespace

void UseSheetParser(SheetParser parser) {
    g_parser = parser;
}

SheetParser SheetParserInUse() {
    return g_parser;
}

void CountScannedPart(bool reread) {
    ++g_scanned;
    if (reread)
        ++g_reread;
}

SheetParserCounts SheetParserCountsSoFar() {
    return {g_scanned.load(), g_reread.load()};
}

void ReadSheetPart(platform::ZipArchive& zip, std::size_t entry, const std::string& fileName,
                   const std::string& partName, ISheetImport& sink,
                   const std::vector<Value>& strings, const std::vector<int>& styles, bool date1904,
                   const std::vector<std::string>& externalBooks,
                   const std::map<std::size_t, RichText>* sharedRuns,
                   const std::function<void(std::string_view xml)>& onWholeText) {
    // Each thread keeps its room for worksheet text from part to part, unless
    // a part was unusually big.
    thread_local std::string xml;
    struct Release {
        ~Release() {
            if (xml.capacity() > (std::size_t{64} << 20))
                std::string().swap(xml);
        }
    } release;
    const bool scan = g_parser == SheetParser::Scanner;
    // Big parts are scanned as they inflate: memory then follows the cells.
    const bool streamed = scan && zip.Entries()[entry].size > CurrentReadOptions().wholePartLimit;
    bool whole = scan && !streamed;
    if (whole) {
        try {
            zip.ReadAll(entry, xml);
        } catch (const std::exception&) {
            whole = false;  // the streaming read below reports it as it always has
        }
    }
    if (!whole && !streamed) {
        SheetContext(fileName, partName, sink, strings, styles, date1904, externalBooks, sharedRuns)
            .Parse(zip, entry);
        return;
    }
    std::size_t arraysSent = 0;
    {
        SheetContext context(fileName, partName, sink, strings, styles, date1904, externalBooks,
                             sharedRuns);
        try {
            if (streamed)
                context.ScanStream(zip, entry);
            else
                context.ScanText(xml);
            CountScannedPart(false);
            if (onWholeText && !streamed)
                onWholeText(xml);
            return;
        } catch (const ReadCanceled&) {
            throw;
        } catch (const ReadError&) {
            arraysSent = context.ArrayFormulasSent();
        }
    }
    // Cells read again replace their first reading; merges read again are
    // refused by the sheet as overlaps; only array formulas would double.
    CountScannedPart(true);
    SkipArrayFormulas filter(sink, arraysSent);
    SheetContext context(fileName, partName, filter, strings, styles, date1904, externalBooks,
                         sharedRuns);
    if (streamed) {
        context.Parse(zip, entry);
    } else {
        context.ParseText(xml);
        if (onWholeText)
            onWholeText(xml);
    }
}

SheetContext::SheetContext(std::string fileName, std::string partName, ISheetImport& sink,
                           const std::vector<Value>& strings, const std::vector<int>& styles,
                           bool date1904, const std::vector<std::string>& externalBooks,
                           const std::map<std::size_t, RichText>* sharedRuns)
    : XmlContext(std::move(fileName), std::move(partName), XmlVocabulary::SpreadsheetMl, kRules,
                 kStrict),
      m_sink(sink),
      m_strings(strings),
      m_styles(styles),
      m_externalBooks(externalBooks),
      m_sharedRuns(sharedRuns && !sharedRuns->empty() ? sharedRuns : nullptr),
      m_date1904(date1904) {}

int SheetContext::Style(const char* attr) const {
    return StyleOf(xml::ToInt(attr, 0));
}

int SheetContext::StyleOf(int xf) const {
    if (xf < 0 || static_cast<std::size_t>(xf) >= m_styles.size())
        return 0;
    return m_styles[static_cast<std::size_t>(xf)];
}

RangeRef SheetContext::Range(const char* text, const char* what) {
    const auto range = text ? ParseRangeRef(text) : std::nullopt;
    if (!range) {
        Fail(std::string("bad ") + what + " range '" + (text ? text : "") +
             "' (not a range of the grid)");
    }
    return *range;
}

void SheetContext::Start(std::string_view element, const platform::XmlAttributes& attrs) {
    if (element == "c") {
        StartCell(attrs);
    } else if (element == "v") {
        m_text = Text::Value;
        m_hasValue = true;
    } else if (element == "f") {
        StartFormula(attrs.Find("t"), attrs.Find("si"), attrs.Find("ref"));
    } else if (element == "is") {
        m_hasInline = true;
    } else if (element == "t") {
        m_text = Text::Inline;
    } else if (element == "row") {
        StartRow(attrs);
    } else if (element == "sheetData") {
        SetRawDepth(Depth());
    } else if (element == "col") {
        StartColumns(attrs);
    } else if (element == "sheetFormatPr") {
        if (const char* w = attrs.Find("defaultColWidth"))
            m_sink.SetDefaultColumnWidth(xml::ToDouble(w, 0));
        if (const char* h = attrs.Find("defaultRowHeight"))
            m_sink.SetDefaultRowHeight(xml::ToDouble(h, 0));
        if (const char* b = attrs.Find("baseColWidth"))
            m_sink.SetBaseColumnWidth(xml::ToInt(b, -1));
    } else if (element == "mergeCell") {
        m_sink.AddMerge(Range(attrs.Find("ref"), "merge"));
    } else if (element == "autoFilter") {
        if (const char* ref = attrs.Find("ref"))
            m_sink.SetAutoFilter(Range(ref, "auto filter"));
    }
}

void SheetContext::StartRow(const platform::XmlAttributes& attrs) {
    if (const char* r = attrs.Find("r")) {
        const int row = xml::ToInt(r, -1);
        if (row < 1 || row > kMaxRows) {
            Fail(std::string("row number ") + r + " is outside the grid (1 to " +
                 std::to_string(kMaxRows) + ")");
        }
        m_row = row;
    } else {
        if (m_row >= kMaxRows)
            Fail("more rows than the grid holds");
        ++m_row;
    }
    m_col = 0;
    const char* ht = attrs.Find("ht");
    const bool hidden = xml::ToBool(attrs.Find("hidden"), false);
    const bool customFormat = xml::ToBool(attrs.Find("customFormat"), false);
    if (ht || hidden || customFormat) {
        m_sink.SetRow(m_row, xml::ToDouble(ht, -1), xml::ToBool(attrs.Find("customHeight"), false),
                      hidden, customFormat ? Style(attrs.Find("s")) : 0);
    }
}

void SheetContext::StartCell(const platform::XmlAttributes& attrs) {
    // One pass for the three attributes a cell has.
    const char* r = nullptr;
    const char* t = nullptr;
    const char* s = nullptr;
    attrs.ForEach([&](std::string_view ns, std::string_view local, const char* value) {
        if (!ns.empty() || local.size() != 1)
            return;
        switch (local.front()) {
            case 'r':
                r = value;
                break;
            case 't':
                t = value;
                break;
            case 's':
                s = value;
                break;
            default:
                break;
        }
    });
    StartCell(Attribute(r), Attribute(t), Attribute(s));
}

void SheetContext::StartCell(std::string_view r, std::string_view t, std::string_view s) {
    if (r.data()) {
        const auto cell = CellRefOf(r);
        if (!cell) {
            Fail("bad cell reference '" + std::string(r) + "' (not a cell of the grid)");
        }
        m_cell = *cell;
    } else {
        if (m_col >= kMaxColumns)
            Fail("more cells in a row than the grid holds");
        m_cell = CellRef{m_row > 0 ? m_row : 1, m_col + 1};
    }
    m_col = m_cell.col;
    m_type = CellType::Number;
    if (t.data()) {
        const std::string_view type(t);
        if (type == "s")
            m_type = CellType::SharedString;
        else if (type == "str")
            m_type = CellType::FormulaString;
        else if (type == "inlineStr")
            m_type = CellType::InlineString;
        else if (type == "b")
            m_type = CellType::Boolean;
        else if (type == "e")
            m_type = CellType::Error;
        else if (type == "d")
            m_type = CellType::Date;
        else if (type != "n")
            Fail("cell " + FormatCellRef(m_cell) + " has unknown type '" + std::string(t) + "'");
    }
    m_xf = s.data() ? xml::ToInt(s, 0) : 0;
    m_value.clear();
    m_formula.clear();
    m_inline.clear();
    m_formulaRef.clear();
    m_formulaKind = FormulaKind::None;
    m_sharedIndex = -1;
    m_hasValue = false;
    m_hasInline = false;
    m_text = Text::None;
}

void SheetContext::StartFormula(const char* t, const char* si, const char* ref) {
    m_text = Text::Formula;
    m_formulaKind = FormulaKind::Normal;
    if (t) {
        if (std::strcmp(t, "shared") == 0)
            m_formulaKind = FormulaKind::Shared;
        if (std::strcmp(t, "array") == 0)
            m_formulaKind = FormulaKind::Array;
        if (std::strcmp(t, "dataTable") == 0)
            m_formulaKind = FormulaKind::DataTable;
    }
    m_sharedIndex = xml::ToInt(si, -1);
    if (ref)
        m_formulaRef = ref;
}

void SheetContext::StartColumns(const platform::XmlAttributes& attrs) {
    const int first = xml::ToInt(attrs.Find("min"), -1);
    int last = xml::ToInt(attrs.Find("max"), first);
    // Producers write max="16384" and beyond to mean "to the end".
    if (last > kMaxColumns)
        last = kMaxColumns;
    if (first < 1 || first > last)
        return;
    m_sink.SetColumns(first, last, xml::ToDouble(attrs.Find("width"), -1),
                      xml::ToBool(attrs.Find("customWidth"), false),
                      xml::ToBool(attrs.Find("hidden"), false), Style(attrs.Find("style")));
}

void SheetContext::Characters(std::string_view text) {
    switch (m_text) {
        case Text::Value:
            m_value.append(text);
            break;
        case Text::Formula:
            m_formula.append(text);
            break;
        case Text::Inline:
            m_inline.append(text);
            break;
        case Text::None:
            break;
    }
}

void SheetContext::End(std::string_view element) {
    if (element == "c") {
        EndCell();
    } else if (element == "sheetData") {
        SetRawDepth(0);
    } else if (element == "v" || element == "f" || element == "t") {
        m_text = Text::None;
    }
}

// Rows as plain as most are, read without the scanner's general work, each handled
// exactly as the scanner's tokens of it would be.
std::size_t SheetContext::ReadRaw(std::string_view text) {
    std::size_t done = 0;
    // Values are copied with a NUL after each; an offset stands for a pointer until all
    // are in place, and npos for an absent one.
    constexpr std::size_t kAbsent = std::string::npos;
    const auto keep = [this](std::string_view value) {
        if (!value.data())
            return kAbsent;
        const std::size_t at = m_rawValues.size();
        m_rawValues.append(value);
        m_rawValues.push_back('\0');
        return at;
    };
    const auto at = [this](std::size_t offset) {
        return offset == kAbsent ? nullptr : m_rawValues.c_str() + offset;
    };
    while (const std::size_t taken = TakeRowText(text.substr(done), m_rowText)) {
        Tick();
        m_rawValues.clear();
        m_rawAttributes.clear();
        std::size_t offsets[16];
        const std::size_t count = std::min(m_rowText.attributes.size(), std::size(offsets));
        if (count < m_rowText.attributes.size())
            break;  // the scanner's to read
        for (std::size_t i = 0; i < count; ++i)
            offsets[i] = keep(m_rowText.attributes[i].value);
        for (std::size_t i = 0; i < count; ++i)
            m_rawAttributes.push_back({{}, m_rowText.attributes[i].name, at(offsets[i])});
        StartRow(platform::XmlAttributes(m_rawAttributes.data(), m_rawAttributes.size()));
        for (const RowTextCell& cell : m_rowText.cells) {
            Tick();
            StartCell(cell.r, cell.t, cell.s);
            if (cell.hasFormula) {
                m_rawValues.clear();
                const std::size_t ft = keep(cell.formulaType), si = keep(cell.si),
                                  ref = keep(cell.ref);
                StartFormula(at(ft), at(si), at(ref));
                m_formula.assign(cell.formula);
            }
            if (cell.hasValue) {
                m_hasValue = true;
                m_value.assign(cell.value);
            }
            m_text = Text::None;
            EndCell();
        }
        done += taken;
    }
    return done;
}

const Value& SheetContext::CellValue() {
    m_scratch = ConvertValue();
    return m_type == CellType::SharedString && m_hasValue ? m_strings[SharedIndex()] : m_scratch;
}

std::size_t SheetContext::SharedIndex() const {
    const int index = xml::ToInt(m_value.c_str(), -1);
    if (index < 0 || static_cast<std::size_t>(index) >= m_strings.size()) {
        Fail("cell " + FormatCellRef(m_cell) + " refers to shared string '" + m_value +
             "', but the table holds " + std::to_string(m_strings.size()));
    }
    return static_cast<std::size_t>(index);
}

Value SheetContext::ConvertValue() {
    switch (m_type) {
        case CellType::SharedString:
            return {};  // served from the table by CellValue()
        case CellType::InlineString:
            if (!m_hasInline)
                return {};
            xml::DecodeEscapes(m_inline);
            return Value::Text(m_inline);
        case CellType::FormulaString:
            if (!m_hasValue)
                return {};
            xml::DecodeEscapes(m_value);
            return Value::Text(m_value);
        case CellType::Boolean:
            if (!m_hasValue || m_value.empty())
                return {};
            return Value::Boolean(xml::ToBool(m_value.c_str(), false));
        case CellType::Error:
            if (!m_hasValue)
                return {};
            if (const auto code = ParseErrorText(m_value))
                return Value::Error(*code);
            return Value::Text(m_value);
        case CellType::Date: {
            if (m_value.empty())
                return {};
            if (const auto serial = SerialFromIsoText(m_value, m_date1904))
                return Value::Number(*serial);
            return Value::Text(m_value);
        }
        case CellType::Number:
            break;
    }
    if (m_value.empty())
        return {};
    double number = 0;
    if (xml::ParseDouble(m_value, number) && std::isfinite(number))
        return Value::Number(number);
    // Not a number after all: keep what the file says rather than lose it.
    return Value::Text(m_value);
}

void SheetContext::EndCell() {
    // The common case first: a shared string constant.
    if (m_type == CellType::SharedString && m_hasValue && m_formulaKind == FormulaKind::None) {
        const std::size_t index = SharedIndex();
        m_sink.SetSharedString(m_cell, index, m_strings[index], StyleOf(m_xf));
        if (m_sharedRuns) {
            if (const auto runs = m_sharedRuns->find(index); runs != m_sharedRuns->end())
                m_sink.SetTextRuns(m_cell, runs->second);
        }
        return;
    }
    // Then a number constant.
    if (m_type == CellType::Number && m_formulaKind == FormulaKind::None && !m_value.empty()) {
        double number = 0;
        if (xml::ParseDouble(m_value, number) && std::isfinite(number)) {
            m_sink.SetNumber(m_cell, number, StyleOf(m_xf));
            return;
        }
    }
    const Value& value = CellValue();
    const int style = StyleOf(m_xf);
    const std::string* formula = nullptr;
    // Master formulas are named once; the cells that share them inherit the names.
    if (!m_externalBooks.empty() && m_formula.find('[') != std::string::npos)
        m_formula = NameExternalBooks(m_formula, m_externalBooks);
    switch (m_formulaKind) {
        case FormulaKind::None:
        case FormulaKind::DataTable:  // a what-if table keeps its stored results
            break;
        case FormulaKind::Normal:
            if (!m_formula.empty())
                formula = &m_formula;
            break;
        case FormulaKind::Array:
            if (!m_formula.empty()) {
                const RangeRef range = m_formulaRef.empty()
                                           ? RangeRef{m_cell, m_cell}
                                           : Range(m_formulaRef.c_str(), "array formula");
                m_sink.SetArrayFormula(range, m_formula);
                ++m_arraysSent;
                formula = &m_formula;
            }
            break;
        case FormulaKind::Shared:
            if (!m_formula.empty()) {
                // The master cell: keep its text for the cells that share it.
                if (m_sharedIndex >= 0)
                    m_shared[m_sharedIndex] = SharedFormula{m_cell, m_formula};
                formula = &m_formula;
            } else if (const auto it = m_shared.find(m_sharedIndex); it != m_shared.end()) {
                ShiftFormula(it->second.formula, m_cell.row - it->second.master.row,
                             m_cell.col - it->second.master.col, m_expanded);
                formula = &m_expanded;
            }
            break;
    }
    if (formula) {
        m_sink.SetFormula(m_cell, *formula, value, style);
    } else if (!value.IsEmpty() || m_xf != 0) {
        m_sink.SetCell(m_cell, value, style);
    }
}

}  // namespace tabulon::spreadsheet
