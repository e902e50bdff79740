// The writers of the parts of an .xlsx package, one per part. Internal to the
// xlsx writer. Each returns the part's XML; the order of everything written
// follows the model (sheet order, style indexes), never hash order.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tabulon::spreadsheet {
class Workbook;
class Worksheet;
}  // namespace tabulon::spreadsheet

namespace tabulon::spreadsheet::xlsx {

// Shared strings in the order first met.
class SharedStrings {
  public:
    int Index(std::string_view text);
    std::size_t Uses() const { return m_uses; }
    std::string Xml() const;

  private:
    std::vector<std::string_view> m_texts;  // views into the workbook's string pool
    std::unordered_map<std::string_view, int> m_index;
    std::size_t m_uses = 0;
};

constexpr std::string_view kXmlHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::string_view kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view kRelNs =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// xl/styles.xml: cellXfs entry i is the workbook's style i.
std::string StylesXml(const Workbook& book);

// xl/worksheets/sheetN.xml.
std::string SheetXml(const Worksheet& sheet, bool selected, SharedStrings& strings);

// xl/workbook.xml, its relationships, the package relationships and content
// types. `sheetVisible` and `activeTab` are already corrected so that the
// file opens (one visible sheet at least, a visible active tab).
struct SheetEntry {
    std::string name;
    std::string state;  // "", "hidden", "veryHidden"
};
std::string WorkbookXml(const Workbook& book, const std::vector<SheetEntry>& sheets, int activeTab);
std::string WorkbookRelsXml(std::size_t sheetCount);
std::string RootRelsXml();
std::string ContentTypesXml(std::size_t sheetCount, bool macroEnabled);

}  // namespace tabulon::spreadsheet::xlsx
