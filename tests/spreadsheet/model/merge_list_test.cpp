#include "spreadsheet/merge_list.h"

#include <gtest/gtest.h>

#include <random>

namespace tabulon::spreadsheet {
namespace {

bool Overlaps(const RangeRef& a, const RangeRef& b) {
    return a.first.row <= b.last.row && b.first.row <= a.last.row && a.first.col <= b.last.col &&
           b.first.col <= a.last.col;
}

TEST(MergeList, RefusesOverlapsAcrossBandsAndWithTallMerges) {
    MergeList list;
    EXPECT_FALSE(list.Add({{60, 1}, {70, 2}}));       // straddles two bands
    EXPECT_FALSE(list.Add({{1, 5}, {kMaxRows, 5}}));  // a whole column: kept apart
    EXPECT_FALSE(list.Add({{200, 1}, {5000, 1}}));    // taller than the indexed bands
    EXPECT_EQ(list.Add({{70, 2}, {71, 3}}), (RangeRef{{60, 1}, {70, 2}}));
    EXPECT_EQ(list.Add({{900000, 4}, {900001, 6}}), (RangeRef{{1, 5}, {kMaxRows, 5}}));
    EXPECT_EQ(list.Add({{4000, 1}, {4000, 2}}), (RangeRef{{200, 1}, {5000, 1}}));
    // A tall newcomer is checked against everything.
    EXPECT_EQ(list.Add({{1, 2}, {kMaxRows, 2}}), (RangeRef{{60, 1}, {70, 2}}));
    EXPECT_FALSE(list.Add({{1, 3}, {kMaxRows, 3}}));
    EXPECT_EQ(list.All().size(), 4u);
}

TEST(MergeList, OverlappingAndRemovalKeepTheOrderAdded) {
    MergeList list;
    list.Add({{300, 1}, {301, 1}});
    list.Add({{1, 1}, {2, 2}});
    list.Add({{1, 8}, {1000, 8}});
    list.Add({{130, 3}, {140, 3}});
    EXPECT_EQ(
        list.Overlapping({{1, 1}, {400, 3}}),
        (std::vector<RangeRef>{{{300, 1}, {301, 1}}, {{1, 1}, {2, 2}}, {{130, 3}, {140, 3}}}));
    EXPECT_EQ(list.Overlapping({{500, 1}, {600, 20}}),
              (std::vector<RangeRef>{{{1, 8}, {1000, 8}}}));
    EXPECT_TRUE(list.Overlapping({{3, 1}, {129, 7}}).empty());

    list.RemoveOverlapping({{2, 2}, {135, 3}});
    EXPECT_EQ(list.All(), (std::vector<RangeRef>{{{300, 1}, {301, 1}}, {{1, 8}, {1000, 8}}}));
    // The index follows the positions that moved.
    EXPECT_EQ(list.Add({{301, 1}, {302, 1}}), (RangeRef{{300, 1}, {301, 1}}));
    EXPECT_EQ(list.Add({{999, 7}, {999, 9}}), (RangeRef{{1, 8}, {1000, 8}}));
    EXPECT_FALSE(list.Add({{1, 1}, {2, 2}}));
}

// The index answers as a pass over every merge would.
TEST(MergeList, AgreesWithAPlainScan) {
    std::mt19937 random(7);
    auto ranges = [&](int maxHeight) {
        const int row = std::uniform_int_distribution<int>(1, 3000)(random);
        const int col = std::uniform_int_distribution<int>(1, 40)(random);
        const int height = std::uniform_int_distribution<int>(0, maxHeight)(random);
        const int width = std::uniform_int_distribution<int>(0, 3)(random);
        return RangeRef{{row, col}, {row + height, col + width}};
    };
    MergeList list;
    std::vector<RangeRef> plain;
    for (int i = 0; i < 3000; ++i) {
        const RangeRef range = ranges(i % 10 == 0 ? 2000 : 80);
        std::optional<RangeRef> expected;
        for (const RangeRef& m : plain) {
            if (Overlaps(m, range)) {
                expected = m;
                break;
            }
        }
        ASSERT_EQ(list.Add(range), expected) << FormatRangeRef(range);
        if (!expected)
            plain.push_back(range);
        if (i % 500 == 499) {
            const RangeRef cut = ranges(300);
            std::erase_if(plain, [&](const RangeRef& m) { return Overlaps(m, cut); });
            list.RemoveOverlapping(cut);
        }
    }
    EXPECT_EQ(list.All(), plain);
}

}  // namespace
}  // namespace tabulon::spreadsheet
