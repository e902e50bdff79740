#include "engine/tasks/add_cell_by_cell_task.h"

#include "engine/sheet/sheet_helpers.h"
#include "output/task_messages.h"

namespace tabulon::engine {

namespace {

CString AddressWithoutDollars(const Range& cell) {
    CString address = GetRangeAddress(cell);
    address.Remove('$');
    return address;
}

CString SheetCompleteText(const CString& name) {
    CString line;
    line.Format("Processing of the worksheet \"%s\" is complete.", name.GetString());
    return line;
}

}  // namespace

CAddCellByCellTask::CAddCellByCellTask(const CString& folder, const SheetSelection& selection,
                                       const CString& templateFile, const CString& templateSheet,
                                       int keepFormulas, const CString& resultFile,
                                       platform::CNotifyHandle notify)
    : CFolderTask(folder, selection, notify, resultFile),
      m_strTemplateFile(templateFile),
      m_strTemplateSheet(templateSheet),
      m_bKeepFormulas(keepFormulas) {
    if (!templateFile.IsEmpty())
        AddReadFile(templateFile);
}

CAddCellByCellTask::~CAddCellByCellTask() = default;

void CAddCellByCellTask::CloseTemplate() {
    m_pTemplateSheet = _Worksheet();
    if (!m_pTemplateBook)
        return;
    m_pTemplateBook.SetSaved(true);
    m_pTemplateBook.Close();
    m_pTemplateBook = _Workbook();
}

int CAddCellByCellTask::Prepare() {
    if (!CFolderTask::Prepare())
        return 0;
    if (m_strTemplateFile.IsEmpty())
        return 1;
    m_pTemplateBook = m_pWorkbooks.Add(COleVariant(m_strTemplateFile));
    if (m_strTemplateSheet.IsEmpty()) {
        CloseTemplate();
        return 1;
    }
    m_pTemplateSheet = FindWorksheet(m_pTemplateBook, m_strTemplateSheet);
    if (!m_pTemplateSheet) {
        CloseTemplate();
        CString line;
        line.Format(
            "In Excel file \"%s\", there is not Worksheet\"%s\" you specified, please "
            "check it.",
            m_strTemplateFile.GetString(), m_strTemplateSheet.GetString());
        output::PostText(m_hWndNotify, line);
        return 0;
    }
    if (m_bKeepFormulas) {
        CopyRange(m_pResultSheet.GetCells(), m_pTemplateSheet.GetCells());
    } else if (Range content = GetDataRange(m_pTemplateSheet)) {
        CopyValuesAndFormats(m_pWorkbooks, RangeOnSheet(m_pResultSheet, content), content);
    }
    return 1;
}

int CAddCellByCellTask::ProcessWorksheet(const CString& path, _Worksheet sheet) {
    if (m_strTemplateFile.IsEmpty())
        return AddWithoutTemplate(sheet);
    return AddByTemplate(path, sheet);
}

int CAddCellByCellTask::AddByTemplate(const CString& path, const _Worksheet& sheet) {
    Range marks = GetDataRange(m_pTemplateSheet);
    if (!marks) {
        CString line;
        line.Format("Template worksheet \"%s\" has not any content，please check it. ",
                    m_strTemplateSheet.GetString());
        output::PostText(m_hWndNotify, line);
        return 0;
    }
    CString name = sheet.GetName();
    CString first;
    first.Format(
        "Warring: When processing \"%s\". Some cells don't have data.Please click this "
        "item for detailed information.",
        name.GetString());
    StringRecord record{first, path, name};

    CString progressId = output::BeginProgress(m_hWndNotify, output::FormatSheetProgress(name, 0));
    int lastPercent = -1;
    const long count = marks.GetCount();
    for (long i = 1; i <= count; ++i) {
        output::UpdateSheetPercent(m_hWndNotify, progressId, name, i, count, lastPercent);
        if (IsCanceled())
            return 0;
        Range mark = marks.GetItem(COleVariant(i));
        COleVariant markValue = mark.GetValue();
        if (markValue.Type() != VT_BSTR || markValue.Text().CompareNoCase("(SUM)") != 0)
            continue;
        Range from = RangeOnSheet(sheet, mark);
        std::optional<double> amount = CellAmount(from, from.GetValue());
        if (!amount) {
            CString line;
            line.Format("%s: No data in this cell", AddressWithoutDollars(mark).GetString());
            record.push_back(line);
            continue;
        }
        // Amounts are written as plain numbers: the marked cell keeps its format.
        Range target = RangeOnSheet(m_pResultSheet, mark);
        COleVariant sum = target.GetValue();
        if (sum.Type() == VT_BSTR)
            target.SetValue(COleVariant(*amount));
        else if (std::optional<double> before = CellAmount(target, sum))
            target.SetValue(COleVariant(*before + *amount));
    }
    if (record.size() > 3) {
        output::EndProgress(m_hWndNotify, progressId, "");
        output::PostDetail(m_hWndNotify, std::move(record));
    } else {
        output::EndProgress(m_hWndNotify, progressId, SheetCompleteText(name));
    }
    return 1;
}

int CAddCellByCellTask::AddWithoutTemplate(const _Worksheet& sheet) {
    CString name = sheet.GetName();
    Range source = GetDataRange(sheet);
    if (!source) {
        CString line;
        line.Format("There is no content in the template worksheet \"%s\". Please check it.",
                    name.GetString());
        output::PostText(m_hWndNotify, line);
        return 1;
    }
    Range destination = RangeOnSheet(m_pResultSheet, source);
    CString progressId = output::BeginProgress(m_hWndNotify, output::FormatSheetProgress(name, 0));
    if (m_nSheetsDone == 0) {
        if (m_bKeepFormulas)
            CopyRange(m_pResultSheet.GetCells(), sheet.GetCells());
        else
            CopyValuesAndFormats(m_pWorkbooks, destination, source);
        output::EndProgress(m_hWndNotify, progressId, SheetCompleteText(name));
        return 1;
    }
    // Row by row, each row's amounts added in one pass: a formula of the result is left
    // as it is (its value is not needed), and so is a result cell holding anything but a
    // number. The progress goes cell by cell as before.
    int lastPercent = -1;
    const long count = source.GetCount();
    const Range sourceRows = source.GetRows();
    const Range destinationRows = destination.GetRows();
    const long rows = sourceRows.GetCount();
    const long width = rows > 0 ? count / rows : 0;
    for (long r = 1; r <= rows; ++r) {
        for (long i = (r - 1) * width + 1; i <= r * width; ++i) {
            output::UpdateSheetPercent(m_hWndNotify, progressId, name, i, count, lastPercent);
            if (IsCanceled())
                return 0;
        }
        destinationRows.GetItem(COleVariant(r))
            .GetCells()
            .AddAmounts(sourceRows.GetItem(COleVariant(r)).GetCells(), 0);
    }
    output::EndProgress(m_hWndNotify, progressId, SheetCompleteText(name));
    return 1;
}

int CAddCellByCellTask::Finish() {
    CloseTemplate();
    return CFolderTask::Finish();
}

}  // namespace tabulon::engine
