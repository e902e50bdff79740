#include "spreadsheet/string_pool.h"

namespace tabulon::spreadsheet {

std::uint32_t StringPool::Intern(std::string_view text) {
    if (auto it = m_ids.find(text); it != m_ids.end())
        return it->second;
    const auto id = static_cast<std::uint32_t>(m_texts.size());
    m_texts.emplace_back(text);
    m_ids.emplace(m_texts.back(), id);
    return id;
}

}  // namespace tabulon::spreadsheet
