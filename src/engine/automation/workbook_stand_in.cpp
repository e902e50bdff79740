// _Workbook standing in for a copy of its worksheets in a blank workbook (see workbook.h).
//
// The copy (CopyWorksheetsInto: Sheets.Add, then Range.Copy of every cell) holds each
// worksheet's cells, formats, row and column properties and merges; its formulas are
// all out of date, a result the file gave counting only where one cannot be
// calculated; references to other sheets and the defined names they use point back at
// the file; dates move into the 1900 system; cells without a style take the blank
// workbook's default; filters and array formulas stay behind. Whatever reads only
// values and formulas of one worksheet whose formulas read nothing but that worksheet
// cannot tell the two apart, which is what CanStandInForCopy checks.
#include <string>
#include <string_view>

#include "engine/automation/state.h"
#include "engine/automation/workbook.h"
#include "spreadsheet/number_format.h"

namespace tabulon::engine {

namespace {

using spreadsheet::SheetKind;
using spreadsheet::Workbook;
using spreadsheet::Worksheet;

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = UpperAscii(c);
    return upper;
}

// Whether a formula may read something other than cells of its own sheet: another
// sheet or workbook ('!'), a table ('['), a text made a reference (INDIRECT), the
// workbook's sheets (INFO), or a defined name (`names`, upper case; defined names are
// found without regard to ASCII case). Looked for in the text: a mention inside a
// string only makes the answer yes.
bool ReadsBeyondItsSheet(std::string_view formula, const std::vector<std::string>& names) {
    for (size_t i = 0; i < formula.size(); ++i) {
        const char c = formula[i];
        if (c == '!' || c == '[')
            return true;
        if (UpperAscii(c) == 'I' && (detail::UpperWordAt(formula, i, "INDIRECT") ||
                                     detail::UpperWordAt(formula, i, "INFO")))
            return true;
    }
    for (const std::string& name : names) {
        for (size_t i = 0; i < formula.size(); ++i) {
            if (detail::UpperWordAt(formula, i, name))
                return true;
        }
    }
    return false;
}

}  // namespace

bool _Workbook::CanStandInForCopy(const std::function<bool(const CString& sheet)>& used,
                                  const std::vector<CString>& written) const {
    const Workbook& wb = Book().Book();
    if (wb.Date1904() || wb.StyleFormatClass(0) !=
                             spreadsheet::ClassifyFormat(spreadsheet::CellStyle{}.numberFormat))
        return false;
    std::vector<std::string> names;
    for (const spreadsheet::DefinedName& n : wb.DefinedNames())
        names.push_back(UpperAscii(n.name));
    for (const CString& formula : written) {
        if (ReadsBeyondItsSheet(formula.Str(), names))
            return false;
    }
    // A file without worksheets leaves the blank workbook's own in the copy.
    bool anyWorksheet = false;
    for (int s = 0; s < wb.SheetCount(); ++s) {
        const Worksheet& ws = wb.Sheet(s);
        if (ws.Kind() != SheetKind::Worksheet)
            continue;  // not copied, and passed over by whoever visits worksheets
        anyWorksheet = true;
        // The copy takes every worksheet's name through _Worksheet::SetName.
        if (!Workbook::CheckSheetName(ws.Name()).empty())
            return false;
        if (!used(CString(ws.Name())))
            continue;
        if (ws.AutoFilter() || !ws.ArrayFormulas().empty() ||
            ws.AnyFormula([&](std::string_view f) { return ReadsBeyondItsSheet(f, names); }))
            return false;
    }
    return anyWorksheet;
}

void _Workbook::StandInForCopy() {
    detail::BookState& book = Book();
    book.name.Format("Book%d", book.session->nextBookNumber++);
    book.templatePath.Empty();
    Workbook& wb = *book.workbook;
    for (int s = 0; s < wb.SheetCount(); ++s) {
        Worksheet& ws = wb.Sheet(s);
        if (ws.Kind() != SheetKind::Worksheet)
            continue;
        for (spreadsheet::CellRef cell : ws.FormulaCells())
            ws.MarkStale(cell);
    }
}

}  // namespace tabulon::engine
