// CTask: the root of every task. A task runs on a worker thread of its own, which
// deletes it when its run is over; the owner keeps only a CTaskControl, shared with the
// worker, to ask it to stop and to learn that it has ended. So a Stop after the task has
// ended touches nothing that is gone.
//
// Every run ends with exactly one TN_FINISHED on the task's notify target: the task's
// own final text, or "Task is canceled." when the run ended any other way (an exception
// escaping a step included: its text is posted as a line first).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/cstring.h"
#include "platform/notify.h"

namespace tabulon::engine {

inline constexpr const char* kTaskCanceledText = "Task is canceled.";

// How a run ended, as its final message said: set when TN_FINISHED is posted.
enum class TaskOutcome { Running, Completed, Canceled };

class CTaskControl {
  public:
    // Sets the cancel flag (never cleared) and waits at most `wait` for the worker to
    // end. True when it has ended. Harmless after the end.
    bool Stop(std::chrono::milliseconds wait = std::chrono::milliseconds(5000));
    bool IsCanceled() const { return m_canceled.load(std::memory_order_acquire) != 0; }

    // True once the worker has deleted the task and is about to exit.
    bool IsFinished() const;
    // Running until the final message is posted; then what it said.
    TaskOutcome Outcome() const { return m_outcome.load(std::memory_order_acquire); }
    bool WaitFinished(std::chrono::milliseconds timeout) const;
    void WaitFinished() const;

  private:
    friend class CTask;
    void MarkFinished();

    std::atomic<int> m_canceled{0};
    std::atomic<TaskOutcome> m_outcome{TaskOutcome::Running};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_finishedChanged;
    bool m_finished = false;
};

class CTask {
  public:
    explicit CTask(platform::CNotifyHandle notify);
    virtual ~CTask();
    CTask(const CTask&) = delete;
    CTask& operator=(const CTask&) = delete;

    // Runs the task on a new worker thread; from then on the task belongs to that thread.
    // Returns the control the owner keeps. When no thread can be created the failure is
    // posted (a line, then "Task is canceled."), the task is deleted and null returned.
    static std::shared_ptr<CTaskControl> Start(std::unique_ptr<CTask> task);

    int IsCanceled() const { return m_control->IsCanceled() ? 1 : 0; }
    // IsCanceled for other threads and for work that may outlive the task (a file
    // being read ahead): it keeps the control alive.
    std::function<bool()> CancelCheck() const {
        return [control = m_control] { return control->IsCanceled(); };
    }

  protected:
    // The task body, on the worker thread.
    virtual int Run() = 0;
    // After an exception escaped Run: close what the task holds open, without posting.
    // Exceptions from here are swallowed.
    virtual void CleanUpAfterError() {}

    const platform::CNotifyHandle& NotifyTarget() const { return m_notify; }
    // Posts the final message of a completed run and records the outcome; only the first
    // call of a run (of either) posts.
    void PostFinishedOnce(const CString& text) { PostFinal(text, TaskOutcome::Completed); }
    // Posts "Task is canceled." as the final message and records the outcome.
    void PostCanceledOnce() { PostFinal(kTaskCanceledText, TaskOutcome::Canceled); }

  private:
    static void ThreadProc(CTask* task);
    void PostFinal(const CString& text, TaskOutcome outcome);

    platform::CNotifyHandle m_notify;
    std::shared_ptr<CTaskControl> m_control;
    bool m_finishedPosted = false;
};

}  // namespace tabulon::engine
