// The texts of a workbook's cells and formulas, stored once and referred to by id.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tabulon::spreadsheet {

// Grow-only: ids stay valid for the pool's lifetime and views returned by Get
// stay valid too (texts never move). Not thread-safe; a workbook is used by one
// thread at a time.
class StringPool {
  public:
    StringPool() = default;
    StringPool(const StringPool&) = delete;
    StringPool& operator=(const StringPool&) = delete;

    // The id of `text`, adding it when new.
    std::uint32_t Intern(std::string_view text);
    std::string_view Get(std::uint32_t id) const { return m_texts[id]; }
    std::size_t Size() const { return m_texts.size(); }

  private:
    std::deque<std::string> m_texts;
    std::unordered_map<std::string_view, std::uint32_t> m_ids;
};

}  // namespace tabulon::spreadsheet
