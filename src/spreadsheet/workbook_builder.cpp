// Fills a Workbook from a reader's IWorkbookImport calls.
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "spreadsheet/string_pool.h"
#include "spreadsheet/workbook.h"

namespace tabulon::spreadsheet {

namespace {

// The pool id of each shared string table entry met so far.
class SharedStringIds {
  public:
    explicit SharedStringIds(StringPool& pool) : m_pool(pool) {}

    std::uint32_t Id(std::size_t index, const std::string& text) {
        if (index >= m_ids.size())
            m_ids.resize(index + 1, kNone);
        std::uint32_t& id = m_ids[index];
        if (id == kNone)
            id = m_pool.Intern(text);
        return id;
    }

  private:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    StringPool& m_pool;
    std::vector<std::uint32_t> m_ids;
};

class SheetBuilder final : public ISheetImport {
  public:
    SheetBuilder(Worksheet& sheet, SharedStringIds& shared) : m_sheet(sheet), m_shared(shared) {}
    // The reader is done with the sheet: drop the room kept for growth.
    ~SheetBuilder() override { m_sheet.Compact(); }

    void SetCell(CellRef cell, const Value& value, int style) override {
        if (!value.IsEmpty())
            m_sheet.SetValue(cell, value);
        if (style != 0)
            m_sheet.SetStyle(cell, style);
    }
    void SetNumber(CellRef cell, double number, int style) override {
        m_sheet.SetNumber(cell, number, style);
    }
    void SetSharedString(CellRef cell, std::size_t index, const Value& value, int style) override {
        if (!value.IsText()) {
            SetCell(cell, value, style);
            return;
        }
        m_sheet.SetPooledText(cell, m_shared.Id(index, value.AsText()));
        if (style != 0)
            m_sheet.SetStyle(cell, style);
    }
    void SetFormula(CellRef cell, std::string_view formula, const Value& cached,
                    int style) override {
        // A file without a cached result leaves the cell to be calculated.
        m_sheet.SetFormula(cell, formula, cached, cached.IsEmpty());
        if (style != 0)
            m_sheet.SetStyle(cell, style);
    }
    void SetArrayFormula(const RangeRef& range, std::string_view formula) override {
        m_sheet.AddArrayFormula(range, formula);
    }
    void SetDefaultColumnWidth(double width) override { m_sheet.SetDefaultColumnWidth(width); }
    void SetDefaultRowHeight(double height) override { m_sheet.SetDefaultRowHeight(height); }
    void SetBaseColumnWidth(int chars) override { m_sheet.SetBaseColumnWidth(chars); }
    void SetColumns(int firstCol, int lastCol, double width, bool customWidth, bool hidden,
                    int style) override {
        m_sheet.SetColumns(firstCol, lastCol, ColumnInfo{width, customWidth, hidden, style});
    }
    void SetRow(int row, double height, bool customHeight, bool hidden, int style) override {
        m_sheet.SetRow(row, RowInfoView{height, customHeight, hidden, style});
    }
    void AddMerge(const RangeRef& range) override {
        try {
            m_sheet.AddMerge(range);
        } catch (const std::invalid_argument&) {
            // An overlapping merge in a damaged file: the first one wins, as on opening.
        }
    }
    void SetAutoFilter(const RangeRef& range) override { m_sheet.SetAutoFilter(range); }
    void SetTextRuns(CellRef cell, const RichText& runs) override {
        m_sheet.SetTextRuns(cell, runs);
    }
    void AddHyperlink(const Hyperlink& link) override { m_sheet.AddHyperlink(link); }
    void AddNote(const Note& note) override { m_sheet.SetNote(note); }
    void KeepXml(std::shared_ptr<const KeptSheetXml> kept) override {
        m_sheet.SetKeptXml(std::move(kept));
    }

  private:
    Worksheet& m_sheet;
    SharedStringIds& m_shared;
};

class WorkbookBuilder final : public IWorkbookImport {
  public:
    explicit WorkbookBuilder(Workbook& book) : m_book(book), m_shared(book.Strings()) {}

    void SetDate1904(bool date1904) override { m_book.SetDate1904(date1904); }

    int AddSheet(std::string_view name, SheetKind kind, SheetState state) override {
        // A damaged file may repeat a name or use a forbidden one; such a sheet
        // is kept under a fresh name rather than lost.
        const bool usable = Workbook::CheckSheetName(name).empty() && m_book.FindSheet(name) < 0;
        Worksheet& sheet = m_book.AddSheet(usable ? name : FreshName(), kind);
        sheet.SetState(state);
        m_sheets.push_back(std::make_unique<SheetBuilder>(sheet, m_shared));
        return m_book.SheetCount() - 1;
    }

    ISheetImport& Sheet(int index) override {
        if (index < 0 || index >= static_cast<int>(m_sheets.size())) {
            throw std::out_of_range("no sheet " + std::to_string(index) + " was added");
        }
        return *m_sheets[static_cast<size_t>(index)];
    }

    void SetActiveSheet(int index) override {
        if (index >= 0 && index < m_book.SheetCount())
            m_book.SetActiveSheet(index);
    }

    int AddStyle(const CellStyle& style) override { return m_book.AddStyle(style); }
    void SetDefaultFont(const Font& font) override { m_book.SetDefaultFont(font); }

    void AddDefinedName(std::string_view name, std::string_view formula, int localSheet,
                        bool hidden) override {
        m_book.AddDefinedName({std::string(name), std::string(formula), localSheet, hidden});
    }

    void AddExternalBook(ExternalBook book) override {
        MergeExternalBook(m_book.External(book.name), book);
    }

  private:
    // Workbook::NextSheetName, without trying again the numbers taken already: sheets
    // are only added while reading, so the lowest free number never goes down.
    std::string FreshName() {
        for (;; ++m_freshNumber) {
            std::string name = "Sheet" + std::to_string(m_freshNumber);
            if (m_book.FindSheet(name) < 0)
                return name;
        }
    }

    Workbook& m_book;
    int m_freshNumber = 1;
    SharedStringIds m_shared;
    std::vector<std::unique_ptr<SheetBuilder>> m_sheets;
};

}  // namespace

std::unique_ptr<IWorkbookImport> MakeWorkbookBuilder(Workbook& workbook) {
    return std::make_unique<WorkbookBuilder>(workbook);
}

}  // namespace tabulon::spreadsheet
