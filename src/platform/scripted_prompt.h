// A prompt service for tests: answers are queued in advance, and every question is
// recorded with its exact arguments so a test can assert what a person would have seen.
//
// Yes/No questions take the next queued answer, file and folder pickers the next queued
// path of their own queue; OK boxes always answer Ok and consume nothing. A question with
// nothing queued gets No or an empty path and is recorded as unanswered.
#pragma once

#include <deque>
#include <mutex>
#include <vector>

#include "platform/prompt.h"

namespace tabulon::platform {

enum class PromptKind { Message, File, Folder, OpenDocument };

struct PromptRecord {
    PromptKind kind = PromptKind::Message;
    CString text;  // Message: the text; OpenDocument: the path
    MessageButtons buttons = MessageButtons::Ok;
    FilePromptArgs file;                     // File: the arguments
    CString initialFolder;                   // Folder: the argument
    PromptAnswer answer = PromptAnswer::Ok;  // Message: what was answered
    CString path;                            // File, Folder: what was answered
    bool answered = true;                    // false when the default answer was used
};

class CScriptedPromptService : public CPromptService {
  public:
    void QueueAnswer(PromptAnswer answer);
    void QueueFile(const CString& path);
    void QueueFolder(const CString& path);

    std::vector<PromptRecord> Records() const;
    // The texts of the message boxes shown so far, in order.
    std::vector<CString> Messages() const;
    // Answers and paths queued but not asked for.
    size_t PendingAnswers() const;
    void Clear();

    PromptAnswer ShowMessage(const CString& text, MessageButtons buttons) override;
    CString PromptForFile(const FilePromptArgs& args) override;
    CString BrowseForFolder(const CString& initialFolder) override;
    bool OpenDocument(const CString& path) override;

  private:
    CString TakePath_unlocked(std::deque<CString>& queue, PromptRecord& record);

    mutable std::mutex m_mutex;
    std::deque<PromptAnswer> m_answers;
    std::deque<CString> m_files;
    std::deque<CString> m_folders;
    std::vector<PromptRecord> m_records;
};

}  // namespace tabulon::platform
