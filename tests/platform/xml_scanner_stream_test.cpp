// The scanner taking a document in pieces reads what it reads from the whole
// document: the same tokens (text may come split), the same errors on the same
// lines, whatever the size of the pieces and of the window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/xml_scanner.h"

namespace tabulon::platform {
namespace {

// Every token as one line (with the scanner's line when `lines`); consecutive
// text tokens joined. Ends with the error and its line when the scanner throws.
std::string Tokens(XmlScanner& scanner, bool lines = true) {
    std::string out;
    std::string text;
    auto flush = [&] {
        if (!text.empty())
            out += "T[" + text + "]\n";
        text.clear();
    };
    try {
        for (;;) {
            const XmlScanner::Token token = scanner.Next();
            if (token == XmlScanner::Token::Text) {
                text += scanner.Text();
                continue;
            }
            flush();
            if (token == XmlScanner::Token::Done)
                return out + "done\n";
            out += token == XmlScanner::Token::Start ? "S " : "E ";
            out += std::string(scanner.Namespace()) + "|" + std::string(scanner.Local());
            if (token == XmlScanner::Token::Start) {
                scanner.Attributes().ForEach(
                    [&](std::string_view ns, std::string_view local, const char* value) {
                        out += " " + std::string(ns) + "|" + std::string(local) + "=" + value;
                    });
            }
            out += lines ? " @" + std::to_string(scanner.Line()) + "\n" : "\n";
        }
    } catch (const XmlError& e) {
        flush();
        return out + "error line " + std::to_string(e.Line()) + ": " + e.what() + "\n";
    }
}

std::string Whole(const std::string& document) {
    try {
        XmlScanner scanner(document);
        return Tokens(scanner);
    } catch (const XmlError& e) {
        return "error line " + std::to_string(e.Line()) + ": " + e.what() + "\n";
    }
}

std::string InPieces(const std::string& document, std::size_t piece, std::size_t window) {
    std::size_t at = 0;
    auto more = [&](std::string& out) {
        if (at >= document.size())
            return false;
        const std::size_t n = std::min(piece, document.size() - at);
        out.append(document, at, n);
        at += n;
        return true;
    };
    try {
        XmlScanner scanner(more, window);
        return Tokens(scanner);
    } catch (const XmlError& e) {
        return "error line " + std::to_string(e.Line()) + ": " + e.what() + "\n";
    }
}

TEST(XmlScannerStream, PiecesReadAsTheWholeDocument) {
    const std::vector<std::string> documents = {
        // A worksheet as producers write it, with a byte order mark and CR LF.
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"urn:r\"><sheetData>\r\n<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c>"
        "<c r=\"B1\"><f>A1&gt;2</f><v>1</v></c></row>\r\n<row r=\"2\"><c r=\"A2\" "
        "t=\"inlineStr\"><is><t xml:space=\"preserve\"> caf\xC3\xA9 &amp; \xE2\x82\xAC "
        "</t></is></c></row></sheetData></worksheet>",
        // '>' where a piece may end: attribute values, text, comments, CDATA,
        // processing instructions; namespace prefixes declared on the way.
        "<a:root xmlns:a=\"urn:a\"><a:x v=\"1>2\" w='>'/>text > more<!-- c > d -->"
        "<![CDATA[ <not> a > tag ]]><?pi x > y?><b xmlns=\"urn:b\" xmlns:c=\"urn:c\">"
        "<c:d c:e=\"&lt;&#x41;&#66;\"/></b><a:y/></a:root>\n",
        // Damaged documents: the error and its line must not depend on the pieces.
        "<root>\n<a>\n<b></a>\n</root>",
        "<root>\n<a x=\"1\" x=\"2\"/>\n</root>",
        "<root>\n\n<a>&undefined;</a></root>",
        "<root>\n<a v=\"1>2\">\n</root>",
        "<root>\n<p:a/>\n</root>",
        "<root>\n<a>\xC3</a>\n</root>",
        "<root>\n<a/>\n</root>\n<junk/>",
        "<root>\n<a/>\n",
        "<!DOCTYPE x [<!ENTITY a \"b\">]><root/>",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><root/>",
    };
    // A damaged document may fail later when taken in pieces (characters are
    // checked as they come), so only the error itself is compared.
    auto outcome = [](const std::string& tokens) {
        const auto error = tokens.find("error line");
        return error == std::string::npos ? tokens : tokens.substr(error);
    };
    for (const std::string& document : documents) {
        const std::string expected = outcome(Whole(document));
        for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{7},
                                        std::size_t{64}, std::size_t{1} << 16}) {
            for (const std::size_t window : {std::size_t{1}, std::size_t{16}, std::size_t{4096}}) {
                EXPECT_EQ(outcome(InPieces(document, piece, window)), expected)
                    << "piece " << piece << ", window " << window << ", document:\n"
                    << document;
            }
        }
    }
}

TEST(XmlScannerStream, LongDocumentsKeepOnlyAWindow) {
    // Many rows through a small window: the buffer stays near the window size.
    std::string document = "<sheetData xmlns=\"urn:s\">\n";
    for (int r = 1; r <= 20000; ++r)
        document +=
            "<row r=\"" + std::to_string(r) + "\"><c><v>" + std::to_string(r) + "</v></c></row>\n";
    document += "</sheetData>";
    std::size_t at = 0;
    std::size_t largest = 0;
    auto more = [&](std::string& out) {
        largest = std::max(largest, out.size());
        if (at >= document.size())
            return false;
        const std::size_t n = std::min<std::size_t>(1000, document.size() - at);
        out.append(document, at, n);
        at += n;
        return true;
    };
    XmlScanner scanner(more, 4096);
    XmlScanner whole(document);
    EXPECT_EQ(Tokens(scanner, false), Tokens(whole, false));
    EXPECT_LT(largest, 4096u + 1000u);
}

}  // namespace
}  // namespace tabulon::platform
