#include "output/task_messages.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/scripted_prompt.h"
#include "platform/temp_folder.h"

namespace tabulon::output {
namespace {

using platform::PromptAnswer;
using platform::testing::ReadFile;
using platform::testing::TempFolder;

class PromptResultFileTest : public ::testing::Test {
  protected:
    std::shared_ptr<platform::CScriptedPromptService> m_prompt =
        std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService m_scope{m_prompt};
    TempFolder m_dir;
};

TEST_F(PromptResultFileTest, AsksForAMissingNameAndStoresTheAnswer) {
    m_prompt->QueueFile((m_dir / "out.xlsx").c_str());
    CString path;
    EXPECT_EQ(PromptResultFile(path), CString((m_dir / "out.xlsx").c_str()));
    EXPECT_EQ(path, CString((m_dir / "out.xlsx").c_str()));
    auto records = m_prompt->Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].file.title,
              "Task is complete. Enter the name of the result file, or specify an existing file");
    EXPECT_EQ(records[0].file.defaultExtension, "xlsx");
    EXPECT_EQ(records[0].file.flags, 0x80006u);
}

TEST_F(PromptResultFileTest, CancelledNameGivesNothingToSaveTo) {
    CString path;
    EXPECT_TRUE(PromptResultFile(path).IsEmpty());
}

TEST_F(PromptResultFileTest, ExistingFileIsKeptUnlessTheAnswerIsYes) {
    std::string file = m_dir.Write("old.xlsx", "old content");
    CString path(file.c_str());
    m_prompt->QueueAnswer(PromptAnswer::No);
    EXPECT_TRUE(PromptResultFile(path).IsEmpty());
    EXPECT_EQ(ReadFile(file), "old content");
    EXPECT_EQ(
        m_prompt->Messages().back(),
        CString(("File '" + file + "' already exists. Do you want to overwrite it?").c_str()));

    m_prompt->QueueAnswer(PromptAnswer::Yes);
    EXPECT_EQ(PromptResultFile(path), CString(file.c_str()));
    // The old file stays until the save renames the new one over it.
    EXPECT_EQ(ReadFile(file), "old content");
}

TEST_F(PromptResultFileTest, OnlyARegularFileIsEverReplaced) {
    const std::string fifo = m_dir / "fifo.xlsx";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/null", m_dir / "null.xlsx");
    std::filesystem::create_directory(m_dir / "folder.xlsx");
    for (const std::string& special : {fifo, m_dir / "null.xlsx", m_dir / "folder.xlsx"}) {
        CString path(special.c_str());
        EXPECT_TRUE(PromptResultFile(path).IsEmpty()) << special;
        EXPECT_EQ(m_prompt->Messages().back(),
                  CString(("'" + special +
                           "' is not a regular file and is never replaced by a result. Please "
                           "choose another result file.")
                              .c_str()));
    }
    // A link to a regular file is asked about like the file.
    std::filesystem::create_symlink(m_dir.Write("old.xlsx", "old"), m_dir / "link.xlsx");
    m_prompt->QueueAnswer(PromptAnswer::Yes);
    CString link((m_dir / "link.xlsx").c_str());
    EXPECT_EQ(PromptResultFile(link), link);
}

TEST(TaskMessages, ProgressTexts) {
    EXPECT_EQ(FormatSheetProgress("Sales", 28), "Processing Worksheet \"Sales\", 28% completed");
    EXPECT_EQ(FormatTaskProgress(100), "Processing task... 100% completed");
}

TEST(TaskMessages, PostsInOrderWithOwnedPayloads) {
    platform::CNotifyTarget target;
    auto handle = target.Handle();
    PostText(handle, "one");
    CString id = BeginProgress(handle, "p0");
    UpdateProgress(handle, id, "p1");
    EXPECT_FALSE(PostDetail(handle, {}));
    PostDetail(handle, {"line", "path", "sheet"});
    PostFinished(handle, "done");
    auto messages = target.Drain();
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[0].code, TN_TEXT);
    EXPECT_EQ(*messages[0].payload.Text(), "one");
    EXPECT_EQ(messages[1].code, TN_PROGRESS_BEGIN);
    EXPECT_EQ((*messages[1].payload.Record())[0], id);
    EXPECT_EQ((*messages[2].payload.Record())[1], "p1");
    EXPECT_EQ(messages[3].code, TN_DETAIL);
    EXPECT_EQ(messages[4].code, TN_FINISHED);
}

}  // namespace
}  // namespace tabulon::output
