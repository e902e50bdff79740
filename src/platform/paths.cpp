#include "platform/paths.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <string_view>

namespace tabulon::platform {
namespace {

std::mutex g_overrideMutex;
const char g_anchor = 0;  // an object of this library, located with dladdr
CString g_overrides[2];

CString FolderOf(const std::string& file) {
    size_t slash = file.rfind('/');
    return slash == std::string::npos ? CString() : CString(file.substr(0, slash));
}

std::string HostExecutablePath() {
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < buffer.size())
            return buffer.substr(0, static_cast<size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

std::string CoreModulePath() {
    Dl_info info{};
    if (dladdr(&g_anchor, &info) == 0 || !info.dli_fname) {
        return HostExecutablePath();
    }
    std::string path = info.dli_fname;
    // For the main program the name is argv[0], relative to a working folder that may
    // have changed since: the kernel's answer is the reliable one.
    if (path.empty() || path.front() != '/')
        return HostExecutablePath();
    char* real = realpath(path.c_str(), nullptr);
    if (real) {
        path = real;
        free(real);
    }
    return path;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Backtracking glob over bytes: remembers the last '*' and retries from there.
bool MatchOne(std::string_view name, std::string_view pattern) {
    size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

}  // namespace

CString GetModuleFolder(Module module) {
    {
        std::lock_guard<std::mutex> lock(g_overrideMutex);
        const CString& forced = g_overrides[static_cast<int>(module)];
        if (!forced.IsEmpty())
            return forced;
    }
    return FolderOf(module == Module::Host ? HostExecutablePath() : CoreModulePath());
}

CString GetHostFolder() {
    return GetModuleFolder(Module::Host);
}

void SetModuleFolderOverride(Module module, const CString& folder) {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    g_overrides[static_cast<int>(module)] = folder;
}

CString GetIniPath() {
    return GetModuleFolder(Module::Core) + "/Tabulon.ini";
}

CString GetResourceFolder() {
    return GetModuleFolder(Module::Core) + "/Tabulon_DLL";
}

CString ResolvePath(const CString& path) {
    if (!PathIsRelative(path))
        return path;
    if (path.IsEmpty())
        return GetHostFolder();
    return GetHostFolder() + "/" + path;
}

bool PathFileExists(const CString& path) {
    return !path.IsEmpty() && access(path.GetString(), F_OK) == 0;
}

bool PathIsDirectory(const CString& path) {
    struct stat st {};
    return !path.IsEmpty() && stat(path.GetString(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathIsRegularFile(const CString& path) {
    struct stat st {};
    return !path.IsEmpty() && stat(path.GetString(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsSameFile(const CString& a, const CString& b) {
    struct stat sa {
    }, sb{};
    return !a.IsEmpty() && !b.IsEmpty() && stat(a.GetString(), &sa) == 0 &&
           stat(b.GetString(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool GetFileId(const CString& path, FileId& id) {
    struct stat st {};
    if (path.IsEmpty() || stat(path.GetString(), &st) != 0)
        return false;
    id = {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino)};
    return true;
}

bool PathIsRelative(const CString& path) {
    return path.GetAt(0) != '/';
}

bool PathMatchSpec(const CString& name, const CString& patterns) {
    std::string_view rest = patterns;
    while (!rest.empty()) {
        size_t semi = rest.find(';');
        std::string_view pattern = rest.substr(0, semi);
        rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
        while (!pattern.empty() && pattern.front() == ' ')
            pattern.remove_prefix(1);
        if (pattern.empty())
            continue;
        if (pattern == "*.*" || MatchOne(name, pattern))
            return true;
    }
    return false;
}

}  // namespace tabulon::platform
