// Reads a package relationships part (_rels/*.rels).
#pragma once

#include <string>
#include <vector>

#include "spreadsheet/reader/xml_context.h"

namespace tabulon::spreadsheet {

struct Relationship {
    std::string id;
    std::string type;    // the last segment of the type URI: "worksheet", "styles", ...
    std::string target;  // as written
    bool external = false;
};

class RelationshipsContext : public XmlContext {
  public:
    RelationshipsContext(std::string fileName, std::string partName);
    const std::vector<Relationship>& Relationships() const { return m_relationships; }

  private:
    void Start(std::string_view element, const platform::XmlAttributes& attrs) override;
    void End(std::string_view) override {}

    std::vector<Relationship> m_relationships;
};

}  // namespace tabulon::spreadsheet
