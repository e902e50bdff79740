// FindKeyTable: the index of one column for FindIndex. Each folded cell text is stored
// once, in one block of characters, whether cells show it as their value, as their
// formula text, or both; with it the rows that hold it, for values and for formulas.
// Most texts of a key column are held by one row, which is kept in place; only texts
// held by more rows have a list of their own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tabulon::engine::detail {

class FindKeyTable {
  public:
    // The rows (ascending) where `key` is found as a value (or as a formula text).
    std::vector<int> Rows(bool formulas, std::string_view key) const;
    // The same rows in place, [first, last): valid until the table next changes.
    using Span = std::pair<const int*, const int*>;
    Span RowSpan(bool formulas, std::string_view key) const;
    // Both at once, values first, for one lookup of the key.
    std::pair<Span, Span> RowSpans(std::string_view key) const;
    // Adds or removes one row of a key; adding a row already there changes nothing.
    void Insert(bool formulas, std::string_view key, int row);
    // Insert for values and for formulas at once: a constant shows what it holds.
    void InsertBoth(std::string_view key, int row);
    void Erase(bool formulas, std::string_view key, int row);

  private:
    // The rows of one key for one kind: none, a single row, or a list.
    struct Rows_ {
        int single = 0;          // the row when there is exactly one; rows start at 1
        std::uint32_t list = 0;  // 1 + index into m_lists when there are more
    };
    struct Key {
        std::uint32_t offset = 0;  // of its text in m_text
        std::uint32_t length = 0;
        std::uint32_t hash = 0;
        Rows_ rows[2];  // values, formulas
    };

    std::string_view Text(const Key& key) const {
        return std::string_view(m_text).substr(key.offset, key.length);
    }
    // The slot holding key, or the empty slot where it would go.
    std::size_t Slot(std::string_view key, std::uint32_t hash) const;
    // The key's entry; nullptr when it is not there.
    const Key* Find(std::string_view key) const;
    Span SpanOf(const Rows_& rows) const;
    // The key's entry, made when it is not there yet.
    Key& Intern(std::string_view key);
    void AddRow(Rows_& rows, int row);
    void Grow();

    std::string m_text;                      // every key's text, one after the other
    std::vector<Key> m_keys;                 // in the order they were first met
    std::vector<std::uint32_t> m_slots;      // open addressing: 1 + index into m_keys, 0 free
    std::vector<std::vector<int>> m_lists;   // rows of keys held by more than one row
    std::vector<std::uint32_t> m_freeLists;  // lists emptied, for reuse
};

}  // namespace tabulon::engine::detail
