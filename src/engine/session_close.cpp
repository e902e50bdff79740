#include "engine/session_close.h"

namespace tabulon::engine {

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
