#include "cli/terminal_prompt.h"

#include <cstdlib>
#include <istream>
#include <ostream>
#include <string>

#include "cli/line_printer.h"
#include "platform/desktop.h"

namespace tabulon::cli {

using platform::MessageButtons;
using platform::PromptAnswer;

namespace {

// The question of "File '%s' already exists. Do you want to overwrite it?".
bool IsOverwriteQuestion(const CString& text) {
    const CString start = "File '";
    const CString end = "' already exists. Do you want to overwrite it?";
    return text.GetLength() >= start.GetLength() + end.GetLength() &&
           text.Left(start.GetLength()) == start && text.Right(end.GetLength()) == end;
}

// The file dialog's rule: a name without an extension gets the default one. A leading
// dot starts a hidden name, not an extension. "~/" stands for the home folder, as in the
// shell.
CString CompleteTypedName(const CString& typed, const CString& extension) {
    CString name = typed;
    if (name.Left(2) == "~/") {
        if (const char* home = std::getenv("HOME"); home && *home)
            name = CString(home) + name.Mid(1);
    }
    const CString base = name.Mid(name.ReverseFind('/') + 1);
    if (!base.IsEmpty() && !extension.IsEmpty() && base.ReverseFind('.') <= 0)
        name += "." + extension;
    return name;
}

// Holds the question gate open around one message or question.
class CAsking {
  public:
    explicit CAsking(CQuestionGate* gate) : m_gate(gate) {
        if (m_gate)
            m_gate->BeforeQuestion();
    }
    ~CAsking() {
        if (m_gate)
            m_gate->AfterQuestion();
    }
    CAsking(const CAsking&) = delete;
    CAsking& operator=(const CAsking&) = delete;

  private:
    CQuestionGate* m_gate;
};

}  // namespace

CTerminalPromptService::CTerminalPromptService(TerminalAnswers answers, std::istream& in,
                                               std::ostream& err,
                                               std::shared_ptr<CQuestionGate> gate)
    : m_answers(answers), m_in(in), m_err(err), m_gate(std::move(gate)) {}

CString CTerminalPromptService::ReadLine_unlocked() {
    std::string line;
    if (m_gate)
        m_gate->SetReading(true);
    const bool read = static_cast<bool>(std::getline(m_in, line));
    if (m_gate)
        m_gate->SetReading(false);
    if (!read)
        return CString();
    CString text(line);
    return text.Trim();
}

void CTerminalPromptService::PrintMessage_unlocked(const CString& text) {
    if (m_answers.json) {
        m_err << "{\"message\":" << JsonString(text) << "}\n" << std::flush;
    } else {
        m_err << text << '\n' << std::flush;
    }
}

void CTerminalPromptService::PrintAnswered_unlocked(const CString& text, const char* answer) {
    if (m_answers.json) {
        m_err << "{\"question\":" << JsonString(text) << ",\"answer\":\"" << answer << "\"}\n";
    } else {
        m_err << text << ' ' << answer << '\n';
    }
    m_err.flush();
}

PromptAnswer CTerminalPromptService::ShowMessage(const CString& text, MessageButtons buttons) {
    std::lock_guard lock(m_mutex);
    CAsking asking(m_gate.get());
    if (buttons == MessageButtons::Ok) {
        PrintMessage_unlocked(text);
        return PromptAnswer::Ok;
    }
    bool yes = (m_answers.overwrite && IsOverwriteQuestion(text)) ||
               (m_answers.openResult && text == "Do you want to open the result?");
    if (yes) {
        PrintAnswered_unlocked(text, "Yes");
        return PromptAnswer::Yes;
    }
    if (!m_answers.interactive) {
        PrintAnswered_unlocked(text, "No");
        return PromptAnswer::No;
    }
    for (;;) {
        m_err << text << " [y/n] " << std::flush;
        if (!m_in)
            return PromptAnswer::No;
        CString answer = ReadLine_unlocked();
        if (answer.CompareNoCase("y") == 0 || answer.CompareNoCase("yes") == 0)
            return PromptAnswer::Yes;
        if (answer.CompareNoCase("n") == 0 || answer.CompareNoCase("no") == 0 || !m_in)
            return PromptAnswer::No;
    }
}

CString CTerminalPromptService::PromptForFile(const platform::FilePromptArgs& args) {
    std::lock_guard lock(m_mutex);
    if (!m_answers.interactive)
        return CString();
    CAsking asking(m_gate.get());
    m_err << args.title << ": " << std::flush;
    const CString typed = ReadLine_unlocked();
    return typed.IsEmpty() ? typed : CompleteTypedName(typed, args.defaultExtension);
}

CString CTerminalPromptService::BrowseForFolder(const CString&) {
    return CString();
}

bool CTerminalPromptService::OpenDocument(const CString& path) {
    const CString problem = platform::OpenWithDesktopApplication(path);
    if (problem.IsEmpty())
        return true;
    std::lock_guard lock(m_mutex);
    CAsking asking(m_gate.get());
    CString text;
    text.Format("The result \"%s\" could not be opened: %s", path.GetString(), problem.GetString());
    PrintMessage_unlocked(text);
    return false;
}

}  // namespace tabulon::cli
