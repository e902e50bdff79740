// Reads what a worksheet holds beyond its cells: its links and notes, and what
// is carried without being modelled (KeptSheetXml): the elements of its part
// the model does not hold and the parts they refer to, with the workbook's
// differential formats and threaded comment persons they need.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/annotations.h"
#include "spreadsheet/import.h"
#include "spreadsheet/kept_xml.h"

namespace tabulon::spreadsheet {

class OoxmlPackage;

class SheetExtrasReader {
  public:
    // `workbookPart` names the workbook part, `stylesPart` the styles part ("" when none).
    SheetExtrasReader(OoxmlPackage& package, std::string workbookPart, std::string stylesPart);

    // Hands `sink` the links, notes and kept XML of the sheet part `sheetPart`
    // named `sheetName`, whose text is `xml` (empty when it was too big to
    // hold whole: then only its notes). A damaged piece is left out.
    void Read(const std::string& sheetPart, std::string_view xml, const std::string& sheetName,
              ISheetImport& sink);

    // The runs of each shared string that has them, by index, from the text of
    // the shared strings part.
    static std::map<std::size_t, RichText> SharedStringRuns(std::string_view xml);

  private:
    struct Rel {
        std::string id, type, target;
        bool external = false;
    };
    std::vector<Rel> Relationships(const std::string& part);
    std::string ContentType(const std::string& part);
    std::string PartText(const std::string& part);
    void KeepPart(const Rel& rel, int depth, KeptPart& out);
    std::vector<Note> Notes(const std::string& part);
    std::shared_ptr<const KeptBookXml> Book();

    OoxmlPackage& m_package;
    std::string m_workbookPart;
    std::string m_stylesPart;
    bool m_typesRead = false;
    std::map<std::string, std::string> m_overrides;  // lower-case part name -> type
    std::map<std::string, std::string> m_defaults;   // lower-case extension -> type
    std::shared_ptr<const KeptBookXml> m_book;
};

}  // namespace tabulon::spreadsheet
