// A pull scanner for namespace-aware XML, held wholly in memory or taken in
// pieces. Much cheaper than the expat parser for big, plain documents
// (worksheets): no callbacks, no copies of names, attribute values decoded into
// one reused buffer. It accepts UTF-8 documents only and refuses document type
// declarations; anything it does not accept throws XmlError, after which a
// caller may hand the document to XmlParser instead.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xml_parser.h"

namespace tabulon::platform {

class XmlScanner {
  public:
    enum class Token { Start, End, Text, Done };

    // The document must outlive the scanner. Throws XmlError for a document
    // that is not UTF-8 or holds characters XML does not allow.
    explicit XmlScanner(std::string_view document);
    // The document taken piece by piece: `more` appends the next piece to the
    // string it is given and returns false when there is none left. The scanner
    // holds about `window` bytes at a time (more only for a token that is
    // longer); a token that reaches past kMaxToken bytes throws XmlError.
    using Source = std::function<bool(std::string&)>;
    explicit XmlScanner(Source more, std::size_t window = std::size_t{1} << 20);
    static constexpr std::size_t kMaxToken = std::size_t{16} << 20;
    XmlScanner(const XmlScanner&) = delete;
    XmlScanner& operator=(const XmlScanner&) = delete;

    // The next token. An empty element gives Start then End. Throws XmlError.
    Token Next();

    // Start and End: the element's namespace URI ("" for none) and local name.
    // Namespace views stay valid, and keep their address and content, for the
    // scanner's life, so a caller may recognise a namespace by its address.
    std::string_view Namespace() const { return m_ns; }
    std::string_view Local() const { return m_local; }
    // Start: the attributes other than namespace declarations, valid until the
    // next call to Next(). Text may come in several tokens in a row.
    XmlAttributes Attributes() const { return XmlAttributes(m_attrs.data(), m_attrs.size()); }
    // Text: character data with references replaced, valid until Next().
    std::string_view Text() const { return m_text; }
    // The line of the scanner's position, from 1.
    long Line() const;

    // For a caller that reads a run of plain elements itself: the document from the
    // scanner's position to its end, and the namespace unprefixed elements there are in.
    // Empty while the document is taken in pieces, or right after the Start of an empty
    // element (its End is still to come). The document's characters are all checked.
    std::string_view Rest();
    std::string_view DefaultNamespace() const { return m_defaultNs; }
    // Moves past `bytes` of Rest(), which must hold whole elements only, so that the
    // open elements are the same after them as before.
    void Skip(std::size_t bytes) { m_pos += bytes; }

  private:
    struct Binding {
        std::string_view prefix;
        std::string_view uri;
    };
    struct Frame {
        std::string_view qname;
        std::string_view ns;
        std::string_view local;
        std::size_t bindings;  // bindings in force outside the element
    };

    Token NextToken();
    Token NextStreamed();
    void Refill(std::size_t wanted);
    void KeepNames();
    bool CanRetry() const;
    void Retry(std::size_t bindings, std::size_t uris);
    void CheckCharacters(const char* from, const char* to) const;
    long LineAt(const char* at) const;
    void ReadDeclaration();
    Token ReadStartTag();
    void ResolveAttributes();
    Token ReadEndTag();
    bool ReadText();  // false for text outside the root that is only white space
    void SkipComment();
    void SkipProcessingInstruction();
    Token ReadCData();
    std::string_view ReadName();
    void SkipSpace();
    void AppendDecoded(std::string& out, std::string_view raw, bool attribute);
    std::string_view Resolve(std::string_view prefix) const;
    void PopElement();
    void UpdateDefaultNamespace();
    [[noreturn]] void Fail(const std::string& what) const;

    const char* m_begin;
    const char* m_pos;
    const char* m_end;
    const char* m_tokenStart = nullptr;
    bool m_rootSeen = false;
    bool m_pendingEnd = false;
    std::size_t m_unbindTo = static_cast<std::size_t>(-1);
    std::vector<Frame> m_stack;
    std::vector<Binding> m_bindings;
    // Every namespace name declared, never moved nor dropped: a namespace view
    // names one declaration for the scanner's whole life.
    std::deque<std::string> m_uris;
    std::vector<std::size_t> m_valueOffsets;  // into m_values
    std::vector<XmlAttribute> m_attrs;
    std::string m_values;  // attribute values, each closed by a NUL
    std::size_t m_valuesUsed = 0;
    std::string m_decoded;
    std::string_view m_defaultNs;
    std::string_view m_ns;
    std::string_view m_local;
    std::string_view m_text;

    // Taking the document in pieces: m_begin..m_end is the part of m_buffer
    // scanned so far, cut after a '>' so that it mostly ends between tokens.
    Source m_more;
    std::string m_buffer;
    std::size_t m_window = 0;
    std::size_t m_checked = 0;  // bytes of m_buffer whose characters are checked
    bool m_streaming = false;
    bool m_sourceDone = false;
    bool m_broken = false;  // the document failed for good
    bool m_final = true;    // m_end is the end of the document
    long m_linesBefore = 0;
    std::deque<std::string> m_keptNames;  // names of open elements and prefixes
};

// Appends code point `cp` to `out` as UTF-8.
void AppendUtf8(std::string& out, unsigned long cp);

}  // namespace tabulon::platform
