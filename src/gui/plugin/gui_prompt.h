// The prompt service of the GUI: Qt message boxes, file and folder dialogs, and the
// desktop's default application for documents.
//
// Any thread may ask. On the GUI thread the dialog runs at once; from a worker thread
// the question is queued to the GUI thread and the worker waits for the answer. While
// the GUI thread itself waits for a worker (a Stop, inside a CPromptRefusal), it cannot
// show dialogs: questions waiting then, or asked then, get the cautious answer at once
// (No, an empty path, false), so the worker runs on to its end instead of both threads
// waiting for each other. The same holds once the application is quitting.
#pragma once

#include <QStringList>

#include "platform/prompt.h"

namespace tabulon::gui {

class CGuiPromptService : public platform::CPromptService {
  public:
    CGuiPromptService();

    platform::PromptAnswer ShowMessage(const CString& text,
                                       platform::MessageButtons buttons) override;
    CString PromptForFile(const platform::FilePromptArgs& args) override;
    CString BrowseForFolder(const CString& initialFolder) override;
    bool OpenDocument(const CString& path) override;
};

// Held on the GUI thread around a wait for a worker thread (see above). Nests.
class CPromptRefusal {
  public:
    CPromptRefusal();
    ~CPromptRefusal();
    CPromptRefusal(const CPromptRefusal&) = delete;
    CPromptRefusal& operator=(const CPromptRefusal&) = delete;
};

// "Label(*.a)|*.a;*.b|Other|*.c||" as the Windows common dialog takes it, turned into
// Qt's name filters: "Label (*.a *.b)", "Other (*.c)".
QStringList NameFiltersFromWindowsFilter(const CString& filter);

// The title of the application's message boxes.
inline constexpr const char* kMessageBoxTitle = "Tabulon";

}  // namespace tabulon::gui
