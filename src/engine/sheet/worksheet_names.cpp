// Listing the worksheet names of workbook files for the worksheet fields.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/sheet/sheet_helpers.h"
#include "platform/paths.h"

namespace tabulon::engine {

namespace {

constexpr const char* kWorkbookPatterns = "*.xls;*.xlsx;*.xlsm;*.xlsb";
constexpr int kMaxFilesListed = 5;

void AddNew(std::vector<CString>& names, const CString& name) {
    if (std::find(names.begin(), names.end(), name) == names.end())
        names.push_back(name);
}

// Puts the session's two alert settings back however the listing ends.
class AlertSettingsGuard {
  public:
    explicit AlertSettingsGuard(_Application session) : m_session(std::move(session)) {
        m_displayAlerts = m_session.GetDisplayAlerts();
        m_askToUpdateLinks = m_session.GetAskToUpdateLinks();
        m_session.SetDisplayAlerts(false);
        m_session.SetAskToUpdateLinks(false);
    }
    ~AlertSettingsGuard() {
        try {
            m_session.SetDisplayAlerts(m_displayAlerts);
            m_session.SetAskToUpdateLinks(m_askToUpdateLinks);
        } catch (const ComError&) {
            // the session has gone: nothing left to restore
        }
    }
    AlertSettingsGuard(const AlertSettingsGuard&) = delete;
    AlertSettingsGuard& operator=(const AlertSettingsGuard&) = delete;

  private:
    _Application m_session;
    bool m_displayAlerts = true;
    bool m_askToUpdateLinks = true;
};

void WalkFolder(const _Application& session, const std::filesystem::path& folder,
                std::vector<CString>& names, int& listed) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(*it);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.path().filename() < b.path().filename();
    });
    for (const auto& entry : entries) {
        if (listed >= kMaxFilesListed)
            return;
        std::error_code e;
        // Links to folders are not followed, so a loop of links cannot trap the walk.
        if (entry.is_directory(e) && !entry.is_symlink(e)) {
            WalkFolder(session, entry.path(), names, listed);
        } else if (entry.is_regular_file(e) &&
                   platform::PathMatchSpec(CString(entry.path().filename().string()),
                                           kWorkbookPatterns)) {
            std::vector<CString> fresh;
            ListWorksheetNames(session, CString(entry.path().string()), fresh);
            for (const auto& name : fresh)
                AddNew(names, name);
            ++listed;
        }
    }
}

}  // namespace

void ListWorksheetNames(const _Application& session, const CString& path,
                        std::vector<CString>& names) {
    try {
        AlertSettingsGuard guard(session);
        _Workbook book = session.GetWorkbooks().Add(COleVariant(path));
        try {
            Sheets sheets = book.GetSheets();
            const long count = sheets.GetCount();
            for (long i = 1; i <= count; ++i) {
                _Worksheet sheet = sheets.GetItem(COleVariant(i));
                if (!sheet.IsEmpty())  // chart sheets are not offered
                    AddNew(names, sheet.GetName());
            }
        } catch (...) {
            book.Close();
            throw;
        }
        book.Close();
    } catch (const ComError&) {
        // a file that cannot be listed adds nothing more
    } catch (const std::exception&) {
    }
}

void CollectWorksheetNames(const _Application& session, const CString& path,
                           std::vector<CString>& names) {
    if (platform::PathMatchSpec(path, kWorkbookPatterns)) {
        if (platform::PathFileExists(path))
            ListWorksheetNames(session, path, names);
        return;
    }
    if (!platform::PathIsDirectory(path))
        return;
    int listed = 0;
    WalkFolder(session, std::filesystem::path(path.Str()), names, listed);
}

}  // namespace tabulon::engine
