// CCheckSameFormatSheetTask: checks every selected worksheet of a folder tree against a
// template worksheet, cell by cell over the template's content range: the kind of value
// must match, and where the template cell holds a formula the worksheet's value must be
// the one that formula gives there. Findings are posted per worksheet as a detail record
// and written, line by line, into column A of the result worksheet (the report).
#pragma once

#include <optional>
#include <vector>

#include "engine/folder_task.h"
#include "spreadsheet/address.h"

namespace tabulon::engine {

class CCheckSameFormatSheetTask : public CFolderTask {
  public:
    CCheckSameFormatSheetTask(const CString& templateFile, const CString& templateSheet,
                              const CString& folder, const SheetSelection& selection,
                              const CString& resultFile, platform::CNotifyHandle notify);
    ~CCheckSameFormatSheetTask() override;

  protected:
    // The checks write into cells, so they work on a scratch copy of the file, or on the
    // workbook itself where it can stand in for that copy (_Workbook::CanStandInForCopy).
    _Workbook OpenSourceWorkbook(const CString& path) override;
    // The copy lists the worksheets last first, and they are checked in its order: on a
    // workbook standing in for it, from the last.
    bool LastWorksheetFirst() const override { return m_standsIn; }
    int Prepare() override;
    int ProcessWorksheet(const CString& path, _Worksheet sheet) override;
    int Finish() override;

  private:
    // True when formula, put into cell, gives the value the cell shows; the cell is put
    // back as it was. Not needed where the cell holds that formula, calculated
    // (Range::HoldsCalculated): the answer is then true.
    static bool FormulaGivesShownValue(Range cell, const COleVariant& formula);
    void AppendReportLine(const CString& text);

    // The template's content range and, row by row across it, the types of its cells'
    // values (calculated), read as the first worksheet is checked; the template is then
    // closed: nothing writes to it while the task runs.
    std::optional<spreadsheet::RangeRef> m_templateArea;
    std::vector<VARTYPE> m_templateTypes;
    // ...and their formulas ("=..."), read without calculating anything: for each cell
    // the index of its formula in m_templateFormulas, -1 for none.
    void ReadTemplateFormulas();
    std::vector<int> m_templateFormulaAt;
    std::vector<CString> m_templateFormulas;
    bool m_templateFormulasRead = false;
    // The workbook being checked stands in for its copy.
    bool m_standsIn = false;

    CString m_strTemplateFile;
    CString m_strTemplateSheet;
    _Workbook m_pTemplateBook;
    _Worksheet m_pTemplateSheet;
};

}  // namespace tabulon::engine
