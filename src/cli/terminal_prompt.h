// The prompt service of the command line: message boxes go to stderr; a Yes/No question
// is answered Yes by the option made for it (--overwrite, --open), otherwise asked on
// the terminal when there is one, else answered No; the file prompt asks for a path on a
// terminal and is empty otherwise, and like the file dialog it gives a name typed without
// an extension the default one; the folder prompt is always empty. A document that cannot
// be opened is said, with the reason. With --json a message is {"message":text} and an
// answered question {"question":text,"answer":"Yes"}. Every message and question passes
// the question gate first, so it follows the lines the task posted before it.
#pragma once

#include <iosfwd>
#include <memory>
#include <mutex>

#include "cli/question_gate.h"
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
    CTerminalPromptService(TerminalAnswers answers, std::istream& in, std::ostream& err,
                           std::shared_ptr<CQuestionGate> gate = {});

    platform::PromptAnswer ShowMessage(const CString& text,
                                       platform::MessageButtons buttons) override;
    CString PromptForFile(const platform::FilePromptArgs& args) override;
    CString BrowseForFolder(const CString& initialFolder) override;
    bool OpenDocument(const CString& path) override;

  private:
    CString ReadLine_unlocked();
    void PrintMessage_unlocked(const CString& text);
    void PrintAnswered_unlocked(const CString& text, const char* answer);

    TerminalAnswers m_answers;
    std::istream& m_in;
    std::ostream& m_err;
    std::shared_ptr<CQuestionGate> m_gate;
    std::mutex m_mutex;
};

}  // namespace tabulon::cli
