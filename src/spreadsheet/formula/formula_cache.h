// Parsed formulas shared between the cells that hold copies of the same formula.
// The key is the formula with every relative reference part written as an offset
// from its cell (like R1C1 notation), so =A1*B1 in C1 and =A2*B2 in C2 share a tree.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "spreadsheet/address.h"
#include "spreadsheet/formula/ast.h"

namespace tabulon::spreadsheet::formula {

class FormulaCache {
  public:
    explicit FormulaCache(std::size_t capacity = 100000) : m_capacity(capacity) {}

    // The tree of `formula` read for cell `origin`; throws FormulaSyntaxError.
    std::shared_ptr<const Ast> Get(std::string_view formula, CellRef origin);

    std::size_t Size() const;

  private:
    std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::unordered_map<std::string, std::shared_ptr<const Ast>> m_entries;
    // The same formula met again in the same cell (a calculation asks twice, a check
    // walks the same cells of many sheets) is found by its text, without reading it.
    std::unordered_map<std::string, std::shared_ptr<const Ast>> m_exact;
    // Formulas of the plainest kind (cell references, numbers, operators, function
    // calls) by a key made from their text without reading it: a formula copied down a
    // column is found here in every row.
    std::unordered_map<std::string, std::shared_ptr<const Ast>> m_quick;
};

// The position-independent key of a formula read for `origin`.
std::string RelativeKey(const TokenList& tokens, CellRef origin);

}  // namespace tabulon::spreadsheet::formula
