// Base of the classes that read one XML part of a workbook package. A context
// declares the elements it understands as a table of parent/child pairs; the
// base keeps the element stack, skips what the table does not name (extension
// lists, other namespaces) and reports what a strict parent must not contain,
// with file, part, line and element.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xml_parser.h"

namespace tabulon::platform {
class XmlScanner;
class ZipArchive;
}  // namespace tabulon::platform

namespace tabulon::spreadsheet {

// A child element a context handles inside `parent` ("" for the root).
struct ElementRule {
    std::string_view parent;
    std::string_view child;
};

// Which vocabulary a context reads.
enum class XmlVocabulary { SpreadsheetMl, PackageRelationships, ContentTypes };

class XmlContext : public platform::XmlHandler {
  public:
    // `strictParents` lists elements whose unknown children are errors rather
    // than skipped.
    XmlContext(std::string fileName, std::string partName, XmlVocabulary vocabulary,
               std::span<const ElementRule> rules, std::span<const std::string_view> strictParents);

    // Reads the part from the archive entry. Throws ReadError.
    void Parse(platform::ZipArchive& zip, std::size_t entry);
    // Reads the part from text through expat. Throws ReadError.
    void ParseText(std::string_view text);
    // Reads the part from text through XmlScanner, which takes UTF-8 only and
    // is stricter than expat in a few corners; a caller that must accept what
    // expat accepts reads the part again with ParseText when this throws.
    // Throws ReadError.
    void ScanText(std::string_view text);
    // The same, taking the part from the archive entry piece by piece, so that
    // memory does not grow with the part. Throws ReadError.
    void ScanStream(platform::ZipArchive& zip, std::size_t entry);

    // Throws ReadError "file: part:line: what".
    [[noreturn]] void Fail(const std::string& what) const;

  protected:
    virtual void Start(std::string_view element, const platform::XmlAttributes& attrs) = 0;
    virtual void End(std::string_view element) = 0;
    virtual void Characters(std::string_view /*text*/) {}

    // The element a handler runs for is the top of the stack; its parent below.
    std::string_view Parent() const;
    std::size_t Depth() const { return m_stack.size(); }
    const std::string& PartName() const { return m_partName; }
    // The r:id style attribute in either transitional or strict namespace.
    static const char* RelationshipId(const platform::XmlAttributes& attrs,
                                      std::string_view local = "id");

    // While the open elements are `depth` deep (0: never), the text that follows each
    // token of a document held whole is offered to ReadRaw, which may read whole elements
    // from it itself, handling them as Start and End would, and returns the bytes it read.
    void SetRawDepth(std::size_t depth) { m_rawDepth = depth; }
    virtual std::size_t ReadRaw(std::string_view /*text*/) { return 0; }
    // Counts an element; every few thousand asks whether the read is canceled.
    void Tick() {
        if (--m_untilPoll == 0)
            Poll();
    }

  private:
    void OnStart(std::string_view ns, std::string_view local,
                 const platform::XmlAttributes& attrs) final;
    void OnEnd(std::string_view ns, std::string_view local) final;
    void OnText(std::string_view text) final;
    void Scan(platform::XmlScanner& scanner);
    void StartElement(bool own, std::string_view local, const platform::XmlAttributes& attrs);
    void StartAlternate(std::string_view local);
    bool OwnNamespace(std::string_view ns) const;
    bool IsStrictParent(std::string_view element) const;
    [[noreturn]] void Rethrow() const;
    long Line() const;
    void TryRaw(platform::XmlScanner& scanner);
    void Poll();

    std::string m_fileName;
    std::string m_partName;
    XmlVocabulary m_vocabulary;
    std::span<const ElementRule> m_rules;
    std::span<const std::string_view> m_strictParents;
    std::vector<std::string_view> m_stack;  // views into the rule table
    std::size_t m_skipDepth = 0;            // > 0 while inside a skipped subtree
    std::size_t m_alternateDepth = 0;       // open AlternateContent and Fallback elements
    platform::XmlParser* m_parser = nullptr;
    const platform::XmlScanner* m_scanner = nullptr;
    // Rules found lately, by the first letter of the child's name: elements
    // come in runs (cells in a row, a value in each cell).
    const ElementRule* m_recent[32] = {};
    unsigned m_untilPoll = 1;  // the first element asks at once
    std::size_t m_rawDepth = 0;
};

}  // namespace tabulon::spreadsheet
