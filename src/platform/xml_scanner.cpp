#include "platform/xml_scanner.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace tabulon::platform {
namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
// Beyond these the scanner gives up (its searches are linear) and leaves the
// document to expat.
constexpr std::size_t kMaxAttributes = 64;
constexpr std::size_t kMaxBindings = 64;
constexpr std::size_t kMaxDeclarations = 4096;  // in the whole document: names are kept

enum : std::uint8_t {
    kNameStart = 1,
    kName = 2,
    kSpace = 4,
    kTextSpecial = 8,
    kAttrSpecial = 16,
    kTextStop = 32,  // '<' and kTextSpecial
};

constexpr std::array<std::uint8_t, 256> MakeClasses() {
    std::array<std::uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        // Names beyond ASCII are left to expat, which knows the Unicode classes.
        if (letter || c == '_' || c == ':')
            t[c] |= kNameStart | kName;
        if ((c >= '0' && c <= '9') || c == '-' || c == '.')
            t[c] |= kName;
    }
    for (int c : {' ', '\t', '\n', '\r'})
        t[c] |= kSpace;
    for (int c : {'&', '\r', ']'})
        t[c] |= kTextSpecial | kTextStop;
    t['<'] |= kTextStop;
    for (int c : {'&', '\r', '\n', '\t', '<'})
        t[c] |= kAttrSpecial;
    return t;
}

constexpr std::array<std::uint8_t, 256> kClass = MakeClasses();

bool Is(char c, std::uint8_t what) {
    return (kClass[static_cast<unsigned char>(c)] & what) != 0;
}

bool StartsWith(const char* p, const char* end, std::string_view s) {
    return static_cast<std::size_t>(end - p) >= s.size() && std::memcmp(p, s.data(), s.size()) == 0;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

bool IsXmlChar(unsigned long cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
           (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

// Splits "p:local"; false when the name has a colon in the wrong place.
bool SplitQName(std::string_view qname, std::string_view& prefix, std::string_view& local) {
    std::size_t colon = 0;
    while (colon < qname.size() && qname[colon] != ':')
        ++colon;
    if (colon == qname.size()) {
        prefix = {};
        local = qname;
        return true;
    }
    prefix = qname.substr(0, colon);
    local = qname.substr(colon + 1);
    return !prefix.empty() && !local.empty() && Is(local.front(), kNameStart) &&
           local.find(':') == std::string_view::npos;
}

}  // namespace

XmlScanner::XmlScanner(std::string_view document)
    : m_begin(document.data()), m_pos(document.data()), m_end(document.data() + document.size()) {
    m_uris.emplace_back(kXmlNamespace);
    m_bindings.push_back({"xml", m_uris.back()});
    if (StartsWith(m_pos, m_end, "\xEF\xBB\xBF"))
        m_pos += 3;
    CheckCharacters(m_pos, m_end);
    if (StartsWith(m_pos, m_end, "<?xml") && m_end - m_pos > 5 && Is(m_pos[5], kSpace))
        ReadDeclaration();
}

XmlScanner::XmlScanner(Source more, std::size_t window)
    : m_begin(nullptr),
      m_pos(nullptr),
      m_end(nullptr),
      m_more(std::move(more)),
      m_window(window < 1 ? 1 : window),
      m_streaming(true),
      m_final(false) {
    m_uris.emplace_back(kXmlNamespace);
    m_bindings.push_back({"xml", m_uris.back()});
    m_begin = m_pos = m_end = m_buffer.data();
    Refill(m_window);
    // The first piece holds everything up to the first '>' at least: the byte
    // order mark and the declaration, unless the declaration is damaged.
    for (;;) {
        m_tokenStart = m_pos;
        try {
            if (StartsWith(m_pos, m_end, "\xEF\xBB\xBF"))
                m_pos += 3;
            if (StartsWith(m_pos, m_end, "<?xml") && m_end - m_pos > 5 && Is(m_pos[5], kSpace))
                ReadDeclaration();
            return;
        } catch (const XmlError&) {
            if (!CanRetry())
                throw;
            Retry(1, 1);
        }
    }
}

long XmlScanner::LineAt(const char* at) const {
    long line = m_linesBefore + 1;
    for (const char* p = m_begin; p < at; ++p) {
        p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(at - p)));
        if (!p)
            break;
        ++line;
    }
    return line;
}

long XmlScanner::Line() const {
    return LineAt(m_pos);
}

// Drops what is scanned, keeping the names still in use, and takes pieces until
// the buffer holds `wanted` bytes and a '>' beyond what was scanned.
void XmlScanner::Refill(std::size_t wanted) {
    for (const char* p = m_begin; p < m_pos; ++p) {
        p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(m_pos - p)));
        if (!p)
            break;
        ++m_linesBefore;
    }
    KeepNames();
    const auto consumed = static_cast<std::size_t>(m_pos - m_buffer.data());
    const auto scanned = static_cast<std::size_t>(m_end - m_pos);
    m_buffer.erase(0, consumed);
    m_checked = m_checked > consumed ? m_checked - consumed : 0;
    std::size_t cut = 0;
    for (;;) {
        if (m_sourceDone) {
            cut = m_buffer.size();
            break;
        }
        if (m_buffer.size() >= wanted) {
            const auto gt = m_buffer.rfind('>');
            if (gt != std::string::npos && gt + 1 > scanned) {
                cut = gt + 1;
                break;
            }
            if (m_buffer.size() - scanned > kMaxToken) {
                m_begin = m_pos = m_end = m_tokenStart = m_buffer.data();
                m_broken = true;
                Fail("markup longer than the scanner takes on");
            }
        }
        m_sourceDone = !m_more(m_buffer);
    }
    m_begin = m_pos = m_tokenStart = m_buffer.data();
    m_end = m_begin + cut;
    m_final = m_sourceDone && cut == m_buffer.size();
    if (m_checked < cut) {
        // Characters stay wrong however much more is read.
        m_broken = true;
        CheckCharacters(m_begin + m_checked, m_end);
        m_broken = false;
        m_checked = cut;
    }
}

// The names of open elements and the bound prefixes point into the buffer; they
// move to storage of their own before the buffer moves.
void XmlScanner::KeepNames() {
    std::deque<std::string> kept;
    for (Frame& frame : m_stack) {
        const std::string_view name = kept.emplace_back(frame.qname);
        frame.local = name.substr(name.size() - frame.local.size());
        frame.qname = name;
    }
    for (Binding& binding : m_bindings) {
        if (!binding.prefix.empty())
            binding.prefix = kept.emplace_back(binding.prefix);
    }
    m_keptNames.swap(kept);
}

// A token that failed before the end of the document may only have been cut
// short by the end of the piece: whether to read it again with more of the
// document.
bool XmlScanner::CanRetry() const {
    return m_streaming && !m_final && !m_broken &&
           static_cast<std::size_t>(m_end - m_tokenStart) < kMaxToken;
}

// Undoes what the failed token changed and reads more of the document.
void XmlScanner::Retry(std::size_t bindings, std::size_t uris) {
    m_bindings.resize(bindings);
    while (m_uris.size() > uris)
        m_uris.pop_back();
    UpdateDefaultNamespace();
    m_pos = m_tokenStart;
    Refill(2 * static_cast<std::size_t>(m_end - m_pos) + m_window);
}

void XmlScanner::Fail(const std::string& what) const {
    throw XmlError(Line(), "not well-formed XML: " + what);
}

// Every byte must belong to well-formed UTF-8 and to a character XML allows.
void XmlScanner::CheckCharacters(const char* from, const char* to) const {
    const auto* p = reinterpret_cast<const unsigned char*>(from);
    const auto* end = reinterpret_cast<const unsigned char*>(to);
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    constexpr std::uint64_t kSpaces = 0x2020202020202020ull;
    auto bad = [&](const char* what) {
        throw XmlError(LineAt(reinterpret_cast<const char*>(p)),
                       std::string("not well-formed XML: ") + what);
    };
    while (p < end) {
        if (end - p >= 8) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            // No byte at or above 0x80 and none below 0x20.
            if ((w & kHigh) == 0 && ((w - kSpaces) & ~w & kHigh) == 0) {
                p += 8;
                continue;
            }
        }
        const unsigned c = *p;
        if (c < 0x80) {
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
                bad("a control character XML does not allow");
            ++p;
            continue;
        }
        int length = 0;
        unsigned lo = 0x80, hi = 0xBF;  // range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0)
                lo = 0xA0;
            if (c == 0xED)
                hi = 0x9F;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0)
                lo = 0x90;
            if (c == 0xF4)
                hi = 0x8F;
        } else {
            bad("invalid UTF-8");
        }
        if (end - p < length)
            bad("invalid UTF-8");
        if (p[1] < lo || p[1] > hi)
            bad("invalid UTF-8");
        for (int i = 2; i < length; ++i) {
            if (p[i] < 0x80 || p[i] > 0xBF)
                bad("invalid UTF-8");
        }
        // U+FFFE and U+FFFF are not characters.
        if (c == 0xEF && p[1] == 0xBF && (p[2] == 0xBE || p[2] == 0xBF))
            bad("a character XML does not allow");
        p += length;
    }
}

// <?xml version="1.x" encoding="UTF-8" standalone="yes"?>, pseudo-attributes
// in that order, the last two optional.
void XmlScanner::ReadDeclaration() {
    m_pos += 5;
    auto pseudo = [&](std::string_view name, bool required) -> std::string_view {
        const char* before = m_pos;
        SkipSpace();
        if (m_pos == before || !StartsWith(m_pos, m_end, name)) {
            m_pos = before;
            if (required)
                Fail("bad XML declaration");
            return {};
        }
        m_pos += name.size();
        SkipSpace();
        if (m_pos >= m_end || *m_pos != '=')
            Fail("bad XML declaration");
        ++m_pos;
        SkipSpace();
        if (m_pos >= m_end || (*m_pos != '"' && *m_pos != '\''))
            Fail("bad XML declaration");
        const char quote = *m_pos++;
        const char* start = m_pos;
        while (m_pos < m_end && *m_pos != quote)
            ++m_pos;
        if (m_pos >= m_end)
            Fail("bad XML declaration");
        return std::string_view(start, static_cast<std::size_t>(m_pos++ - start));
    };
    const std::string_view version = pseudo("version", true);
    if (version.size() < 3 || version.substr(0, 2) != "1." ||
        version.substr(2).find_first_not_of("0123456789") != std::string_view::npos)
        Fail("bad XML declaration");
    const std::string_view encoding = pseudo("encoding", false);
    if (encoding.data() && !EqualNoCase(encoding, "UTF-8"))
        Fail("encoding " + std::string(encoding) + " is not read by the scanner");
    const std::string_view standalone = pseudo("standalone", false);
    if (standalone.data() && standalone != "yes" && standalone != "no")
        Fail("bad XML declaration");
    SkipSpace();
    if (!StartsWith(m_pos, m_end, "?>"))
        Fail("bad XML declaration");
    m_pos += 2;
}

void XmlScanner::SkipSpace() {
    while (m_pos < m_end && Is(*m_pos, kSpace))
        ++m_pos;
}

std::string_view XmlScanner::ReadName() {
    const char* start = m_pos;
    if (m_pos >= m_end || !Is(*m_pos, kNameStart))
        Fail(m_pos >= m_end ? "unexpected end of the document" : "a name was expected");
    ++m_pos;
    while (m_pos < m_end && Is(*m_pos, kName))
        ++m_pos;
    return {start, static_cast<std::size_t>(m_pos - start)};
}

std::string_view XmlScanner::Resolve(std::string_view prefix) const {
    if (prefix.empty())
        return m_defaultNs;
    for (auto it = m_bindings.rbegin(); it != m_bindings.rend(); ++it) {
        if (it->prefix == prefix)
            return it->uri;
    }
    if (!prefix.empty())
        Fail("unbound prefix " + std::string(prefix));
    return {};
}

void XmlScanner::AppendDecoded(std::string& out, std::string_view raw, bool attribute) {
    std::size_t i = 0;
    while (i < raw.size()) {
        const char c = raw[i];
        if (c == '&') {
            const auto semi = raw.find(';', i + 1);
            if (semi == std::string_view::npos)
                Fail("unterminated reference");
            const std::string_view name = raw.substr(i + 1, semi - i - 1);
            if (!name.empty() && name.front() == '#') {
                const bool hex = name.size() > 1 && name[1] == 'x';
                const std::string_view digits = name.substr(hex ? 2 : 1);
                if (digits.empty() || digits.size() > 8)
                    Fail("bad character reference &" + std::string(name) + ";");
                unsigned long cp = 0;
                for (const char d : digits) {
                    int v = -1;
                    if (d >= '0' && d <= '9')
                        v = d - '0';
                    else if (hex && d >= 'a' && d <= 'f')
                        v = d - 'a' + 10;
                    else if (hex && d >= 'A' && d <= 'F')
                        v = d - 'A' + 10;
                    if (v < 0)
                        Fail("bad character reference &" + std::string(name) + ";");
                    cp = cp * (hex ? 16 : 10) + static_cast<unsigned long>(v);
                }
                if (!IsXmlChar(cp))
                    Fail("reference to invalid character &" + std::string(name) + ";");
                AppendUtf8(out, cp);
            } else if (name == "amp") {
                out += '&';
            } else if (name == "lt") {
                out += '<';
            } else if (name == "gt") {
                out += '>';
            } else if (name == "quot") {
                out += '"';
            } else if (name == "apos") {
                out += '\'';
            } else {
                Fail("undefined entity &" + std::string(name) + ";");
            }
            i = semi + 1;
        } else if (c == '\r') {
            // Line ends read as one line feed; in attribute values as one space.
            out += attribute ? ' ' : '\n';
            i += i + 1 < raw.size() && raw[i + 1] == '\n' ? 2 : 1;
        } else if (attribute && (c == '\n' || c == '\t')) {
            out += ' ';
            ++i;
        } else {
            std::size_t j = i + 1;
            while (j < raw.size() && raw[j] != '&' && raw[j] != '\r' &&
                   !(attribute && (raw[j] == '\n' || raw[j] == '\t')))
                ++j;
            out.append(raw.data() + i, j - i);
            i = j;
        }
    }
}

// Inlined into Next(): a call per token costs a few percent of a whole read.
[[gnu::always_inline]] inline XmlScanner::Token XmlScanner::NextToken() {
    for (;;) {
        if (m_pos >= m_end) {
            if (!m_final) {
                Refill(m_window);
                continue;
            }
            if (!m_stack.empty())
                Fail("the document ends inside <" + std::string(m_stack.back().qname) + ">");
            if (!m_rootSeen)
                Fail("no element found");
            return Token::Done;
        }
        if (*m_pos != '<') {
            if (ReadText())
                return Token::Text;
            continue;
        }
        if (m_end - m_pos < 2)
            Fail("unexpected end of the document");
        const char c = m_pos[1];
        if (c == '/')
            return ReadEndTag();
        if (c == '?') {
            SkipProcessingInstruction();
            continue;
        }
        if (c == '!') {
            if (StartsWith(m_pos, m_end, "<!--")) {
                SkipComment();
                continue;
            }
            if (StartsWith(m_pos, m_end, "<![CDATA[")) {
                if (m_stack.empty())
                    Fail("CDATA section outside the document element");
                return ReadCData();
            }
            if (StartsWith(m_pos, m_end, "<!DOCTYPE"))
                Fail("document type declarations are not allowed (entity expansion)");
            Fail("bad markup declaration");
        }
        return ReadStartTag();
    }
}

std::string_view XmlScanner::Rest() {
    if (m_streaming || m_pendingEnd)
        return {};
    if (m_bindings.size() > m_unbindTo) {
        m_bindings.resize(m_unbindTo);
        UpdateDefaultNamespace();
    }
    m_unbindTo = static_cast<std::size_t>(-1);
    return std::string_view(m_pos, static_cast<std::size_t>(m_end - m_pos));
}

XmlScanner::Token XmlScanner::Next() {
    if (m_bindings.size() > m_unbindTo) {
        m_bindings.resize(m_unbindTo);
        UpdateDefaultNamespace();
    }
    m_unbindTo = static_cast<std::size_t>(-1);
    if (m_pendingEnd) {
        m_pendingEnd = false;
        PopElement();
        return Token::End;
    }
    if (m_streaming)
        return NextStreamed();
    return NextToken();
}

// Kept out of Next(), whose every extra register costs on each token of a whole
// document.
[[gnu::noinline]] XmlScanner::Token XmlScanner::NextStreamed() {
    for (;;) {
        // Where to start again: skipping comments and white space twice is harmless,
        // and a Refill moves this to where it starts the buffer.
        m_tokenStart = m_pos;
        const std::size_t bindings = m_bindings.size();
        const std::size_t uris = m_uris.size();
        try {
            return NextToken();
        } catch (const XmlError&) {
            if (!CanRetry())
                throw;
            Retry(bindings, uris);
        }
    }
}

bool XmlScanner::ReadText() {
    const char* start = m_pos;
    bool special = false;
    while (m_pos < m_end && !Is(*m_pos, kTextStop))
        ++m_pos;
    while (m_pos < m_end && *m_pos != '<') {
        special |= Is(*m_pos, kTextSpecial);
        ++m_pos;
    }
    const std::string_view raw(start, static_cast<std::size_t>(m_pos - start));
    if (m_stack.empty()) {
        for (const char c : raw) {
            if (!Is(c, kSpace)) {
                m_pos = start;
                Fail(m_rootSeen ? "junk after the document element"
                                : "text before the document element");
            }
        }
        return false;
    }
    if (!special) {
        m_text = raw;
        return true;
    }
    if (raw.find("]]>") != std::string_view::npos)
        Fail("']]>' in character data");
    m_decoded.clear();
    AppendDecoded(m_decoded, raw, false);
    m_text = m_decoded;
    return true;
}

XmlScanner::Token XmlScanner::ReadCData() {
    const char* start = m_pos + 9;
    const std::string_view rest(start, static_cast<std::size_t>(m_end - start));
    const auto close = rest.find("]]>");
    if (close == std::string_view::npos)
        Fail("unclosed CDATA section");
    const std::string_view raw = rest.substr(0, close);
    m_pos = start + close + 3;
    if (raw.find('\r') == std::string_view::npos) {
        m_text = raw;
        return Token::Text;
    }
    m_decoded.clear();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r') {
            m_decoded += '\n';
            if (i + 1 < raw.size() && raw[i + 1] == '\n')
                ++i;
        } else {
            m_decoded += raw[i];
        }
    }
    m_text = m_decoded;
    return Token::Text;
}

void XmlScanner::SkipComment() {
    const char* start = m_pos + 4;
    const std::string_view rest(start, static_cast<std::size_t>(m_end - start));
    const auto close = rest.find("-->");
    if (close == std::string_view::npos)
        Fail("unclosed comment");
    const std::string_view body = rest.substr(0, close);
    if (body.find("--") != std::string_view::npos || (!body.empty() && body.back() == '-'))
        Fail("'--' inside a comment");
    m_pos = start + close + 3;
}

void XmlScanner::SkipProcessingInstruction() {
    m_pos += 2;
    const std::string_view target = ReadName();
    if (EqualNoCase(target, "xml"))
        Fail("XML declaration not at the start of the document");
    if (target.find(':') != std::string_view::npos)
        Fail("colon in a processing instruction target");
    const std::string_view rest(m_pos, static_cast<std::size_t>(m_end - m_pos));
    const auto close = rest.find("?>");
    if (close == std::string_view::npos)
        Fail("unclosed processing instruction");
    if (close > 0 && !Is(rest.front(), kSpace))
        Fail("bad processing instruction");
    m_pos += close + 2;
}

XmlScanner::Token XmlScanner::ReadStartTag() {
    if (m_rootSeen && m_stack.empty())
        Fail("junk after the document element");
    ++m_pos;
    const std::string_view qname = ReadName();
    const std::size_t outer = m_bindings.size();
    m_attrs.clear();
    m_valueOffsets.clear();
    m_valuesUsed = 0;
    bool empty = false;
    bool unusual = false;  // prefixed names or namespace declarations
    for (;;) {
        const char* before = m_pos;
        while (m_pos < m_end && Is(*m_pos, kSpace))
            ++m_pos;
        if (m_pos >= m_end)
            Fail("unclosed start tag <" + std::string(qname) + ">");
        if (*m_pos == '>') {
            ++m_pos;
            break;
        }
        if (*m_pos == '/') {
            if (m_end - m_pos < 2 || m_pos[1] != '>')
                Fail("bad start tag <" + std::string(qname) + ">");
            m_pos += 2;
            empty = true;
            break;
        }
        if (m_pos == before)
            Fail("white space expected between attributes of <" + std::string(qname) + ">");
        const std::string_view name = ReadName();
        if (m_pos < m_end && *m_pos != '=')
            SkipSpace();
        if (m_pos >= m_end || *m_pos != '=')
            Fail("'=' expected after attribute " + std::string(name));
        ++m_pos;
        if (m_pos < m_end && Is(*m_pos, kSpace))
            SkipSpace();
        if (m_pos >= m_end || (*m_pos != '"' && *m_pos != '\''))
            Fail("quoted value expected for attribute " + std::string(name));
        const char quote = *m_pos++;
        const char* close = m_pos;
        bool special = false;
        while (close < m_end && *close != quote) {
            special |= Is(*close, kAttrSpecial);
            ++close;
        }
        if (close >= m_end)
            Fail("unclosed value of attribute " + std::string(name));
        const std::string_view raw(m_pos, static_cast<std::size_t>(close - m_pos));
        m_pos = close + 1;
        // Pairwise checks stay cheap only for the few attributes real tags have.
        if (m_attrs.size() >= kMaxAttributes)
            Fail("more attributes than the scanner takes on in <" + std::string(qname) + ">");
        for (const XmlAttribute& other : m_attrs) {
            if (SameName(other.local, name))
                Fail("duplicate attribute " + std::string(name));
        }
        std::string_view value = raw;
        if (special) {
            if (raw.find('<') != std::string_view::npos)
                Fail("'<' in the value of attribute " + std::string(name));
            m_decoded.clear();
            AppendDecoded(m_decoded, raw, true);
            value = m_decoded;
        }
        // Values go one after the other, each closed by a NUL.
        if (m_values.size() - m_valuesUsed < value.size() + 1)
            m_values.resize(2 * (m_values.size() + value.size() + 1));
        m_valueOffsets.push_back(m_valuesUsed);
        std::memcpy(m_values.data() + m_valuesUsed, value.data(), value.size());
        m_valuesUsed += value.size();
        m_values[m_valuesUsed++] = '\0';
        // Until the tag is read, `local` holds the whole name.
        m_attrs.push_back({{}, name, nullptr});
        bool colon = false;
        for (const char c : name)
            colon |= c == ':';
        unusual |= colon || SameName(name, "xmlns");
    }
    for (std::size_t i = 0; i < m_attrs.size(); ++i)
        m_attrs[i].value = m_values.data() + m_valueOffsets[i];
    if (unusual)
        ResolveAttributes();
    bool colon = false;
    for (const char c : qname)
        colon |= c == ':';
    if (!colon) {
        m_ns = m_defaultNs;
        m_local = qname;
    } else {
        std::string_view prefix, local;
        if (!SplitQName(qname, prefix, local))
            Fail("bad element name " + std::string(qname));
        if (SameName(prefix, "xmlns"))
            Fail("element name with the prefix xmlns");
        m_ns = Resolve(prefix);
        m_local = local;
    }
    m_stack.push_back({qname, m_ns, m_local, outer});
    m_rootSeen = true;
    m_pendingEnd = empty;
    return Token::Start;
}

// Takes in the namespace declarations among the attributes just read (they
// apply to the element's own name and attributes), drops them from the list
// and gives prefixed attributes their namespace.
void XmlScanner::ResolveAttributes() {
    for (const XmlAttribute& a : m_attrs) {
        std::string_view prefix, local;
        if (!SplitQName(a.local, prefix, local))
            Fail("bad attribute name " + std::string(a.local));
        const bool isDefault = a.local == "xmlns";
        if (!isDefault && prefix != "xmlns")
            continue;
        const std::string_view uri(a.value);
        const std::string_view declared = isDefault ? std::string_view() : local;
        if (!isDefault && uri.empty())
            Fail("namespace prefix " + std::string(declared) + " bound to an empty name");
        if (declared == "xmlns" || (declared == "xml") != (uri == kXmlNamespace))
            Fail("reserved namespace prefix or name misused");
        // expat joins namespace and name with '|': such names are left to it, so
        // that both read them alike.
        if (uri.find('|') != std::string_view::npos)
            Fail("namespace name with '|'");
        if (m_bindings.size() >= kMaxBindings || m_uris.size() >= kMaxDeclarations)
            Fail("more namespace declarations than the scanner takes on");
        m_uris.emplace_back(uri);
        m_bindings.push_back({declared, m_uris.back()});
    }
    UpdateDefaultNamespace();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_attrs.size(); ++i) {
        XmlAttribute a = m_attrs[i];
        std::string_view prefix, local;
        SplitQName(a.local, prefix, local);
        if (a.local == "xmlns" || prefix == "xmlns")
            continue;
        if (!prefix.empty()) {
            a.ns = Resolve(prefix);
            a.local = local;
            // Two prefixes for one namespace still name the same attribute.
            for (std::size_t j = 0; j < kept; ++j) {
                if (m_attrs[j].local == local && m_attrs[j].ns == a.ns)
                    Fail("duplicate attribute " + std::string(m_attrs[i].local));
            }
        }
        m_attrs[kept++] = a;
    }
    m_attrs.resize(kept);
}

XmlScanner::Token XmlScanner::ReadEndTag() {
    m_pos += 2;
    if (!m_stack.empty()) {
        // Mostly the name is the one expected: compare it in place.
        const std::string_view open = m_stack.back().qname;
        const std::size_t n = open.size();
        const char* after = m_pos + n;
        if (static_cast<std::size_t>(m_end - m_pos) > n &&
            SameName(std::string_view(m_pos, n), open) && !Is(*after, kName)) {
            m_pos = after;
            if (*m_pos != '>') {
                SkipSpace();
                if (m_pos >= m_end || *m_pos != '>')
                    Fail("bad end tag </" + std::string(open) + ">");
            }
            ++m_pos;
            PopElement();
            return Token::End;
        }
    }
    const std::string_view name = ReadName();
    if (m_stack.empty())
        Fail("end tag </" + std::string(name) + "> without a start tag");
    Fail("mismatched tag: </" + std::string(name) + "> closes <" +
         std::string(m_stack.back().qname) + ">");
}

void XmlScanner::UpdateDefaultNamespace() {
    m_defaultNs = {};
    for (auto it = m_bindings.rbegin(); it != m_bindings.rend(); ++it) {
        if (it->prefix.empty()) {
            m_defaultNs = it->uri;
            break;
        }
    }
}

// The bindings the element declared stay until the next call, so that the
// namespace reported with its end stays valid.
void XmlScanner::PopElement() {
    const Frame& frame = m_stack.back();
    m_ns = frame.ns;
    m_local = frame.local;
    m_unbindTo = frame.bindings;
    m_stack.pop_back();
}

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace tabulon::platform
