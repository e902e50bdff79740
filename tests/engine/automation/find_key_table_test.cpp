#include "engine/automation/find_key_table.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tabulon::engine::detail {
namespace {

// Random adds and removes, checked against plain sets: rows stay ascending and unique, a
// key held by one row, by many, by none again, and the same text as value and formula.
TEST(FindKeyTable, AgreesWithPlainSetsThroughAddsAndRemoves) {
    std::mt19937 random(20);
    FindKeyTable table;
    std::map<std::pair<bool, std::string>, std::set<int>> expected;
    std::vector<std::string> keys = {"", "a", "k1", "K1", "=sum(a1:a2)", std::string(300, 'x')};
    for (int i = 0; i < 60; ++i)
        keys.push_back("key " + std::to_string(i));
    auto check = [&](bool formulas, const std::string& key) {
        const std::set<int>& rows = expected[{formulas, key}];
        EXPECT_EQ(table.Rows(formulas, key), std::vector<int>(rows.begin(), rows.end()))
            << formulas << " '" << key << "'";
    };
    for (int step = 0; step < 40000; ++step) {
        const bool formulas = random() % 2 == 0;
        const std::string& key = keys[random() % keys.size()];
        // Few rows for some keys, many for others, so that lists come and go.
        const int row = 1 + static_cast<int>(random() % (key.size() % 3 == 0 ? 3 : 400));
        // Adds win at first, then removes, so that keys fill up and empty again.
        const bool add = static_cast<int>(random() % 100) < (step < 20000 ? 60 : 35);
        if (add) {
            table.Insert(formulas, key, row);
            expected[{formulas, key}].insert(row);
        } else {
            table.Erase(formulas, key, row);
            expected[{formulas, key}].erase(row);
        }
        check(formulas, key);
        check(!formulas, key);
    }
    for (const std::string& key : keys) {
        check(false, key);
        check(true, key);
    }
    EXPECT_TRUE(table.Rows(false, "never added").empty());
    table.Erase(true, "never added", 1);  // nothing to remove: no effect
    EXPECT_TRUE(table.Rows(true, "never added").empty());
}

}  // namespace
}  // namespace tabulon::engine::detail
