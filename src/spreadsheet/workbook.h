// A workbook in memory: its ordered sheets, the shared style table, defined
// names, the date system and the strings its cells share.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/external_books.h"
#include "spreadsheet/import.h"
#include "spreadsheet/number_format.h"
#include "spreadsheet/style.h"
#include "spreadsheet/worksheet.h"

namespace tabulon::spreadsheet {

class StringPool;

struct DefinedName {
    std::string name;
    std::string formula;  // A1 text without '='
    int localSheet = -1;  // 0-based sheet index, -1 for the workbook
    bool hidden = false;
    friend bool operator==(const DefinedName&, const DefinedName&) = default;
};

class Workbook {
  public:
    Workbook();
    ~Workbook();
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    // --- Sheets (all kinds; indexes are 0-based).
    int SheetCount() const;
    Worksheet& Sheet(int index);  // std::out_of_range for a bad index
    const Worksheet& Sheet(int index) const;
    // Index of the sheet so named, compared without regard to ASCII case; -1 if none.
    int FindSheet(std::string_view name) const;
    int IndexOf(const Worksheet& sheet) const;  // -1 when not in this workbook
    // Adds a sheet at `position` (-1 or past the end: at the end). Throws
    // std::invalid_argument for a name that is invalid or already used.
    Worksheet& AddSheet(std::string_view name, SheetKind kind = SheetKind::Worksheet,
                        int position = -1);
    // A name not yet used: "Sheet1", "Sheet2"...
    std::string NextSheetName() const;
    // A copy of `source` (from this or another workbook) at `position`, named
    // `name`, or "Name (2)" style when empty. Names local to the source sheet
    // are copied as names local to the copy, their references to the source
    // sheet made references to the copy; a copy from another workbook brings
    // what that workbook knows of the workbooks it reads.
    Worksheet& CopySheet(const Worksheet& source, int position = -1, std::string_view name = {});
    void DeleteSheet(int index);
    void RenameSheet(int index, std::string_view name);
    int ActiveSheet() const;
    void SetActiveSheet(int index);

    // Sheet names: 1-31 characters, none of : \ / ? * [ ], not starting or
    // ending with an apostrophe. Empty when valid, else the reason.
    static std::string CheckSheetName(std::string_view name);

    // --- Settings.
    bool Date1904() const;
    void SetDate1904(bool date1904);
    const std::string& Path() const;  // the file it was read from, if any
    void SetPath(std::string path);

    // --- Styles: index 0 is the default style and always exists.
    int StyleCount() const;
    const CellStyle& Style(int index) const;  // the default for a bad index
    // The index of an equal style, adding it when new.
    int AddStyle(const CellStyle& style);
    // The font of the Normal style (style 0): cells without a style of their own
    // show in it, and column widths count its digits. Calibri 11 unless set.
    const Font& DefaultFont() const;
    void SetDefaultFont(const Font& font);
    // Whether SetDefaultFont was called (a file gave the font).
    bool HasOwnDefaultFont() const;
    // The index in this workbook of style `index` of `other`.
    int ImportStyle(const Workbook& other, int index);
    // What the number format of style `index` presents (dates, currency...);
    // remembered per style, so cheap to ask for every cell.
    FormatClass StyleFormatClass(int index) const;

    // --- Defined names.
    const std::vector<DefinedName>& DefinedNames() const;
    void AddDefinedName(DefinedName name);
    // A sheet-local name of `sheet` first, then a workbook name; case-insensitive.
    const DefinedName* FindDefinedName(std::string_view name, int sheet) const;

    // --- Other workbooks its formulas read, by the name the formulas give them.
    const std::vector<ExternalBook>& ExternalBooks() const;
    ExternalBook& External(std::string_view book);  // added when new
    const ExternalBook* FindExternal(std::string_view book) const;

    // The texts the sheets share.
    StringPool& Strings() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// A builder that fills `workbook` from a reader's calls. The workbook should
// be empty; it must outlive the builder.
std::unique_ptr<IWorkbookImport> MakeWorkbookBuilder(Workbook& workbook);

}  // namespace tabulon::spreadsheet
