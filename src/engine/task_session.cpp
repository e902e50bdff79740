#include "engine/task_session.h"

#include <algorithm>

#include "engine/sheet/sheet_helpers.h"
#include "output/task_messages.h"
#include "platform/paths.h"
#include "platform/prompt.h"

namespace tabulon::engine {

bool StartTaskSession(_Application& app, Workbooks& workbooks, int& savedAskToUpdateLinks,
                      _Workbook& resultBook, _Worksheet& resultSheet) {
    app = _Application::Create();
    if (!app) {
        platform::MessageBoxOk(kNoSpreadsheetText);
        return false;
    }
    app.SetDisplayAlerts(false);
    savedAskToUpdateLinks = app.GetAskToUpdateLinks() ? -1 : 0;
    app.SetAskToUpdateLinks(false);
    workbooks = app.GetWorkbooks();
    resultBook = NewWorkbook(workbooks, 1);
    resultSheet = resultBook.GetSheets().GetItem(COleVariant(1));
    return true;
}

void CloseSessionQuietly(_Application& app, Workbooks& workbooks, int savedAskToUpdateLinks,
                         std::initializer_list<_Workbook*> books) {
    for (_Workbook* book : books) {
        try {
            if (*book)
                book->SetSaved(true);
        } catch (const ComError&) {
        }
    }
    try {
        if (workbooks)
            workbooks.Close();
    } catch (const ComError&) {
    }
    try {
        if (app) {
            app.SetDisplayAlerts(true);
            app.SetAskToUpdateLinks(savedAskToUpdateLinks != 0);
            app.Quit();
        }
    } catch (const ComError&) {
    }
}

namespace {

// More cells than this on one worksheet are counted, not listed.
constexpr std::size_t kMaxListedCells = 1000;

}  // namespace

void PostUncalculatedCells(const platform::CNotifyHandle& notify, _Application& app,
                           const CString& resultPath) {
    if (!app)
        return;
    std::vector<UncalculatedCell> cells = app.TakeUncalculatedCells();
    for (std::size_t first = 0; first < cells.size();) {
        const UncalculatedCell& head = cells[first];
        std::size_t end = first;
        while (end < cells.size() && cells[end].workbook == head.workbook &&
               cells[end].sheet == head.sheet)
            ++end;
        const bool result = head.workbook.IsEmpty();
        CString line;
        if (result) {
            line.Format(
                "Some formulas of worksheet \"%s\" in the result cannot be calculated: they are "
                "saved without a value. Please click this item for detailed information.",
                head.sheet.GetString());
        } else {
            line.Format(
                "Some formulas of worksheet \"%s\" in \"%s\" cannot be calculated and the file "
                "holds no values for them: their values are left out. Please click this item "
                "for detailed information.",
                head.sheet.GetString(), head.workbook.GetString());
        }
        StringRecord record{line, result ? resultPath : head.workbook, head.sheet};
        for (std::size_t i = first; i < end && i - first < kMaxListedCells; ++i) {
            CString detail;
            detail.Format("%s: =%s cannot be calculated",
                          spreadsheet::FormatCellRef(cells[i].cell).c_str(),
                          cells[i].formula.GetString());
            record.push_back(detail);
        }
        if (end - first > kMaxListedCells) {
            CString more;
            more.Format("... and %zu more cells", end - first - kMaxListedCells);
            record.push_back(more);
        }
        output::PostDetail(notify, std::move(record));
        first = end;
    }
}

bool CheckResultIsNoSource(const platform::CNotifyHandle& notify, const CString& result,
                           const std::vector<CString>& sources,
                           const std::vector<platform::FileId>& read) {
    platform::FileId id;
    const bool wasRead = !read.empty() && platform::GetFileId(result, id) &&
                         std::find(read.begin(), read.end(), id) != read.end();
    for (const CString& source : wasRead ? std::vector<CString>{result} : sources) {
        if (!wasRead && !platform::IsSameFile(result, source))
            continue;
        CString line;
        line.Format(
            "The result file '%s' is the workbook '%s' that this task reads. A source workbook "
            "is never written: please choose another result file.",
            result.GetString(), source.GetString());
        output::PostText(notify, line);
        return false;
    }
    return true;
}

}  // namespace tabulon::engine
