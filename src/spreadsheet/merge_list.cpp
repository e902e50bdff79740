#include "spreadsheet/merge_list.h"

#include <algorithm>

namespace tabulon::spreadsheet {
namespace {

bool Overlaps(const RangeRef& a, const RangeRef& b) {
    return a.first.row <= b.last.row && b.first.row <= a.last.row && a.first.col <= b.last.col &&
           b.first.col <= a.last.col;
}

}  // namespace

std::vector<std::uint32_t> MergeList::Find(const RangeRef& range) const {
    std::vector<std::uint32_t> found;
    const int firstBand = Band(range.first.row);
    const int lastBand = Band(range.last.row);
    if (lastBand - firstBand >= kMaxBands) {
        // A tall range: walking its bands would cost more than the list.
        for (std::size_t i = 0; i < m_merges.size(); ++i) {
            if (Overlaps(m_merges[i], range))
                found.push_back(static_cast<std::uint32_t>(i));
        }
        return found;
    }
    const int bands = static_cast<int>(m_bands.size());
    for (int band = firstBand; band <= lastBand && band < bands; ++band) {
        for (const std::uint32_t i : m_bands[static_cast<std::size_t>(band)]) {
            if (Overlaps(m_merges[i], range))
                found.push_back(i);
        }
    }
    for (const std::uint32_t i : m_tall) {
        if (Overlaps(m_merges[i], range))
            found.push_back(i);
    }
    return found;
}

void MergeList::Index(std::uint32_t position) {
    const RangeRef& m = m_merges[position];
    const int firstBand = Band(m.first.row);
    const int lastBand = Band(m.last.row);
    if (lastBand - firstBand >= kMaxBands) {
        m_tall.push_back(position);
        return;
    }
    if (static_cast<int>(m_bands.size()) <= lastBand)
        m_bands.resize(static_cast<std::size_t>(lastBand) + 1);
    for (int band = firstBand; band <= lastBand; ++band)
        m_bands[static_cast<std::size_t>(band)].push_back(position);
}

std::optional<RangeRef> MergeList::Add(const RangeRef& range) {
    const auto found = Find(range);
    if (!found.empty())
        return m_merges[*std::min_element(found.begin(), found.end())];
    m_merges.push_back(range);
    Index(static_cast<std::uint32_t>(m_merges.size() - 1));
    return std::nullopt;
}

std::vector<RangeRef> MergeList::Overlapping(const RangeRef& range) const {
    auto found = Find(range);
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    std::vector<RangeRef> out;
    out.reserve(found.size());
    for (const std::uint32_t i : found)
        out.push_back(m_merges[i]);
    return out;
}

void MergeList::RemoveOverlapping(const RangeRef& range) {
    if (Find(range).empty())
        return;
    std::erase_if(m_merges, [&](const RangeRef& m) { return Overlaps(m, range); });
    // Positions moved: index the survivors again.
    m_bands.clear();
    m_tall.clear();
    for (std::size_t i = 0; i < m_merges.size(); ++i)
        Index(static_cast<std::uint32_t>(i));
}

}  // namespace tabulon::spreadsheet
