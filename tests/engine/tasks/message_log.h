// Every message a task run posts, with its texts, for the tests of the tasks that post
// progress lines and detail records.
#pragma once

#include <memory>
#include <vector>

#include "engine/task.h"
#include "engine/tasks/task_test_support.h"
#include "platform/notify.h"

namespace tabulon::engine::testing {

struct Posted {
    int code = 0;
    std::vector<CString> texts;  // the text, or the record's entries
};

struct MessageLog {
    std::vector<Posted> messages;

    // Texts of TN_TEXT and TN_FINISHED, plus the first entry of TN_DETAIL and the text of
    // TN_PROGRESS_END when it is not empty: the lines the output list keeps.
    std::vector<CString> Lines() const {
        std::vector<CString> lines;
        for (const Posted& m : messages) {
            if (m.code == TN_TEXT || m.code == TN_FINISHED || m.code == TN_DETAIL)
                lines.push_back(m.texts.front());
            else if (m.code == TN_PROGRESS_END && !m.texts[1].IsEmpty())
                lines.push_back(m.texts[1]);
        }
        return lines;
    }
    CString FinalLine() const {
        std::vector<CString> lines = Lines();
        return lines.empty() ? CString() : lines.back();
    }
    // The progress texts posted by TN_PROGRESS_UPDATE, in order.
    std::vector<CString> Updates() const {
        std::vector<CString> texts;
        for (const Posted& m : messages) {
            if (m.code == TN_PROGRESS_UPDATE)
                texts.push_back(m.texts[1]);
        }
        return texts;
    }
    std::vector<std::vector<CString>> Details() const {
        std::vector<std::vector<CString>> records;
        for (const Posted& m : messages) {
            if (m.code == TN_DETAIL)
                records.push_back(m.texts);
        }
        return records;
    }
};

inline MessageLog RunAndLog(std::unique_ptr<CTask> task, platform::CNotifyTarget& target) {
    auto control = CTask::Start(std::move(task));
    EXPECT_TRUE(control);
    if (control)
        control->WaitFinished();
    MessageLog log;
    for (platform::CNotifyMessage& message : target.Drain()) {
        Posted posted{message.code, {}};
        if (const CString* text = message.payload.Text())
            posted.texts.push_back(*text);
        else if (const StringRecord* record = message.payload.Record())
            posted.texts = *record;
        log.messages.push_back(std::move(posted));
    }
    return log;
}

// "Processing Worksheet "<name>", <p>% completed" for each p.
inline std::vector<CString> ProgressTexts(const char* name, const std::vector<int>& percents) {
    std::vector<CString> texts;
    for (int p : percents) {
        CString text;
        text.Format("Processing Worksheet \"%s\", %d%% completed", name, p);
        texts.push_back(text);
    }
    return texts;
}

// The percentages posted for 100 items: in double precision item 29 gives 28 and item 57
// gives 56, both already posted, so nothing is posted for them; item 58 gives 57. So 98
// posts, without 29 and 58.
inline std::vector<int> PercentsForHundred() {
    std::vector<int> percents;
    for (int p = 1; p <= 100; ++p) {
        if (p != 29 && p != 58)
            percents.push_back(p);
    }
    return percents;
}

}  // namespace tabulon::engine::testing
