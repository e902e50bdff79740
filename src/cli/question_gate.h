// CQuestionGate keeps what a running task asks in step with what it printed. The task's
// lines travel through the notify queue to the driver's thread, while its questions are
// written by the task's own thread: without the gate a question could be written before
// the lines posted ahead of it, or in the middle of the status line.
//
// Before a question the asking thread posts a marker behind the task's lines and waits
// until the driver has taken it: by then every earlier line is printed and the bottom
// line erased. The driver keeps the bottom line away until the question is answered.
#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/notify.h"

namespace tabulon::cli {

// The marker's message number, next to WM_TASK_NOTIFY.
inline constexpr unsigned WM_QUESTION_MARKER = WM_TASK_NOTIFY + 1;

class CQuestionGate {
  public:
    // Driver: questions from now on wait for their marker to be taken from target.
    void Open(platform::CNotifyHandle target);
    // Driver: questions no longer wait; a thread still waiting goes on.
    void Close();
    // Driver: true for a marker taken from the target. The driver erases its bottom line,
    // then lets the question go on with Release.
    static bool IsMarker(const platform::CNotifyMessage& message) {
        return message.message == WM_QUESTION_MARKER;
    }
    void Release(const platform::CNotifyMessage& marker);
    // Driver: true while a question is being asked.
    bool IsAsking() const;
    // Driver: true while the asking thread waits for a typed answer.
    bool IsReading() const;

    // Asking thread: around each question. Before returns once the lines posted before
    // it are printed, at once when the gate is not open.
    void BeforeQuestion();
    void AfterQuestion();
    // Asking thread: around the wait for a typed answer.
    void SetReading(bool reading);

  private:
    mutable std::mutex m_mutex;
    std::condition_variable m_taken;
    platform::CNotifyHandle m_target;
    bool m_open = false;
    int m_posted = 0;  // markers posted, each numbered by its count
    int m_seen = 0;    // the highest marker taken
    int m_asking = 0;  // questions between Before and After
    bool m_reading = false;
};

}  // namespace tabulon::cli
