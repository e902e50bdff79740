#include "engine/task_session.h"

#include "engine/sheet/sheet_helpers.h"
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

}  // namespace tabulon::engine
