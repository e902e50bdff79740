#include "output/output_list.h"

#include <utility>

namespace tabulon::output {

using Kind = OutputChange::Kind;

int COutputList::Append(CString text, std::unique_ptr<StringRecord> detail) {
    m_lines.push_back(OutputLine{std::move(text), std::move(detail), false});
    return Count() - 1;
}

void COutputList::DropClosedLines() {
    const int last = Count() - 1;
    if (last < 1 || (last == 1 && m_progress == 0))
        return;
    if (m_progress >= 0 && m_progress < last) {
        if (m_progress != 0)
            m_lines[0] = std::move(m_lines[static_cast<size_t>(m_progress)]);
        m_lines[1] = std::move(m_lines[static_cast<size_t>(last)]);
        m_lines.resize(2);
    } else {
        m_lines[0] = std::move(m_lines[static_cast<size_t>(last)]);
        m_lines.resize(1);
    }
    if (m_progress >= 0)
        m_progress = 0;
}

std::vector<OutputChange> COutputList::Apply(int code, platform::CNotifyPayload payload) {
    if (m_keepOnlyOpen)
        DropClosedLines();
    std::vector<OutputChange> changes;
    switch (code) {
        case TN_FINISHED:
        case TN_TEXT:
            if (const CString* text = payload.Text()) {
                changes.push_back({Kind::Appended, Append(*text, nullptr)});
            }
            break;
        case TN_DETAIL:
            if (auto record = payload.Release<StringRecord>(); record && !record->empty()) {
                CString text = record->front();
                changes.push_back({Kind::Appended, Append(std::move(text), std::move(record))});
            }
            break;
        case TN_CLEAR:
            Clear();
            changes.push_back({Kind::Cleared, -1});
            break;
        case TN_PROGRESS_BEGIN:
            if (const StringRecord* record = payload.Record(); record && record->size() >= 2) {
                if (m_progress >= 0)
                    m_lines[static_cast<size_t>(m_progress)].isProgress = false;
                m_progress = Append((*record)[1], nullptr);
                m_lines.back().isProgress = true;
                changes.push_back({Kind::Appended, m_progress});
            }
            break;
        case TN_PROGRESS_UPDATE:
        case TN_PROGRESS_END:
            if (const StringRecord* record = payload.Record(); record && record->size() >= 2) {
                ApplyProgress((*record)[1], changes);
            }
            break;
        default:
            break;
    }
    return changes;
}

void COutputList::ApplyProgress(const CString& text, std::vector<OutputChange>& changes) {
    // Without a progress line (cleared meanwhile, or already removed) an update must not
    // touch whatever line now has the old index: a text gets a line of its own.
    if (m_progress < 0) {
        if (!text.IsEmpty()) {
            m_progress = Append(text, nullptr);
            m_lines.back().isProgress = true;
            changes.push_back({Kind::Appended, m_progress});
        }
        return;
    }
    if (text.IsEmpty() || m_progress != Count() - 1) {
        m_lines.erase(m_lines.begin() + m_progress);
        changes.push_back({Kind::Removed, m_progress});
        m_progress = -1;
        if (text.IsEmpty())
            return;
        m_progress = Append(text, nullptr);
        m_lines.back().isProgress = true;
        changes.push_back({Kind::Appended, m_progress});
        return;
    }
    m_lines.back().text = text;
    changes.push_back({Kind::Changed, m_progress});
}

void COutputList::Clear() {
    m_lines.clear();
    m_progress = -1;
}

std::vector<CString> COutputList::DetailsOf(int index) const {
    const OutputLine& line = Line(index);
    if (!line.detail)
        return {};
    return std::vector<CString>(line.detail->begin() + 1, line.detail->end());
}

}  // namespace tabulon::output
