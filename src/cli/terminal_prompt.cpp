#include "cli/terminal_prompt.h"

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

}  // namespace

CTerminalPromptService::CTerminalPromptService(TerminalAnswers answers, std::istream& in,
                                               std::ostream& err)
    : m_answers(answers), m_in(in), m_err(err) {}

CString CTerminalPromptService::ReadLine_unlocked() {
    std::string line;
    if (!std::getline(m_in, line))
        return CString();
    CString text(line);
    return text.Trim();
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
    if (buttons == MessageButtons::Ok) {
        if (m_answers.json) {
            m_err << "{\"message\":" << JsonString(text) << "}\n" << std::flush;
        } else {
            m_err << text << '\n' << std::flush;
        }
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
    m_err << args.title << ": " << std::flush;
    return ReadLine_unlocked();
}

CString CTerminalPromptService::BrowseForFolder(const CString&) {
    return CString();
}

bool CTerminalPromptService::OpenDocument(const CString& path) {
    return platform::OpenWithDesktopApplication(path);
}

}  // namespace tabulon::cli
