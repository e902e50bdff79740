// What a file reader hands over while it reads a workbook. Readers only call
// these interfaces and never see the workbook model; the model provides the
// implementation that builds a Workbook, and tests may record the calls.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "spreadsheet/address.h"
#include "spreadsheet/annotations.h"
#include "spreadsheet/external_books.h"
#include "spreadsheet/kept_xml.h"
#include "spreadsheet/style.h"
#include "spreadsheet/value.h"

namespace tabulon::spreadsheet {

enum class SheetKind { Worksheet, Chartsheet, Macrosheet, Dialogsheet };
enum class SheetState { Visible, Hidden, VeryHidden };

// Receives the content of one sheet. Rows and columns are 1-based and already
// checked against the grid by the reader.
class ISheetImport {
  public:
    virtual ~ISheetImport() = default;

    // A constant: number, text, boolean or error. An Empty value with a style
    // index records a formatted blank cell.
    virtual void SetCell(CellRef cell, const Value& value, int style) = 0;
    // A constant that is entry `index` of the workbook's shared string table,
    // `value` being that entry. A receiver may keep what it made of an entry
    // for the cells that share it; by default the same as SetCell.
    virtual void SetSharedString(CellRef cell, std::size_t index, const Value& value, int style) {
        (void)index;
        SetCell(cell, value, style);
    }
    // A number constant: most cells are. By default the same as SetCell.
    virtual void SetNumber(CellRef cell, double number, int style) {
        SetCell(cell, Value::Number(number), style);
    }
    // A formula (A1 text without the leading '='), with the result the file cached
    // for it (Empty when none was stored). Shared formulas arrive expanded.
    virtual void SetFormula(CellRef cell, std::string_view formula, const Value& cached,
                            int style) = 0;
    // An array formula over `range`; its top-left cell also receives SetFormula.
    virtual void SetArrayFormula(const RangeRef& range, std::string_view formula) = 0;

    // Widths in character units as stored in the file; width < 0 means not given.
    virtual void SetDefaultColumnWidth(double width) = 0;
    virtual void SetDefaultRowHeight(double height) = 0;
    // The base width in characters of the default font's digits (without
    // padding) the file gives for columns without a width; ignored by default.
    virtual void SetBaseColumnWidth(int chars) { (void)chars; }
    virtual void SetColumns(int firstCol, int lastCol, double width, bool customWidth, bool hidden,
                            int style) = 0;
    // Height in points; height < 0 means not given.
    virtual void SetRow(int row, double height, bool customHeight, bool hidden, int style) = 0;

    virtual void AddMerge(const RangeRef& range) = 0;
    virtual void SetAutoFilter(const RangeRef& range) = 0;

    // The runs of the text of a cell already given by SetCell or
    // SetSharedString (their texts joined are that text), for a text whose
    // pieces carry fonts of their own. Ignored by default.
    virtual void SetTextRuns(CellRef cell, const RichText& runs) {
        (void)cell;
        (void)runs;
    }
    // A link on a cell or range; ignored by default.
    virtual void AddHyperlink(const Hyperlink& link) { (void)link; }
    // A note on a cell; a second note on the same cell replaces the first.
    // Ignored by default.
    virtual void AddNote(const Note& note) { (void)note; }
    // What of the sheet's file is carried without being modelled; ignored by
    // default.
    virtual void KeepXml(std::shared_ptr<const KeptSheetXml> kept) { (void)kept; }
};

// Receives a whole workbook. Call order: date system, styles and names may come
// in any order before or after the sheets; every AddSheet precedes the use of
// its ISheetImport.
class IWorkbookImport {
  public:
    virtual ~IWorkbookImport() = default;

    virtual void SetDate1904(bool date1904) = 0;
    // Adds a sheet at the end and returns its 0-based index.
    virtual int AddSheet(std::string_view name, SheetKind kind, SheetState state) = 0;
    // The sheet's content receiver; only valid for worksheets and macro sheets.
    virtual ISheetImport& Sheet(int index) = 0;
    virtual void SetActiveSheet(int index) = 0;
    // Adds a style and returns the index the sheets use for it. Style 0 is the
    // default style and need not be added.
    virtual int AddStyle(const CellStyle& style) = 0;
    // The font of the workbook's Normal style: cells without a style of their
    // own show in it and column widths count its digits. Best given before the
    // styles; ignored by default.
    virtual void SetDefaultFont(const Font& font) { (void)font; }
    // A defined name; localSheet is the 0-based sheet index or -1 for the workbook.
    virtual void AddDefinedName(std::string_view name, std::string_view formula, int localSheet,
                                bool hidden) = 0;
    // What the file knows of a workbook its formulas read; ignored by default.
    virtual void AddExternalBook(ExternalBook book) { (void)book; }
};

}  // namespace tabulon::spreadsheet
