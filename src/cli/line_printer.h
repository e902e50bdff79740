// Prints a task's notification stream: as the output list shows it (text mode) or as
// one JSON object per message (--json).
//
// Text mode: each list line on its own line; a detail line is followed by its detail
// lines, indented. The progress line is rewritten in place on a terminal, kept below the
// other lines; elsewhere it is printed once, when its task ends it with a text.
#pragma once

#include <iosfwd>

#include "output/output_list.h"
#include "platform/notify.h"

namespace tabulon::cli {

class CLinePrinter {
  public:
    CLinePrinter(std::ostream& out, bool terminal, bool json);

    void Handle(int code, platform::CNotifyPayload payload);
    // Ends a progress line still shown, so that what follows starts on a line of its own.
    void Close();

    const output::COutputList& List() const { return m_list; }

  private:
    void PrintJson(int code, const platform::CNotifyPayload& payload);
    void PrintLine(const output::OutputLine& line);
    void ShowProgress(const CString& text);
    void HideProgress();
    void EndProgress();

    std::ostream& m_out;
    bool m_terminal;
    bool m_json;
    output::COutputList m_list;
    CString m_progressText;
    bool m_progressShown = false;  // drawn on the terminal's last line, without a newline
};

// text as a JSON string literal, quotes included.
CString JsonString(const CString& text);

}  // namespace tabulon::cli
