#include "platform/notify.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace tabulon::platform {

// The state handles and the target share. m_mutex guards the messages and the closed
// flag; m_wakeMutex guards the wake callback and is held while it runs, so Close can wait
// for a running callback and none starts afterwards.
class CNotifyQueue {
  public:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<CNotifyMessage> m_messages;
    bool m_closed = false;

    std::mutex m_wakeMutex;
    std::function<void()> m_wake;
};

bool CNotifyHandle::Post(int code, CNotifyPayload payload, unsigned message) const {
    if (!m_queue)
        return false;
    {
        std::lock_guard<std::mutex> lock(m_queue->m_mutex);
        if (m_queue->m_closed)
            return false;  // payload freed on return, outside the lock
        m_queue->m_messages.push_back(CNotifyMessage{message, code, std::move(payload)});
    }
    m_queue->m_ready.notify_one();
    std::lock_guard<std::mutex> lock(m_queue->m_wakeMutex);
    if (m_queue->m_wake)
        m_queue->m_wake();
    return true;
}

bool CNotifyHandle::PostText(int code, const CString& text) const {
    return Post(code, std::make_unique<CString>(text));
}

bool CNotifyHandle::PostRecord(int code, StringRecord record) const {
    return Post(code, std::make_unique<StringRecord>(std::move(record)));
}

bool CNotifyHandle::IsOpen() const {
    if (!m_queue)
        return false;
    std::lock_guard<std::mutex> lock(m_queue->m_mutex);
    return !m_queue->m_closed;
}

CNotifyTarget::CNotifyTarget() : m_queue(std::make_shared<CNotifyQueue>()) {}

CNotifyTarget::~CNotifyTarget() {
    Close();
}

std::optional<CNotifyMessage> CNotifyTarget::WaitNext() {
    std::unique_lock<std::mutex> lock(m_queue->m_mutex);
    m_queue->m_ready.wait(lock, [&] { return m_queue->m_closed || !m_queue->m_messages.empty(); });
    if (m_queue->m_messages.empty())
        return std::nullopt;
    CNotifyMessage next = std::move(m_queue->m_messages.front());
    m_queue->m_messages.pop_front();
    return next;
}

std::optional<CNotifyMessage> CNotifyTarget::WaitNext(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_queue->m_mutex);
    m_queue->m_ready.wait_for(lock, timeout,
                              [&] { return m_queue->m_closed || !m_queue->m_messages.empty(); });
    if (m_queue->m_messages.empty())
        return std::nullopt;
    CNotifyMessage next = std::move(m_queue->m_messages.front());
    m_queue->m_messages.pop_front();
    return next;
}

std::optional<CNotifyMessage> CNotifyTarget::TryNext() {
    return WaitNext(std::chrono::milliseconds(0));
}

std::vector<CNotifyMessage> CNotifyTarget::Drain() {
    std::deque<CNotifyMessage> taken;
    {
        std::lock_guard<std::mutex> lock(m_queue->m_mutex);
        taken.swap(m_queue->m_messages);
    }
    std::vector<CNotifyMessage> out;
    out.reserve(taken.size());
    for (CNotifyMessage& m : taken)
        out.push_back(std::move(m));
    return out;
}

void CNotifyTarget::SetWakeCallback(std::function<void()> wake) {
    std::lock_guard<std::mutex> lock(m_queue->m_wakeMutex);
    m_queue->m_wake = std::move(wake);
}

void CNotifyTarget::Close() {
    std::deque<CNotifyMessage> pending;
    {
        std::lock_guard<std::mutex> lock(m_queue->m_mutex);
        m_queue->m_closed = true;
        pending.swap(m_queue->m_messages);
    }
    m_queue->m_ready.notify_all();
    std::lock_guard<std::mutex> lock(m_queue->m_wakeMutex);
    m_queue->m_wake = nullptr;
    // pending (and its payloads) is freed here, outside the message lock.
}

}  // namespace tabulon::platform
