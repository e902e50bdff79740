#include "cli/line_printer.h"

#include <ostream>

namespace tabulon::cli {

using output::OutputChange;

namespace {

const char* const kEraseLine = "\r\x1b[K";

}  // namespace

CString JsonString(const CString& text) {
    CString json = "\"";
    for (int i = 0; i < text.GetLength(); ++i) {
        unsigned char ch = static_cast<unsigned char>(text.GetAt(i));
        switch (ch) {
            case '"':
                json += "\\\"";
                break;
            case '\\':
                json += "\\\\";
                break;
            case '\n':
                json += "\\n";
                break;
            case '\r':
                json += "\\r";
                break;
            case '\t':
                json += "\\t";
                break;
            default:
                if (ch < 0x20) {
                    json.AppendFormat("\\u%04x", ch);
                } else {
                    json += static_cast<char>(ch);
                }
        }
    }
    json += '"';
    return json;
}

CLinePrinter::CLinePrinter(std::ostream& out, bool terminal, bool json)
    : m_out(out), m_terminal(terminal && !json), m_json(json) {}

void CLinePrinter::Handle(int code, platform::CNotifyPayload payload) {
    if (m_json) {
        PrintJson(code, payload);
        m_list.Apply(code, std::move(payload));
        return;
    }
    for (const OutputChange& change : m_list.Apply(code, std::move(payload))) {
        switch (change.kind) {
            case OutputChange::Kind::Appended: {
                const output::OutputLine& line = m_list.Line(change.index);
                if (line.isProgress) {
                    ShowProgress(line.text);
                } else {
                    PrintLine(line);
                }
                break;
            }
            case OutputChange::Kind::Changed:
                ShowProgress(m_list.Line(change.index).text);
                break;
            case OutputChange::Kind::Removed:
            case OutputChange::Kind::Cleared:
                HideProgress();
                break;
        }
    }
    if (code == TN_PROGRESS_END && m_list.ProgressIndex() >= 0)
        EndProgress();
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
    bool redraw = m_progressShown;
    if (m_progressShown)
        m_out << kEraseLine;
    m_out << line.text << '\n';
    if (line.detail) {
        for (size_t i = 3; i < line.detail->size(); ++i)
            m_out << "    " << (*line.detail)[i] << '\n';
    }
    if (redraw)
        m_out << m_progressText;
}

void CLinePrinter::ShowProgress(const CString& text) {
    m_progressText = text;
    if (!m_terminal)
        return;
    m_out << kEraseLine << text;
    m_progressShown = true;
}

void CLinePrinter::HideProgress() {
    if (m_progressShown)
        m_out << kEraseLine;
    m_progressShown = false;
    m_progressText.Empty();
}

void CLinePrinter::EndProgress() {
    if (m_terminal) {
        if (m_progressShown)
            m_out << '\n';
    } else if (!m_progressText.IsEmpty()) {
        m_out << m_progressText << '\n';
    }
    m_progressShown = false;
    m_progressText.Empty();
}

void CLinePrinter::Close() {
    if (m_progressShown)
        m_out << '\n';
    m_progressShown = false;
    m_out.flush();
}

}  // namespace tabulon::cli
