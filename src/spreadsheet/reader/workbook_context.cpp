#include "spreadsheet/reader/workbook_context.h"

#include <cstring>

#include "spreadsheet/reader/xml_values.h"

namespace tabulon::spreadsheet {
namespace {

constexpr ElementRule kRules[] = {
    {"", "workbook"},
    {"workbook", "workbookPr"},
    {"workbook", "bookViews"},
    {"bookViews", "workbookView"},
    {"workbook", "sheets"},
    {"sheets", "sheet"},
    {"workbook", "definedNames"},
    {"definedNames", "definedName"},
    {"workbook", "externalReferences"},
    {"externalReferences", "externalReference"},
};

constexpr std::string_view kStrict[] = {"sheets"};

}  // namespace

WorkbookContext::WorkbookContext(std::string fileName, std::string partName)
    : XmlContext(std::move(fileName), std::move(partName), XmlVocabulary::SpreadsheetMl, kRules,
                 kStrict) {}

void WorkbookContext::Start(std::string_view element, const platform::XmlAttributes& attrs) {
    if (element == "workbookPr") {
        m_date1904 = xml::ToBool(attrs.Find("date1904"), false);
    } else if (element == "workbookView") {
        // Only the first window decides which sheet opens.
        if (m_firstView)
            m_activeTab = xml::ToInt(attrs.Find("activeTab"), 0);
        m_firstView = false;
    } else if (element == "sheet") {
        WorkbookSheetEntry sheet;
        const char* name = attrs.Find("name");
        if (!name)
            Fail("<sheet> without a name");
        sheet.name = name;
        xml::DecodeEscapes(sheet.name);
        const char* id = RelationshipId(attrs);
        if (!id)
            Fail("sheet '" + sheet.name + "' has no relationship id (r:id)");
        sheet.relationshipId = id;
        if (const char* state = attrs.Find("state")) {
            if (std::strcmp(state, "hidden") == 0)
                sheet.state = SheetState::Hidden;
            if (std::strcmp(state, "veryHidden") == 0)
                sheet.state = SheetState::VeryHidden;
        }
        m_sheets.push_back(std::move(sheet));
    } else if (element == "externalReference") {
        const char* id = RelationshipId(attrs);
        m_externalReferences.push_back(id ? id : "");
    } else if (element == "definedName") {
        WorkbookDefinedName name;
        if (const char* n = attrs.Find("name"))
            name.name = n;
        name.localSheet = xml::ToInt(attrs.Find("localSheetId"), -1);
        name.hidden = xml::ToBool(attrs.Find("hidden"), false);
        m_names.push_back(std::move(name));
    }
}

void WorkbookContext::End(std::string_view) {}

void WorkbookContext::Characters(std::string_view text) {
    if (!m_names.empty() && Depth() == 3 && Parent() == "definedNames") {
        m_names.back().formula.append(text);
    }
}

}  // namespace tabulon::spreadsheet
