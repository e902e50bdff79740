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

// The other workbooks that formulas and defined names refer to, by file name
// ('[src.xlsx]Other'!A1 in the model), numbered from 1 in the order first met. A
// file stores such a reference as [1]Other!A1 and names the workbook and its
// sheets in the part xl/externalLinks/externalLinkN.xml.
class ExternalLinks {
  public:
    // Numbers the workbooks `formula` refers to. Run over every formula first.
    void Collect(std::string_view formula);
    // The formula as the file stores it, each collected workbook by its number.
    std::string Stored(std::string_view formula) const;

    std::size_t Count() const { return m_books.size(); }
    // The link part of workbook `index` (0-based) and its relationships.
    std::string LinkXml(std::size_t index) const;
    std::string LinkRelsXml(std::size_t index) const;

  private:
    struct Book {
        std::string name;
        std::vector<std::string> sheets;  // in the order first met
    };
    std::size_t Number(const std::string& book);

    std::vector<Book> m_books;
};

// xl/styles.xml: cellXfs entry i is the workbook's style i.
std::string StylesXml(const Workbook& book);

// xl/worksheets/sheetN.xml.
std::string SheetXml(const Worksheet& sheet, bool selected, SharedStrings& strings,
                     const ExternalLinks& links);

// xl/workbook.xml, its relationships, the package relationships and content
// types. `sheetVisible` and `activeTab` are already corrected so that the
// file opens (one visible sheet at least, a visible active tab).
struct SheetEntry {
    std::string name;
    std::string state;  // "", "hidden", "veryHidden"
};
// External link parts follow the styles and shared strings in the relationships.
std::string WorkbookXml(const Workbook& book, const std::vector<SheetEntry>& sheets, int activeTab,
                        const ExternalLinks& links);
std::string WorkbookRelsXml(std::size_t sheetCount, std::size_t linkCount);
std::string RootRelsXml();
std::string ContentTypesXml(std::size_t sheetCount, std::size_t linkCount, bool macroEnabled);

}  // namespace tabulon::spreadsheet::xlsx
