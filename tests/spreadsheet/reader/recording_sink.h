// An import sink for tests: records what a reader delivered and prints it as text.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "spreadsheet/import.h"
#include "spreadsheet/reader/workbook_reader.h"

namespace tabulon::spreadsheet::testing {

struct RecordedCell {
    Value value;  // the constant, or the cached result of a formula
    std::string formula;
    bool hasFormula = false;
    int style = 0;
};

class RecordingSheet : public ISheetImport {
  public:
    void SetCell(CellRef cell, const Value& value, int style) override;
    void SetFormula(CellRef cell, std::string_view formula, const Value& cached,
                    int style) override;
    void SetArrayFormula(const RangeRef& range, std::string_view formula) override;
    void SetDefaultColumnWidth(double width) override { defaultWidth = width; }
    void SetDefaultRowHeight(double height) override { defaultHeight = height; }
    void SetColumns(int firstCol, int lastCol, double width, bool customWidth, bool hidden,
                    int style) override;
    void SetRow(int row, double height, bool customHeight, bool hidden, int style) override;
    void AddMerge(const RangeRef& range) override { merges.push_back(range); }
    void SetAutoFilter(const RangeRef& range) override { autoFilter = FormatRangeRef(range); }
    void SetTextRuns(CellRef cell, const RichText& value) override {
        runs[{cell.row, cell.col}] = value;
    }
    void AddHyperlink(const Hyperlink& link) override { links.push_back(link); }
    void AddNote(const Note& note) override { notes.push_back(note); }
    void SetBaseColumnWidth(int chars) override { baseWidth = chars; }

    std::map<std::pair<int, int>, RecordedCell> cells;  // (row, col)
    std::vector<std::string> arrays;                    // "A1:B2 {formula}"
    std::vector<std::string> columns, rows;
    std::vector<RangeRef> merges;
    std::map<std::pair<int, int>, RichText> runs;
    std::vector<Hyperlink> links;
    std::vector<Note> notes;
    int baseWidth = -1;
    std::string autoFilter;
    double defaultWidth = -1, defaultHeight = -1;
    int duplicates = 0;  // cells delivered twice

    const RecordedCell* At(const std::string& a1) const;
};

class RecordingWorkbook : public IWorkbookImport {
  public:
    RecordingWorkbook() { styles.emplace_back(); }

    void SetDate1904(bool value) override { date1904 = value; }
    void SetDefaultFont(const Font& font) override { defaultFont = font; }
    int AddSheet(std::string_view name, SheetKind kind, SheetState state) override;
    ISheetImport& Sheet(int index) override {
        return sheets.at(static_cast<size_t>(index)).content;
    }
    void SetActiveSheet(int index) override { active = index; }
    int AddStyle(const CellStyle& style) override;
    void AddDefinedName(std::string_view name, std::string_view formula, int localSheet,
                        bool hidden) override;

    struct RecordedSheet {
        std::string name;
        SheetKind kind;
        SheetState state;
        RecordingSheet content;
    };
    std::vector<RecordedSheet> sheets;
    std::vector<CellStyle> styles;  // [0] is the default
    std::vector<std::string> names;
    bool date1904 = false;
    Font defaultFont;
    int active = -1;

    const RecordingSheet& ByName(const std::string& name) const;
    // One line per sheet and per cell: "Sheet1!B2\tn\t3.5\t0.00". Kinds: n number,
    // s text, b boolean, e error, f formula (its text after '='), blank formatted
    // blank. Numbers print with 17 significant digits.
    std::string CellDump() const;
};

// Reads `bytes` as the file `name`: the CellDump of the workbook, or the message
// of the ReadError.
std::string DumpOrRefusal(const std::string& bytes, const std::string& name,
                          const ReadOptions& options = {});

// Text value as used in dumps: tabs, newlines and backslashes escaped.
std::string EscapeForDump(const std::string& text);

}  // namespace tabulon::spreadsheet::testing
