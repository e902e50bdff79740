#include "engine/task_session.h"

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

bool CheckResultIsNoSource(const platform::CNotifyHandle& notify, const CString& result,
                           const std::vector<CString>& sources) {
    for (const CString& source : sources) {
        if (!platform::IsSameFile(result, source))
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
