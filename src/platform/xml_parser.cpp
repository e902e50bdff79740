#include "platform/xml_parser.h"

#include <expat.h>

#include <climits>
#include <cstring>

namespace tabulon::platform {
namespace {

constexpr char kSeparator = '|';

// Splits expat's "uri|local" into its two halves.
void SplitName(const char* name, std::string_view& ns, std::string_view& local) {
    const char* bar = std::strchr(name, kSeparator);
    if (bar) {
        ns = std::string_view(name, static_cast<std::size_t>(bar - name));
        local = bar + 1;
    } else {
        ns = {};
        local = name;
    }
}

}  // namespace

void XmlAttributes::SplitName(const char* name, std::string_view& ns, std::string_view& local) {
    platform::SplitName(name, ns, local);
}

const char* XmlAttributes::Find(std::string_view local, std::string_view ns) const {
    for (std::size_t i = 0; i < m_count; ++i) {
        if (SameName(m_list[i].local, local) && m_list[i].ns == ns)
            return m_list[i].value;
    }
    for (const char** a = m_atts; a && *a; a += 2) {
        std::string_view attNs, attLocal;
        SplitName(a[0], attNs, attLocal);
        if (attLocal == local && attNs == ns)
            return a[1];
    }
    return nullptr;
}

XmlParser::XmlParser(XmlHandler& handler)
    : m_parser(XML_ParserCreateNS(nullptr, kSeparator)), m_handler(handler) {
    if (!m_parser)
        throw std::bad_alloc();
    XML_SetUserData(m_parser, this);
    XML_SetElementHandler(m_parser, &XmlParser::Start, &XmlParser::End);
    XML_SetCharacterDataHandler(m_parser, &XmlParser::Text);
    XML_SetStartDoctypeDeclHandler(m_parser, &XmlParser::Doctype);
    XML_SetEntityDeclHandler(m_parser, &XmlParser::Entity);
    XML_SetParamEntityParsing(m_parser, XML_PARAM_ENTITY_PARSING_NEVER);
}

XmlParser::~XmlParser() {
    XML_ParserFree(m_parser);
}

long XmlParser::Line() const {
    return static_cast<long>(XML_GetCurrentLineNumber(m_parser));
}

void XmlParser::Feed(const char* data, std::size_t size, bool final) {
    // expat takes int lengths; split anything larger.
    while (size > static_cast<std::size_t>(INT_MAX / 2)) {
        Feed(data, INT_MAX / 2, false);
        data += INT_MAX / 2;
        size -= INT_MAX / 2;
    }
    const XML_Status status =
        XML_Parse(m_parser, data, static_cast<int>(size), final ? XML_TRUE : XML_FALSE);
    if (m_error)
        std::rethrow_exception(m_error);
    if (status != XML_STATUS_OK) {
        throw XmlError(Line(), std::string("not well-formed XML: ") +
                                   XML_ErrorString(XML_GetErrorCode(m_parser)));
    }
}

void XmlParser::Abort(std::exception_ptr error) {
    if (!m_error)
        m_error = error;
    XML_StopParser(m_parser, XML_FALSE);
}

// Handlers run inside expat's C frames, so nothing may propagate through them:
// the exception is kept and rethrown once XML_Parse has returned.
void XmlParser::Start(void* self, const char* name, const char** atts) {
    auto* p = static_cast<XmlParser*>(self);
    if (p->m_error)
        return;
    try {
        std::string_view ns, local;
        SplitName(name, ns, local);
        p->m_handler.OnStart(ns, local, XmlAttributes(atts));
    } catch (...) {
        p->Abort(std::current_exception());
    }
}

void XmlParser::End(void* self, const char* name) {
    auto* p = static_cast<XmlParser*>(self);
    if (p->m_error)
        return;
    try {
        std::string_view ns, local;
        SplitName(name, ns, local);
        p->m_handler.OnEnd(ns, local);
    } catch (...) {
        p->Abort(std::current_exception());
    }
}

void XmlParser::Text(void* self, const char* text, int len) {
    auto* p = static_cast<XmlParser*>(self);
    if (p->m_error)
        return;
    try {
        p->m_handler.OnText(std::string_view(text, static_cast<std::size_t>(len)));
    } catch (...) {
        p->Abort(std::current_exception());
    }
}

void XmlParser::Doctype(void* self, const char*, const char*, const char*, int) {
    auto* p = static_cast<XmlParser*>(self);
    p->Abort(std::make_exception_ptr(
        XmlError(p->Line(), "document type declarations are not allowed (entity expansion)")));
}

void XmlParser::Entity(void* self, const char*, int, const char*, int, const char*, const char*,
                       const char*, const char*) {
    auto* p = static_cast<XmlParser*>(self);
    p->Abort(std::make_exception_ptr(XmlError(p->Line(), "entity declarations are not allowed")));
}

}  // namespace tabulon::platform
