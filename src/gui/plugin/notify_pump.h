// The GUI thread's end of a notify target: workers post through Handle(); each post
// queues (at most one pending) drain on the GUI thread, which hands every waiting message
// to the handler in posting order. Messages never reach the handler on another thread.
// Destroying the pump closes the target: later posts fail and free their payloads.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>

#include "platform/notify.h"

namespace tabulon::gui {

class CNotifyPump : public QObject {
  public:
    using Handler = std::function<void(platform::CNotifyMessage message)>;

    // afterDrain, when given, runs once after each batch of messages.
    CNotifyPump(Handler handler, std::function<void()> afterDrain, QObject* parent = nullptr);
    ~CNotifyPump() override;

    platform::CNotifyHandle Handle() const { return m_target.Handle(); }
    // Hands every message waiting now to the handler (GUI thread).
    void DrainNow();

  private:
    platform::CNotifyTarget m_target;
    Handler m_handler;
    std::function<void()> m_afterDrain;
    std::atomic<bool> m_bDrainQueued{false};
};

}  // namespace tabulon::gui
