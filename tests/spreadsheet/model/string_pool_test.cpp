#include "spreadsheet/string_pool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tabulon::spreadsheet {
namespace {

// Through many growths of the table: each text keeps one id, ids count up in
// the order first met, and views handed out earlier still read the same.
TEST(StringPool, OneIdPerTextThroughGrowth) {
    StringPool pool;
    const std::uint32_t empty = pool.Intern("");
    const std::string_view first = pool.Get(pool.Intern("text 0"));
    std::vector<std::string> texts;
    for (int i = 0; i < 200000; ++i)
        texts.push_back("text " + std::to_string(i));
    texts.push_back(std::string("nul\0inside", 10));
    texts.push_back(std::string("nul\0other", 9));
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(pool.Intern(texts[i]), i + 1) << texts[i];  // id 0 is the empty text
    EXPECT_EQ(pool.Size(), texts.size() + 1);
    for (std::size_t i = 0; i < texts.size(); i += 997) {
        EXPECT_EQ(pool.Intern(texts[i]), i + 1);
        EXPECT_EQ(pool.Get(static_cast<std::uint32_t>(i + 1)), texts[i]);
    }
    EXPECT_EQ(pool.Intern(std::string("nul\0inside", 10)), texts.size() - 1);
    EXPECT_EQ(pool.Intern(""), empty);
    EXPECT_EQ(first, "text 0");
    EXPECT_EQ(pool.Size(), texts.size() + 1);
}

}  // namespace
}  // namespace tabulon::spreadsheet
