// xl/workbook.xml, the relationship parts and [Content_Types].xml.
#include "spreadsheet/workbook.h"
#include "spreadsheet/xlsx/parts.h"
#include "spreadsheet/xlsx/xml_text.h"

namespace tabulon::spreadsheet::xlsx {

std::string WorkbookXml(const Workbook& book, const std::vector<SheetEntry>& sheets, int activeTab,
                        const ExternalLinks& links) {
    std::string out(kXmlHeader);
    out += "<workbook xmlns=\"";
    out += kMainNs;
    out += "\" xmlns:r=\"";
    out += kRelNs;
    out += "\"><workbookPr";
    if (book.Date1904())
        out += " date1904=\"1\"";
    out += "/><bookViews><workbookView activeTab=\"" + std::to_string(activeTab) +
           "\"/></bookViews><sheets>";
    for (size_t i = 0; i < sheets.size(); ++i) {
        out += "<sheet name=\"";
        AppendXmlText(out, sheets[i].name);
        out += "\" sheetId=\"" + std::to_string(i + 1) + "\"";
        if (!sheets[i].state.empty())
            out += " state=\"" + sheets[i].state + "\"";
        out += " r:id=\"rId" + std::to_string(i + 1) + "\"/>";
    }
    out += "</sheets>";
    if (links.Count() > 0) {
        out += "<externalReferences>";
        for (size_t i = 0; i < links.Count(); ++i)
            out += "<externalReference r:id=\"rId" + std::to_string(sheets.size() + 3 + i) + "\"/>";
        out += "</externalReferences>";
    }
    bool anyName = false;
    for (const auto& n : book.DefinedNames()) {
        if (n.localSheet >= static_cast<int>(sheets.size()))
            continue;
        if (!anyName)
            out += "<definedNames>";
        anyName = true;
        out += "<definedName name=\"";
        AppendXmlText(out, n.name);
        out += '"';
        if (n.localSheet >= 0)
            out += " localSheetId=\"" + std::to_string(n.localSheet) + "\"";
        if (n.hidden)
            out += " hidden=\"1\"";
        out += '>';
        AppendXmlText(out, links.Stored(n.formula));
        out += "</definedName>";
    }
    if (anyName)
        out += "</definedNames>";
    // Cached results may be stale or missing: have the application recalculate.
    out += "<calcPr calcId=\"191029\" fullCalcOnLoad=\"1\"/></workbook>";
    return out;
}

std::string WorkbookRelsXml(std::size_t sheetCount, std::size_t linkCount, bool persons) {
    std::string out(kXmlHeader);
    out += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    const std::string type = std::string(kRelNs) + "/";
    for (size_t i = 1; i <= sheetCount; ++i) {
        out += "<Relationship Id=\"rId" + std::to_string(i) + "\" Type=\"" + type +
               "worksheet\" Target=\"worksheets/sheet" + std::to_string(i) + ".xml\"/>";
    }
    out += "<Relationship Id=\"rId" + std::to_string(sheetCount + 1) + "\" Type=\"" + type +
           "styles\" Target=\"styles.xml\"/>";
    out += "<Relationship Id=\"rId" + std::to_string(sheetCount + 2) + "\" Type=\"" + type +
           "sharedStrings\" Target=\"sharedStrings.xml\"/>";
    for (size_t i = 1; i <= linkCount; ++i) {
        out += "<Relationship Id=\"rId" + std::to_string(sheetCount + 2 + i) + "\" Type=\"" + type +
               "externalLink\" Target=\"externalLinks/externalLink" + std::to_string(i) +
               ".xml\"/>";
    }
    if (persons) {
        out += "<Relationship Id=\"rId" + std::to_string(sheetCount + 3 + linkCount) +
               "\" Type=\"http://schemas.microsoft.com/office/2017/10/relationships/person\" "
               "Target=\"persons/person.xml\"/>";
    }
    out += "</Relationships>";
    return out;
}

std::string RootRelsXml() {
    std::string out(kXmlHeader);
    out +=
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"";
    out += kRelNs;
    out += "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
    return out;
}

std::string ContentTypesXml(std::size_t sheetCount, std::size_t linkCount, bool macroEnabled,
                            std::string_view extra) {
    constexpr std::string_view kSml =
        "application/vnd.openxmlformats-officedocument.spreadsheetml.";
    std::string out(kXmlHeader);
    out +=
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"";
    out += macroEnabled ? std::string("application/vnd.ms-excel.sheet.macroEnabled.main+xml")
                        : std::string(kSml) + "sheet.main+xml";
    out += "\"/>";
    for (size_t i = 1; i <= sheetCount; ++i) {
        out += "<Override PartName=\"/xl/worksheets/sheet" + std::to_string(i) +
               ".xml\" ContentType=\"" + std::string(kSml) + "worksheet+xml\"/>";
    }
    out += "<Override PartName=\"/xl/styles.xml\" ContentType=\"" + std::string(kSml) +
           "styles+xml\"/>";
    out += "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"" + std::string(kSml) +
           "sharedStrings+xml\"/>";
    for (size_t i = 1; i <= linkCount; ++i) {
        out += "<Override PartName=\"/xl/externalLinks/externalLink" + std::to_string(i) +
               ".xml\" ContentType=\"" + std::string(kSml) + "externalLink+xml\"/>";
    }
    out += extra;
    out += "</Types>";
    return out;
}

}  // namespace tabulon::spreadsheet::xlsx
