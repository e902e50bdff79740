#include "spreadsheet/reader/external_links.h"

#include <gtest/gtest.h>

namespace tabulon::spreadsheet {
namespace {

TEST(ExternalLinks, BookNamesComeFromTheLinkTarget) {
    EXPECT_EQ(ExternalBookName("src.xlsx"), "src.xlsx");
    EXPECT_EQ(ExternalBookName("../data/src.xlsx"), "../data/src.xlsx");
    EXPECT_EQ(ExternalBookName("file:///srv/b%20book.xlsx"), "/srv/b book.xlsx");
    EXPECT_EQ(ExternalBookName("100%25.xlsx"), "100%.xlsx");
    EXPECT_EQ(ExternalBookName("odd%2.xlsx%"), "odd%2.xlsx%");
    EXPECT_EQ(ExternalBookName("Feuil8"), "Feuil8");
}

TEST(ExternalLinks, NumbersBecomeTheBooksTheyStandFor) {
    const std::vector<std::string> books = {"src.xlsx", "", "/srv/b.xlsx"};
    const struct {
        const char* stored;
        const char* model;
    } cases[] = {
        {"[1]Other!A1", "'[src.xlsx]Other'!A1"},
        {"SUM([1]Other!A1:B2)+'[3]My Sheet'!$C$3",
         "SUM('[src.xlsx]Other'!A1:B2)+'[/srv/b.xlsx]My Sheet'!$C$3"},
        {"[1]Other!Total*2", "'[src.xlsx]Other'!Total*2"},
        {"SUM([1]Jan:Mar!B2)", "SUM('[src.xlsx]Jan:Mar'!B2)"},
        // No book for the number: [2] has an empty one, [0] and [4] none at all.
        {"[2]S!A1+[0]S!A1+[4]S!A1", "[2]S!A1+[0]S!A1+[4]S!A1"},
        // Text, structured references and unreadable formulas stay as written.
        {"\"[1]Other!A1\"&Table1[Col]", "\"[1]Other!A1\"&Table1[Col]"},
        {"[1]Other!A1+\"unterminated", "[1]Other!A1+\"unterminated"},
        {"Data!A1", "Data!A1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NameExternalBooks(c.stored, books), c.model) << c.stored;
    EXPECT_EQ(NameExternalBooks("[1]Other!A1", {}), "[1]Other!A1");
}

}  // namespace
}  // namespace tabulon::spreadsheet
