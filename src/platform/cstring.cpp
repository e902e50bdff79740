#include "platform/cstring.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kBlanks = " \t\r\n\v\f";

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool InSet(char c, const char* set) {
    return c != '\0' && set && std::strchr(set, c) != nullptr;
}

// vsnprintf into a string of whatever length the output needs.
void AppendFormatV(std::string& out, const char* format, va_list args) {
    va_list probe;
    va_copy(probe, args);
    char small[256];
    int needed = std::vsnprintf(small, sizeof small, format, probe);
    va_end(probe);
    if (needed < 0)
        return;
    if (static_cast<size_t>(needed) < sizeof small) {
        out.append(small, static_cast<size_t>(needed));
        return;
    }
    size_t old = out.size();
    out.resize(old + static_cast<size_t>(needed) + 1);
    std::vsnprintf(out.data() + old, static_cast<size_t>(needed) + 1, format, args);
    out.resize(old + static_cast<size_t>(needed));
}

}  // namespace

CString::CString(const char* text, int length) {
    if (text && length > 0)
        m_str.assign(text, static_cast<size_t>(length));
}

CString::CString(char ch, int repeat) {
    if (repeat > 0)
        m_str.assign(static_cast<size_t>(repeat), ch);
}

char CString::GetAt(int index) const {
    if (index < 0 || index >= GetLength())
        return '\0';
    return m_str[static_cast<size_t>(index)];
}

void CString::SetAt(int index, char ch) {
    if (index >= 0 && index < GetLength())
        m_str[static_cast<size_t>(index)] = ch;
}

void CString::Format(const char* format, ...) {
    std::string out;
    va_list args;
    va_start(args, format);
    AppendFormatV(out, format, args);
    va_end(args);
    m_str = std::move(out);
}

void CString::AppendFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatV(m_str, format, args);
    va_end(args);
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}
CString& CString::Trim(char ch) {
    return TrimRight(ch).TrimLeft(ch);
}
CString& CString::Trim(const char* set) {
    return TrimRight(set).TrimLeft(set);
}
CString& CString::TrimLeft() {
    return TrimLeft(kBlanks);
}
CString& CString::TrimRight() {
    return TrimRight(kBlanks);
}

CString& CString::TrimLeft(char ch) {
    const char set[2] = {ch, '\0'};
    return TrimLeft(set);
}

CString& CString::TrimRight(char ch) {
    const char set[2] = {ch, '\0'};
    return TrimRight(set);
}

CString& CString::TrimLeft(const char* set) {
    size_t i = 0;
    while (i < m_str.size() && InSet(m_str[i], set))
        ++i;
    m_str.erase(0, i);
    return *this;
}

CString& CString::TrimRight(const char* set) {
    size_t n = m_str.size();
    while (n > 0 && InSet(m_str[n - 1], set))
        --n;
    m_str.resize(n);
    return *this;
}

CString CString::SpanIncluding(const char* set) const {
    size_t i = 0;
    while (i < m_str.size() && InSet(m_str[i], set))
        ++i;
    return CString(m_str.substr(0, i));
}

CString CString::SpanExcluding(const char* set) const {
    size_t i = 0;
    while (i < m_str.size() && !InSet(m_str[i], set))
        ++i;
    return CString(m_str.substr(0, i));
}

int CString::Find(char ch, int start) const {
    if (start < 0)
        start = 0;
    if (start >= GetLength())
        return -1;
    size_t pos = m_str.find(ch, static_cast<size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const char* sub, int start) const {
    if (!sub)
        return -1;
    if (start < 0)
        start = 0;
    if (start > GetLength())
        return -1;
    size_t pos = m_str.find(sub, static_cast<size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(const char* set) const {
    for (size_t i = 0; i < m_str.size(); ++i) {
        if (InSet(m_str[i], set))
            return static_cast<int>(i);
    }
    return -1;
}

int CString::ReverseFind(char ch) const {
    size_t pos = m_str.rfind(ch);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

CString CString::Mid(int first) const {
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    return CString(m_str.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Left(int count) const {
    return Mid(0, count);
}

CString CString::Right(int count) const {
    count = std::clamp(count, 0, GetLength());
    return Mid(GetLength() - count, count);
}

CString& CString::MakeUpper() {
    for (char& c : m_str)
        c = AsciiUpper(c);
    return *this;
}

CString& CString::MakeLower() {
    for (char& c : m_str)
        c = AsciiLower(c);
    return *this;
}

int CString::Replace(char oldCh, char newCh) {
    int count = 0;
    for (char& c : m_str) {
        if (c == oldCh) {
            c = newCh;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const char* oldText, const char* newText) {
    if (!oldText || !*oldText)
        return 0;
    const std::string_view from(oldText);
    const std::string_view to(newText ? newText : "");
    std::string out;
    int count = 0;
    size_t pos = 0;
    for (size_t hit; (hit = m_str.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
        out.append(m_str, pos, hit - pos);
        out.append(to);
        ++count;
    }
    if (count == 0)
        return 0;
    out.append(m_str, pos, std::string::npos);
    m_str = std::move(out);
    return count;
}

int CString::Remove(char ch) {
    size_t before = m_str.size();
    std::erase(m_str, ch);
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int index, const char* text) {
    index = std::clamp(index, 0, GetLength());
    if (text)
        m_str.insert(static_cast<size_t>(index), text);
    return GetLength();
}

int CString::Delete(int index, int count) {
    if (index >= 0 && index < GetLength() && count > 0) {
        m_str.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    }
    return GetLength();
}

int CString::Compare(const char* other) const {
    int r = m_str.compare(other ? other : "");
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CString::CompareNoCase(const char* other) const {
    const char* a = m_str.c_str();
    const char* b = other ? other : "";
    for (;; ++a, ++b) {
        auto ca = static_cast<unsigned char>(AsciiLower(*a));
        auto cb = static_cast<unsigned char>(AsciiLower(*b));
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

CString& CString::operator+=(const CString& other) {
    m_str += other.m_str;
    return *this;
}

CString& CString::operator+=(const char* other) {
    if (other)
        m_str += other;
    return *this;
}

CString& CString::operator+=(char ch) {
    m_str += ch;
    return *this;
}

CString& CString::operator+=(std::string_view other) {
    m_str += other;
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    return CString(a.m_str + b.m_str);
}
CString operator+(const CString& a, const char* b) {
    return CString(a.m_str + (b ? b : ""));
}
CString operator+(const char* a, const CString& b) {
    return CString((a ? a : "") + b.m_str);
}
CString operator+(const CString& a, const std::string& b) {
    return CString(a.m_str + b);
}
CString operator+(const CString& a, char b) {
    return CString(a.m_str + b);
}
CString operator+(char a, const CString& b) {
    return CString(a + b.m_str);
}

bool IsSpanOf(const CString& text, const char* set) {
    return text.SpanIncluding(set) == text;
}
