#include "platform/host_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/ini_file.h"
#include "platform/paths.h"

namespace tabulon::platform {
namespace {

constexpr const char* kTables[2] = {"QWERTYUPASDFGHJK", "ZXCVBNML23456789"};
constexpr std::uint8_t kKeys[2] = {0x5A, 0xC3};

int SymbolValue(char symbol, int table) {
    const char* hit = symbol ? std::strchr(kTables[table], symbol) : nullptr;
    return hit ? static_cast<int>(hit - kTables[table]) : -1;
}

std::string_view Trim(std::string_view s) {
    const char* blanks = " \t\r\v\f";
    size_t b = s.find_first_not_of(blanks);
    if (b == std::string_view::npos)
        return {};
    return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

std::string_view StripQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

// Applies convert to the names and values of every line; false when convert fails.
template <typename Convert>
bool ConvertLines(const std::string& content, std::string& out, Convert convert) {
    size_t pos = 0;
    if (content.starts_with("\xEF\xBB\xBF")) {  // a UTF-8 byte order mark stays as it is
        out += content.substr(0, 3);
        pos = 3;
    }
    while (pos < content.size()) {
        size_t nl = content.find('\n', pos);
        size_t end = nl == std::string::npos ? content.size() : nl;
        std::string_view line(content.data() + pos, end - pos);
        bool cr = !line.empty() && line.back() == '\r';
        if (cr)
            line.remove_suffix(1);
        std::string_view t = Trim(line);
        std::optional<CString> a, b;
        if (t.empty() || t.front() == ';') {
            out += line;
        } else if (t.front() == '[') {
            size_t close = t.rfind(']');
            if (close == std::string_view::npos)
                close = t.size();
            if (!(a = convert(Trim(t.substr(1, close - 1)))))
                return false;
            out += "[" + a->Str() + "]";
        } else if (size_t eq = t.find('='); eq != std::string_view::npos && eq > 0) {
            if (!(a = convert(Trim(t.substr(0, eq)))))
                return false;
            if (!(b = convert(StripQuotes(Trim(t.substr(eq + 1))))))
                return false;
            out += a->Str() + "=" + b->Str();
        } else {
            out += line;
        }
        if (cr)
            out += '\r';
        if (nl != std::string::npos)
            out += '\n';
        pos = end == content.size() ? end : end + 1;
    }
    return true;
}

}  // namespace

CString EncodeHostText(const CString& plain) {
    std::string out;
    out.reserve(static_cast<size_t>(plain.GetLength()) * 2);
    for (int i = 0; i < plain.GetLength(); ++i) {
        const int table = i % 2;
        auto b =
            static_cast<std::uint8_t>(static_cast<std::uint8_t>(plain.GetAt(i)) ^ kKeys[table]);
        out += kTables[table][b >> 4];
        out += kTables[table][b & 0x0F];
    }
    return CString(std::move(out));
}

std::optional<CString> DecodeHostText(const CString& text) {
    if (text.GetLength() % 2 != 0)
        return std::nullopt;
    std::string out;
    out.reserve(static_cast<size_t>(text.GetLength()) / 2);
    for (int i = 0; i < text.GetLength(); i += 2) {
        const int table = (i / 2) % 2;
        int high = SymbolValue(text.GetAt(i), table);
        int low = SymbolValue(text.GetAt(i + 1), table);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(((high << 4) | low) ^ kKeys[table]);
    }
    return CString(std::move(out));
}

std::string EncodeHostTextFile(const std::string& rawContent) {
    std::string out;
    ConvertLines(rawContent, out, [](std::string_view s) {
        return std::optional<CString>(EncodeHostText(CString(s)));
    });
    return out;
}

std::optional<std::string> DecodeHostTextFile(const std::string& encodedContent) {
    std::string out;
    if (!ConvertLines(encodedContent, out,
                      [](std::string_view s) { return DecodeHostText(CString(s)); })) {
        return std::nullopt;
    }
    return out;
}

CString LookupHostText(const CString& section, const CString& key) {
    const CString host = GetHostFolder();
    const CString encodedFile = host + "/QXTexts.ini";
    if (PathFileExists(encodedFile)) {
        // Two symbols per byte: leave room for a value of the usual length once decoded.
        CString value = GetPrivateProfileString(EncodeHostText(section), EncodeHostText(key),
                                                CString(), encodedFile, 2 * kMaxProfileValue);
        std::optional<CString> plain = DecodeHostText(value);
        if (!plain)
            return CString();
        int length = std::min(plain->GetLength(), kMaxProfileValue);
        // Cut like the profile API cuts a plain value: never inside a UTF-8 sequence.
        while (length < plain->GetLength() && length > 0 &&
               (static_cast<unsigned char>(plain->GetAt(length)) & 0xC0) == 0x80) {
            --length;
        }
        return plain->Left(length);
    }
    return GetPrivateProfileString(section, key, CString(), host + "/QXTexts_Raw.ini");
}

}  // namespace tabulon::platform
