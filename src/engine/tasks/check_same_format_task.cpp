#include "engine/tasks/check_same_format_task.h"

#include "engine/sheet/sheet_helpers.h"
#include "output/task_messages.h"

namespace tabulon::engine {

namespace {

bool HasFormula(const Range& cell) {
    COleVariant has = cell.GetHasFormula();
    return has.Type() == VT_BOOL ? has.Boolean() : has.ToBool();
}

// "$B$3" as findings name it: "B3".
CString Plain(CString address) {
    address.Remove('$');
    return address;
}

}  // namespace

CCheckSameFormatSheetTask::CCheckSameFormatSheetTask(
    const CString& templateFile, const CString& templateSheet, const CString& folder,
    const SheetSelection& selection, const CString& resultFile, platform::CNotifyHandle notify)
    : CFolderTask(folder, selection, notify, resultFile),
      m_strTemplateFile(templateFile),
      m_strTemplateSheet(templateSheet) {
    if (!templateFile.IsEmpty())
        AddReadFile(templateFile);
}

CCheckSameFormatSheetTask::~CCheckSameFormatSheetTask() = default;

int CCheckSameFormatSheetTask::Prepare() {
    if (!CFolderTask::Prepare())
        return 0;
    m_pTemplateBook = m_pWorkbooks.Add(COleVariant(m_strTemplateFile));
    m_pTemplateSheet = FindWorksheet(m_pTemplateBook, m_strTemplateSheet);
    if (m_pTemplateSheet)
        return 1;
    m_pTemplateBook.SetSaved(true);
    m_pTemplateBook.Close();
    m_pTemplateBook = _Workbook();
    CString line;
    line.Format(
        "In Excel file \"%s\", there is not Worksheet\"%s\" you specified, please check it.",
        m_strTemplateFile.GetString(), m_strTemplateSheet.GetString());
    output::PostText(m_hWndNotify, line);
    return 0;
}

_Workbook CCheckSameFormatSheetTask::OpenSourceWorkbook(const CString& path) {
    m_standsIn = false;
    _Workbook loaded = CFolderTask::OpenSourceWorkbook(path);
    try {
        ReadTemplateFormulas();
        if (loaded.CanStandInForCopy(
                [this](const CString& sheet) { return IsSheetSelected(sheet); },
                m_templateFormulas)) {
            loaded.StandInForCopy();
            m_standsIn = true;
            return loaded;
        }
    } catch (const ComError&) {
        loaded.Close();
        throw;
    }
    _Workbook copy;
    try {
        copy = NewWorkbook(m_pWorkbooks, 1);
        CopyWorksheetsInto(copy, loaded);
    } catch (const ComError&) {
        // Neither workbook reaches the caller, which closes only what it gets back.
        loaded.Close();
        if (copy)
            copy.Close();
        throw;
    }
    loaded.Close();
    return copy;
}

void CCheckSameFormatSheetTask::ReadTemplateFormulas() {
    if (m_templateFormulasRead)
        return;
    m_templateFormulasRead = true;
    Range cells = GetDataRange(m_pTemplateSheet);
    if (!cells)
        return;
    const long count = cells.GetCount();
    m_templateFormulaAt.assign(static_cast<size_t>(count), -1);
    for (long i = 1; i <= count; ++i) {
        const Range model = cells.GetItem(COleVariant(i));
        if (!HasFormula(model))
            continue;
        m_templateFormulaAt[static_cast<size_t>(i - 1)] =
            static_cast<int>(m_templateFormulas.size());
        m_templateFormulas.push_back(model.GetFormula().ToText());
    }
}

bool CCheckSameFormatSheetTask::FormulaGivesShownValue(Range cell, const COleVariant& formula) {
    COleVariant shown = cell.GetValue();
    const bool hadFormula = HasFormula(cell);
    COleVariant own = hadFormula ? cell.GetFormula() : COleVariant();
    cell.SetFormula(formula);
    cell.Calculate();
    const bool same = cell.GetValue() == shown;
    cell.SetFormula(COleVariant(""));
    if (hadFormula) {
        cell.SetFormula(own);
        cell.Calculate();
    } else {
        cell.SetValue(shown);
    }
    return same;
}

void CCheckSameFormatSheetTask::AppendReportLine(const CString& text) {
    Range used = GetUsedBlock(m_pResultSheet);
    CString address;
    address.Format("$A$%d", used ? RangeRowCount(used) + 1 : 1);
    m_pResultSheet.GetRange(COleVariant(address)).SetValue(COleVariant(text));
}

int CCheckSameFormatSheetTask::ProcessWorksheet(const CString& path, _Worksheet sheet) {
    Range cells;  // the template's content range, until the template is read
    if (!m_templateArea) {
        cells = GetDataRange(m_pTemplateSheet);
        if (!cells) {
            CString line;
            line.Format("Template worksheet \"%s\" has not any content，please check it. ",
                        m_strTemplateSheet.GetString());
            output::PostText(m_hWndNotify, line);
            return 0;
        }
    }
    CString name = sheet.GetName();
    CString first;
    first.Format(
        "When checking \"%s\", Some errors were found, Please click this item for "
        "detailed information.",
        name.GetString());
    StringRecord record{first, path, name};

    CString progressId = output::BeginProgress(m_hWndNotify, output::FormatSheetProgress(name, 0));
    int lastPercent = -1;
    if (!m_templateArea) {
        // What the checks need of the template is read now, and the template let go.
        m_templateTypes = cells.GetValueTypes();
        if (m_templateTypes.size() != static_cast<size_t>(cells.GetCount())) {
            m_templateTypes.clear();  // a safeguard: a content range is never clipped
            for (long i = 1; i <= cells.GetCount(); ++i)
                m_templateTypes.push_back(cells.GetItem(COleVariant(i)).GetValue().Type());
        }
        ReadTemplateFormulas();
        m_templateArea = cells.GetArea();
        m_pTemplateSheet = _Worksheet();
        m_pTemplateBook.Close();
        m_pTemplateBook = _Workbook();
    }
    const long width = m_templateArea->Columns();
    // The worksheet's cells over the template's content range, read by position: the
    // types of their values all at once, until a test of a formula writes into a cell;
    // from there on one by one, as each is reached.
    const Range area = sheet.GetCells().GetRange(*m_templateArea);
    const long count = area.GetCount();
    // "$B$3" of the i-th cell as findings name it: "B3".
    auto address = [&](long i) { return Plain(GetRangeAddress(area.GetItem(COleVariant(i)))); };
    const std::vector<VARTYPE> types = area.GetValueTypes();
    bool written = types.size() != static_cast<size_t>(count);
    for (long i = 1; i <= count; ++i) {
        output::UpdateSheetPercent(m_hWndNotify, progressId, name, i, count, lastPercent);
        if (IsCanceled())
            return 0;
        const auto at = static_cast<size_t>(i - 1);
        const long row = (i - 1) / width + 1, column = (i - 1) % width + 1;
        const VARTYPE type = written ? area.GetValueAt(row, column).Type() : types[at];
        const int formula = m_templateFormulaAt[at];
        CString finding;
        if (m_templateTypes[at] != type) {
            finding.Format("%s: The type of the cell is inconsistent with template sheet.",
                           address(i).GetString());
        } else if (formula < 0) {
            continue;
        } else if (Range cell = area.GetItem(COleVariant(row), COleVariant(column));
                   !cell.HoldsCalculated(m_templateFormulas[static_cast<size_t>(formula)])) {
            // A worksheet cell with a formula of its own is tested the same way: what the
            // template formula gives there against what the cell shows.
            const CString& text = m_templateFormulas[static_cast<size_t>(formula)];
            written = true;
            if (!FormulaGivesShownValue(cell, COleVariant(text)))
                finding.Format("%s: The cell doesn't meet specified formula \"%s\"",
                               address(i).GetString(), text.GetString());
        }
        if (!finding.IsEmpty())
            record.push_back(finding);
    }
    output::EndProgress(m_hWndNotify, progressId, "");

    if (record.size() <= 3) {
        CString line;
        line.Format("When checking \"%s\", No any error was found.", name.GetString());
        output::PostText(m_hWndNotify, line);
        return 1;
    }
    for (size_t k = 1; k < record.size(); ++k)
        AppendReportLine(record[k]);
    AppendReportLine(" ");
    AppendReportLine(" ");
    output::PostDetail(m_hWndNotify, std::move(record));
    return 1;
}

int CCheckSameFormatSheetTask::Finish() {
    m_pTemplateSheet = _Worksheet();
    if (m_pTemplateBook) {
        m_pTemplateBook.Close();
        m_pTemplateBook = _Workbook();
    }
    return CFolderTask::Finish();
}

}  // namespace tabulon::engine
