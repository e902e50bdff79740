// Reads the shared string table. Rich text keeps its plain text; phonetic runs
// are left out.
#pragma once

#include <string>
#include <vector>

#include "spreadsheet/reader/xml_context.h"
#include "spreadsheet/value.h"

namespace tabulon::spreadsheet {

class SharedStringsContext : public XmlContext {
  public:
    SharedStringsContext(std::string fileName, std::string partName);

    // Ready-made text values, so that cells referring to them copy nothing new.
    std::vector<Value> TakeStrings() { return std::move(m_strings); }

  private:
    void Start(std::string_view element, const platform::XmlAttributes& attrs) override;
    void End(std::string_view element) override;
    void Characters(std::string_view text) override;

    std::vector<Value> m_strings;
    std::string m_text;
    bool m_inText = false;
};

}  // namespace tabulon::spreadsheet
