// Prints a task's notification stream: as the output list shows it (text mode) or as
// one JSON object per message (--json).
//
// Text mode: each list line on its own line; a detail line is followed by its detail
// lines, indented. On a terminal the bottom line is rewritten in place: it shows the
// progress line while there is one, and the status of the run when the driver gives one;
// it is erased before each ordinary line and drawn again below it, so the lines printed
// stay exactly the list's lines. A progress line that ends with a text becomes an
// ordinary line. Elsewhere the progress line is printed once, when its task ends it with
// a text, and there is no status.
#pragma once

#include <functional>
#include <iosfwd>

#include "output/output_list.h"
#include "platform/notify.h"

namespace tabulon::cli {

class CLinePrinter {
  public:
    // width: the terminal's columns now (it may change while the task runs).
    CLinePrinter(std::ostream& out, bool terminal, bool json, std::function<int()> width = {});

    void Handle(int code, platform::CNotifyPayload payload);
    // The status of the run on a terminal: head (counts, time) and the file at work;
    // drawn only when it differs from what is shown.
    void SetStatus(const CString& head, const CString& file);
    // While suspended the bottom line is erased and not drawn (a question is being asked).
    void Suspend(bool suspended);
    // Erases the bottom line; a progress line still there is printed as a line.
    void Close();

    const output::COutputList& List() const { return m_list; }

  private:
    void PrintJson(int code, const platform::CNotifyPayload& payload);
    void PrintLine(const output::OutputLine& line);
    void EndProgress();
    // Draws the bottom line as it should now be, or erases it when it should be empty.
    void DrawBottom();
    void EraseBottom();

    std::ostream& m_out;
    bool m_terminal;
    bool m_json;
    std::function<int()> m_width;
    output::COutputList m_list;
    CString m_progressText;
    CString m_statusHead;
    CString m_statusFile;
    bool m_suspended = false;
    CString m_bottomShown;  // drawn on the terminal's last line, without a newline
};

// text as a JSON string literal, quotes included.
CString JsonString(const CString& text);

}  // namespace tabulon::cli
