// The lines of the output list, built from a task's notification stream. The command
// line prints them and the GUI's output view shows them; both share these rules:
// - text, finished and detail messages append a line at the bottom;
// - a detail line owns its record ([line text, workbook path, worksheet name, details...]);
// - there is one progress line at a time: an update changes it in place while it is the
//   last line; when other lines came after it, it is removed and appended again below
//   them; an empty progress text removes it;
// - clear removes every line.
#pragma once

#include <memory>
#include <vector>

#include "platform/cstring.h"
#include "platform/notify.h"

namespace tabulon::output {

struct OutputLine {
    CString text;
    std::unique_ptr<StringRecord> detail;  // null for a plain line
    bool isProgress = false;               // the line currently showing progress
};

// What one message did to the list, so a view can mirror it.
struct OutputChange {
    enum class Kind { Appended, Changed, Removed, Cleared };
    Kind kind;
    int index = -1;  // the line concerned (before removal for Removed)
};

class COutputList {
  public:
    // Applies one message (WM_TASK_NOTIFY code and payload); unknown codes and payloads
    // of the wrong type change nothing. Returns the changes in the order they happened.
    std::vector<OutputChange> Apply(int code, platform::CNotifyPayload payload);

    void Clear();
    // For a printer that prints each line once: before each message, the lines no message
    // can change any more are dropped (all but the last line and the progress line), so
    // that a long run holds three lines at most, not one per message. Indexes, Count and
    // Line then count the kept lines only; the changes each message makes stay the same.
    void KeepOnlyOpenLines() { m_keepOnlyOpen = true; }

    int Count() const { return static_cast<int>(m_lines.size()); }
    const OutputLine& Line(int index) const { return m_lines.at(static_cast<size_t>(index)); }
    // Index of the progress line, -1 when there is none.
    int ProgressIndex() const { return m_progress; }

    // The strings of a detail line's record without its first one (workbook path,
    // worksheet name, detail lines): what the details dialog shows. Empty for a plain line.
    std::vector<CString> DetailsOf(int index) const;

  private:
    int Append(CString text, std::unique_ptr<StringRecord> detail);
    void ApplyProgress(const CString& text, std::vector<OutputChange>& changes);
    void DropClosedLines();

    std::vector<OutputLine> m_lines;
    int m_progress = -1;
    bool m_keepOnlyOpen = false;
};

}  // namespace tabulon::output
