// The texts of a workbook's cells and formulas, stored once and referred to by id.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon::spreadsheet {

// Grow-only: ids stay valid for the pool's lifetime and views returned by Get
// stay valid too (texts never move). Each text is held once, so equal ids mean
// equal texts and the reverse. Not thread-safe; a workbook is used by one
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
    void Grow();

    std::deque<std::string> m_texts;
    // Open addressing, linear probing: each slot holds the text's hash in the
    // high half and id + 1 in the low half (0: empty). A lookup touches one
    // slot and, on a hash match, the text.
    std::vector<std::uint64_t> m_slots;
};

}  // namespace tabulon::spreadsheet
