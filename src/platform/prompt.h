// Every question the program asks a person goes through one prompt service: message
// boxes, the file and folder pickers, and opening a document with the desktop's default
// application. The GUI and the command line each install their own service; tests install
// a scripted one (scripted_prompt.h). All functions here may be called from any thread.
#pragma once

#include <memory>

#include "platform/cstring.h"

namespace tabulon::platform {

enum class MessageButtons { Ok, YesNo };
enum class PromptAnswer { Ok, Yes, No };

// Flags of the file picker, with the values of the Windows common dialog.
inline constexpr unsigned OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr unsigned OFN_HIDEREADONLY = 0x00000004;
inline constexpr unsigned OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr unsigned OFN_FILEMUSTEXIST = 0x00001000;
inline constexpr unsigned OFN_EXPLORER = 0x00080000;

inline constexpr const char* kFolderPromptTitle = "Select a folder:";
inline constexpr const char* kDefaultFilePromptTitle = "Open";

struct FilePromptArgs {
    CString defaultExtension;  // without the dot, e.g. "xls"
    CString initialName;       // may be empty
    // "Label|*.a;*.b|Label|*.c||" as the Windows common dialog takes it.
    CString filter;
    CString title;  // never empty: PromptForFile puts "Open" for none
    unsigned flags = 0;
    CString initialFolder;  // may be empty
};

class CPromptService {
  public:
    virtual ~CPromptService() = default;

    // Ok for a box with the OK button; Yes or No for a Yes/No question.
    virtual PromptAnswer ShowMessage(const CString& text, MessageButtons buttons) = 0;
    // The chosen path, or empty when cancelled.
    virtual CString PromptForFile(const FilePromptArgs& args) = 0;
    virtual CString BrowseForFolder(const CString& initialFolder) = 0;
    // Opens path with the desktop's default application; false when that failed.
    virtual bool OpenDocument(const CString& path) = 0;
};

// The process-wide service. Until one is set, a fallback writes messages to stderr and
// answers No, empty paths and false.
std::shared_ptr<CPromptService> GetPromptService();
// Installs service (null: the fallback) and returns the previous one.
std::shared_ptr<CPromptService> SetPromptService(std::shared_ptr<CPromptService> service);

// Installs a service for the lifetime of this object, then restores the previous one.
class CScopedPromptService {
  public:
    explicit CScopedPromptService(std::shared_ptr<CPromptService> service)
        : m_previous(SetPromptService(std::move(service))) {}
    ~CScopedPromptService() { SetPromptService(std::move(m_previous)); }
    CScopedPromptService(const CScopedPromptService&) = delete;
    CScopedPromptService& operator=(const CScopedPromptService&) = delete;

  private:
    std::shared_ptr<CPromptService> m_previous;
};

// The stand-ins for the message box calls: through the current service.
void MessageBoxOk(const CString& text);
bool MessageBoxYesNo(const CString& text);  // true for Yes

CString PromptForFile(const CString& defaultExtension, const CString& initialName,
                      const CString& filter, const CString& title, unsigned flags,
                      const CString& initialFolder);
CString BrowseForFolder(const CString& initialFolder);
bool OpenDocument(const CString& path);

}  // namespace tabulon::platform
