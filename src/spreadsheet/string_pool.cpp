#include "spreadsheet/string_pool.h"

#include <functional>
#include <stdexcept>

namespace tabulon::spreadsheet {

namespace {

std::uint32_t HashOf(std::string_view text) {
    const std::size_t h = std::hash<std::string_view>{}(text);
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

}  // namespace

std::uint32_t StringPool::Intern(std::string_view text) {
    // At most half full, so that probe runs stay short.
    if ((m_texts.size() + 1) * 2 > m_slots.size())
        Grow();
    const std::uint32_t hash = HashOf(text);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint64_t slot = m_slots[i];
        if (slot == 0) {
            if (m_texts.size() >= 0xFFFFFFFFu)
                throw std::length_error("too many distinct texts in one workbook");
            const auto id = static_cast<std::uint32_t>(m_texts.size());
            m_texts.emplace_back(text);
            m_slots[i] = (std::uint64_t{hash} << 32) | (std::uint64_t{id} + 1);
            return id;
        }
        if (static_cast<std::uint32_t>(slot >> 32) == hash) {
            const auto id = static_cast<std::uint32_t>(slot) - 1;
            if (m_texts[id] == text)
                return id;
        }
    }
}

void StringPool::Grow() {
    std::vector<std::uint64_t> slots(m_slots.empty() ? 64 : m_slots.size() * 2);
    const std::size_t mask = slots.size() - 1;
    for (const std::uint64_t slot : m_slots) {
        if (slot == 0)
            continue;
        std::size_t i = static_cast<std::uint32_t>(slot >> 32) & mask;
        while (slots[i] != 0)
            i = (i + 1) & mask;
        slots[i] = slot;
    }
    m_slots.swap(slots);
}

}  // namespace tabulon::spreadsheet
