#include "platform/xml_scanner.h"

#include <gtest/gtest.h>

#include <string>

namespace tabulon::platform {
namespace {

// The tokens of a document as text: "<{ns}local a=v>" "text" "</local>".
std::string Tokens(std::string_view doc) {
    XmlScanner scanner(doc);
    std::string out;
    for (;;) {
        switch (scanner.Next()) {
            case XmlScanner::Token::Start: {
                out += "<";
                if (!scanner.Namespace().empty())
                    out += "{" + std::string(scanner.Namespace()) + "}";
                out += scanner.Local();
                for (const char* name : {"a", "b", "r"}) {
                    if (const char* v = scanner.Attributes().Find(name))
                        out += std::string(" ") + name + "=" + v;
                }
                if (const char* v = scanner.Attributes().Find("a", "urn:p"))
                    out += std::string(" p:a=") + v;
                out += ">";
                break;
            }
            case XmlScanner::Token::End:
                out += "</" + std::string(scanner.Local()) + ">";
                break;
            case XmlScanner::Token::Text:
                out += "[" + std::string(scanner.Text()) + "]";
                break;
            case XmlScanner::Token::Done:
                return out;
        }
    }
}

// The message of the XmlError scanning `doc` throws, with its line.
std::string Refusal(std::string_view doc) {
    try {
        Tokens(doc);
    } catch (const XmlError& e) {
        return std::to_string(e.Line()) + ": " + e.what();
    }
    return "(accepted)";
}

TEST(XmlScanner, NamespacesAndPrefixes) {
    EXPECT_EQ(Tokens("<x:a xmlns:x='urn:m' xmlns:p='urn:p' p:a='1' a='2'><x:b/><c/></x:a>"),
              "<{urn:m}a a=2 p:a=1><{urn:m}b></b><c></c></a>");
    // A default namespace holds for the element and its children, not for attributes.
    EXPECT_EQ(Tokens("<a xmlns='urn:d' a='1'><b xmlns=''/><c/></a>"),
              "<{urn:d}a a=1><b></b><{urn:d}c></c></a>");
    // A prefix rebound inside goes back to its outer meaning after the element.
    EXPECT_EQ(Tokens("<p:a xmlns:p='urn:1'><p:b xmlns:p='urn:2'/><p:c/></p:a>"),
              "<{urn:1}a><{urn:2}b></b><{urn:1}c></c></a>");
    EXPECT_EQ(Tokens("<a xml:space='preserve'/>"), "<a></a>");
    EXPECT_NE(Refusal("<a><q:b/></a>").find("unbound prefix q"), std::string::npos);
    EXPECT_NE(Refusal("<a xmlns:p=''/>").find("empty name"), std::string::npos);
    EXPECT_NE(Refusal("<a xmlns:p='urn:x' xmlns:q='urn:x' p:a='1' q:a='2'/>").find("duplicate"),
              std::string::npos);
}

TEST(XmlScanner, ReferencesQuotesAndLineEnds) {
    EXPECT_EQ(Tokens("<a a=\"x&amp;&quot;'\" b='&lt;&#65;&#x42;\"'>&gt;&apos;&#10;&#x1F600;</a>"),
              "<a a=x&\"' b=<AB\">[>'\n\xF0\x9F\x98\x80]</a>");
    // Line ends read as line feeds in text and as spaces in attribute values.
    EXPECT_EQ(Tokens("<a a='1\r\n2\t3\n4'>x\r\ny\rz</a>"), "<a a=1 2 3 4>[x\ny\nz]</a>");
    EXPECT_EQ(Tokens("<a a = '1' ></a >"), "<a a=1></a>");
    EXPECT_NE(Refusal("<a>&nbsp;</a>").find("undefined entity &nbsp;"), std::string::npos);
    EXPECT_NE(Refusal("<a>&#0;</a>").find("invalid character"), std::string::npos);
    EXPECT_NE(Refusal("<a>&#xD800;</a>").find("invalid character"), std::string::npos);
    EXPECT_NE(Refusal("<a>&#12a;</a>").find("bad character reference"), std::string::npos);
    EXPECT_NE(Refusal("<a>&amp</a>").find("unterminated reference"), std::string::npos);
    EXPECT_NE(Refusal("<a b='<'/>").find("'<' in the value"), std::string::npos);
    EXPECT_NE(Refusal("<a>]]></a>").find("']]>'"), std::string::npos);
}

TEST(XmlScanner, MarkupBesideElements) {
    EXPECT_EQ(Tokens("\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8' standalone='yes'?>\n"
                     "<!-- c --><?pi x?><a><!--x--><![CDATA[<b>&amp;]]><?pi?></a>\n<!-- e -->"),
              "<a>[<b>&amp;]</a>");
    EXPECT_NE(Refusal("<!DOCTYPE a><a/>").find("document type declarations are not allowed"),
              std::string::npos);
    EXPECT_NE(Refusal("<?xml version='1.0' encoding='UTF-16'?><a/>").find("UTF-16"),
              std::string::npos);
    EXPECT_NE(Refusal("<a><!-- a -- b --></a>").find("'--'"), std::string::npos);
    EXPECT_NE(Refusal("<a/><?xml version='1.0'?>").find("XML declaration"), std::string::npos);
    EXPECT_NE(Refusal("x<a/>").find("text before"), std::string::npos);
    EXPECT_NE(Refusal("<a/>x").find("junk after"), std::string::npos);
    EXPECT_NE(Refusal("<a/><b/>").find("junk after"), std::string::npos);
    EXPECT_NE(Refusal("").find("no element"), std::string::npos);
    EXPECT_NE(Refusal("<![CDATA[x]]><a/>").find("CDATA"), std::string::npos);
}

TEST(XmlScanner, BrokenStructureNamesItsLine) {
    EXPECT_EQ(Refusal("<a>\n<b>\n</c></a>"),
              "3: not well-formed XML: mismatched tag: </c> closes <b>");
    EXPECT_EQ(Refusal("<a>\n<b>"), "2: not well-formed XML: the document ends inside <b>");
    EXPECT_EQ(Refusal("<a>\n\n</a></a>"),
              "3: not well-formed XML: end tag </a> without a start tag");
    EXPECT_NE(Refusal("<a b='1' b='2'/>").find("duplicate attribute b"), std::string::npos);
    EXPECT_NE(Refusal("<a b='1'c='2'/>").find("white space expected"), std::string::npos);
    EXPECT_NE(Refusal("<a b/>").find("'=' expected"), std::string::npos);
    EXPECT_NE(Refusal("<a b=1/>").find("quoted value"), std::string::npos);
    EXPECT_NE(Refusal("<a b='1/>").find("unclosed value"), std::string::npos);
    EXPECT_NE(Refusal("<1a/>").find("name was expected"), std::string::npos);
    EXPECT_NE(Refusal("<a:b:c xmlns:a='u'/>").find("bad element name"), std::string::npos);
    // Every way of cutting a document short is refused, never read past its end.
    const std::string doc = "<a x='1'><b>t&amp;</b><!--c--><![CDATA[d]]><?p q?></a>";
    for (std::size_t n = 0; n < doc.size(); ++n) {
        const std::string cut = doc.substr(0, n);
        EXPECT_NE(Refusal(cut), "(accepted)") << cut;
    }
}

TEST(XmlScanner, CharactersXmlDoesNotAllow) {
    EXPECT_EQ(Tokens("<a>caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80</a>"),
              "<a>[caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80]</a>");
    EXPECT_NE(Refusal("<a>\x01</a>").find("control character"), std::string::npos);
    for (const char* bad : {"\xC3", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xEF\xBF\xBE",
                            "\xFF", "\xE2\x82"}) {
        EXPECT_NE(Refusal(std::string("<a>") + bad + "</a>"), "(accepted)") << bad;
    }
    // Reported at the line it is on, also past the first 8-byte block.
    EXPECT_EQ(Refusal("<a>\n0123456789\n\x02</a>").substr(0, 2), "3:");
}

}  // namespace
}  // namespace tabulon::platform
