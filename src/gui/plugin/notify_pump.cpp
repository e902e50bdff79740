#include "gui/plugin/notify_pump.h"

#include <utility>

namespace tabulon::gui {

CNotifyPump::CNotifyPump(Handler handler, std::function<void()> afterDrain, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)), m_afterDrain(std::move(afterDrain)) {
    m_target.SetWakeCallback([this] {
        if (m_bDrainQueued.exchange(true))
            return;
        QMetaObject::invokeMethod(
            this, [this] { DrainNow(); }, Qt::QueuedConnection);
    });
}

CNotifyPump::~CNotifyPump() {
    // Waits for a wake callback in progress; none runs afterwards, and Qt drops the
    // drain events still queued for this object when it is destroyed.
    m_target.Close();
}

void CNotifyPump::DrainNow() {
    m_bDrainQueued.store(false);
    std::vector<platform::CNotifyMessage> batch = m_target.Drain();
    for (platform::CNotifyMessage& message : batch)
        m_handler(std::move(message));
    if (!batch.empty() && m_afterDrain)
        m_afterDrain();
}

}  // namespace tabulon::gui
