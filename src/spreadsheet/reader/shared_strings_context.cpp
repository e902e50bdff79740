#include "spreadsheet/reader/shared_strings_context.h"

#include "spreadsheet/reader/xml_values.h"

namespace tabulon::spreadsheet {
namespace {

// <rPh> is deliberately absent: its phonetic text is skipped with it.
constexpr ElementRule kRules[] = {
    {"", "sst"}, {"sst", "si"}, {"si", "t"}, {"si", "r"}, {"r", "t"},
};

constexpr std::string_view kStrict[] = {"sst"};

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
        xml::DecodeEscapes(m_text);
        m_strings.push_back(Value::Text(m_text));
    }
}

void SharedStringsContext::Characters(std::string_view text) {
    if (m_inText)
        m_text.append(text);
}

}  // namespace tabulon::spreadsheet
