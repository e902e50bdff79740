#include "engine/file_walker.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "output/task_messages.h"
#include "platform/paths.h"

namespace tabulon::engine {

namespace {

struct FolderEntry {
    std::string name;
    enum Kind {
        File,          // a regular file, or a link to one
        Folder,        // walked
        LinkedFolder,  // a link to a folder: not walked, it may loop
        Special,       // a FIFO, device, socket or broken link: never opened
        Unknown        // its type cannot be read (error says why): a path too long
    } kind = File;
    std::error_code error;
};

struct FolderListing {
    std::vector<FolderEntry> entries;  // sorted by name
    std::error_code error;             // set when the folder could not be listed (in full)
};

FolderListing ListFolder(const CString& folder) {
    namespace fs = std::filesystem;
    FolderListing listing;
    fs::directory_iterator it(folder.Str(), listing.error);
    for (; !listing.error && it != fs::directory_iterator(); it.increment(listing.error)) {
        // The type read with the listing where the file system gives one: a folder too
        // deep to be named by its path is still known as a folder.
        std::error_code linkError, targetError;
        const fs::file_status link = it->symlink_status(linkError);
        FolderEntry entry;
        entry.name = it->path().filename().string();
        if (linkError) {
            entry.kind = FolderEntry::Unknown;
            entry.error = linkError;
        } else if (fs::is_directory(link)) {
            entry.kind = FolderEntry::Folder;
        } else if (fs::is_symlink(link)) {
            const fs::file_status target = it->status(targetError);
            entry.kind = targetError                   ? FolderEntry::Special
                         : fs::is_directory(target)    ? FolderEntry::LinkedFolder
                         : fs::is_regular_file(target) ? FolderEntry::File
                                                       : FolderEntry::Special;
        } else if (!fs::is_regular_file(link)) {
            entry.kind = FolderEntry::Special;
        }
        listing.entries.push_back(std::move(entry));
    }
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return listing;
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

template <typename OnFile, typename OnSkip>
int CFileWalker::VisitFolder(const CString& folder, OnFile&& onFile, OnSkip&& onSkip) const {
    FolderListing listing = ListFolder(folder);
    // A folder that is not there is nothing to walk; one that cannot be read is said.
    if (listing.error && listing.error != std::errc::no_such_file_or_directory) {
        CString line;
        line.Format("The folder '%s' cannot be read (%s). The files in it are skipped.",
                    folder.GetString(), listing.error.message().c_str());
        onSkip(line);
    }
    for (const FolderEntry& entry : listing.entries) {
        if (entry.kind == FolderEntry::LinkedFolder)
            continue;
        CString path;
        path.Format("%s/%s", folder.GetString(), entry.name.c_str());
        if (entry.kind == FolderEntry::Folder) {
            if (!VisitFolder(path, onFile, onSkip))
                return 0;
        } else if (entry.kind == FolderEntry::Unknown) {
            CString line;
            line.Format("'%s' cannot be read (%s). It is skipped.", path.GetString(),
                        entry.error.message().c_str());
            onSkip(line);
        } else if (!platform::PathMatchSpec(CString(entry.name), m_strPatterns)) {
            continue;
        } else if (entry.kind == FolderEntry::Special) {
            CString line;
            line.Format("The file '%s' is skipped: it is not a regular file.", path.GetString());
            onSkip(line);
        } else if (m_skippedFile && platform::IsSameFile(path, *m_skippedFile)) {
            CString line;
            line.Format("The file '%s' is skipped: it is the result file of this task.",
                        path.GetString());
            onSkip(line);
        } else if (!onFile(path)) {
            return 0;
        }
    }
    return 1;
}

int CFileWalker::WalkFolder(const CString& folder) {
    return VisitFolder(
        folder,
        [this](const CString& path) {
            if (m_status)
                m_status->BeginFile(path);
            if (!ProcessFile(path))
                return 0;
            ++m_nFileCount;
            if (m_status)
                m_status->EndFile();
            return 1;
        },
        [this](const CString& line) { output::PostText(NotifyTarget(), line); });
}

std::vector<CString> CFileWalker::ListFiles() const {
    std::vector<CString> files;
    VisitFolder(
        m_strFolder,
        [&files](const CString& path) {
            files.push_back(path);
            return 1;
        },
        [](const CString&) {});
    return files;
}

}  // namespace tabulon::engine
