// Reads the workbook part: sheet list, date system, active tab, defined names.
#pragma once

#include <string>
#include <vector>

#include "spreadsheet/import.h"
#include "spreadsheet/reader/xml_context.h"

namespace tabulon::spreadsheet {

struct WorkbookSheetEntry {
    std::string name;
    std::string relationshipId;
    SheetState state = SheetState::Visible;
};

struct WorkbookDefinedName {
    std::string name;
    std::string formula;
    int localSheet = -1;
    bool hidden = false;
};

class WorkbookContext : public XmlContext {
  public:
    WorkbookContext(std::string fileName, std::string partName);

    const std::vector<WorkbookSheetEntry>& Sheets() const { return m_sheets; }
    const std::vector<WorkbookDefinedName>& DefinedNames() const { return m_names; }
    bool Date1904() const { return m_date1904; }
    int ActiveTab() const { return m_activeTab; }
    // The relationship ids of the external link parts, in link number order.
    const std::vector<std::string>& ExternalReferences() const { return m_externalReferences; }

  private:
    void Start(std::string_view element, const platform::XmlAttributes& attrs) override;
    void End(std::string_view element) override;
    void Characters(std::string_view text) override;

    std::vector<WorkbookSheetEntry> m_sheets;
    std::vector<WorkbookDefinedName> m_names;
    std::vector<std::string> m_externalReferences;
    bool m_date1904 = false;
    int m_activeTab = 0;
    bool m_firstView = true;
};

}  // namespace tabulon::spreadsheet
