#include "platform/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon::platform {
namespace {

constexpr std::string_view kIniBlanks = " \t\r\v\f";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Serialises read-modify-write cycles of this process; other processes are not locked out.
std::mutex g_writeMutex;

std::string_view TrimView(std::string_view s) {
    size_t b = s.find_first_not_of(kIniBlanks);
    // An empty view still points into s: callers take offsets from it ("[ ]").
    if (b == std::string_view::npos)
        return s.substr(0, 0);
    size_t e = s.find_last_not_of(kIniBlanks);
    return s.substr(b, e - b + 1);
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

std::optional<std::string> ReadWholeFile(const CString& path) {
    std::ifstream in(path.GetString(), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return std::move(buffer).str();
}

// One line of the file, split into what the profile rules see.
struct Line {
    std::string text;  // without its line break
    enum Kind { Other, Section, Entry } kind = Other;
    size_t nameStart = 0;  // section name or key, trimmed: offset and length in text
    size_t nameLength = 0;
    size_t valueStart = 0;  // entries: offset of the value in text (after '=' and blanks)

    std::string_view Name() const { return std::string_view(text).substr(nameStart, nameLength); }
    void SetName(std::string_view name) {
        nameStart = static_cast<size_t>(name.data() - text.data());
        nameLength = name.size();
    }
};

Line Classify(std::string text) {
    Line line;
    line.text = std::move(text);
    std::string_view t = TrimView(line.text);
    if (t.empty() || t.front() == ';')
        return line;
    if (t.front() == '[') {
        size_t close = t.rfind(']');
        if (close == std::string_view::npos)
            close = t.size();
        line.kind = Line::Section;
        line.SetName(TrimView(t.substr(1, close - 1)));
        return line;
    }
    size_t eq = t.find('=');
    if (eq == std::string_view::npos || eq == 0)
        return line;
    line.kind = Line::Entry;
    line.SetName(TrimView(t.substr(0, eq)));
    size_t afterEq = static_cast<size_t>(t.data() - line.text.data()) + eq + 1;
    while (afterEq < line.text.size() && kIniBlanks.find(line.text[afterEq]) != std::string::npos) {
        ++afterEq;
    }
    line.valueStart = afterEq;
    return line;
}

std::vector<Line> SplitLines(std::string_view content) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t nl = content.find('\n', pos);
        size_t end = nl == std::string_view::npos ? content.size() : nl;
        std::string text(content.substr(pos, end - pos));
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        lines.push_back(Classify(std::move(text)));
        pos = end == content.size() ? end : end + 1;
    }
    return lines;
}

// Cuts a value to at most max bytes without splitting a UTF-8 sequence.
std::string_view CutValue(std::string_view v, size_t max) {
    if (v.size() <= max)
        return v;
    size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(v[n]) & 0xC0) == 0x80)
        --n;
    return v.substr(0, n);
}

std::string_view StripQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

bool WriteFileAtomically(const CString& target, const std::string& content) {
    // Write through a symbolic link instead of replacing the link with a file.
    CString path = target;
    if (char* real = realpath(target.GetString(), nullptr)) {
        path = real;
        free(real);
    }
    std::string tmp = path.Str() + ".XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0)
        return false;
    struct stat st {};
    mode_t mode = 0644;
    if (stat(path.GetString(), &st) == 0)
        mode = st.st_mode & 07777;
    fchmod(fd, mode);
    size_t done = 0;
    bool ok = true;
    while (ok && done < content.size()) {
        ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && std::rename(tmp.c_str(), path.GetString()) == 0;
    if (!ok)
        unlink(tmp.c_str());
    return ok;
}

bool HasLineBreak(const CString& s) {
    return s.FindOneOf("\r\n") >= 0;
}

}  // namespace

CString GetPrivateProfileString(const CString& section, const CString& key,
                                const CString& defaultValue, const CString& iniPath,
                                int maxLength) {
    const size_t limit = static_cast<size_t>(std::max(maxLength, 0));
    CString fallback = defaultValue;
    fallback.TrimRight(" ");
    fallback = CString(CutValue(fallback, limit));

    std::optional<std::string> content = ReadWholeFile(iniPath);
    if (!content)
        return fallback;
    std::string_view text = *content;
    if (text.starts_with(kUtf8Bom))
        text.remove_prefix(kUtf8Bom.size());

    const std::string_view wantedSection = TrimView(section);
    const std::string_view wantedKey = TrimView(key);
    bool inSection = false;
    for (const Line& line : SplitLines(text)) {
        if (line.kind == Line::Section) {
            if (inSection)
                break;  // only the first matching section counts
            inSection = EqualNoCase(line.Name(), wantedSection);
        } else if (inSection && line.kind == Line::Entry && EqualNoCase(line.Name(), wantedKey)) {
            std::string_view value = TrimView(std::string_view(line.text).substr(line.valueStart));
            return CString(CutValue(StripQuotes(value), limit));
        }
    }
    return fallback;
}

bool WritePrivateProfileString(const CString& section, const CString& key, const CString& value,
                               const CString& iniPath) {
    const CString wantedSection = CString(section).Trim(" \t");
    const CString wantedKey = CString(key).Trim(" \t");
    if (wantedSection.IsEmpty() || wantedKey.IsEmpty() || HasLineBreak(section) ||
        HasLineBreak(key) || HasLineBreak(value) || wantedSection.Find(']') >= 0 ||
        wantedKey.Find('=') >= 0 || wantedKey.GetAt(0) == ';' || wantedKey.GetAt(0) == '[') {
        return false;
    }

    std::lock_guard<std::mutex> lock(g_writeMutex);
    std::optional<std::string> existing = ReadWholeFile(iniPath);
    // A file that exists but cannot be read must not be replaced by the one new key.
    if (!existing && access(iniPath.GetString(), F_OK) == 0)
        return false;
    std::string content = std::move(existing).value_or(std::string());
    std::string bom;
    if (std::string_view(content).starts_with(kUtf8Bom)) {
        bom = kUtf8Bom;
        content.erase(0, kUtf8Bom.size());
    }
    const bool crlf = content.find("\r\n") != std::string::npos;
    const bool endsWithBreak = content.empty() || content.back() == '\n';
    std::vector<Line> lines = SplitLines(content);

    // Locate the first matching section, its last non-blank line and the key inside it.
    std::optional<size_t> header, lastInSection, entry;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (line.kind == Line::Section) {
            if (header)
                break;
            if (EqualNoCase(line.Name(), wantedSection))
                header = lastInSection = i;
        } else if (header) {
            if (!TrimView(line.text).empty())
                lastInSection = i;
            if (!entry && line.kind == Line::Entry && EqualNoCase(line.Name(), wantedKey))
                entry = i;
        }
    }

    std::vector<std::string> out;
    out.reserve(lines.size() + 3);
    for (const Line& line : lines)
        out.push_back(line.text);
    bool appended = false;
    const std::string newEntry = wantedKey.Str() + "=" + value.Str();
    if (entry) {
        out[*entry] = lines[*entry].text.substr(0, lines[*entry].valueStart) + value.Str();
    } else if (header) {
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(*lastInSection) + 1, newEntry);
    } else {
        out.push_back("[" + wantedSection.Str() + "]");
        out.push_back(newEntry);
        appended = true;
    }

    const char* br = crlf ? "\r\n" : "\n";
    std::string result = bom;
    for (size_t i = 0; i < out.size(); ++i) {
        result += out[i];
        // Keep a missing final line break missing unless a section was appended after it.
        if (i + 1 < out.size() || endsWithBreak || appended)
            result += br;
    }
    return WriteFileAtomically(iniPath, result);
}

CString ReadIniString(const CString& iniPath, const CString& section, const CString& key,
                      const CString& defaultValue, CString& out) {
    out.Empty();
    out = GetPrivateProfileString(section, key, defaultValue, iniPath);
    out.Trim();
    return out;
}

CString ReadProfileString(const CString& iniPath, const CString& section, const CString& key) {
    return GetPrivateProfileString(section, key, CString(), iniPath);
}

}  // namespace tabulon::platform
