#include "engine/task.h"

#include <exception>
#include <system_error>
#include <thread>

#include "output/task_messages.h"

namespace tabulon::engine {

bool CTaskControl::Stop(std::chrono::milliseconds wait) {
    m_canceled.store(1, std::memory_order_release);
    return WaitFinished(wait);
}

bool CTaskControl::IsFinished() const {
    std::lock_guard lock(m_mutex);
    return m_finished;
}

bool CTaskControl::WaitFinished(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_finishedChanged.wait_for(lock, timeout, [this] { return m_finished; });
}

void CTaskControl::WaitFinished() const {
    std::unique_lock lock(m_mutex);
    m_finishedChanged.wait(lock, [this] { return m_finished; });
}

void CTaskControl::MarkFinished() {
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_finishedChanged.notify_all();
}

CTask::CTask(platform::CNotifyHandle notify)
    : m_notify(std::move(notify)), m_control(std::make_shared<CTaskControl>()) {}

CTask::~CTask() = default;

void CTask::PostFinal(const CString& text, TaskOutcome outcome) {
    if (m_finishedPosted)
        return;
    m_finishedPosted = true;
    // Recorded before the post, so that whoever reads the message can read the outcome.
    m_control->m_outcome.store(outcome, std::memory_order_release);
    output::PostFinished(m_notify, text);
}

std::shared_ptr<CTaskControl> CTask::Start(std::unique_ptr<CTask> task) {
    std::shared_ptr<CTaskControl> control = task->m_control;
    CTask* raw = task.get();
    try {
        std::thread(&CTask::ThreadProc, raw).detach();
    } catch (const std::system_error& e) {
        CString line;
        line.Format("The task could not be started: %s", e.what());
        output::PostText(raw->m_notify, line);
        raw->PostCanceledOnce();
        return nullptr;  // the task is deleted with `task`
    }
    task.release();  // the worker thread owns it now
    return control;
}

void CTask::ThreadProc(CTask* task) {
    std::shared_ptr<CTaskControl> control = task->m_control;
    CString error;
    try {
        task->Run();
    } catch (const std::exception& e) {
        error = e.what();
        if (error.IsEmpty())
            error = "An unexpected error ended the task.";
    } catch (...) {
        error = "An unexpected error ended the task.";
    }
    if (!error.IsEmpty()) {
        output::PostText(task->m_notify, error);
        try {
            task->CleanUpAfterError();
        } catch (...) {
            // Nothing more can be tidied; the run still ends as cancelled below.
        }
    }
    task->PostCanceledOnce();
    delete task;
    control->MarkFinished();
}

}  // namespace tabulon::engine
