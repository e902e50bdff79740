// The merged ranges of a sheet, in the order they were added, indexed by bands
// of rows so that finding the merges near a range costs what lies in those rows
// instead of a pass over every merge of the sheet.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "spreadsheet/address.h"

namespace tabulon::spreadsheet {

class MergeList {
  public:
    const std::vector<RangeRef>& All() const { return m_merges; }

    // Adds `range` unless it overlaps a merge already there; then returns that
    // merge (the earliest added, if several) and changes nothing.
    std::optional<RangeRef> Add(const RangeRef& range);
    // The merges that overlap `range`, in the order they were added.
    std::vector<RangeRef> Overlapping(const RangeRef& range) const;
    // Removes the merges that overlap `range`.
    void RemoveOverlapping(const RangeRef& range);

  private:
    // Rows per band. A merge is listed in every band it reaches, unless it
    // reaches more than kMaxBands: such tall merges are few and kept apart.
    static constexpr int kBandRows = 64;
    static constexpr int kMaxBands = 16;

    static int Band(int row) { return (row - 1) / kBandRows; }
    // The positions in m_merges of the merges overlapping `range`, in no order
    // and possibly repeated.
    std::vector<std::uint32_t> Find(const RangeRef& range) const;
    void Index(std::uint32_t position);

    std::vector<RangeRef> m_merges;
    std::vector<std::vector<std::uint32_t>> m_bands;  // grows to the lowest band used
    std::vector<std::uint32_t> m_tall;
};

}  // namespace tabulon::spreadsheet
