#include "engine/automation/worksheet.h"

#include "engine/automation/application.h"
#include "engine/automation/formula_links.h"
#include "engine/automation/range.h"
#include "engine/automation/state.h"
#include "engine/automation/workbook.h"

namespace tabulon::engine {

using spreadsheet::RangeRef;
using spreadsheet::SheetKind;

namespace {

const RangeRef kWholeGrid{{1, 1}, {spreadsheet::kMaxRows, spreadsheet::kMaxColumns}};

}  // namespace

detail::SheetState& _Worksheet::Sheet() const {
    if (!m_sheet)
        ThrowEmptyHandle("_Worksheet");
    m_sheet->Check();
    return *m_sheet;
}

void _Worksheet::ReleaseDispatch() {
    m_sheet.reset();
    m_book.reset();
    m_session.reset();
}

_Application _Worksheet::GetApplication() const {
    Sheet();
    return _Application(m_session);
}

_Workbook _Worksheet::GetParent() const {
    Sheet();
    return _Workbook(m_session, m_book);
}

long _Worksheet::GetIndex() const {
    return Sheet().Index() + 1;
}

CString _Worksheet::GetName() const {
    return CString(Sheet().Sheet().Name());
}

long _Worksheet::GetVisible() const {
    switch (Sheet().sheet->State()) {
        case spreadsheet::SheetState::Visible:
            return xlSheetVisible;
        case spreadsheet::SheetState::Hidden:
            return xlSheetHidden;
        case spreadsheet::SheetState::VeryHidden:
            return xlSheetVeryHidden;
    }
    return xlSheetVisible;
}

void _Worksheet::SetName(const CString& name) {
    auto& state = Sheet();
    auto& wb = *state.book->workbook;
    const std::string& current = state.sheet->Name();
    if (name == current)
        return;
    std::string reason = spreadsheet::Workbook::CheckSheetName(name.Str());
    int other = wb.FindSheet(name.Str());
    if (reason.empty() && other >= 0 && other != state.Index())
        reason = "another sheet of the workbook already has that name";
    if (!reason.empty()) {
        CString text;
        text.Format("Cannot rename %s to '%s': %s.", state.Describe().GetString(), name.GetString(),
                    reason.c_str());
        throw ComError(XL_E_APPLICATION, text);
    }
    wb.RenameSheet(state.Index(), name.Str());
    state.book->Changed();
}

void _Worksheet::Copy(const _Worksheet& before, const _Worksheet& after) {
    auto& source = Sheet();
    if (before.IsEmpty() == after.IsEmpty())
        throw ComError(E_INVALIDARG,
                       "Worksheet copy: give either the sheet to copy before or the one to copy "
                       "after.");
    const _Worksheet& place = before.IsEmpty() ? after : before;
    auto& anchor = place.Sheet();
    auto& target = *anchor.book->workbook;
    int position = anchor.Index() + (before.IsEmpty() ? 1 : 0);
    const std::string& name = source.sheet->Name();
    // Its own name when free in the target, else "Name (2)", "Name (3)"...
    std::string chosen = target.FindSheet(name) < 0 ? name : std::string();
    // Formulas are copied with the results they have now (what the copy cannot
    // calculate is noted when the workbook holding it is saved).
    if (auto used = source.sheet->UsedExtent(false))
        detail::CalculateStale(source, *used, false);
    auto& copy = detail::Translated("Worksheet copy", [&]() -> spreadsheet::Worksheet& {
        return target.CopySheet(*source.sheet, position, chosen);
    });
    target.SetActiveSheet(target.IndexOf(copy));
    anchor.book->Changed();
    auto copyState = anchor.book->StateOf(copy);
    if (auto used = copy.UsedExtent(false))
        detail::RelinkCopiedFormulas(source, *copyState, *used, true);
}

void _Worksheet::Delete() {
    auto& state = Sheet();
    auto& wb = *state.book->workbook;
    int visibleOthers = 0;
    for (int i = 0; i < wb.SheetCount(); ++i) {
        const auto& s = wb.Sheet(i);
        if (&s != state.sheet && s.State() == spreadsheet::SheetState::Visible)
            ++visibleOthers;
    }
    if (visibleOthers == 0) {
        CString text;
        text.Format("Cannot delete %s: a workbook must keep at least one visible sheet.",
                    state.Describe().GetString());
        throw ComError(XL_E_APPLICATION, text);
    }
    auto& session = *state.book->session;
    if (session.clipboard.sheet.get() == &state)
        session.clipboard = {};
    int index = state.Index();
    state.book->Forget(*state.sheet);
    wb.DeleteSheet(index);
    state.book->Changed();
}

Range _Worksheet::GetRange(const COleVariant& cell1, const COleVariant& cell2) const {
    Sheet();
    return Range(m_session, m_book, m_sheet, kWholeGrid).GetRange(cell1, cell2);
}

Range _Worksheet::GetCells() const {
    Sheet();
    return Range(m_session, m_book, m_sheet, kWholeGrid);
}

Range _Worksheet::GetColumns() const {
    Sheet();
    return Range(m_session, m_book, m_sheet, kWholeGrid, Range::Shape::Columns);
}

Range _Worksheet::GetRows() const {
    Sheet();
    return Range(m_session, m_book, m_sheet, kWholeGrid, Range::Shape::Rows);
}

Range _Worksheet::GetUsedRange() const {
    auto& state = Sheet();
    auto used = state.sheet->UsedExtent(true);
    return Range(m_session, m_book, m_sheet, used ? *used : RangeRef{{1, 1}, {1, 1}});
}

long _Worksheet::GetPivotTableCount() const {
    const auto& kept = Sheet().sheet->KeptXml();
    return kept ? kept->pivotTables : 0;
}

void _Worksheet::ShowAllData() {
    auto& state = Sheet();
    auto filter = state.sheet->AutoFilter();
    bool filtered = false;
    if (filter) {
        for (int row = filter->first.row + 1; row <= filter->last.row && !filtered; ++row)
            filtered = state.sheet->Row(row).hidden;
    }
    if (!filtered) {
        CString text;
        text.Format("ShowAllData method of Worksheet class failed: %s %s.",
                    state.Describe().GetString(),
                    filter ? "has no rows hidden by its filter" : "has no filter");
        throw ComError(XL_E_APPLICATION, text);
    }
    state.sheet->ShowAllData();
    state.book->Changed();
}

}  // namespace tabulon::engine
