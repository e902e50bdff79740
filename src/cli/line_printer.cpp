#include "cli/line_printer.h"

#include <ostream>

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
