#include "gui/plugin/notify_pump.h"

#include <utility>

namespace tabulon::gui {

CNotifyPump::CNotifyPump(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)) {
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
    for (platform::CNotifyMessage& message : m_target.Drain())
        m_handler(std::move(message));
}

}  // namespace tabulon::gui
