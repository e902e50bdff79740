#include "spreadsheet/reader/relationships_context.h"

#include <cstring>

namespace tabulon::spreadsheet {
namespace {

constexpr ElementRule kRules[] = {
    {"", "Relationships"},
    {"Relationships", "Relationship"},
};

}  // namespace

RelationshipsContext::RelationshipsContext(std::string fileName, std::string partName)
    : XmlContext(std::move(fileName), std::move(partName), XmlVocabulary::PackageRelationships,
                 kRules, {}) {}

void RelationshipsContext::Start(std::string_view element, const platform::XmlAttributes& attrs) {
    if (element != "Relationship")
        return;
    Relationship rel;
    if (const char* id = attrs.Find("Id"))
        rel.id = id;
    if (const char* type = attrs.Find("Type")) {
        const char* slash = std::strrchr(type, '/');
        rel.type = slash ? slash + 1 : type;
    }
    if (const char* target = attrs.Find("Target"))
        rel.target = target;
    if (const char* mode = attrs.Find("TargetMode"))
        rel.external = std::strcmp(mode, "External") == 0;
    m_relationships.push_back(std::move(rel));
}

}  // namespace tabulon::spreadsheet
