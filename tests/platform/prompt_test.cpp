#include "platform/prompt.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/scripted_prompt.h"

namespace tabulon::platform {
namespace {

TEST(ScriptedPrompt, AnswersInOrderAndRecordsEveryQuestion) {
    auto script = std::make_shared<CScriptedPromptService>();
    CScopedPromptService installed(script);
    script->QueueAnswer(PromptAnswer::Yes);
    script->QueueFile("/out/Result.xls");
    script->QueueFolder("/data");

    MessageBoxOk("Done.");
    EXPECT_TRUE(MessageBoxYesNo("Do you want to open the result?"));
    EXPECT_FALSE(MessageBoxYesNo("Again?"));  // nothing queued: No
    EXPECT_EQ(PromptForFile("xls", "Result", "Excel Files(*.xls)|*.xls||", "",
                            OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, ""),
              "/out/Result.xls");
    EXPECT_EQ(BrowseForFolder("/start"), "/data");
    EXPECT_EQ(BrowseForFolder(""), "");
    EXPECT_TRUE(OpenDocument("/out/Result.xls"));

    std::vector<PromptRecord> r = script->Records();
    ASSERT_EQ(r.size(), 7u);
    EXPECT_EQ(r[0].kind, PromptKind::Message);
    EXPECT_EQ(r[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(r[1].buttons, MessageButtons::YesNo);
    EXPECT_EQ(r[1].answer, PromptAnswer::Yes);
    EXPECT_TRUE(r[1].answered);
    EXPECT_EQ(r[2].answer, PromptAnswer::No);
    EXPECT_FALSE(r[2].answered);
    EXPECT_EQ(r[3].kind, PromptKind::File);
    EXPECT_EQ(r[3].file.title, "Open");  // no title given
    EXPECT_EQ(r[3].file.flags, 0x80006u);
    EXPECT_EQ(r[3].file.defaultExtension, "xls");
    EXPECT_EQ(r[3].file.initialName, "Result");
    EXPECT_EQ(r[4].initialFolder, "/start");
    EXPECT_FALSE(r[5].answered);
    EXPECT_EQ(r[6].kind, PromptKind::OpenDocument);
    EXPECT_EQ(r[6].text, "/out/Result.xls");
    EXPECT_EQ(script->Messages(),
              (std::vector<CString>{"Done.", "Do you want to open the result?", "Again?"}));
    EXPECT_EQ(script->PendingAnswers(), 0u);
}

TEST(ScriptedPrompt, TheServiceIsRestoredAndUsableFromAnyThread) {
    auto script = std::make_shared<CScriptedPromptService>();
    std::shared_ptr<CPromptService> before = GetPromptService();
    {
        CScopedPromptService installed(script);
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t) {
            workers.emplace_back([] {
                for (int i = 0; i < 50; ++i)
                    MessageBoxOk("from a worker");
            });
        }
        for (std::thread& w : workers)
            w.join();
        EXPECT_EQ(GetPromptService(), script);
    }
    EXPECT_EQ(script->Messages().size(), 200u);
    EXPECT_EQ(GetPromptService(), before);
    // The fallback answers cautiously.
    EXPECT_FALSE(GetPromptService()->OpenDocument("/x"));
    EXPECT_EQ(GetPromptService()->BrowseForFolder("/x"), "");
}

}  // namespace
}  // namespace tabulon::platform
