#include "engine/task.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>

namespace tabulon::engine {
namespace {

using namespace std::chrono_literals;

// A task whose body is given by the test.
class FakeTask : public CTask {
  public:
    FakeTask(platform::CNotifyHandle notify, std::function<int(FakeTask&)> body,
             std::atomic<int>* destroyed = nullptr, std::atomic<int>* cleaned = nullptr)
        : CTask(std::move(notify)),
          m_body(std::move(body)),
          m_destroyed(destroyed),
          m_cleaned(cleaned) {}
    ~FakeTask() override {
        if (m_destroyed)
            ++*m_destroyed;
    }
    void Finish(const CString& text) { PostFinishedOnce(text); }

  protected:
    int Run() override { return m_body(*this); }
    void CleanUpAfterError() override {
        if (m_cleaned)
            ++*m_cleaned;
    }

  private:
    std::function<int(FakeTask&)> m_body;
    std::atomic<int>* m_destroyed;
    std::atomic<int>* m_cleaned;
};

std::vector<platform::CNotifyMessage> Messages(platform::CNotifyTarget& target) {
    return target.Drain();
}

TEST(Task, NormalRunPostsItsOwnFinalTextOnceAndIsDeleted) {
    platform::CNotifyTarget target;
    std::atomic<int> destroyed{0};
    auto control = CTask::Start(std::make_unique<FakeTask>(
        target.Handle(),
        [](FakeTask& t) {
            t.Finish("Mission accomplished");
            t.Finish("second call posts nothing");
            return 1;
        },
        &destroyed));
    ASSERT_TRUE(control);
    control->WaitFinished();
    EXPECT_EQ(destroyed, 1);
    auto messages = Messages(target);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].code, TN_FINISHED);
    EXPECT_EQ(*messages[0].payload.Text(), "Mission accomplished");
    EXPECT_EQ(control->Outcome(), TaskOutcome::Completed);
}

TEST(Task, TheOutcomeIsWhatTheTaskRecordedNotWhatItsTextSays) {
    platform::CNotifyTarget target;
    auto completed = CTask::Start(std::make_unique<FakeTask>(target.Handle(), [](FakeTask& t) {
        t.Finish(kTaskCanceledText);  // a completion that happens to read like a cancel
        return 1;
    }));
    completed->WaitFinished();
    EXPECT_EQ(completed->Outcome(), TaskOutcome::Completed);
    auto silent = CTask::Start(std::make_unique<FakeTask>(target.Handle(), [](FakeTask&) {
        return 1;  // ends without a final text of its own
    }));
    silent->WaitFinished();
    EXPECT_EQ(silent->Outcome(), TaskOutcome::Canceled);
}

TEST(Task, EscapedExceptionIsPostedAndTheRunEndsCancelled) {
    platform::CNotifyTarget target;
    std::atomic<int> cleaned{0};
    auto control = CTask::Start(std::make_unique<FakeTask>(
        target.Handle(), [](FakeTask&) -> int { throw std::runtime_error("book.xlsx: broken"); },
        nullptr, &cleaned));
    control->WaitFinished();
    EXPECT_EQ(cleaned, 1);
    auto messages = Messages(target);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].code, TN_TEXT);
    EXPECT_EQ(*messages[0].payload.Text(), "book.xlsx: broken");
    EXPECT_EQ(messages[1].code, TN_FINISHED);
    EXPECT_EQ(*messages[1].payload.Text(), "Task is canceled.");
    EXPECT_EQ(control->Outcome(), TaskOutcome::Canceled);
}

TEST(Task, StopSetsTheFlagTheTaskPollsAndWaitsForTheEnd) {
    platform::CNotifyTarget target;
    auto control = CTask::Start(std::make_unique<FakeTask>(target.Handle(), [](FakeTask& t) {
        while (!t.IsCanceled())
            std::this_thread::sleep_for(1ms);
        return 0;
    }));
    EXPECT_TRUE(control->Stop(5000ms));
    EXPECT_TRUE(control->IsFinished());
    auto messages = Messages(target);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(*messages[0].payload.Text(), "Task is canceled.");
    // Stopping again after the end is harmless.
    EXPECT_TRUE(control->Stop(0ms));
}

TEST(Task, StopReturnsAfterItsWaitWhenTheTaskDoesNotLook) {
    platform::CNotifyTarget target;
    std::atomic<bool> release{false};
    auto control = CTask::Start(std::make_unique<FakeTask>(target.Handle(), [&](FakeTask&) {
        while (!release)
            std::this_thread::sleep_for(1ms);
        return 1;
    }));
    EXPECT_FALSE(control->Stop(20ms));
    release = true;
    control->WaitFinished();
    EXPECT_EQ(Messages(target).size(), 1u);
}

TEST(Task, PostsToAClosedTargetAreDropped) {
    std::shared_ptr<CTaskControl> control;
    {
        platform::CNotifyTarget target;
        control = CTask::Start(std::make_unique<FakeTask>(target.Handle(), [](FakeTask& t) {
            std::this_thread::sleep_for(10ms);
            t.Finish("nobody listens");
            return 1;
        }));
    }
    control->WaitFinished();  // no crash, no leak: the payload is freed with the refused post
}

}  // namespace
}  // namespace tabulon::engine
