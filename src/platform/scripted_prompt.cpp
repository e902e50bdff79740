#include "platform/scripted_prompt.h"

namespace tabulon::platform {

void CScriptedPromptService::QueueAnswer(PromptAnswer answer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers.push_back(answer);
}

void CScriptedPromptService::QueueFile(const CString& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_files.push_back(path);
}

void CScriptedPromptService::QueueFolder(const CString& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_folders.push_back(path);
}

std::vector<PromptRecord> CScriptedPromptService::Records() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_records;
}

std::vector<CString> CScriptedPromptService::Messages() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<CString> texts;
    for (const PromptRecord& r : m_records) {
        if (r.kind == PromptKind::Message)
            texts.push_back(r.text);
    }
    return texts;
}

size_t CScriptedPromptService::PendingAnswers() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_answers.size() + m_files.size() + m_folders.size();
}

void CScriptedPromptService::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers.clear();
    m_files.clear();
    m_folders.clear();
    m_records.clear();
}

PromptAnswer CScriptedPromptService::ShowMessage(const CString& text, MessageButtons buttons) {
    std::lock_guard<std::mutex> lock(m_mutex);
    PromptRecord record;
    record.kind = PromptKind::Message;
    record.text = text;
    record.buttons = buttons;
    if (buttons == MessageButtons::Ok) {
        record.answer = PromptAnswer::Ok;
    } else if (m_answers.empty()) {
        record.answer = PromptAnswer::No;
        record.answered = false;
    } else {
        record.answer = m_answers.front();
        m_answers.pop_front();
    }
    m_records.push_back(record);
    return record.answer;
}

CString CScriptedPromptService::TakePath_unlocked(std::deque<CString>& queue,
                                                  PromptRecord& record) {
    if (queue.empty()) {
        record.answered = false;
    } else {
        record.path = queue.front();
        queue.pop_front();
    }
    m_records.push_back(record);
    return record.path;
}

CString CScriptedPromptService::PromptForFile(const FilePromptArgs& args) {
    std::lock_guard<std::mutex> lock(m_mutex);
    PromptRecord record;
    record.kind = PromptKind::File;
    record.file = args;
    return TakePath_unlocked(m_files, record);
}

CString CScriptedPromptService::BrowseForFolder(const CString& initialFolder) {
    std::lock_guard<std::mutex> lock(m_mutex);
    PromptRecord record;
    record.kind = PromptKind::Folder;
    record.initialFolder = initialFolder;
    return TakePath_unlocked(m_folders, record);
}

bool CScriptedPromptService::OpenDocument(const CString& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    PromptRecord record;
    record.kind = PromptKind::OpenDocument;
    record.text = path;
    m_records.push_back(record);
    return true;
}

}  // namespace tabulon::platform
