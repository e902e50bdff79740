#include "engine/automation/range.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "engine/automation/formula_links.h"
#include "engine/automation/state.h"
#include "engine/automation/worksheet.h"
#include "spreadsheet/formula/engine.h"
#include "spreadsheet/range_copy.h"
#include "spreadsheet/workbook_cells.h"

namespace tabulon::engine {

using spreadsheet::CellKind;
using spreadsheet::CellRef;
using spreadsheet::FormatClass;
using spreadsheet::kMaxColumns;
using spreadsheet::kMaxRows;
using spreadsheet::RangeRef;
using spreadsheet::Value;
using spreadsheet::ValueKind;

namespace {

bool WholeColumns(const RangeRef& r) {
    return r.first.row == 1 && r.last.row == kMaxRows;
}

bool WholeRows(const RangeRef& r) {
    return r.first.col == 1 && r.last.col == kMaxColumns;
}

RangeRef BoxAround(const RangeRef& a, const RangeRef& b) {
    return {{std::min(a.first.row, b.first.row), std::min(a.first.col, b.first.col)},
            {std::max(a.last.row, b.last.row), std::max(a.last.col, b.last.col)}};
}

[[noreturn]] void BadAddress(const detail::SheetState& sheet, const CString& address) {
    CString text;
    text.Format("Method Range failed: '%s' is not a range address on %s.", address.GetString(),
                sheet.Describe().GetString());
    throw ComError(XL_E_APPLICATION, text);
}

[[noreturn]] void OffGrid(const detail::SheetState& sheet) {
    CString text;
    text.Format("The cell asked for lies outside the grid of %s.", sheet.Describe().GetString());
    throw ComError(XL_E_APPLICATION, text);
}

// The part of `area` a whole-row or whole-column range really covers: its rows and
// columns up to the last the sheet uses (top-left corner kept, so positions stay).
RangeRef Effective(const spreadsheet::Worksheet& sheet, const RangeRef& area) {
    if (!WholeColumns(area) && !WholeRows(area))
        return area;
    auto used = sheet.UsedExtent(true);
    RangeRef r = area;
    int lastRow = used ? used->last.row : area.first.row;
    int lastCol = used ? used->last.col : area.first.col;
    if (WholeColumns(area))
        r.last.row = std::max(area.first.row, std::min(area.last.row, lastRow));
    if (WholeRows(area))
        r.last.col = std::max(area.first.col, std::min(area.last.col, lastCol));
    return r;
}

// A value as a cell of `style` shows it; with `typed`, a number under a date or currency
// format reads as a date or a currency amount, as Value gives it (Value2 gives the plain
// number).
COleVariant TypedOf(const spreadsheet::Workbook& book, const Value& v, int style, bool typed) {
    switch (v.Kind()) {
        case ValueKind::Empty:
            return {};
        case ValueKind::Text:
            return COleVariant(CString(v.AsText()));
        case ValueKind::Boolean:
            return COleVariant::Bool(v.AsBoolean());
        case ValueKind::Error:
            return COleVariant::CellError(v.AsError());
        case ValueKind::Number:
            break;
    }
    if (!typed)
        return COleVariant(v.AsNumber());
    switch (book.StyleFormatClass(style)) {
        case FormatClass::Date:
        case FormatClass::DateTime:
            return COleVariant::Date(detail::DateOfSerial(book, v.AsNumber()));
        case FormatClass::Time:
            return COleVariant::Date(v.AsNumber());
        case FormatClass::Currency:
            try {
                return COleVariant::Currency(v.AsNumber());
            } catch (const ComError&) {
                return COleVariant(v.AsNumber());  // too large for currency: as the number
            }
        default:
            return COleVariant(v.AsNumber());
    }
}

// The type of what TypedOf gives for the value of `v` (a constant or a formula's result),
// without making it.
VARTYPE TypeOf(const spreadsheet::Workbook& book, const spreadsheet::CellView& v) {
    switch (v.valueKind) {
        case ValueKind::Empty:
            return VT_EMPTY;
        case ValueKind::Text:
            return VT_BSTR;
        case ValueKind::Boolean:
            return VT_BOOL;
        case ValueKind::Error:
            return VT_ERROR;
        case ValueKind::Number:
            break;
    }
    switch (book.StyleFormatClass(v.style)) {
        case FormatClass::Date:
        case FormatClass::DateTime:
        case FormatClass::Time:
            return VT_DATE;
        case FormatClass::Currency:
            return TypedOf(book, v.ToValue(), v.style, true).Type();  // too large: VT_R8
        default:
            return VT_R8;
    }
}

// A cell's value (formulas calculated first when out of date), as TypedOf gives it.
COleVariant TypedValue(detail::SheetState& state, CellRef cell, bool typed = true) {
    const spreadsheet::CellView view = state.sheet->Cell(cell);
    if (view.kind != CellKind::Formula) {
        if (view.valueKind == ValueKind::Text)
            return COleVariant(CString(view.text));
        return TypedOf(*state.book->workbook, view.ToValue(), view.style, typed);
    }
    Value v = detail::CalculatedValue(state, cell);
    return TypedOf(*state.book->workbook, v, state.sheet->Cell(cell).style, typed);
}

// Whether the text names a function whose result changes from one calculation to the
// next (RAND, RANDBETWEEN, RANDARRAY, NOW, TODAY), without regard to ASCII case.
bool MentionsVolatile(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        for (std::string_view name : {"RAND", "NOW", "TODAY"}) {
            if (detail::UpperWordAt(text, i, name))
                return true;
        }
    }
    return false;
}

CString PlainNumber(double d) {
    return COleVariant(d).ToText();
}

COleVariant FormulaText(detail::SheetState& state, CellRef cell) {
    spreadsheet::CellView view = state.sheet->Cell(cell);
    if (view.kind == CellKind::Formula)
        return COleVariant(CString("=") + CString(view.formula));
    switch (view.valueKind) {
        case ValueKind::Empty:
            return COleVariant("");
        case ValueKind::Number:
            return COleVariant(PlainNumber(view.number));
        case ValueKind::Text:
            return COleVariant(CString(view.text));
        case ValueKind::Boolean:
            return COleVariant(view.number != 0 ? "TRUE" : "FALSE");
        case ValueKind::Error:
            return COleVariant(CString(spreadsheet::ErrorText(view.error)));
    }
    return COleVariant("");
}

// A date or currency written into a General cell takes a format that shows it so,
// as the application does, so that reading it back gives the same type.
void FormatForVariant(detail::SheetState& state, CellRef cell, const COleVariant& value) {
    if (value.Type() != VT_DATE && value.Type() != VT_CY)
        return;
    auto& wb = *state.book->workbook;
    int style = state.sheet->Cell(cell).style;
    if (wb.StyleFormatClass(style) != FormatClass::General)
        return;
    spreadsheet::CellStyle changed = wb.Style(style);
    changed.numberFormat = value.Type() == VT_DATE ? "m/d/yyyy" : "\"$\"#,##0.00";
    state.sheet->SetStyle(cell, wb.AddStyle(changed));
}

void WriteValue(detail::SheetState& state, CellRef cell, const COleVariant& value) {
    if (value.IsArray())
        throw ComError(DISP_E_TYPEMISMATCH, "A cell cannot hold an array.");
    if (value.Type() == VT_DATE && std::isfinite(value.Double())) {
        state.sheet->SetValue(
            cell, Value::Number(detail::SerialOfDate(*state.book->workbook, value.Double())));
    } else {
        state.sheet->SetValue(cell, value.ToCellValue());
    }
    FormatForVariant(state, cell, value);
}

void WriteFormula(detail::SheetState& state, CellRef cell, const COleVariant& value) {
    if (value.Type() == VT_BSTR) {
        const CString& text = value.Text();
        if (text.IsEmpty()) {
            state.sheet->ClearContents(cell);
            return;
        }
        if (text.GetAt(0) == '=' && text.GetLength() > 1) {
            state.sheet->SetFormula(cell, text.Mid(1).Str());
            return;
        }
    }
    WriteValue(state, cell, value);
}

}  // namespace

detail::SheetState& Range::Sheet() const {
    if (!m_sheet)
        ThrowEmptyHandle("Range");
    m_sheet->Check();
    return *m_sheet;
}

Range Range::Make(RangeRef area, Shape shape) const {
    return Range(m_session, m_book, m_sheet, area, shape);
}

void Range::ReleaseDispatch() {
    m_sheet.reset();
    m_book.reset();
    m_session.reset();
}

_Worksheet Range::GetWorksheet() const {
    Sheet();
    return _Worksheet(m_session, m_book, m_sheet);
}

RangeRef Range::GetArea() const {
    Sheet();
    return m_area;
}

COleVariant Range::GetValue() const {
    return Values(true);
}

COleVariant Range::GetValue2() const {
    return Values(false);
}

COleVariant Range::Values(bool typed) const {
    auto& state = Sheet();
    if (m_area.first == m_area.last)
        return TypedValue(state, m_area.first, typed);
    RangeRef r = Effective(*state.sheet, m_area);
    detail::CalculateStale(state, r);
    COleVariant array = COleVariant::Array(r.Rows(), r.Columns());
    // Only stored cells are visited; the rest stay empty. A cell is read from the view
    // the visit gives, except a formula still without a result (not calculable here),
    // which is read as a single cell is, once the visit is over.
    const spreadsheet::Workbook& book = *state.book->workbook;
    std::vector<CellRef> unknown;
    state.sheet->ForEachCell(
        r, spreadsheet::IterationOrder::RowByRow, [&](const spreadsheet::CellView& v) {
            if (v.kind == CellKind::Formula && (v.stale || v.uncalculable))
                unknown.push_back(v.ref);
            else
                array.At(v.ref.row - r.first.row + 1, v.ref.col - r.first.col + 1) =
                    v.valueKind == ValueKind::Text ? COleVariant(CString(v.text))
                                                   : TypedOf(book, v.ToValue(), v.style, typed);
        });
    for (CellRef c : unknown)
        array.At(c.row - r.first.row + 1, c.col - r.first.col + 1) = TypedValue(state, c, typed);
    return array;
}

void Range::SetValue(const COleVariant& value) {
    auto& state = Sheet();
    RangeRef r = Effective(*state.sheet, m_area);
    state.BeforeWrite(r);
    if (value.IsArray()) {
        int rows = std::min(r.Rows(), value.ArrayRows());
        int cols = std::min(r.Columns(), value.ArrayColumns());
        for (int i = 1; i <= rows; ++i)
            for (int j = 1; j <= cols; ++j)
                WriteValue(state, {r.first.row + i - 1, r.first.col + j - 1}, value.At(i, j));
    } else {
        for (int row = r.first.row; row <= r.last.row; ++row)
            for (int col = r.first.col; col <= r.last.col; ++col)
                WriteValue(state, {row, col}, value);
    }
    state.AfterWrite(r);
}

COleVariant Range::GetValueAt(long row, long column) const {
    auto& state = Sheet();
    const long long rr = static_cast<long long>(m_area.first.row) + row - 1;
    const long long cc = static_cast<long long>(m_area.first.col) + column - 1;
    if (rr < 1 || cc < 1 || rr > kMaxRows || cc > kMaxColumns)
        OffGrid(state);
    return TypedValue(state, {static_cast<int>(rr), static_cast<int>(cc)});
}

std::vector<VARTYPE> Range::GetValueTypes() const {
    auto& state = Sheet();
    const RangeRef r = Effective(*state.sheet, m_area);
    const auto width = static_cast<size_t>(r.Columns());
    std::vector<VARTYPE> types(static_cast<size_t>(r.Rows()) * width, VT_EMPTY);
    auto at = [&](CellRef c) {
        return static_cast<size_t>(c.row - r.first.row) * width +
               static_cast<size_t>(c.col - r.first.col);
    };
    if (!state.sheet->ArrayFormulas().empty()) {
        // Calculating an array formula writes the cells it spills into, which are
        // then read as written: cell by cell, as one by one.
        for (int row = r.first.row; row <= r.last.row; ++row)
            for (int col = r.first.col; col <= r.last.col; ++col)
                types[at({row, col})] = TypedValue(state, {row, col}).Type();
        return types;
    }
    // Otherwise calculating changes nothing but formulas out of date: the rest is read
    // in one pass, and those formulas, and the ones without a known result (noted as
    // read), after it in the same order.
    if (state.sheet->FormulaCount() > 0)
        state.book->FlushChanges();
    const spreadsheet::Workbook& book = *state.book->workbook;
    std::vector<CellRef> formulas;
    state.sheet->ForEachCell(r, spreadsheet::IterationOrder::RowByRow,
                             [&](const spreadsheet::CellView& v) {
                                 if (v.kind == CellKind::Formula && (v.stale || v.uncalculable))
                                     formulas.push_back(v.ref);
                                 else
                                     types[at(v.ref)] = TypeOf(book, v);
                             });
    if (formulas.empty())
        return types;
    spreadsheet::WorkbookCells cells(*state.book->workbook, &state.book->session->formulas);
    const int index = state.Index();
    for (CellRef c : formulas) {
        spreadsheet::CellView view = state.sheet->Cell(c);
        if (view.stale) {
            cells.CellValue(index, c);
            view = state.sheet->Cell(c);
        }
        if (view.uncalculable)
            detail::NoteUncalculated(state, c);
        types[at(c)] = TypeOf(book, view);
    }
    return types;
}

long Range::GetCount() const {
    Sheet();
    long long n = 0;
    switch (m_shape) {
        case Shape::Columns:
            n = m_area.Columns();
            break;
        case Shape::Rows:
            n = m_area.Rows();
            break;
        case Shape::Cells:
            n = static_cast<long long>(m_area.Rows()) * m_area.Columns();
            break;
    }
    return n > INT32_MAX ? INT32_MAX : static_cast<long>(n);
}

Range Range::GetItem(const COleVariant& row, const COleVariant& column) const {
    auto& state = Sheet();
    long r = row.ToLong();
    if (!column.IsOmitted()) {
        long c = column.ToLong();
        long long rr = static_cast<long long>(m_area.first.row) + r - 1;
        long long cc = static_cast<long long>(m_area.first.col) + c - 1;
        if (rr < 1 || cc < 1 || rr > kMaxRows || cc > kMaxColumns)
            OffGrid(state);
        CellRef cell{static_cast<int>(rr), static_cast<int>(cc)};
        return Make({cell, cell});
    }
    if (r < 1)
        OffGrid(state);
    if (m_shape == Shape::Columns) {
        long long cc = static_cast<long long>(m_area.first.col) + r - 1;
        if (cc > kMaxColumns)
            OffGrid(state);
        int col = static_cast<int>(cc);
        return Make({{m_area.first.row, col}, {m_area.last.row, col}});
    }
    if (m_shape == Shape::Rows) {
        long long rr = static_cast<long long>(m_area.first.row) + r - 1;
        if (rr > kMaxRows)
            OffGrid(state);
        int line = static_cast<int>(rr);
        return Make({{line, m_area.first.col}, {line, m_area.last.col}});
    }
    const long long width = m_area.Columns();
    long long rr = m_area.first.row + (r - 1) / width;
    long long cc = m_area.first.col + (r - 1) % width;
    if (rr > kMaxRows)
        OffGrid(state);
    CellRef cell{static_cast<int>(rr), static_cast<int>(cc)};
    return Make({cell, cell});
}

Range Range::GetRange(const COleVariant& cell1, const COleVariant& cell2) const {
    auto& state = Sheet();
    auto read = [&](const COleVariant& v) {
        if (v.Type() != VT_BSTR)
            throw ComError(DISP_E_TYPEMISMATCH, "Method Range failed: the address must be text.");
        auto area = spreadsheet::ParseAreaRef(v.Text().Str());
        if (!area)
            BadAddress(state, v.Text());
        return *area;
    };
    RangeRef area = read(cell1);
    if (!cell2.IsOmitted())
        area = BoxAround(area, read(cell2));
    return GetRange(area);
}

Range Range::GetRange(const RangeRef& area) const {
    auto& state = Sheet();
    // Whole lines keep to this range's extent across; the rest is relative to its corner.
    const int dRows = m_area.first.row - 1, dCols = m_area.first.col - 1;
    RangeRef r = area;
    if (WholeColumns(area)) {
        r.first.row = m_area.first.row;
        r.last.row = m_area.last.row;
    } else {
        r.first.row += dRows;
        r.last.row += dRows;
    }
    if (WholeRows(area)) {
        r.first.col = m_area.first.col;
        r.last.col = m_area.last.col;
    } else {
        r.first.col += dCols;
        r.last.col += dCols;
    }
    if (r.last.row > kMaxRows || r.last.col > kMaxColumns)
        OffGrid(state);
    return Make(r);
}

CString Range::GetAddress() const {
    Sheet();
    const bool columns = WholeColumns(m_area), rows = WholeRows(m_area);
    CString text;
    if (rows) {  // the whole grid prints as whole rows, as the application prints it
        text.Format("$%d:$%d", m_area.first.row, m_area.last.row);
    } else if (columns) {
        text.Format("$%s:$%s", spreadsheet::ColumnLetters(m_area.first.col).c_str(),
                    spreadsheet::ColumnLetters(m_area.last.col).c_str());
    } else {
        text = spreadsheet::FormatRangeRef(m_area, true);
    }
    return text;
}

Range Range::GetCells() const {
    Sheet();
    return Make(m_area, Shape::Cells);
}

Range Range::GetColumns() const {
    Sheet();
    return Make(m_area, Shape::Columns);
}

Range Range::GetRows() const {
    Sheet();
    return Make(m_area, Shape::Rows);
}

Range Range::GetEntireRow() const {
    Sheet();
    return Make({{m_area.first.row, 1}, {m_area.last.row, kMaxColumns}}, Shape::Rows);
}

COleVariant Range::GetColumnWidth() const {
    auto& state = Sheet();
    double width = state.sheet->ColumnWidth(m_area.first.col);
    for (int col = m_area.first.col + 1; col <= m_area.last.col; ++col)
        if (state.sheet->ColumnWidth(col) != width)
            return COleVariant::Null();
    return COleVariant(width);
}

void Range::SetColumnWidth(const COleVariant& width) {
    auto& state = Sheet();
    double w = width.ToDouble();
    if (!(w >= 0 && w <= 255))
        throw ComError(XL_E_APPLICATION,
                       "Unable to set the ColumnWidth property: the width must be between 0 and "
                       "255 characters.");
    state.sheet->SetColumnWidth(m_area.first.col, m_area.last.col, w);
    state.book->Changed();
}

COleVariant Range::GetFormula() const {
    auto& state = Sheet();
    if (m_area.first == m_area.last)
        return FormulaText(state, m_area.first);
    RangeRef r = Effective(*state.sheet, m_area);
    COleVariant array = COleVariant::Array(r.Rows(), r.Columns());
    for (int i = 1; i <= r.Rows(); ++i)
        for (int j = 1; j <= r.Columns(); ++j)
            array.At(i, j) = COleVariant("");
    std::vector<CellRef> cells;
    state.sheet->ForEachCell(r, spreadsheet::IterationOrder::RowByRow,
                             [&](const spreadsheet::CellView& v) { cells.push_back(v.ref); });
    for (CellRef c : cells)
        array.At(c.row - r.first.row + 1, c.col - r.first.col + 1) = FormulaText(state, c);
    return array;
}

void Range::SetFormula(const COleVariant& formula) {
    auto& state = Sheet();
    RangeRef r = Effective(*state.sheet, m_area);
    state.BeforeWrite(r);
    if (formula.IsArray()) {
        int rows = std::min(r.Rows(), formula.ArrayRows());
        int cols = std::min(r.Columns(), formula.ArrayColumns());
        for (int i = 1; i <= rows; ++i)
            for (int j = 1; j <= cols; ++j)
                WriteFormula(state, {r.first.row + i - 1, r.first.col + j - 1}, formula.At(i, j));
    } else if (formula.Type() == VT_BSTR && formula.Text().GetAt(0) == '=' &&
               r.Rows() * 1LL * r.Columns() > 1) {
        // One formula over several cells: each cell gets it moved to its place.
        const std::string text = formula.Text().Mid(1).Str();
        for (int row = r.first.row; row <= r.last.row; ++row)
            for (int col = r.first.col; col <= r.last.col; ++col)
                state.sheet->SetFormula(
                    {row, col},
                    spreadsheet::MoveFormulaText(text, row - r.first.row, col - r.first.col));
    } else {
        for (int row = r.first.row; row <= r.last.row; ++row)
            for (int col = r.first.col; col <= r.last.col; ++col)
                WriteFormula(state, {row, col}, formula);
    }
    state.AfterWrite(r);
}

COleVariant Range::GetHasFormula() const {
    auto& state = Sheet();
    RangeRef r = Effective(*state.sheet, m_area);
    long long formulas = 0;
    state.sheet->ForEachCell(r, spreadsheet::IterationOrder::RowByRow,
                             [&](const spreadsheet::CellView& v) {
                                 if (v.kind == CellKind::Formula)
                                     ++formulas;
                             });
    if (formulas == 0)
        return COleVariant::Bool(false);
    if (formulas == static_cast<long long>(r.Rows()) * r.Columns())
        return COleVariant::Bool(true);
    return COleVariant::Null();
}

void Range::Calculate() {
    auto& state = Sheet();
    // Formulas that cannot be calculated here (links to other workbooks...) keep
    // their last result, as the application keeps the values of its links.
    std::vector<CellRef> formulas;
    state.sheet->ForEachCell(m_area, spreadsheet::IterationOrder::RowByRow,
                             [&](const spreadsheet::CellView& v) {
                                 if (v.kind == CellKind::Formula &&
                                     state.book->session->formulas.IsEvaluable(v.formula, v.ref))
                                     formulas.push_back(v.ref);
                             });
    for (CellRef c : formulas)
        state.sheet->MarkStale(c);
    detail::CalculateStale(state, m_area);
}

namespace {

// The amount a value read from a cell of `style` adds up as: a number not shown as a date
// or a time (a currency amount at its full precision).
std::optional<double> AmountOf(const spreadsheet::Workbook& book, const Value& v, int style) {
    if (v.Kind() != ValueKind::Number)
        return std::nullopt;
    switch (book.StyleFormatClass(style)) {
        case FormatClass::Date:
        case FormatClass::DateTime:
        case FormatClass::Time:
            return std::nullopt;
        default:
            return v.AsNumber();
    }
}

}  // namespace

void Range::AddAmounts(const Range& source, long skip) {
    auto& from = source.Sheet();
    auto& to = Sheet();
    const spreadsheet::Workbook& fromBook = *from.book->workbook;
    const spreadsheet::Workbook& toBook = *to.book->workbook;
    const long n = source.GetCount();
    const long long fromWidth = source.m_area.Columns(), toWidth = m_area.Columns();
    for (long i = 1; i <= n; ++i) {
        if (i == skip)
            continue;
        const CellRef f{static_cast<int>(source.m_area.first.row + (i - 1) / fromWidth),
                        static_cast<int>(source.m_area.first.col + (i - 1) % fromWidth)};
        // A constant is read once; only a formula needs its result made current.
        const spreadsheet::CellView view = from.sheet->Cell(f);
        const std::optional<double> amount = AmountOf(
            fromBook,
            view.kind == CellKind::Formula ? detail::CalculatedValue(from, f) : view.ToValue(),
            view.style);
        if (!amount)
            continue;
        const long long row = m_area.first.row + (i - 1) / toWidth;
        if (row > kMaxRows)
            OffGrid(to);
        const CellRef t{static_cast<int>(row),
                        static_cast<int>(m_area.first.col + (i - 1) % toWidth)};
        const spreadsheet::CellView d = to.sheet->Cell(t);
        if (d.kind == CellKind::Formula)
            continue;
        double sum = *amount;
        if (d.valueKind != ValueKind::Empty) {
            const std::optional<double> before = AmountOf(toBook, d.ToValue(), d.style);
            if (!before)
                continue;
            sum += *before;
        }
        const RangeRef cell{t, t};
        to.BeforeWrite(cell);
        // As a number is written: one too large to hold is the error #NUM!.
        to.sheet->SetValue(t, COleVariant(sum).ToCellValue());
        to.AfterWrite(cell);
    }
}

bool Range::HoldsCalculated(const CString& formula) const {
    auto& state = Sheet();
    if (m_area.first != m_area.last || formula.GetLength() < 2 || formula.GetAt(0) != '=' ||
        !state.sheet->ArrayFormulas().empty())
        return false;
    state.book->FlushChanges();
    const spreadsheet::CellView view = state.sheet->Cell(m_area.first);
    if (view.kind != CellKind::Formula || view.stale || view.uncalculable || view.fileResult ||
        view.formula != std::string_view(formula.GetString() + 1))
        return false;
    // Functions whose result changes between calculations (RAND, RANDBETWEEN, RANDARRAY,
    // NOW, TODAY), looked for in the text: a name merely containing one only costs the
    // caller a calculation.
    return !MentionsVolatile(formula);
}

void Range::Copy(const Range& destination) const {
    auto& from = Sheet();
    auto& to = destination.Sheet();
    const CellRef corner = destination.m_area.first;
    RangeRef target{corner, {corner.row + m_area.Rows() - 1, corner.col + m_area.Columns() - 1}};
    if (target.last.row > kMaxRows || target.last.col > kMaxColumns)
        OffGrid(to);
    detail::CalculateStale(from, m_area, false);
    to.BeforeWrite(target);
    detail::Translated("Range copy", [&] {
        spreadsheet::CopyCells(*from.sheet, m_area, *to.sheet, corner, spreadsheet::kCopyAll);
    });
    to.AfterWrite(target);
    detail::RelinkCopiedFormulas(from, to, target, false);
}

void Range::Copy() const {
    auto& state = Sheet();
    auto& session = *state.book->session;
    session.clipboard = {m_book, m_sheet, m_area};
}

void Range::PasteSpecial(long paste, long operation, const COleVariant& skipBlanks,
                         const COleVariant& transpose) {
    auto& to = Sheet();
    auto fail = [&](const char* reason) {
        CString text;
        text.Format("PasteSpecial method of Range class failed on %s: %s",
                    to.Describe().GetString(), reason);
        throw ComError(XL_E_APPLICATION, text);
    };
    if (operation != xlNone || (!skipBlanks.IsOmitted() && skipBlanks.ToBool()) ||
        (!transpose.IsOmitted() && transpose.ToBool()))
        fail("only plain pastes are supported (no operation, no skipping, no transposing).");
    unsigned parts = 0;
    if (paste == xlPasteValues)
        parts = spreadsheet::kCopyValues;
    else if (paste == xlPasteFormats)
        parts = spreadsheet::kCopyStyles;
    else if (paste == xlPasteAll)
        parts = spreadsheet::kCopyValues | spreadsheet::kCopyFormulas | spreadsheet::kCopyStyles;
    else
        fail("this kind of paste is not supported.");
    auto clip = to.book->session->clipboard;
    if (!clip.sheet || clip.sheet->deleted || clip.book->closed)
        fail("there is nothing on the clipboard to paste.");
    const CellRef corner = m_area.first;
    RangeRef target{corner,
                    {corner.row + clip.area.Rows() - 1, corner.col + clip.area.Columns() - 1}};
    if (target.last.row > kMaxRows || target.last.col > kMaxColumns)
        OffGrid(to);
    // Values pasted without their formulas are the values the source shows: those
    // it cannot show are noted.
    detail::CalculateStale(
        *clip.sheet, clip.area,
        (parts & spreadsheet::kCopyValues) && !(parts & spreadsheet::kCopyFormulas));
    to.BeforeWrite(target);
    detail::Translated("PasteSpecial", [&] {
        spreadsheet::CopyCells(*clip.sheet->sheet, clip.area, *to.sheet, corner, parts);
    });
    to.AfterWrite(target);
    if (parts & spreadsheet::kCopyFormulas)
        detail::RelinkCopiedFormulas(*clip.sheet, to, target, false);
}

}  // namespace tabulon::engine
