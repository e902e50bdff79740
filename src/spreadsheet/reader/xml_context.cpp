#include "spreadsheet/reader/xml_context.h"

#include <algorithm>
#include <exception>

#include "platform/xml_scanner.h"
#include "platform/zip_archive.h"
#include "spreadsheet/reader/read_control.h"
#include "spreadsheet/reader/read_error.h"

namespace tabulon::spreadsheet {
namespace {

constexpr std::string_view kMainTransitional =
    "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view kMainStrict = "http://purl.oclc.org/ooxml/spreadsheetml/main";
// Excel 4 macro sheets put their root element here.
constexpr std::string_view kExcelMain = "http://schemas.microsoft.com/office/excel/2006/main";
constexpr std::string_view kPackageRelationships =
    "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr std::string_view kContentTypes =
    "http://schemas.openxmlformats.org/package/2006/content-types";
constexpr std::string_view kRelTransitional =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view kRelStrict = "http://purl.oclc.org/ooxml/officeDocument/relationships";
constexpr std::string_view kMarkupCompatibility =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";

}  // namespace

XmlContext::XmlContext(std::string fileName, std::string partName, XmlVocabulary vocabulary,
                       std::span<const ElementRule> rules,
                       std::span<const std::string_view> strictParents)
    : m_fileName(std::move(fileName)),
      m_partName(std::move(partName)),
      m_vocabulary(vocabulary),
      m_rules(rules),
      m_strictParents(strictParents) {}

void XmlContext::Poll() {
    // Cheap enough between a few thousand elements, short enough to answer a
    // cancel within milliseconds.
    constexpr unsigned kElementsBetweenPolls = 4096;
    m_untilPoll = kElementsBetweenPolls;
    ThrowIfReadCanceled(m_fileName);
}

long XmlContext::Line() const {
    if (m_parser)
        return m_parser->Line();
    return m_scanner ? m_scanner->Line() : 0;
}

void XmlContext::Fail(const std::string& what) const {
    throw ReadError(m_fileName, m_partName, Line(), what);
}

void XmlContext::Rethrow() const {
    try {
        throw;
    } catch (const ReadError&) {
        throw;
    } catch (const platform::XmlError& e) {
        throw ReadError(m_fileName, m_partName, e.Line() > 0 ? e.Line() : 0, e.what());
    } catch (const platform::ZipError& e) {
        throw ReadError(m_fileName, "", 0, e.what());
    } catch (const std::bad_alloc&) {
        throw ReadError(m_fileName, m_partName, 0, "out of memory");
    } catch (const std::exception& e) {
        throw ReadError(m_fileName, m_partName, 0, e.what());
    }
}

void XmlContext::Parse(platform::ZipArchive& zip, std::size_t entry) {
    platform::XmlParser parser(*this);
    m_parser = &parser;
    try {
        zip.Read(entry,
                 [&](const char* data, std::size_t size) { parser.Feed(data, size, false); });
        parser.Feed("", 0, true);
    } catch (...) {
        m_parser = nullptr;
        Rethrow();
    }
    m_parser = nullptr;
}

void XmlContext::ParseText(std::string_view text) {
    platform::XmlParser parser(*this);
    m_parser = &parser;
    try {
        parser.Feed(text.data(), text.size(), true);
    } catch (...) {
        m_parser = nullptr;
        Rethrow();
    }
    m_parser = nullptr;
}

void XmlContext::ScanText(std::string_view text) {
    try {
        platform::XmlScanner scanner(text);
        Scan(scanner);
    } catch (...) {
        m_scanner = nullptr;
        Rethrow();
    }
}

void XmlContext::ScanStream(platform::ZipArchive& zip, std::size_t entry) {
    try {
        platform::ZipEntryStream stream(zip, entry);
        platform::XmlScanner scanner([&stream](std::string& out) {
            constexpr std::size_t kPiece = 256 * 1024;
            return stream.ReadSome(out, kPiece) > 0;
        });
        Scan(scanner);
    } catch (...) {
        m_scanner = nullptr;
        Rethrow();
    }
}

void XmlContext::Scan(platform::XmlScanner& scanner) {
    using Token = platform::XmlScanner::Token;
    m_scanner = &scanner;
    // The scanner keeps each namespace name at one address.
    std::string_view lastNs;
    bool lastOwn = OwnNamespace(lastNs);
    for (;;) {
        switch (scanner.Next()) {
            case Token::Start: {
                Tick();
                const std::string_view ns = scanner.Namespace();
                if (ns.data() != lastNs.data() || ns.size() != lastNs.size()) {
                    lastNs = ns;
                    lastOwn = OwnNamespace(ns);
                }
                if (!lastOwn && ns == kMarkupCompatibility && m_skipDepth == 0)
                    StartAlternate(scanner.Local());
                else
                    StartElement(lastOwn, scanner.Local(), scanner.Attributes());
                break;
            }
            case Token::End:
                OnEnd(scanner.Namespace(), scanner.Local());
                break;
            case Token::Text:
                OnText(scanner.Text());
                break;
            case Token::Done:
                m_scanner = nullptr;
                return;
        }
        if (m_rawDepth != 0 && m_stack.size() == m_rawDepth && m_skipDepth == 0)
            TryRaw(scanner);
    }
}

[[gnu::noinline]] void XmlContext::TryRaw(platform::XmlScanner& scanner) {
    const std::string_view rest = scanner.Rest();
    if (!rest.empty() && OwnNamespace(scanner.DefaultNamespace()))
        scanner.Skip(ReadRaw(rest));
}

std::string_view XmlContext::Parent() const {
    return m_stack.size() >= 2 ? m_stack[m_stack.size() - 2] : std::string_view();
}

const char* XmlContext::RelationshipId(const platform::XmlAttributes& attrs,
                                       std::string_view local) {
    const char* id = attrs.Find(local, kRelTransitional);
    return id ? id : attrs.Find(local, kRelStrict);
}

bool XmlContext::OwnNamespace(std::string_view ns) const {
    switch (m_vocabulary) {
        case XmlVocabulary::SpreadsheetMl:
            // Some producers leave the default namespace out altogether.
            return ns.empty() || ns == kMainTransitional || ns == kMainStrict || ns == kExcelMain;
        case XmlVocabulary::PackageRelationships:
            return ns.empty() || ns == kPackageRelationships;
        case XmlVocabulary::ContentTypes:
            return ns.empty() || ns == kContentTypes;
    }
    return false;
}

bool XmlContext::IsStrictParent(std::string_view element) const {
    return std::find(m_strictParents.begin(), m_strictParents.end(), element) !=
           m_strictParents.end();
}

void XmlContext::OnStart(std::string_view ns, std::string_view local,
                         const platform::XmlAttributes& attrs) {
    Tick();
    if (m_skipDepth > 0) {
        ++m_skipDepth;
        return;
    }
    if (ns == kMarkupCompatibility)
        StartAlternate(local);
    else
        StartElement(OwnNamespace(ns), local, attrs);
}

// Alternate content offers a choice that needs an extension and a fallback in
// the plain vocabulary. Every choice names an extension namespace, and none of
// those is read here, so the fallback is read, as if its children stood in
// the parent of the alternate content.
void XmlContext::StartAlternate(std::string_view local) {
    if (local == "AlternateContent" || local == "Fallback") {
        ++m_alternateDepth;
        return;
    }
    m_skipDepth = 1;  // a Choice, or markup this reader does not know
}

void XmlContext::StartElement(bool own, std::string_view local,
                              const platform::XmlAttributes& attrs) {
    if (m_skipDepth > 0) {
        ++m_skipDepth;
        return;
    }
    const std::string_view parent = m_stack.empty() ? std::string_view() : m_stack.back();
    const ElementRule* rule = nullptr;
    if (own) {
        const ElementRule*& recent =
            m_recent[local.empty() ? 0 : static_cast<unsigned char>(local.front()) & 31];
        if (recent && platform::SameName(recent->child, local) &&
            platform::SameName(recent->parent, parent)) {
            rule = recent;
        } else {
            for (const ElementRule& r : m_rules) {
                if (r.parent == parent && r.child == local) {
                    rule = &r;
                    break;
                }
            }
            if (rule)
                recent = rule;
        }
    }
    if (!rule) {
        if (m_stack.empty()) {
            Fail("unexpected root element <" + std::string(local) + ">");
        }
        if (own && IsStrictParent(parent)) {
            Fail("unexpected <" + std::string(local) + "> in <" + std::string(parent) + ">");
        }
        m_skipDepth = 1;
        return;
    }
    m_stack.push_back(rule->child);
    Start(rule->child, attrs);
}

void XmlContext::OnEnd(std::string_view ns, std::string_view) {
    if (m_skipDepth > 0) {
        --m_skipDepth;
        return;
    }
    if (m_alternateDepth > 0 && ns == kMarkupCompatibility) {
        --m_alternateDepth;
        return;
    }
    if (m_stack.empty())
        return;
    End(m_stack.back());
    m_stack.pop_back();
}

void XmlContext::OnText(std::string_view text) {
    if (m_skipDepth == 0 && !m_stack.empty())
        Characters(text);
}

}  // namespace tabulon::spreadsheet
