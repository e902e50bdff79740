#include "cli/line_printer.h"

#include <gtest/gtest.h>

#include <sstream>

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
    EXPECT_EQ(out.str(),
              "\r\x1b[Kp 0%\r\x1b[Kp 50%\r\x1b[Kline\np 50%\r\x1b[K\r\x1b[Kp 75%\r\x1b[Kdone\n"
              "p 75%\n");
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
