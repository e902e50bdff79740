// Posted task messages: the stand-in for posting window messages to a view.
//
// The thread that owns a CNotifyTarget (the user-interface thread) takes messages out of
// it in posting order; any thread holding a CNotifyHandle of it posts a code and a payload.
// Handles keep only the target's queue alive, never the owner: after the owner destroyed
// or closed the target, posting returns false and frees the payload at once, and pending
// messages are freed with their payloads. Handles are cheap to copy.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/notify_payload.h"

// The message and its codes (the code travels where a window message has its wParam).
inline constexpr unsigned WM_TASK_NOTIFY = 2024;  // WM_USER + 1000
inline constexpr int TN_FINISHED = 1001;
inline constexpr int TN_TEXT = 1002;
inline constexpr int TN_DETAIL = 1003;
inline constexpr int TN_CLEAR = 1004;
inline constexpr int TN_PROGRESS_BEGIN = 1005;
inline constexpr int TN_PROGRESS_UPDATE = 1006;
inline constexpr int TN_PROGRESS_END = 1007;

namespace tabulon::platform {

struct CNotifyMessage {
    unsigned message = WM_TASK_NOTIFY;
    int code = 0;
    CNotifyPayload payload;
};

class CNotifyQueue;

class CNotifyHandle {
  public:
    CNotifyHandle() = default;  // a handle to nothing: every post fails

    // False when the target is closed or gone; the payload is freed then.
    bool Post(int code, CNotifyPayload payload = {}, unsigned message = WM_TASK_NOTIFY) const;
    bool PostText(int code, const CString& text) const;
    bool PostRecord(int code, StringRecord record) const;
    bool IsOpen() const;

  private:
    friend class CNotifyTarget;
    explicit CNotifyHandle(std::shared_ptr<CNotifyQueue> queue) : m_queue(std::move(queue)) {}
    std::shared_ptr<CNotifyQueue> m_queue;
};

class CNotifyTarget {
  public:
    CNotifyTarget();
    ~CNotifyTarget();  // closes
    CNotifyTarget(const CNotifyTarget&) = delete;
    CNotifyTarget& operator=(const CNotifyTarget&) = delete;

    CNotifyHandle Handle() const { return CNotifyHandle(m_queue); }

    // The next message, waiting for it; nullopt once closed (or after the timeout).
    std::optional<CNotifyMessage> WaitNext();
    std::optional<CNotifyMessage> WaitNext(std::chrono::milliseconds timeout);
    // The next message if one is waiting.
    std::optional<CNotifyMessage> TryNext();
    // Every message waiting now, in posting order.
    std::vector<CNotifyMessage> Drain();

    // Called on the posting thread after each successful post, so an event loop can
    // schedule a Drain on its own thread. Never called once Close has returned, because
    // Close waits for a running call: the callback must not wait for the owner's thread.
    void SetWakeCallback(std::function<void()> wake);

    // Refuses further posts and frees every pending message. Idempotent.
    void Close();

  private:
    std::shared_ptr<CNotifyQueue> m_queue;
};

}  // namespace tabulon::platform
