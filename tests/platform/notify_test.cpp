#include "platform/notify.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace tabulon::platform {
namespace {

// Counts live instances, so tests can see that every payload was freed exactly once.
struct Tracked {
    explicit Tracked(std::atomic<int>& live) : m_live(live) { ++m_live; }
    ~Tracked() { --m_live; }
    std::atomic<int>& m_live;
};

TEST(Notify, PayloadsArriveWithTheirTypes) {
    CNotifyTarget target;
    CNotifyHandle handle = target.Handle();
    ASSERT_TRUE(handle.PostText(TN_TEXT, "line"));
    ASSERT_TRUE(handle.PostRecord(TN_DETAIL, {"line", "/a.xls", "Sheet1", "B7: No data"}));
    ASSERT_TRUE(handle.Post(TN_CLEAR));
    std::vector<CNotifyMessage> all = target.Drain();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].message, WM_TASK_NOTIFY);
    EXPECT_EQ(all[0].code, TN_TEXT);
    ASSERT_TRUE(all[0].payload.Text());
    EXPECT_EQ(*all[0].payload.Text(), "line");
    EXPECT_EQ(all[0].payload.Record(), nullptr);
    ASSERT_TRUE(all[1].payload.Record());
    EXPECT_EQ(all[1].payload.Record()->at(3), "B7: No data");
    std::unique_ptr<StringRecord> kept = all[1].payload.Release<StringRecord>();
    EXPECT_TRUE(kept && all[1].payload.IsEmpty());
    EXPECT_TRUE(all[2].payload.IsEmpty());
    EXPECT_FALSE(target.TryNext());
}

TEST(Notify, EachPostersMessagesArriveInPostingOrder) {
    CNotifyTarget target;
    constexpr int kThreads = 4, kEach = 500;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([handle = target.Handle(), t] {
            for (int i = 0; i < kEach; ++i) {
                CString text;
                text.Format("%d", i);
                handle.PostText(TN_PROGRESS_UPDATE + t, text);
            }
        });
    }
    int next[kThreads] = {};
    for (int received = 0; received < kThreads * kEach; ++received) {
        std::optional<CNotifyMessage> m = target.WaitNext(std::chrono::seconds(10));
        ASSERT_TRUE(m);
        int t = m->code - TN_PROGRESS_UPDATE;
        ASSERT_EQ(atoi(m->payload.Text()->GetString()), next[t]++);
    }
    for (std::thread& w : workers)
        w.join();
    EXPECT_FALSE(target.TryNext());
}

TEST(Notify, PayloadsAreFreedWhenTheTargetIsGone) {
    std::atomic<int> live{0};
    CNotifyHandle handle;
    {
        CNotifyTarget target;
        handle = target.Handle();
        ASSERT_TRUE(handle.Post(TN_DETAIL, std::make_unique<Tracked>(live)));
        ASSERT_TRUE(handle.Post(TN_DETAIL, std::make_unique<Tracked>(live)));
        EXPECT_EQ(live, 2);
    }
    EXPECT_EQ(live, 0);  // pending messages went with the target
    EXPECT_FALSE(handle.IsOpen());
    EXPECT_FALSE(handle.Post(TN_FINISHED, std::make_unique<Tracked>(live)));
    EXPECT_EQ(live, 0);
    EXPECT_FALSE(CNotifyHandle().PostText(TN_TEXT, "nowhere"));
}

TEST(Notify, AWorkerOutlivingItsTargetPostsSafely) {
    std::atomic<int> live{0};
    std::atomic<int> accepted{0}, refused{0};
    auto target = std::make_unique<CNotifyTarget>();
    std::thread worker([handle = target->Handle(), &live, &accepted, &refused] {
        for (int i = 0; i < 2000; ++i) {
            if (handle.Post(TN_TEXT, std::make_unique<Tracked>(live))) {
                ++accepted;
            } else {
                ++refused;
            }
        }
    });
    for (int i = 0; i < 50; ++i)
        target->TryNext();
    target.reset();
    worker.join();
    EXPECT_EQ(accepted + refused, 2000);
    EXPECT_EQ(live, 0);
}

TEST(Notify, WaitingEndsWhenClosedAndTheWakeCallbackStops) {
    CNotifyTarget target;
    std::atomic<int> wakes{0};
    target.SetWakeCallback([&] { ++wakes; });
    target.Handle().Post(TN_CLEAR);
    EXPECT_EQ(wakes, 1);
    EXPECT_TRUE(target.WaitNext(std::chrono::milliseconds(0)));
    EXPECT_FALSE(target.WaitNext(std::chrono::milliseconds(10)));
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        target.Close();
    });
    EXPECT_FALSE(target.WaitNext());  // returns once closed
    closer.join();
    EXPECT_FALSE(target.Handle().Post(TN_CLEAR));
    EXPECT_EQ(wakes, 1);
}

}  // namespace
}  // namespace tabulon::platform
