#include "output/output_list.h"

#include <gtest/gtest.h>

#include <memory>

namespace tabulon::output {
namespace {

using platform::CNotifyPayload;
using Kind = OutputChange::Kind;

CNotifyPayload Text(const char* text) {
    return std::make_unique<CString>(text);
}
CNotifyPayload Record(StringRecord record) {
    return std::make_unique<StringRecord>(std::move(record));
}

std::vector<CString> Texts(const COutputList& list) {
    std::vector<CString> texts;
    for (int i = 0; i < list.Count(); ++i)
        texts.push_back(list.Line(i).text);
    return texts;
}

TEST(OutputList, ProgressLineIsUpdatedInPlaceWhileItIsLast) {
    COutputList list;
    list.Apply(TN_TEXT, Text("first"));
    list.Apply(TN_PROGRESS_BEGIN, Record({"id", "0%"}));
    auto changes = list.Apply(TN_PROGRESS_UPDATE, Record({"id", "50%"}));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].kind, Kind::Changed);
    EXPECT_EQ(changes[0].index, 1);
    EXPECT_EQ(Texts(list), (std::vector<CString>{"first", "50%"}));
    EXPECT_EQ(list.ProgressIndex(), 1);
}

TEST(OutputList, ProgressLineMovesBelowNewerLines) {
    COutputList list;
    list.Apply(TN_PROGRESS_BEGIN, Record({"id", "0%"}));
    list.Apply(TN_TEXT, Text("a line"));
    auto changes = list.Apply(TN_PROGRESS_END, Record({"id", "done"}));
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].kind, Kind::Removed);
    EXPECT_EQ(changes[0].index, 0);
    EXPECT_EQ(changes[1].kind, Kind::Appended);
    EXPECT_EQ(Texts(list), (std::vector<CString>{"a line", "done"}));
    EXPECT_EQ(list.ProgressIndex(), 1);
}

TEST(OutputList, EmptyProgressTextRemovesTheLineAndOnlyIt) {
    COutputList list;
    list.Apply(TN_PROGRESS_BEGIN, Record({"id", "0%"}));
    list.Apply(TN_PROGRESS_END, Record({"id", ""}));
    list.Apply(TN_DETAIL,
               Record({"Warning line", "/a.xlsx", "Sheet1", "B7: No data in this cell"}));
    EXPECT_EQ(Texts(list), (std::vector<CString>{"Warning line"}));
    EXPECT_EQ(list.ProgressIndex(), -1);
    // A late update with an empty text must not remove the detail line that now sits
    // where the progress line was.
    list.Apply(TN_PROGRESS_UPDATE, Record({"id", ""}));
    EXPECT_EQ(list.Count(), 1);
}

TEST(OutputList, ClearForgetsTheProgressLine) {
    COutputList list;
    list.Apply(TN_TEXT, Text("old"));
    list.Apply(TN_PROGRESS_BEGIN, Record({"id", "0%"}));
    list.Apply(TN_CLEAR, {});
    list.Apply(TN_TEXT, Text("new"));
    list.Apply(TN_PROGRESS_UPDATE, Record({"id", "1%"}));
    EXPECT_EQ(Texts(list), (std::vector<CString>{"new", "1%"}));
}

TEST(OutputList, DetailLinesOwnTheirRecords) {
    COutputList list;
    list.Apply(TN_TEXT, Text("plain"));
    list.Apply(TN_DETAIL, Record({"line", "/f.xlsx", "S", "d1", "d2"}));
    list.Apply(TN_FINISHED, Text(""));
    EXPECT_TRUE(list.DetailsOf(0).empty());
    EXPECT_EQ(list.DetailsOf(1), (std::vector<CString>{"/f.xlsx", "S", "d1", "d2"}));
    EXPECT_EQ(list.Count(), 3);  // a finished message with an empty text still adds its line
}

TEST(OutputList, KeepingOnlyOpenLinesMakesTheSameChangesWithAFewLinesHeld) {
    COutputList full, open;
    open.KeepOnlyOpenLines();
    auto both = [&](int code, auto make) {
        auto a = full.Apply(code, make());
        auto b = open.Apply(code, make());
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a[i].kind, b[i].kind) << code;
            if (a[i].kind == Kind::Appended || a[i].kind == Kind::Changed) {
                EXPECT_EQ(full.Line(a[i].index).text, open.Line(b[i].index).text);
            }
        }
        EXPECT_LE(open.Count(), 3);  // the two kept, and what the message added
        EXPECT_EQ(full.ProgressIndex() < 0, open.ProgressIndex() < 0);
    };
    for (int file = 0; file < 5; ++file) {
        both(TN_PROGRESS_BEGIN, [] { return Record({"id", "0%"}); });
        both(TN_PROGRESS_UPDATE, [] { return Record({"id", "50%"}); });
        both(TN_TEXT, [] { return Text("a line below the progress"); });
        both(TN_PROGRESS_UPDATE, [] { return Record({"id", "90%"}); });
        both(TN_DETAIL, [] { return Record({"detail", "/f.xlsx", "S", "d1"}); });
        both(TN_PROGRESS_END, [file] { return Record({"id", file % 2 ? "" : "done"}); });
        both(TN_TEXT, [] { return Text("file done"); });
    }
    EXPECT_EQ(full.Count(), 18);
}

TEST(OutputList, IgnoresWrongPayloadsAndUnknownCodes) {
    COutputList list;
    EXPECT_TRUE(list.Apply(TN_TEXT, Record({"x", "y"})).empty());
    EXPECT_TRUE(list.Apply(TN_PROGRESS_BEGIN, Record({"only id"})).empty());
    EXPECT_TRUE(list.Apply(TN_DETAIL, Record({})).empty());
    EXPECT_TRUE(list.Apply(999, Text("x")).empty());
    EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace tabulon::output
