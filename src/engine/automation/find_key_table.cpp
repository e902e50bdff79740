#include "engine/automation/find_key_table.h"

#include <algorithm>
#include <functional>

namespace tabulon::engine::detail {

namespace {

std::uint32_t Hash(std::string_view key) {
    const std::size_t h = std::hash<std::string_view>{}(key);
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

}  // namespace

std::size_t FindKeyTable::Slot(std::string_view key, std::uint32_t hash) const {
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint32_t entry = m_slots[i];
        if (entry == 0)
            return i;
        const Key& k = m_keys[entry - 1];
        if (k.hash == hash && Text(k) == key)
            return i;
    }
}

void FindKeyTable::Grow() {
    std::vector<std::uint32_t> slots(m_slots.empty() ? 64 : m_slots.size() * 2, 0);
    m_slots.swap(slots);
    const std::size_t mask = m_slots.size() - 1;
    for (std::uint32_t id = 0; id < m_keys.size(); ++id) {
        std::size_t i = m_keys[id].hash & mask;
        while (m_slots[i] != 0)
            i = (i + 1) & mask;
        m_slots[i] = id + 1;
    }
}

FindKeyTable::Key& FindKeyTable::Intern(std::string_view key) {
    // At most half full, so that probes stay short.
    if ((m_keys.size() + 1) * 2 > m_slots.size())
        Grow();
    const std::uint32_t hash = Hash(key);
    const std::size_t slot = Slot(key, hash);
    if (m_slots[slot] != 0)
        return m_keys[m_slots[slot] - 1];
    Key entry;
    entry.offset = static_cast<std::uint32_t>(m_text.size());
    entry.length = static_cast<std::uint32_t>(key.size());
    entry.hash = hash;
    m_text.append(key);
    m_keys.push_back(entry);
    m_slots[slot] = static_cast<std::uint32_t>(m_keys.size());
    return m_keys.back();
}

const FindKeyTable::Key* FindKeyTable::Find(std::string_view key) const {
    if (m_slots.empty())
        return nullptr;
    const std::uint32_t entry = m_slots[Slot(key, Hash(key))];
    return entry == 0 ? nullptr : &m_keys[entry - 1];
}

FindKeyTable::Span FindKeyTable::SpanOf(const Rows_& rows) const {
    if (rows.list != 0) {
        const std::vector<int>& list = m_lists[rows.list - 1];
        return {list.data(), list.data() + list.size()};
    }
    if (rows.single != 0)
        return {&rows.single, &rows.single + 1};
    return {nullptr, nullptr};
}

FindKeyTable::Span FindKeyTable::RowSpan(bool formulas, std::string_view key) const {
    const Key* entry = Find(key);
    return entry ? SpanOf(entry->rows[formulas ? 1 : 0]) : Span{nullptr, nullptr};
}

std::pair<FindKeyTable::Span, FindKeyTable::Span> FindKeyTable::RowSpans(
    std::string_view key) const {
    const Key* entry = Find(key);
    if (!entry)
        return {};
    return {SpanOf(entry->rows[0]), SpanOf(entry->rows[1])};
}

std::vector<int> FindKeyTable::Rows(bool formulas, std::string_view key) const {
    const auto [first, last] = RowSpan(formulas, key);
    return std::vector<int>(first, last);
}

void FindKeyTable::Insert(bool formulas, std::string_view key, int row) {
    AddRow(Intern(key).rows[formulas ? 1 : 0], row);
}

void FindKeyTable::InsertBoth(std::string_view key, int row) {
    Key& entry = Intern(key);
    AddRow(entry.rows[0], row);
    AddRow(entry.rows[1], row);
}

void FindKeyTable::AddRow(Rows_& rows, int row) {
    if (rows.list != 0) {
        std::vector<int>& list = m_lists[rows.list - 1];
        if (list.back() < row) {
            list.push_back(row);
            return;
        }
        auto it = std::lower_bound(list.begin(), list.end(), row);
        if (*it != row)
            list.insert(it, row);
        return;
    }
    if (rows.single == 0 || rows.single == row) {
        rows.single = row;
        return;
    }
    // A second row: the key gets a list.
    std::vector<int> list = {std::min(rows.single, row), std::max(rows.single, row)};
    if (!m_freeLists.empty()) {
        rows.list = m_freeLists.back();
        m_freeLists.pop_back();
        m_lists[rows.list - 1] = std::move(list);
    } else {
        m_lists.push_back(std::move(list));
        rows.list = static_cast<std::uint32_t>(m_lists.size());
    }
    rows.single = 0;
}

void FindKeyTable::Erase(bool formulas, std::string_view key, int row) {
    if (m_slots.empty())
        return;
    const std::uint32_t entry = m_slots[Slot(key, Hash(key))];
    if (entry == 0)
        return;
    Rows_& rows = m_keys[entry - 1].rows[formulas ? 1 : 0];
    if (rows.list == 0) {
        if (rows.single == row)
            rows.single = 0;
        return;
    }
    std::vector<int>& list = m_lists[rows.list - 1];
    auto it = std::lower_bound(list.begin(), list.end(), row);
    if (it == list.end() || *it != row)
        return;
    list.erase(it);
    if (list.size() == 1) {
        // Back to a single row: the list is kept for the next key that needs one.
        rows.single = list.front();
        list.clear();
        m_freeLists.push_back(rows.list);
        rows.list = 0;
    }
}

}  // namespace tabulon::engine::detail
