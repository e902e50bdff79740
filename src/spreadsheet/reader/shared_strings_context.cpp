#include "spreadsheet/reader/shared_strings_context.h"

#include "spreadsheet/reader/xml_values.h"

namespace tabulon::spreadsheet {
namespace {

// <rPh> is deliberately absent: its phonetic text is skipped with it.
constexpr ElementRule kRules[] = {
    {"", "sst"}, {"sst", "si"}, {"si", "t"}, {"si", "r"}, {"r", "t"},
};

constexpr std::string_view kStrict[] = {"sst"};

// Each entry costs some 50 bytes beyond its text, and "<si/>" is five bytes of
// highly compressible XML: without a cap a small file could ask for gigabytes.
// 16 million distinct strings is far beyond what real workbooks hold.
constexpr std::size_t kMaxSharedStrings = std::size_t{1} << 24;

}  // namespace

SharedStringsContext::SharedStringsContext(std::string fileName, std::string partName)
    : XmlContext(std::move(fileName), std::move(partName), XmlVocabulary::SpreadsheetMl, kRules,
                 kStrict) {}

void SharedStringsContext::Start(std::string_view element, const platform::XmlAttributes&) {
    if (element == "si") {
        m_text.clear();
    } else if (element == "t") {
        m_inText = true;
    }
}

void SharedStringsContext::End(std::string_view element) {
    if (element == "t") {
        m_inText = false;
    } else if (element == "si") {
        if (m_strings.size() >= kMaxSharedStrings) {
            Fail("more than " + std::to_string(kMaxSharedStrings) +
                 " shared strings, more than this reader holds");
        }
        xml::DecodeEscapes(m_text);
        m_strings.push_back(Value::Text(m_text));
    }
}

void SharedStringsContext::Characters(std::string_view text) {
    if (m_inText)
        m_text.append(text);
}

}  // namespace tabulon::spreadsheet
