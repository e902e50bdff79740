#include "engine/file_walker.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/paths.h"

namespace tabulon::engine {

namespace {

struct FolderEntry {
    std::string name;
    bool isFolder = false;
    bool isLinkedFolder = false;  // a link to a folder: not walked, it may loop
};

// The entries of folder sorted by name; empty when it cannot be listed.
std::vector<FolderEntry> ListFolder(const CString& folder) {
    std::vector<FolderEntry> entries;
    std::error_code error;
    std::filesystem::directory_iterator it(folder.Str(), error);
    if (error)
        return entries;
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error)
            break;
        std::error_code typeError;
        bool isFolder = it->is_directory(typeError) && !typeError;
        bool isLink = it->is_symlink(typeError) && !typeError;
        entries.push_back(
            {it->path().filename().string(), isFolder && !isLink, isFolder && isLink});
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return entries;
}

}  // namespace

CFileWalker::CFileWalker(platform::CNotifyHandle notify, const CString& folder,
                         const CString& patterns)
    : CTask(std::move(notify)), m_strFolder(folder), m_strPatterns(patterns) {
    if (m_strFolder.GetLength() > 1 && m_strFolder.Right(1) == "/")
        m_strFolder = m_strFolder.Left(m_strFolder.GetLength() - 1);
}

CFileWalker::~CFileWalker() = default;

int CFileWalker::Walk() {
    return WalkFolder(m_strFolder);
}

int CFileWalker::ProcessFile(const CString&) {
    return 1;
}

template <typename OnFile>
int CFileWalker::VisitFolder(const CString& folder, OnFile&& onFile) const {
    for (const FolderEntry& entry : ListFolder(folder)) {
        if (entry.isLinkedFolder)
            continue;
        CString path;
        path.Format("%s/%s", folder.GetString(), entry.name.c_str());
        if (entry.isFolder) {
            if (!VisitFolder(path, onFile))
                return 0;
        } else if (platform::PathMatchSpec(CString(entry.name), m_strPatterns)) {
            if (!onFile(path))
                return 0;
        }
    }
    return 1;
}

int CFileWalker::WalkFolder(const CString& folder) {
    return VisitFolder(folder, [this](const CString& path) {
        if (!ProcessFile(path))
            return 0;
        ++m_nFileCount;
        return 1;
    });
}

std::vector<CString> CFileWalker::ListFiles() const {
    std::vector<CString> files;
    VisitFolder(m_strFolder, [&files](const CString& path) {
        files.push_back(path);
        return 1;
    });
    return files;
}

}  // namespace tabulon::engine
