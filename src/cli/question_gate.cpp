#include "cli/question_gate.h"

#include <algorithm>

namespace tabulon::cli {

void CQuestionGate::Open(platform::CNotifyHandle target) {
    std::lock_guard lock(m_mutex);
    m_target = std::move(target);
    m_open = true;
}

void CQuestionGate::Close() {
    {
        std::lock_guard lock(m_mutex);
        m_open = false;
        m_target = platform::CNotifyHandle();
    }
    m_taken.notify_all();
}

void CQuestionGate::Release(const platform::CNotifyMessage& marker) {
    {
        std::lock_guard lock(m_mutex);
        m_seen = std::max(m_seen, marker.code);
    }
    m_taken.notify_all();
}

bool CQuestionGate::IsAsking() const {
    std::lock_guard lock(m_mutex);
    return m_asking > 0;
}

bool CQuestionGate::IsReading() const {
    std::lock_guard lock(m_mutex);
    return m_reading;
}

void CQuestionGate::SetReading(bool reading) {
    std::lock_guard lock(m_mutex);
    m_reading = reading;
}

void CQuestionGate::BeforeQuestion() {
    std::unique_lock lock(m_mutex);
    ++m_asking;
    if (!m_open)
        return;
    const int marker = ++m_posted;
    if (!m_target.Post(marker, {}, WM_QUESTION_MARKER))
        return;
    m_taken.wait(lock, [&] { return !m_open || m_seen >= marker; });
}

void CQuestionGate::AfterQuestion() {
    std::lock_guard lock(m_mutex);
    --m_asking;
}

}  // namespace tabulon::cli
