// The writers of the parts of an .xlsx package, one per part. Internal to the
// xlsx writer. Each returns the part's XML, or for the large ones hands it to
// a PartWriter; the order of everything written follows the model (sheet
// order, style indexes), never hash order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tabulon::spreadsheet {
class StringPool;
class Workbook;
class Worksheet;
}  // namespace tabulon::spreadsheet

namespace tabulon::spreadsheet::xlsx {

class ZipWriter;

// Builds one part's XML and hands it to the zip in pieces of about
// `pieceBytes`, cut only where the caller says an element ends; a part that
// ends within its first piece goes whole.
class PartWriter {
  public:
    static constexpr std::size_t kPieceBytes = 2 * 1024 * 1024;
    PartWriter(ZipWriter& zip, std::string name, std::size_t pieceBytes = kPieceBytes);
    std::string& Out() { return m_out; }
    // Between two elements: passes the text on once a piece is full.
    void Boundary() {
        if (m_out.size() >= m_pieceBytes)
            Pass();
    }
    // Hands over the rest; call once, after the last element.
    void Close();

  private:
    void Pass();

    ZipWriter& m_zip;
    std::string m_name;
    std::size_t m_pieceBytes;
    std::string m_out;
    bool m_streaming = false;
};

// Shared strings in the order first met. Texts of the workbook's own string
// pool are found by their id; others by their text.
class SharedStrings {
  public:
    explicit SharedStrings(const StringPool* pool = nullptr);
    int Index(std::string_view text);
    // `text` is `pool`'s text `id`.
    int Index(const StringPool* pool, std::uint32_t id, std::string_view text);
    std::size_t Uses() const { return m_uses; }
    void Write(PartWriter& out) const;

  private:
    const StringPool* m_pool;
    std::vector<int> m_byId;                // pool id -> index + 1, 0 when not yet met
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
    // False when `formula` names no other workbook.
    static bool MayLink(std::string_view formula) {
        return formula.find('[') != std::string_view::npos;
    }
    // False when Stored(formula) is the formula as it is.
    bool MayRewrite(std::string_view formula) const;

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
void WriteSheetXml(const Worksheet& sheet, bool selected, SharedStrings& strings,
                   const ExternalLinks& links, PartWriter& out);

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
