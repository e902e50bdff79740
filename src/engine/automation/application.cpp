#include "engine/automation/application.h"

#include <utility>

#include "engine/automation/state.h"
#include "engine/automation/workbook.h"
#include "platform/prompt.h"

namespace tabulon::engine {

_Application _Application::Create() {
    return _Application(std::make_shared<detail::SessionState>());
}

detail::SessionState& _Application::Session() const {
    if (!m_session)
        ThrowEmptyHandle("_Application");
    m_session->Check();
    return *m_session;
}

Workbooks _Application::GetWorkbooks() const {
    Session();
    return Workbooks(m_session);
}

bool _Application::GetDisplayAlerts() const {
    return Session().displayAlerts;
}

void _Application::SetDisplayAlerts(bool value) {
    Session().displayAlerts = value;
}

bool _Application::GetAskToUpdateLinks() const {
    return Session().askToUpdateLinks;
}

void _Application::SetAskToUpdateLinks(bool value) {
    Session().askToUpdateLinks = value;
}

long _Application::GetSheetsInNewWorkbook() const {
    return Session().sheetsInNewWorkbook;
}

void _Application::SetSheetsInNewWorkbook(long count) {
    auto& session = Session();
    if (count < 1 || count > 255)
        throw ComError(XL_E_APPLICATION,
                       "Unable to set the SheetsInNewWorkbook property: the number must be "
                       "between 1 and 255.");
    session.sheetsInNewWorkbook = count;
}

bool _Application::GetVisible() const {
    return Session().visible;
}

void _Application::SetVisible(bool visible) {
    auto& session = Session();
    bool wasVisible = session.visible;
    session.visible = visible;
    if (!visible || wasVisible)
        return;
    // Showing the session means showing its workbooks; only those made from a file
    // have something the desktop can open.
    for (const auto& book : session.books)
        if (!book->templatePath.IsEmpty())
            platform::OpenDocument(book->templatePath);
}

std::vector<UncalculatedCell> _Application::TakeUncalculatedCells() {
    auto& session = Session();
    return std::exchange(session.uncalculated, {});
}

void _Application::Quit() {
    auto& session = Session();
    session.CloseAll();
    session.ended = true;
}

}  // namespace tabulon::engine
