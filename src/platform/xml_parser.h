// A streaming, namespace-aware XML parser over expat. Knows nothing about what
// the document means. Document type declarations are refused outright, which
// rules out entity expansion bombs and external entities.
#pragma once

#include <cstddef>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

struct XML_ParserStruct;

namespace tabulon::platform {

// A document that is not well-formed, or that a handler rejected; `line` is the
// line where the parser stood (0 when unknown).
class XmlError : public std::runtime_error {
  public:
    XmlError(long line, const std::string& what) : std::runtime_error(what), m_line(line) {}
    long Line() const { return m_line; }

  private:
    long m_line;
};

// a == b, written out for the short names of XML, where calling memcmp costs
// more than comparing.
inline bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

// One attribute as XmlScanner reports it; the value is closed by a NUL.
struct XmlAttribute {
    std::string_view ns;
    std::string_view local;
    const char* value;
};

// The attributes of one start tag. Names are looked up by namespace URI and
// local name; attributes without a prefix have an empty namespace.
class XmlAttributes {
  public:
    // expat's list: "uri|local" (or "local") and value, pair after pair, then nullptr.
    explicit XmlAttributes(const char** atts) : m_atts(atts) {}
    XmlAttributes(const XmlAttribute* list, std::size_t count) : m_list(list), m_count(count) {}
    // nullptr when absent.
    const char* Find(std::string_view local, std::string_view ns = {}) const;
    // Calls visit(ns, local, value) for each attribute, in document order.
    template <class Visit>
    void ForEach(Visit&& visit) const {
        for (std::size_t i = 0; i < m_count; ++i)
            visit(m_list[i].ns, m_list[i].local, m_list[i].value);
        for (const char** a = m_atts; a && *a; a += 2) {
            std::string_view ns, local;
            SplitName(a[0], ns, local);
            visit(ns, local, a[1]);
        }
    }

  private:
    static void SplitName(const char* name, std::string_view& ns, std::string_view& local);

    const char** m_atts = nullptr;
    const XmlAttribute* m_list = nullptr;
    std::size_t m_count = 0;
};

class XmlHandler {
  public:
    virtual ~XmlHandler() = default;
    virtual void OnStart(std::string_view ns, std::string_view local,
                         const XmlAttributes& attrs) = 0;
    virtual void OnEnd(std::string_view ns, std::string_view local) = 0;
    // Character data, possibly split over several calls.
    virtual void OnText(std::string_view text) = 0;
};

class XmlParser {
  public:
    explicit XmlParser(XmlHandler& handler);
    ~XmlParser();
    XmlParser(const XmlParser&) = delete;
    XmlParser& operator=(const XmlParser&) = delete;

    // Feeds the next chunk; `final` on the last one. Throws XmlError, or
    // whatever a handler threw.
    void Feed(const char* data, std::size_t size, bool final);
    long Line() const;

  private:
    static void Start(void* self, const char* name, const char** atts);
    static void End(void* self, const char* name);
    static void Text(void* self, const char* text, int len);
    static void Doctype(void* self, const char*, const char*, const char*, int);
    static void Entity(void* self, const char*, int, const char*, int, const char*, const char*,
                       const char*, const char*);
    void Abort(std::exception_ptr error);

    XML_ParserStruct* m_parser;
    XmlHandler& m_handler;
    std::exception_ptr m_error;
};

}  // namespace tabulon::platform
