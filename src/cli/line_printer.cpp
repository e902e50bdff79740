#include "cli/line_printer.h"

#include <algorithm>
#include <ostream>
#include <utility>

namespace tabulon::cli {

using output::OutputChange;

namespace {

const char* const kEraseLine = "\r\x1b[K";

// The length of the well-formed UTF-8 sequence at text[i] (a lead byte >= 0x80), or 0:
// no overlong forms, no surrogates, nothing above U+10FFFF.
int Utf8SequenceLength(const CString& text, int i) {
    auto at = [&](int k) { return static_cast<unsigned char>(text.GetAt(k)); };
    const unsigned char lead = at(i);
    int size = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        size = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        size = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        size = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + size > text.GetLength())
        return 0;
    if (at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (int k = 2; k < size; ++k) {
        if (at(i + k) < 0x80 || at(i + k) > 0xBF)
            return 0;
    }
    return size;
}

bool IsContinuationByte(char ch) {
    return (static_cast<unsigned char>(ch) & 0xC0) == 0x80;
}

// Columns of text, counted as characters (UTF-8 sequences count once).
int Columns(const CString& text) {
    int columns = 0;
    for (int i = 0; i < text.GetLength(); ++i)
        columns += IsContinuationByte(text.GetAt(i)) ? 0 : 1;
    return columns;
}

// The first `columns` characters of text.
CString LeftColumns(const CString& text, int columns) {
    int i = 0;
    for (int seen = 0; i < text.GetLength(); ++i) {
        if (!IsContinuationByte(text.GetAt(i)) && seen++ == columns)
            break;
    }
    return text.Left(i);
}

// The last `columns` characters of text.
CString RightColumns(const CString& text, int columns) {
    int i = text.GetLength();
    for (int seen = 0; i > 0 && seen < columns;) {
        --i;
        if (!IsContinuationByte(text.GetAt(i)))
            ++seen;
    }
    return text.Mid(i);
}

// The bottom line within width columns: head, then the progress text, then the file,
// which loses its start first (its name is at the end). Control characters of a file
// name would move the cursor: they are shown as '?'.
CString BottomLine(const CString& head, const CString& progress, const CString& file, int width) {
    CString fixed = head;
    if (!progress.IsEmpty())
        fixed += (fixed.IsEmpty() ? "" : " ") + progress;
    CString line = fixed;
    if (!file.IsEmpty()) {
        const CString gap = fixed.IsEmpty() ? "" : " ";
        const int room = width - Columns(fixed) - Columns(gap);
        if (room >= Columns(file))
            line += gap + file;
        else if (room > 3)
            line += gap + "..." + RightColumns(file, room - 3);
    }
    if (Columns(line) > width)
        line = LeftColumns(line, width);
    for (int i = 0; i < line.GetLength(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(line.GetAt(i));
        if (ch < 0x20 || ch == 0x7F)
            line.SetAt(i, '?');
    }
    return line;
}

}  // namespace

CString JsonString(const CString& text) {
    CString json = "\"";
    const int length = text.GetLength();
    for (int i = 0; i < length; ++i) {
        unsigned char ch = static_cast<unsigned char>(text.GetAt(i));
        switch (ch) {
            case '"':
                json += "\\\"";
                continue;
            case '\\':
                json += "\\\\";
                continue;
            case '\n':
                json += "\\n";
                continue;
            case '\r':
                json += "\\r";
                continue;
            case '\t':
                json += "\\t";
                continue;
            default:
                break;
        }
        if (ch < 0x20) {
            json.AppendFormat("\\u%04x", ch);
            continue;
        }
        if (ch < 0x80) {
            json += static_cast<char>(ch);
            continue;
        }
        // A UTF-8 sequence is copied whole; a byte that starts none (a file name in
        // another encoding) becomes U+FFFD, so that every line stays valid JSON.
        const int size = Utf8SequenceLength(text, i);
        if (size == 0) {
            json += "\\ufffd";
            continue;
        }
        json += text.Mid(i, size);
        i += size - 1;
    }
    json += '"';
    return json;
}

CLinePrinter::CLinePrinter(std::ostream& out, bool terminal, bool json, std::function<int()> width)
    : m_out(out), m_terminal(terminal && !json), m_json(json), m_width(std::move(width)) {
    // Each line is printed once: a run of many files holds no list of them all.
    m_list.KeepOnlyOpenLines();
}

void CLinePrinter::Handle(int code, platform::CNotifyPayload payload) {
    if (m_json) {
        PrintJson(code, payload);
        m_list.Apply(code, std::move(payload));
        return;
    }
    // A progress line that ends with a text is printed as a line below, not drawn first.
    auto showProgress = [&](const CString& text) {
        m_progressText = text;
        if (code != TN_PROGRESS_END)
            DrawBottom();
    };
    for (const OutputChange& change : m_list.Apply(code, std::move(payload))) {
        switch (change.kind) {
            case OutputChange::Kind::Appended: {
                const output::OutputLine& line = m_list.Line(change.index);
                if (line.isProgress)
                    showProgress(line.text);
                else
                    PrintLine(line);
                break;
            }
            case OutputChange::Kind::Changed:
                showProgress(m_list.Line(change.index).text);
                break;
            case OutputChange::Kind::Removed:
            case OutputChange::Kind::Cleared:
                m_progressText.Empty();
                DrawBottom();
                break;
        }
    }
    if (code == TN_PROGRESS_END && m_list.ProgressIndex() >= 0)
        EndProgress();
    m_out.flush();
}

void CLinePrinter::SetStatus(const CString& head, const CString& file) {
    if (!m_terminal || (head == m_statusHead && file == m_statusFile))
        return;
    m_statusHead = head;
    m_statusFile = file;
    DrawBottom();
    m_out.flush();
}

void CLinePrinter::Suspend(bool suspended) {
    if (suspended == m_suspended)
        return;
    if (suspended)
        EraseBottom();
    m_suspended = suspended;
    DrawBottom();
    m_out.flush();
}

void CLinePrinter::PrintJson(int code, const platform::CNotifyPayload& payload) {
    CString json;
    json.Format("{\"code\":%d", code);
    if (const CString* text = payload.Text()) {
        json += ",\"text\":" + JsonString(*text);
    } else if (const StringRecord* record = payload.Record()) {
        size_t textIndex = code == TN_DETAIL ? 0 : 1;
        if (record->size() > textIndex)
            json += ",\"text\":" + JsonString((*record)[textIndex]);
        json += ",\"record\":[";
        for (size_t i = 0; i < record->size(); ++i) {
            if (i > 0)
                json += ',';
            json += JsonString((*record)[i]);
        }
        json += ']';
    }
    json += '}';
    m_out << json << '\n' << std::flush;
}

void CLinePrinter::PrintLine(const output::OutputLine& line) {
    EraseBottom();
    m_out << line.text << '\n';
    if (line.detail) {
        for (size_t i = 3; i < line.detail->size(); ++i)
            m_out << "    " << (*line.detail)[i] << '\n';
    }
    DrawBottom();
}

void CLinePrinter::DrawBottom() {
    if (!m_terminal || m_suspended)
        return;
    // One column is kept free: a character in the last one leaves some terminals waiting
    // to wrap, and the line would no longer be erased in place.
    const int width = std::max(m_width ? m_width() : 80, 2) - 1;
    const CString line = BottomLine(m_statusHead, m_progressText, m_statusFile, width);
    if (line == m_bottomShown)
        return;
    if (!m_bottomShown.IsEmpty())
        m_out << kEraseLine;
    m_out << line;
    m_bottomShown = line;
}

void CLinePrinter::EraseBottom() {
    if (!m_bottomShown.IsEmpty())
        m_out << kEraseLine;
    m_bottomShown.Empty();
}

void CLinePrinter::EndProgress() {
    if (m_terminal) {
        const CString text = m_progressText;
        m_progressText.Empty();
        if (!text.IsEmpty()) {
            EraseBottom();
            m_out << text << '\n';
        }
        DrawBottom();
    } else if (!m_progressText.IsEmpty()) {
        m_out << m_progressText << '\n';
    }
    m_progressText.Empty();
}

void CLinePrinter::Close() {
    if (m_terminal && !m_progressText.IsEmpty()) {
        // The progress line stays as the last line.
        if (m_bottomShown != m_progressText) {
            EraseBottom();
            m_out << m_progressText;
        }
        m_out << '\n';
        m_bottomShown.Empty();
    }
    EraseBottom();
    m_progressText.Empty();
    m_statusHead.Empty();
    m_statusFile.Empty();
    m_out.flush();
}

}  // namespace tabulon::cli
