// CString: the byte string every layer above the platform passes around. UTF-8 text,
// MFC-like members; indexes and lengths are in bytes, case folding is ASCII only.
//
// Conversions: implicitly to const char* (valid while the string is unchanged) and to
// std::string_view; Str() for the std::string. Objects must not be passed through "..."
// (printf-style arguments): pass GetString().
#pragma once

#include <compare>
#include <ostream>
#include <string>
#include <string_view>

class CString {
  public:
    CString() = default;
    CString(const char* text) : m_str(text ? text : "") {}
    CString(const char* text, int length);
    explicit CString(char ch, int repeat = 1);
    CString(std::string text) : m_str(std::move(text)) {}
    CString(std::string_view text) : m_str(text) {}

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }

    const char* GetString() const { return m_str.c_str(); }
    operator const char*() const { return m_str.c_str(); }
    operator std::string_view() const { return m_str; }
    const std::string& Str() const { return m_str; }

    // The byte at index; 0 outside the string.
    char GetAt(int index) const;
    void SetAt(int index, char ch);

    // printf-style formatting of any length; the result replaces the content.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Trimming without arguments removes blanks (space, tab, CR, LF, VT, FF).
    CString& Trim();
    CString& Trim(char ch);
    CString& Trim(const char* set);
    CString& TrimLeft();
    CString& TrimLeft(char ch);
    CString& TrimLeft(const char* set);
    CString& TrimRight();
    CString& TrimRight(char ch);
    CString& TrimRight(const char* set);

    // The leading run of characters that are (are not) in set.
    CString SpanIncluding(const char* set) const;
    CString SpanExcluding(const char* set) const;

    // Index of the first match at or after start, -1 when none.
    int Find(char ch, int start = 0) const;
    int Find(const char* sub, int start = 0) const;
    int FindOneOf(const char* set) const;
    int ReverseFind(char ch) const;

    // Sub-strings; out-of-range arguments are clamped as MFC does.
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;
    CString Right(int count) const;

    CString& MakeUpper();
    CString& MakeLower();
    // Replacements and removals return how many were made.
    int Replace(char oldCh, char newCh);
    int Replace(const char* oldText, const char* newText);
    int Remove(char ch);
    int Insert(int index, const char* text);
    int Delete(int index, int count = 1);

    // <0, 0 or >0; Compare is by bytes, CompareNoCase folds ASCII letters only.
    int Compare(const char* other) const;
    int CompareNoCase(const char* other) const;

    CString& operator+=(const CString& other);
    CString& operator+=(const char* other);
    CString& operator+=(char ch);
    CString& operator+=(std::string_view other);

    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const char* b) { return a.m_str == (b ? b : ""); }
    friend bool operator==(const CString& a, const std::string& b) { return a.m_str == b; }
    friend bool operator==(const CString& a, std::string_view b) { return a.m_str == b; }
    friend std::strong_ordering operator<=>(const CString& a, const CString& b) {
        return a.m_str <=> b.m_str;
    }
    friend std::strong_ordering operator<=>(const CString& a, const char* b) {
        return std::string_view(a.m_str) <=> std::string_view(b ? b : "");
    }

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend CString operator+(const char* a, const CString& b);
    friend CString operator+(const CString& a, const std::string& b);
    friend CString operator+(const CString& a, char b);
    friend CString operator+(char a, const CString& b);

    friend std::ostream& operator<<(std::ostream& out, const CString& s) { return out << s.m_str; }

  private:
    std::string m_str;
};

template <>
struct std::hash<CString> {
    size_t operator()(const CString& s) const noexcept { return std::hash<std::string>()(s.Str()); }
};

// True when every byte of text is in set (SpanIncluding(set) is the whole text); true for "".
bool IsSpanOf(const CString& text, const char* set);
