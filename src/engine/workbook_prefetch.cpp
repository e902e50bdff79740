#include "engine/workbook_prefetch.h"

#include <sys/stat.h>

namespace tabulon::engine {

namespace {

// Size and modification time in one number: a file rewritten after it was read ahead
// is read again by the caller.
long long Stamp(const CString& path) {
    struct stat info {};
    if (::stat(path.GetString(), &info) != 0)
        return -1;
    return static_cast<long long>(info.st_size) * 1000003LL ^
           (static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec);
}

}  // namespace

CWorkbookPrefetch::CWorkbookPrefetch(std::vector<CString> paths, std::size_t ahead,
                                     std::function<bool()> canceled)
    : m_paths(std::move(paths)), m_ahead(ahead < 1 ? 1 : ahead), m_canceled(std::move(canceled)) {
    if (!m_paths.empty())
        m_thread = std::thread([this] { ReadAhead(); });
}

CWorkbookPrefetch::~CWorkbookPrefetch() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_stopReading = true;
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CWorkbookPrefetch::ReadAhead() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] {
            return m_stop ||
                   (m_slots.size() < m_ahead && m_first + m_slots.size() < m_paths.size());
        });
        if (m_stop)
            return;
        const std::size_t index = m_first + m_slots.size();
        m_slots.emplace_back();
        const CString path = m_paths[index];
        lock.unlock();

        Slot slot;
        slot.stamp = Stamp(path);
        slot.read = Workbooks::ReadFile(path, [this] {
            return m_stopReading.load(std::memory_order_relaxed) || (m_canceled && m_canceled());
        });
        slot.done = true;

        lock.lock();
        // Slots leave only from the front, so a file the task has not passed is still
        // at its place; one it has passed is dropped.
        if (index >= m_first)
            m_slots[index - m_first] = std::move(slot);
        m_changed.notify_all();
    }
}

std::optional<Workbooks::FileRead> CWorkbookPrefetch::Take(const CString& path) {
    std::unique_lock<std::mutex> lock(m_mutex);
    std::size_t wanted = m_first;
    while (wanted < m_paths.size() && m_paths[wanted] != path)
        ++wanted;
    if (wanted == m_paths.size())
        return std::nullopt;
    for (; m_first < wanted; ++m_first) {
        if (!m_slots.empty())
            m_slots.pop_front();
    }
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_stop || (!m_slots.empty() && m_slots.front().done); });
    if (m_slots.empty())
        return std::nullopt;
    Slot slot = std::move(m_slots.front());
    m_slots.pop_front();
    ++m_first;
    lock.unlock();
    m_changed.notify_all();
    if (!slot.read || slot.stamp != Stamp(path))
        return std::nullopt;
    return std::move(slot.read);
}

}  // namespace tabulon::engine
