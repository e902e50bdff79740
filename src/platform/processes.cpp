#include "platform/processes.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>
#include <string>

namespace tabulon::platform {
namespace {

// The name part of a path in either separator style, cut at its last '.'.
CString BareName(CString path) {
    int slash = std::max(path.ReverseFind('/'), path.ReverseFind('\\'));
    CString name = path.Mid(slash + 1);
    int dot = name.ReverseFind('.');
    return dot >= 0 ? name.Left(dot) : name;
}

std::string ReadFirstLine(const std::string& file, char stop) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    if (in)
        std::getline(in, line, stop);
    return line;
}

bool ProcessMatches(const std::string& dir, const CString& wanted) {
    std::string comm = ReadFirstLine(dir + "/comm", '\n');
    if (!comm.empty() && BareName(CString(comm)).CompareNoCase(wanted) == 0)
        return true;

    char exe[4096];
    ssize_t n = readlink((dir + "/exe").c_str(), exe, sizeof exe - 1);
    if (n > 0) {
        std::string target(exe, static_cast<size_t>(n));
        if (target.ends_with(" (deleted)"))
            target.resize(target.size() - 10);
        if (BareName(CString(target)).CompareNoCase(wanted) == 0)
            return true;
    }

    std::string argv0 = ReadFirstLine(dir + "/cmdline", '\0');
    return !argv0.empty() && BareName(CString(argv0)).CompareNoCase(wanted) == 0;
}

}  // namespace

int CountProcesses(const CString& name) {
    const CString wanted = BareName(name);
    if (wanted.IsEmpty())
        return 0;
    std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), closedir);
    if (!proc)
        return 0;
    int count = 0;
    while (dirent* entry = readdir(proc.get())) {
        const char* id = entry->d_name;
        bool numeric = *id != '\0';
        for (const char* c = id; *c; ++c)
            numeric = numeric && std::isdigit(static_cast<unsigned char>(*c));
        if (numeric && ProcessMatches(std::string("/proc/") + id, wanted))
            ++count;
    }
    return count;
}

}  // namespace tabulon::platform
