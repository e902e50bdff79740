#include "cli/line_printer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <utility>

namespace tabulon::cli {
namespace {

void Text(CLinePrinter& p, int code, const char* text) {
    p.Handle(code, std::make_unique<CString>(text));
}
void Progress(CLinePrinter& p, int code, const char* text) {
    p.Handle(code, std::make_unique<StringRecord>(StringRecord{"id", text}));
}

TEST(LinePrinter, ElsewhereTheProgressLineIsPrintedOnlyWhenItEnds) {
    std::ostringstream out;
    CLinePrinter p(out, false, false);
    Progress(p, TN_PROGRESS_BEGIN, "Processing Worksheet \"A\", 0% completed");
    Progress(p, TN_PROGRESS_UPDATE, "Processing Worksheet \"A\", 50% completed");
    Text(p, TN_TEXT, "a line");
    Progress(p, TN_PROGRESS_END, "Processing Worksheet \"A\", 100% completed");
    Progress(p, TN_PROGRESS_BEGIN, "Processing Worksheet \"B\", 0% completed");
    Progress(p, TN_PROGRESS_END, "");  // removed: nothing to print
    p.Handle(TN_DETAIL, std::make_unique<StringRecord>(
                            StringRecord{"When checking", "/x.xlsx", "S", "C12: one", "D1: two"}));
    Text(p, TN_FINISHED, "Task is canceled.");
    p.Close();
    EXPECT_EQ(out.str(),
              "a line\nProcessing Worksheet \"A\", 100% completed\n"
              "When checking\n    C12: one\n    D1: two\nTask is canceled.\n");
}

TEST(LinePrinter, OnATerminalTheProgressLineIsRewrittenBelowTheOthers) {
    std::ostringstream out;
    CLinePrinter p(out, true, false);
    Progress(p, TN_PROGRESS_BEGIN, "p 0%");
    Progress(p, TN_PROGRESS_UPDATE, "p 50%");
    Text(p, TN_TEXT, "line");
    Progress(p, TN_PROGRESS_UPDATE, "p 75%");
    Text(p, TN_FINISHED, "done");
    p.Close();
    EXPECT_EQ(out.str(), "p 0%\r\x1b[Kp 50%\r\x1b[Kline\np 50%\r\x1b[Kp 75%\r\x1b[Kdone\np 75%\n");
}

TEST(LinePrinter, OnATerminalTheStatusLineFitsTheWidthAndGivesWayToLinesAndQuestions) {
    std::ostringstream out;
    CLinePrinter p(out, true, false, [] { return 43; });
    const auto take = [&] { return std::exchange(out, std::ostringstream()).str(); };
    // The path loses its start, counted in characters (the 'ä' is two bytes).
    p.SetStatus("[1 of 2 files, 0:01]", "/data/bränches/north.xlsx");
    EXPECT_EQ(take(), "[1 of 2 files, 0:01] ...ränches/north.xlsx");
    Text(p, TN_TEXT, "a line");
    EXPECT_EQ(take(), "\r\x1b[Ka line\n[1 of 2 files, 0:01] ...ränches/north.xlsx");
    Progress(p, TN_PROGRESS_BEGIN, "p 5%");
    EXPECT_EQ(take(), "\r\x1b[K[1 of 2 files, 0:01] p 5% ...es/north.xlsx");
    Progress(p, TN_PROGRESS_END, "p 100%");  // ended with a text: an ordinary line now
    EXPECT_EQ(take(), "\r\x1b[Kp 100%\n[1 of 2 files, 0:01] ...ränches/north.xlsx");
    p.Suspend(true);  // a question is asked: nothing is drawn until it is answered
    p.SetStatus("[2 of 2 files, 0:02]", "/a\x1b[2J.xlsx");
    EXPECT_EQ(take(), "\r\x1b[K");
    p.Suspend(false);  // a file name cannot move the cursor
    EXPECT_EQ(take(), "[2 of 2 files, 0:02] /a?[2J.xlsx");
    p.SetStatus("[2 of 2 files, 0:02]", "/a\x1b[2J.xlsx");
    EXPECT_EQ(take(), "");  // unchanged: not drawn again
    p.Close();
    EXPECT_EQ(take(), "\r\x1b[K");
}

TEST(LinePrinter, JsonCarriesCodeTextAndRecordEscaped) {
    std::ostringstream out;
    CLinePrinter p(out, true, true);
    Text(p, TN_TEXT, "say \"hi\"\\\n");
    Progress(p, TN_PROGRESS_BEGIN, "p\t1");
    EXPECT_EQ(out.str(),
              "{\"code\":1002,\"text\":\"say \\\"hi\\\"\\\\\\n\"}\n"
              "{\"code\":1005,\"text\":\"p\\t1\",\"record\":[\"id\",\"p\\t1\"]}\n");
    EXPECT_EQ(JsonString(CString("\x01")), "\"\\u0001\"");
}

}  // namespace
}  // namespace tabulon::cli
