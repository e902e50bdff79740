// libFuzzer target: XmlScanner never crashes nor reads past its input, and is
// never more lenient than expat: a document it accepts, expat accepts too, with
// the same elements, attributes and text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/xml_parser.h"
#include "platform/xml_scanner.h"

namespace {

using namespace tabulon::platform;

void AppendStart(std::string& out, std::string_view ns, std::string_view local,
                 const XmlAttributes& attrs) {
    out += "<{" + std::string(ns) + "}" + std::string(local);
    attrs.ForEach([&](std::string_view ans, std::string_view alocal, const char* value) {
        out += " {" + std::string(ans) + "}" + std::string(alocal) + "=" + value;
    });
    out += ">";
}

class Recorder : public XmlHandler {
  public:
    void OnStart(std::string_view ns, std::string_view local, const XmlAttributes& attrs) override {
        AppendStart(events, ns, local, attrs);
    }
    void OnEnd(std::string_view ns, std::string_view local) override {
        events += "</{" + std::string(ns) + "}" + std::string(local) + ">";
    }
    void OnText(std::string_view text) override { events += text; }

    std::string events;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that reading past the end is caught.
    const std::string doc(reinterpret_cast<const char*>(data), size);
    std::string scanned;
    try {
        XmlScanner scanner(doc);
        for (bool done = false; !done;) {
            switch (scanner.Next()) {
                case XmlScanner::Token::Start:
                    AppendStart(scanned, scanner.Namespace(), scanner.Local(),
                                scanner.Attributes());
                    break;
                case XmlScanner::Token::End:
                    scanned += "</{" + std::string(scanner.Namespace()) + "}" +
                               std::string(scanner.Local()) + ">";
                    break;
                case XmlScanner::Token::Text:
                    scanned += scanner.Text();
                    break;
                case XmlScanner::Token::Done:
                    done = true;
                    break;
            }
        }
    } catch (const XmlError&) {
        return 0;  // refusing is always allowed: the caller falls back to expat
    }
    Recorder recorder;
    XmlParser parser(recorder);
    try {
        parser.Feed(doc.data(), doc.size(), true);
    } catch (const XmlError& e) {
        __builtin_trap();  // the scanner accepted what expat refuses
    }
    if (recorder.events != scanned)
        __builtin_trap();
    return 0;
}
