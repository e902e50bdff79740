// The writers of the parts of an .xlsx package, one per part. Internal to the
// xlsx writer. Each returns the part's XML, or for the large ones hands it to
// a PartWriter; the order of everything written follows the model (sheet
// order, style indexes), never hash order.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tabulon::spreadsheet {
struct ExternalBook;
struct Font;
struct KeptBookXml;
struct KeptPart;
struct TextRun;
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
    // A text in runs with fonts of their own: its own entry, shared only with
    // the same runs.
    int Index(const std::vector<TextRun>& runs);
    // `text` is `pool`'s text `id`.
    int Index(const StringPool* pool, std::uint32_t id, std::string_view text);
    std::size_t Uses() const { return m_uses; }
    void Write(PartWriter& out) const;

  private:
    const StringPool* m_pool;
    std::vector<int> m_byId;                // pool id -> index + 1, 0 when not yet met
    std::vector<std::string_view> m_texts;  // views into the workbook's string pool
    std::unordered_map<std::string_view, int> m_index;
    std::map<int, std::string> m_rich;                 // entry -> its runs as written
    std::unordered_map<std::string, int> m_richIndex;  // runs as written -> entry
    std::size_t m_uses = 0;
};

// The runs of a rich text as a string item's content (<r><rPr>...</rPr><t>...</t></r>...).
void AppendRuns(std::string& out, const std::vector<TextRun>& runs);
// A font as run properties (<rPr>...</rPr>).
void AppendRunFont(std::string& out, const Font& font);

// What a sheet part holds beyond its cells, made ready for writing by
// PackageExtras: kept elements renumbered and re-pointed, links and notes.
struct SheetExtras {
    std::string namespaces;                                     // declarations for the root element
    std::vector<std::pair<std::string, std::string>> elements;  // local name -> text
    std::string hyperlinks;     // the <hyperlinks> element, or empty
    std::string legacyDrawing;  // the notes' <legacyDrawing/>, or empty
    // The kept elements called `local`, in file order, appended to `out`.
    void Append(std::string& out, std::string_view local) const;
    bool Has(std::string_view local) const;
};

// A kept sheetViews element with only the selected sheet's view marked as
// the selected tab.
std::string SelectTab(std::string views, bool selected);

// The parts written beside the sheets: each sheet's relationships, the parts
// it carries (renamed so that names stay unique, their relationships kept),
// notes, the differential formats kept elements refer to, and the persons of
// threaded comments.
class PackageExtras {
  public:
    // Sheet `number` (1-based, as its part is named).
    SheetExtras ForSheet(const Worksheet& sheet, std::size_t number);
    // <dxfs> for the styles part.
    std::string DxfsXml() const;
    // Override entries for the content types part.
    const std::string& ContentTypes() const { return m_types; }
    // The persons part, when a carried sheet has threaded comments; else empty.
    std::string PersonsXml() const;
    // Hands every part gathered to `zip`.
    void WriteParts(ZipWriter& zip);

  private:
    std::string AddPart(const KeptPart& part, const std::string& fromSheet,
                        const std::string& toSheet);
    std::string NewName(const std::string& original);
    // Where the differential formats of `book` start in the written list.
    int DxfBase(const KeptBookXml* book);
    void AddType(const std::string& name, const std::string& contentType);
    std::string UniqueTable(std::string data);
    std::string NotesParts(const Worksheet& sheet, std::size_t number, std::string& rels);

    std::vector<std::pair<std::string, std::string>> m_parts;  // name -> content
    std::string m_types;
    std::map<std::string, int> m_counters;
    std::set<std::string> m_names;
    std::map<const KeptBookXml*, int> m_dxfBase;
    std::vector<std::string> m_dxfs;
    std::set<std::string> m_tableNames;
    int m_tableId = 0;
    std::string m_persons;      // the <person> elements
    std::string m_personsRoot;  // the start tag of the first persons part
    std::set<std::string> m_personIds;
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
    // `known`: what the workbook knows of the books (cached cells, link states).
    explicit ExternalLinks(const std::vector<ExternalBook>& known) : m_known(known) {}

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
    const ExternalBook* Known(std::size_t index) const;

    const std::vector<ExternalBook>& m_known;
    std::vector<Book> m_books;
};

// xl/styles.xml: cellXfs entry i is the workbook's style i.
// `dxfs` is the <dxfs> element (PackageExtras::DxfsXml).
std::string StylesXml(const Workbook& book, std::string_view dxfs);

// xl/worksheets/sheetN.xml.
void WriteSheetXml(const Worksheet& sheet, bool selected, SharedStrings& strings,
                   const ExternalLinks& links, const SheetExtras& extras, PartWriter& out);

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
// A persons part, when written, follows the links.
std::string WorkbookRelsXml(std::size_t sheetCount, std::size_t linkCount, bool persons);
std::string RootRelsXml();
// `extra` holds further entries (PackageExtras::ContentTypes).
std::string ContentTypesXml(std::size_t sheetCount, std::size_t linkCount, bool macroEnabled,
                            std::string_view extra);

}  // namespace tabulon::spreadsheet::xlsx
