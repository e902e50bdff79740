// The prompt service of the command line: message boxes go to stderr; a Yes/No question
// is answered Yes by the option made for it (--overwrite, --open), otherwise asked on
// the terminal when there is one, else answered No; the file prompt asks for a path on a
// terminal and is empty otherwise; the folder prompt is always empty. With --json a
// message is {"message":text} and an answered question {"question":text,"answer":"Yes"}.
#pragma once

#include <iosfwd>
#include <mutex>

#include "platform/prompt.h"

namespace tabulon::cli {

struct TerminalAnswers {
    bool overwrite = false;    // Yes to "File '%s' already exists. ..."
    bool openResult = false;   // Yes to "Do you want to open the result?"
    bool interactive = false;  // questions may be asked on the terminal (in)
    bool json = false;         // messages and answered questions as JSON objects on err
};

class CTerminalPromptService : public platform::CPromptService {
  public:
    CTerminalPromptService(TerminalAnswers answers, std::istream& in, std::ostream& err);

    platform::PromptAnswer ShowMessage(const CString& text,
                                       platform::MessageButtons buttons) override;
    CString PromptForFile(const platform::FilePromptArgs& args) override;
    CString BrowseForFolder(const CString& initialFolder) override;
    bool OpenDocument(const CString& path) override;

  private:
    CString ReadLine_unlocked();
    void PrintAnswered_unlocked(const CString& text, const char* answer);

    TerminalAnswers m_answers;
    std::istream& m_in;
    std::ostream& m_err;
    std::mutex m_mutex;
};

}  // namespace tabulon::cli
