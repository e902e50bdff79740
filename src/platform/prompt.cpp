#include "platform/prompt.h"

#include <cstdio>
#include <mutex>

namespace tabulon::platform {
namespace {

// Used when no service is installed: nobody can answer, so every question gets the
// cautious answer, and messages at least reach stderr.
class CFallbackPromptService : public CPromptService {
  public:
    PromptAnswer ShowMessage(const CString& text, MessageButtons buttons) override {
        std::fprintf(stderr, "%s\n", text.GetString());
        return buttons == MessageButtons::Ok ? PromptAnswer::Ok : PromptAnswer::No;
    }
    CString PromptForFile(const FilePromptArgs&) override { return CString(); }
    CString BrowseForFolder(const CString&) override { return CString(); }
    bool OpenDocument(const CString&) override { return false; }
};

std::mutex g_serviceMutex;
std::shared_ptr<CPromptService> g_service;

}  // namespace

std::shared_ptr<CPromptService> GetPromptService() {
    static const std::shared_ptr<CPromptService> fallback =
        std::make_shared<CFallbackPromptService>();
    std::lock_guard<std::mutex> lock(g_serviceMutex);
    return g_service ? g_service : fallback;
}

std::shared_ptr<CPromptService> SetPromptService(std::shared_ptr<CPromptService> service) {
    std::lock_guard<std::mutex> lock(g_serviceMutex);
    std::swap(g_service, service);
    return service;
}

void MessageBoxOk(const CString& text) {
    GetPromptService()->ShowMessage(text, MessageButtons::Ok);
}

bool MessageBoxYesNo(const CString& text) {
    return GetPromptService()->ShowMessage(text, MessageButtons::YesNo) == PromptAnswer::Yes;
}

CString PromptForFile(const CString& defaultExtension, const CString& initialName,
                      const CString& filter, const CString& title, unsigned flags,
                      const CString& initialFolder) {
    FilePromptArgs args;
    args.defaultExtension = defaultExtension;
    args.initialName = initialName;
    args.filter = filter;
    args.title = title.IsEmpty() ? CString(kDefaultFilePromptTitle) : title;
    args.flags = flags;
    args.initialFolder = initialFolder;
    return GetPromptService()->PromptForFile(args);
}

CString BrowseForFolder(const CString& initialFolder) {
    return GetPromptService()->BrowseForFolder(initialFolder);
}

bool OpenDocument(const CString& path) {
    return GetPromptService()->OpenDocument(path);
}

}  // namespace tabulon::platform
