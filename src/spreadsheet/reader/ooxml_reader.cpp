#include "spreadsheet/reader/ooxml_reader.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "spreadsheet/reader/external_links.h"
#include "spreadsheet/reader/ooxml_package.h"
#include "spreadsheet/reader/read_control.h"
#include "spreadsheet/reader/read_error.h"
#include "spreadsheet/reader/shared_strings_context.h"
#include "spreadsheet/reader/sheet_context.h"
#include "spreadsheet/reader/sheet_extras.h"
#include "spreadsheet/reader/styles_context.h"
#include "spreadsheet/reader/workbook_context.h"

namespace tabulon::spreadsheet {
namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

const Relationship* FindByType(const std::vector<Relationship>& rels, std::string_view type) {
    for (const auto& rel : rels) {
        if (!rel.external && Lower(rel.type) == type)
            return &rel;
    }
    return nullptr;
}

// Refuses zip archives that hold another kind of document.
void CheckOpenDocument(OoxmlPackage& package) {
    const auto mimetype = package.FindPart("mimetype");
    const bool odfParts =
        package.FindPart("content.xml") && package.FindPart("META-INF/manifest.xml");
    if (!mimetype && !odfParts)
        return;
    std::string type = mimetype ? package.ReadPart(*mimetype) : std::string();
    if (!mimetype || type.rfind("application/vnd.oasis.opendocument", 0) == 0) {
        std::string what = "an OpenDocument file";
        if (type.find("spreadsheet") != std::string::npos || (!mimetype && odfParts))
            what = "an OpenDocument spreadsheet (.ods)";
        if (const auto manifest = package.FindPart("META-INF/manifest.xml")) {
            if (package.ReadPart(*manifest).find("encryption-data") != std::string::npos)
                package.Fail(
                    "cannot be read: it is " + what +
                    ", encrypted (password protected); OpenDocument files are not supported");
        }
        package.Fail("cannot be read: it is " + what + ", which is not supported");
    }
}

// The workbook part: by relationship, else by the usual name.
std::string FindWorkbookPart(OoxmlPackage& package) {
    std::vector<Relationship> rels;
    try {
        rels = package.Relationships("");
    } catch (const ReadCanceled&) {
        throw;
    } catch (const ReadError&) {
        // The package relationships only point the way; when they are damaged
        // the workbook is looked for where producers put it.
    }
    if (const Relationship* rel = FindByType(rels, "officedocument")) {
        if (package.FindPart(rel->target))
            return rel->target;
    }
    for (const char* name : {"xl/workbook.xml", "xl/workbook.bin"}) {
        if (package.FindPart(name))
            return name;
    }
    package.Fail(
        "cannot be read: the zip archive holds no workbook part "
        "(not a spreadsheet, or damaged)");
}

SheetKind KindOf(const Relationship& rel) {
    const std::string type = Lower(rel.type);
    if (type == "chartsheet")
        return SheetKind::Chartsheet;
    if (type == "dialogsheet")
        return SheetKind::Dialogsheet;
    if (type.find("macrosheet") != std::string::npos)
        return SheetKind::Macrosheet;
    return SheetKind::Worksheet;
}

class OoxmlReader {
  public:
    // sheetListOnly: the workbook part and its relationships alone, for the sheet list.
    OoxmlReader(OoxmlPackage& package, IWorkbookImport& sink, bool sheetListOnly = false)
        : m_package(package), m_sink(sink), m_sheetListOnly(sheetListOnly) {}

    void Read() {
        CheckOpenDocument(m_package);
        const std::string workbookPart = FindWorkbookPart(m_package);
        if (EndsWith(Lower(workbookPart), ".bin")) {
            m_package.Fail("cannot be read: binary workbooks (.xlsb) are not supported yet");
        }
        const auto rels = m_package.Relationships(workbookPart);
        WorkbookContext workbook(m_package.FileName(), workbookPart);
        workbook.Parse(m_package.Zip(), *m_package.FindPart(workbookPart));

        if (!m_sheetListOnly) {
            ReadStyles(rels);
            if (const Relationship* styles = FindByType(rels, "styles"))
                m_stylesPart = styles->target;
            m_workbookPart = workbookPart;
            ReadSharedStrings(rels);
            ReadExternalBooks(workbook.ExternalReferences(), rels);
        }
        m_sink.SetDate1904(workbook.Date1904());
        // A sheet names its part by relationship id; where an id is given twice
        // the last one counts.
        std::unordered_map<std::string_view, const Relationship*> byId;
        for (const auto& rel : rels) {
            if (!rel.external)
                byId[rel.id] = &rel;
        }
        const auto& sheets = workbook.Sheets();
        for (const auto& sheet : sheets) {
            ThrowIfReadCanceled(m_package.FileName());
            ReadSheet(sheet, byId, workbook.Date1904());
        }
        if (!sheets.empty()) {
            const int active = workbook.ActiveTab();
            m_sink.SetActiveSheet(
                active >= 0 && static_cast<std::size_t>(active) < sheets.size() ? active : 0);
        }
        if (m_sheetListOnly)
            return;
        for (const auto& name : workbook.DefinedNames()) {
            const int local =
                name.localSheet >= 0 && static_cast<std::size_t>(name.localSheet) < sheets.size()
                    ? name.localSheet
                    : -1;
            m_sink.AddDefinedName(name.name, NameExternalBooks(name.formula, m_externalBooks),
                                  local, name.hidden);
        }
    }

  private:
    std::size_t RequirePart(const std::string& part, const std::string& what) {
        const auto entry = m_package.FindPart(part);
        if (!entry)
            m_package.Fail(what + " part " + part + " is missing from the archive");
        return *entry;
    }

    void ReadStyles(const std::vector<Relationship>& rels) {
        const Relationship* rel = FindByType(rels, "styles");
        if (!rel)
            return;
        const auto entry = m_package.FindPart(rel->target);
        if (!entry)
            return;  // formatting only: the values are still all there
        StylesContext styles(m_package.FileName(), rel->target);
        styles.Parse(m_package.Zip(), *entry);
        m_sink.SetDefaultFont(styles.NormalFont());
        for (const CellStyle& style : styles.CellStyles())
            m_styles.push_back(m_sink.AddStyle(style));
    }

    void ReadSharedStrings(const std::vector<Relationship>& rels) {
        const Relationship* rel = FindByType(rels, "sharedstrings");
        if (!rel)
            return;
        const std::size_t entry = RequirePart(rel->target, "the shared strings");
        std::string xml;
        const bool scan = SheetParserInUse() == SheetParser::Scanner;
        if (scan && m_package.Zip().Entries()[entry].size > CurrentReadOptions().wholePartLimit) {
            ReadSharedStringsStreamed(entry, rel->target);
            return;
        }
        bool whole = scan;
        if (whole) {
            try {
                xml = m_package.Zip().ReadAll(entry);
            } catch (const std::exception&) {
                whole = false;  // the streaming read reports it as it always has
            }
        }
        if (!whole) {
            SharedStringsContext strings(m_package.FileName(), rel->target);
            strings.Parse(m_package.Zip(), entry);
            m_strings = strings.TakeStrings();
            return;
        }
        // The table is only handed on once complete, so a part the scanner
        // refuses is simply read again through expat.
        {
            SharedStringsContext strings(m_package.FileName(), rel->target);
            try {
                strings.ScanText(xml);
                m_strings = strings.TakeStrings();
                CountScannedPart(false);
                m_sharedRuns = SheetExtrasReader::SharedStringRuns(xml);
                return;
            } catch (const ReadCanceled&) {
                throw;
            } catch (const ReadError&) {
            }
        }
        CountScannedPart(true);
        SharedStringsContext strings(m_package.FileName(), rel->target);
        strings.ParseText(xml);
        m_strings = strings.TakeStrings();
    }

    // A table too big to inflate whole, scanned as it inflates and, should the
    // scanner refuse it, parsed again the same way through expat.
    void ReadSharedStringsStreamed(std::size_t entry, const std::string& part) {
        {
            SharedStringsContext strings(m_package.FileName(), part);
            try {
                strings.ScanStream(m_package.Zip(), entry);
                m_strings = strings.TakeStrings();
                CountScannedPart(false);
                return;
            } catch (const ReadCanceled&) {
                throw;
            } catch (const ReadError&) {
            }
        }
        CountScannedPart(true);
        SharedStringsContext strings(m_package.FileName(), part);
        strings.Parse(m_package.Zip(), entry);
        m_strings = strings.TakeStrings();
    }

    // The workbook each external link names; "" where the link is not to a
    // workbook or cannot be followed, so that its [n] references stay as written.
    void ReadExternalBooks(const std::vector<std::string>& ids,
                           const std::vector<Relationship>& rels) {
        for (const std::string& id : ids) {
            std::string book;
            for (const auto& rel : rels) {
                if (rel.id != id || rel.external || Lower(rel.type) != "externallink")
                    continue;
                bool missing = false;
                try {
                    for (const auto& path : m_package.Relationships(rel.target)) {
                        const std::string type = Lower(path.type);
                        if (path.external &&
                            (type == "externallinkpath" || type == "xlpathmissing")) {
                            book = ExternalBookName(path.target);
                            missing = type == "xlpathmissing";
                        }
                    }
                } catch (const ReadCanceled&) {
                    throw;
                } catch (const ReadError&) {
                    // A damaged link only loses the workbook's name.
                }
                ReadExternalCache(rel.target, book, missing);
            }
            m_externalBooks.push_back(std::move(book));
        }
    }

    // The cells of `book` the link part keeps, and its state, for the model to
    // write again; a damaged part only loses them.
    void ReadExternalCache(const std::string& part, const std::string& book, bool missing) {
        if (book.empty())
            return;
        const auto entry = m_package.FindPart(part);
        if (!entry)
            return;
        try {
            ExternalBook cache =
                ReadExternalLink(m_package.Zip(), *entry, m_package.FileName(), part);
            cache.name = book;
            cache.pathMissing = missing;
            m_sink.AddExternalBook(std::move(cache));
        } catch (const ReadCanceled&) {
            throw;
        } catch (const ReadError&) {
        }
    }

    void ReadSheet(const WorkbookSheetEntry& sheet,
                   const std::unordered_map<std::string_view, const Relationship*>& rels,
                   bool date1904) {
        const auto found = rels.find(sheet.relationshipId);
        const Relationship* rel = found == rels.end() ? nullptr : found->second;
        if (!rel) {
            m_package.Fail("sheet '" + sheet.name + "' refers to relationship " +
                           sheet.relationshipId + ", which the workbook does not have");
        }
        const SheetKind kind = KindOf(*rel);
        const int index = m_sink.AddSheet(sheet.name, kind, sheet.state);
        if (m_sheetListOnly || (kind != SheetKind::Worksheet && kind != SheetKind::Macrosheet))
            return;
        const std::size_t entry = RequirePart(rel->target, "sheet '" + sheet.name + "':");
        ISheetImport& sink = m_sink.Sheet(index);
        if (!m_extras)
            m_extras = std::make_unique<SheetExtrasReader>(m_package, m_workbookPart, m_stylesPart);
        bool extrasRead = false;
        ReadSheetPart(m_package.Zip(), entry, m_package.FileName(), rel->target, sink, m_strings,
                      m_styles, date1904, m_externalBooks, &m_sharedRuns,
                      [&](std::string_view xml) {
                          m_extras->Read(rel->target, xml, sheet.name, sink);
                          extrasRead = true;
                      });
        if (!extrasRead)
            m_extras->Read(rel->target, {}, sheet.name, sink);
    }

    OoxmlPackage& m_package;
    IWorkbookImport& m_sink;
    const bool m_sheetListOnly;
    std::vector<int> m_styles;
    std::vector<Value> m_strings;
    std::vector<std::string> m_externalBooks;
    std::map<std::size_t, RichText> m_sharedRuns;
    std::string m_workbookPart;
    std::string m_stylesPart;
    std::unique_ptr<SheetExtrasReader> m_extras;
};

}  // namespace

void ReadOoxml(const void* data, std::size_t size, const std::string& fileName,
               IWorkbookImport& sink) {
    OoxmlPackage package(data, size, fileName);
    OoxmlReader(package, sink).Read();
}

void ReadOoxmlSheetList(const void* data, std::size_t size, const std::string& fileName,
                        IWorkbookImport& sink) {
    OoxmlPackage package(data, size, fileName);
    OoxmlReader(package, sink, true).Read();
}

}  // namespace tabulon::spreadsheet
