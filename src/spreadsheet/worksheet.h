// One sheet of a workbook: its cells over the full grid, row and column
// properties, merged ranges and the auto filter. Chart, macro and dialog sheets
// are Worksheet objects too (Kind() tells) so sheet indexes stay true; only
// worksheets and macro sheets hold cells.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/address.h"
#include "spreadsheet/annotations.h"
#include "spreadsheet/cell.h"
#include "spreadsheet/import.h"
#include "spreadsheet/value.h"

namespace tabulon::spreadsheet {

class Workbook;

struct ColumnInfo {
    double width = -1;  // character units as stored in files; < 0: the sheet default
    bool customWidth = false;
    bool hidden = false;
    int style = 0;
    friend bool operator==(const ColumnInfo&, const ColumnInfo&) = default;
};

// Columns first..last sharing the same properties.
struct ColumnSpan {
    int first = 1;
    int last = 1;
    ColumnInfo info;
    friend bool operator==(const ColumnSpan&, const ColumnSpan&) = default;
};

struct RowInfoView {
    double height = -1;  // points; < 0: the sheet default
    bool customHeight = false;
    bool hidden = false;
    int style = 0;
    friend bool operator==(const RowInfoView&, const RowInfoView&) = default;
};

struct ArrayFormula {
    RangeRef range;
    std::string formula;
    friend bool operator==(const ArrayFormula&, const ArrayFormula&) = default;
};

// Width of a column when neither the column nor the sheet gives one.
constexpr double kStandardColumnWidth = 8.43;
constexpr double kStandardRowHeight = 15;

class Worksheet {
  public:
    // Made by Workbook; a sheet belongs to exactly one workbook.
    Worksheet(Workbook& owner, std::string name, SheetKind kind);
    ~Worksheet();
    Worksheet(const Worksheet&) = delete;
    Worksheet& operator=(const Worksheet&) = delete;

    Workbook& Owner();
    const Workbook& Owner() const;
    const std::string& Name() const;
    SheetKind Kind() const;
    SheetState State() const;
    void SetState(SheetState state);

    // --- Cells. Positions outside the grid throw std::out_of_range.
    // Nothing stored gives kind Empty, style 0.
    CellView Cell(CellRef cell) const;
    // The constant, or the cached result of a formula.
    Value GetValue(CellRef cell) const;
    // Replaces the content (and any formula), keeps the style. An Empty value
    // leaves a formatted blank, or nothing when the style is 0.
    void SetValue(CellRef cell, const Value& value);
    // SetValue of a finite number together with SetStyle (when `style` is not 0), in one
    // step: readers set most cells so.
    void SetNumber(CellRef cell, double number, int style);
    // SetValue for a text the workbook's string pool holds already (`id` from
    // Owner().Strings()): readers intern each shared string once.
    void SetPooledText(CellRef cell, std::uint32_t id);
    // `formula` is A1 text; a leading '=' is dropped. The cell is marked stale
    // unless told otherwise (a reader passing the file's cached result).
    void SetFormula(CellRef cell, std::string_view formula, const Value& cached = {},
                    bool stale = true);
    // Gives a formula cell another text that means the same (a reference spelled
    // otherwise), keeping its result and marks; ignored for other cells.
    void ReplaceFormulaText(CellRef cell, std::string_view formula);
    // Stores a calculated result in a formula cell and clears its stale mark;
    // ignored for other cells.
    void SetCachedValue(CellRef cell, const Value& value);
    // Marks a formula cell as one the engine cannot calculate where it stands: its
    // result is unknown, so it keeps none. Ignored for other cells.
    void SetUncalculable(CellRef cell);
    // Marks a formula cell for calculation (whatever it held before); without
    // `keepFileResult`, a result its file gave it no longer counts either.
    void MarkStale(CellRef cell, bool keepFileResult = true);
    void SetStyle(CellRef cell, int style);
    // The text the cell shows under its number format ("3/15/2023", "12.50%").
    std::string DisplayText(CellRef cell) const;
    void ClearContents(CellRef cell);  // keeps the style
    void Clear(CellRef cell);          // content and style
    void ClearRange(const RangeRef& range, bool keepStyles = false);
    std::size_t CellCount() const;  // stored cells, formatted blanks included
    // Releases memory kept for growth; worth it once a sheet is filled.
    void Compact();

    // Every stored cell inside `range` (formatted blanks included), in the
    // order asked. Cost follows the stored cells, not the size of the range.
    // The sheet must not be changed from inside `visit`.
    void ForEachCell(const RangeRef& range, IterationOrder order,
                     const std::function<void(const CellView&)>& visit) const;
    // Every row that has cells or properties, top to bottom, with its cells
    // left to right.
    void ForEachRow(const std::function<void(int row, const RowInfoView& props,
                                             const std::vector<CellView>& cells)>& visit) const;

    // How many formula cells the sheet holds; costs nothing.
    std::size_t FormulaCount() const;
    // The formula cells, row by row, left to right. A sheet without formulas costs
    // nothing; otherwise one pass over the stored cells, without making views.
    std::vector<CellRef> FormulaCells() const;

    // Whether `test` holds for the text of any formula cell, trying them in no
    // particular order (cheaper than a pass over the cells).
    bool AnyFormula(const std::function<bool(std::string_view formula)>& test) const;

    // The box around every cell holding a value (or a formula), or also every
    // cell with a non-default style; nullopt for an empty sheet. Kept up to
    // date as cells change; never scans the grid.
    std::optional<RangeRef> UsedExtent(bool includeFormats) const;

    // --- Columns and rows.
    double DefaultColumnWidth() const;  // < 0 when the file gave none
    void SetDefaultColumnWidth(double width);
    // The width in digits of the default font the file counts columns without
    // a width from (its padding added); < 0 when the file gave none.
    int BaseColumnWidth() const;
    void SetBaseColumnWidth(int chars);
    double DefaultRowHeight() const;  // < 0 when the file gave none
    void SetDefaultRowHeight(double height);
    ColumnInfo Column(int col) const;
    void SetColumns(int first, int last, const ColumnInfo& info);
    // Width shown for a column: its own, else the sheet default, else standard.
    double ColumnWidth(int col) const;
    void SetColumnWidth(int first, int last, double width);
    void SetColumnsHidden(int first, int last, bool hidden);
    // Spans with non-default properties, left to right.
    std::vector<ColumnSpan> ColumnSpans() const;

    RowInfoView Row(int row) const;
    void SetRow(int row, const RowInfoView& info);
    void SetRowHeight(int row, double height);
    void SetRowHidden(int row, bool hidden);

    // --- Merges, auto filter, array formulas.
    const std::vector<RangeRef>& Merges() const;
    // The merges that overlap `range`, in the order they were added; costs what
    // lies near the range rather than a pass over every merge.
    std::vector<RangeRef> MergesOverlapping(const RangeRef& range) const;
    // Throws std::invalid_argument when `range` overlaps a merge already there.
    void AddMerge(const RangeRef& range);
    // Removes every merge that overlaps `range`.
    void RemoveMerges(const RangeRef& range);
    std::optional<RangeRef> AutoFilter() const;
    void SetAutoFilter(std::optional<RangeRef> range);
    // Shows again the rows of the auto filter range hidden by it.
    void ShowAllData();
    const std::vector<ArrayFormula>& ArrayFormulas() const;
    void AddArrayFormula(const RangeRef& range, std::string_view formula);

    // --- Text runs, links and notes.
    // The runs of a text cell whose pieces carry fonts of their own; nullptr for
    // a plain text, and once the cell's text no longer is the runs' text.
    const RichText* TextRuns(CellRef cell) const;
    // Gives the text cell at `cell` these runs; empty runs make it plain again.
    void SetTextRuns(CellRef cell, RichText runs);
    // The cells given runs, row by row.
    std::vector<CellRef> CellsWithRuns() const;
    bool HasTextRuns() const;
    // Links in the order added.
    const std::vector<Hyperlink>& Hyperlinks() const;
    void AddHyperlink(Hyperlink link);
    // Removes the links lying wholly inside `range`.
    void RemoveHyperlinks(const RangeRef& range);
    // Notes row by row.
    std::vector<Note> Notes() const;
    bool HasNotes() const;
    const Note* FindNote(CellRef cell) const;
    // Adds a note, or replaces the note already on its cell.
    void SetNote(Note note);
    void RemoveNote(CellRef cell);

    // What of the sheet's file is carried without being modelled (views, page
    // setup, drawings...); nullptr when nothing. A copy of the sheet shares it.
    const std::shared_ptr<const KeptSheetXml>& KeptXml() const;
    void SetKeptXml(std::shared_ptr<const KeptSheetXml> kept);

    // The cell part of CopyCells from another sheet: writes the cells of
    // `source` on `from` moved by (dRows, dCols), their formulas moved too, as
    // `parts` (CopyParts) says, over a target CopyCells has already cleared.
    void PasteCells(const Worksheet& from, const RangeRef& source, int dRows, int dCols,
                    unsigned parts);

    // Copies everything of `source` (cells, formulas, styles, columns, rows,
    // merges, filter, state) into this empty sheet, which may belong to another
    // workbook (strings and styles are then mapped).
    void CopyContentFrom(const Worksheet& source);

  private:
    friend class Workbook;
    void SetName(std::string name);
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace tabulon::spreadsheet
