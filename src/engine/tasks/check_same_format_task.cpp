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
        if (loaded.CanStandInForCopy(
                [this](const CString& sheet) { return IsSheetSelected(sheet); },
                TemplateFormulas())) {
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

const std::vector<CCheckSameFormatSheetTask::TemplateCell>&
CCheckSameFormatSheetTask::TemplateCells(const Range& cells) {
    const long count = cells.GetCount();
    if (static_cast<long>(m_templateCells.size()) == count)
        return m_templateCells;
    m_templateCells.clear();
    m_templateCells.reserve(static_cast<size_t>(count));
    const int width = RangeLastColumn(cells) - RangeFirstColumn(cells) + 1;
    for (long i = 1; i <= count; ++i) {
        Range model = cells.GetItem(COleVariant(i));
        m_templateCells.push_back(
            {GetRangeAddress(model), static_cast<int>((i - 1) / width) + 1,
             static_cast<int>((i - 1) % width) + 1, model.GetValue(),
             HasFormula(model) ? COleVariant(model.GetFormula().ToText()) : COleVariant("")});
    }
    return m_templateCells;
}

const std::vector<CString>& CCheckSameFormatSheetTask::TemplateFormulas() {
    if (!m_templateFormulasRead) {
        if (Range cells = GetDataRange(m_pTemplateSheet)) {
            for (const TemplateCell& model : TemplateCells(cells)) {
                if (!model.formula.Text().IsEmpty())
                    m_templateFormulas.push_back(model.formula.Text());
            }
        }
        m_templateFormulasRead = true;
    }
    return m_templateFormulas;
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
    Range cells = GetDataRange(m_pTemplateSheet);
    if (!cells) {
        CString line;
        line.Format("Template worksheet \"%s\" has not any content，please check it. ",
                    m_strTemplateSheet.GetString());
        output::PostText(m_hWndNotify, line);
        return 0;
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
    const long count = cells.GetCount();
    const std::vector<TemplateCell>& models = TemplateCells(cells);
    // The worksheet's cells over the template's content range, read by position: the
    // types of their values all at once, until a test of a formula writes into a cell;
    // from there on one by one, as each is reached.
    const Range area = RangeOnSheet(sheet, cells);
    const std::vector<VARTYPE> types = area.GetValueTypes();
    bool written = types.size() != static_cast<size_t>(count);
    for (long i = 1; i <= count; ++i) {
        output::UpdateSheetPercent(m_hWndNotify, progressId, name, i, count, lastPercent);
        if (IsCanceled())
            return 0;
        const TemplateCell& model = models[static_cast<size_t>(i - 1)];
        const VARTYPE type = written ? area.GetValueAt(model.row, model.column).Type()
                                     : types[static_cast<size_t>(i - 1)];
        CString finding;
        if (model.value.Type() != type) {
            finding.Format("%s: The type of the cell is inconsistent with template sheet.",
                           Plain(model.address).GetString());
        } else if (model.formula.Text().IsEmpty()) {
            continue;
        } else if (Range cell = area.GetItem(COleVariant(static_cast<long>(model.row)),
                                             COleVariant(static_cast<long>(model.column)));
                   !cell.HoldsCalculated(model.formula.Text())) {
            // A worksheet cell with a formula of its own is tested the same way: what the
            // template formula gives there against what the cell shows.
            written = true;
            if (!FormulaGivesShownValue(cell, model.formula))
                finding.Format("%s: The cell doesn't meet specified formula \"%s\"",
                               Plain(model.address).GetString(), model.formula.Text().GetString());
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
