// What the parts of a package hold beside the cells: kept sheet elements and
// the parts they refer to, links, notes, differential formats and persons.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "spreadsheet/annotations.h"
#include "spreadsheet/kept_xml.h"
#include "spreadsheet/sheet_refs.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/worksheet.h"
#include "spreadsheet/xlsx/parts.h"
#include "spreadsheet/xlsx/xml_text.h"
#include "spreadsheet/xlsx/zip_writer.h"
#include "spreadsheet/xml_elements.h"

namespace tabulon::spreadsheet::xlsx {
namespace {

constexpr std::string_view kRelsNs = "http://schemas.openxmlformats.org/package/2006/relationships";

void Attr(std::string& out, std::string_view name, std::string_view value) {
    out += ' ';
    out += name;
    out += "=\"";
    AppendXmlText(out, value);
    out += '"';
}

void AppendRelationship(std::string& out, std::string_view id, std::string_view type,
                        std::string_view target, bool external) {
    out += "<Relationship";
    Attr(out, "Id", id);
    Attr(out, "Type", type);
    Attr(out, "Target", target);
    if (external)
        out += " TargetMode=\"External\"";
    out += "/>";
}

std::string RelsPartName(const std::string& part) {
    const auto slash = part.rfind('/');
    return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

std::string WrapRels(const std::string& relationships) {
    std::string out(kXmlHeader);
    out += "<Relationships xmlns=\"";
    out += kRelsNs;
    out += "\">" + relationships + "</Relationships>";
    return out;
}

// Replaces every dxfId="n" of `text` by dxfId="n + base".
std::string ShiftDxfIds(std::string_view text, int base) {
    std::string out;
    std::size_t i = 0;
    constexpr std::string_view kAttr = "dxfId=\"";
    while (true) {
        const std::size_t at = text.find(kAttr, i);
        if (at == std::string_view::npos)
            break;
        const std::size_t digits = at + kAttr.size();
        std::size_t end = digits;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
            ++end;
        out.append(text.substr(i, digits - i));
        if (end > digits)
            out += std::to_string(std::stoi(std::string(text.substr(digits, end - digits))) + base);
        i = end;
    }
    out.append(text.substr(i));
    return out;
}

// Re-points the formulas of a chart or sparkline group (<c:f>, <xm:f>) read
// from sheet `from` at sheet `to`.
std::string RepointFormulas(std::string_view text, const std::string& from, const std::string& to) {
    if (from.empty() || from == to)
        return std::string(text);
    std::string out;
    std::size_t i = 0;
    while (true) {
        std::size_t open = text.find(":f>", i);
        if (open == std::string_view::npos)
            break;
        // The start tag must be <prefix:f>, not </prefix:f>.
        const std::size_t lt = text.rfind('<', open);
        if (lt == std::string_view::npos || text[lt + 1] == '/' ||
            text.substr(lt + 1, open - lt - 1).find_first_of(" />") != std::string_view::npos) {
            out.append(text.substr(i, open + 3 - i));
            i = open + 3;
            continue;
        }
        const std::size_t start = open + 3;
        const std::size_t close = text.find("</", start);
        if (close == std::string_view::npos)
            break;
        out.append(text.substr(i, start - i));
        std::string formula(text.substr(start, close - start));
        // The text is XML: an apostrophe may be written as &apos;.
        for (std::size_t at; (at = formula.find("&apos;")) != std::string::npos;)
            formula.replace(at, 6, "'");
        std::string moved = RepointSheet(formula, from, to);
        std::string escaped;
        AppendXmlText(escaped, moved);
        out += escaped;
        i = close;
    }
    out.append(text.substr(i));
    return out;
}

}  // namespace

std::string SelectTab(std::string views, bool selected) {
    for (std::string_view mark : {" tabSelected=\"1\"", " tabSelected=\"true\"",
                                  " tabSelected=\"0\"", " tabSelected=\"false\""}) {
        for (std::size_t at; (at = views.find(mark)) != std::string::npos;)
            views.erase(at, mark.size());
    }
    if (!selected)
        return views;
    for (std::size_t at = 0; (at = views.find("sheetView", at)) != std::string::npos; ++at) {
        const std::size_t end = at + 9;
        if (at > 0 && (views[at - 1] == '<' || views[at - 1] == ':') && end < views.size() &&
            (views[end] == ' ' || views[end] == '>' || views[end] == '/')) {
            views.insert(end, " tabSelected=\"1\"");
            break;
        }
    }
    return views;
}

void SheetExtras::Append(std::string& out, std::string_view local) const {
    for (const auto& [name, text] : elements) {
        if (name == local)
            out += text;
    }
}

bool SheetExtras::Has(std::string_view local) const {
    return std::any_of(elements.begin(), elements.end(),
                       [&](const auto& e) { return e.first == local; });
}

void AppendRuns(std::string& out, const std::vector<TextRun>& runs) {
    for (const TextRun& run : runs) {
        out += "<r>";
        if (run.font)
            AppendRunFont(out, *run.font);
        const std::string_view t = run.text;
        const bool keepSpace = !t.empty() && (t.front() == ' ' || t.back() == ' ' ||
                                              t.find_first_of("\t\n\r") != std::string_view::npos ||
                                              t.find("  ") != std::string_view::npos);
        out += keepSpace ? "<t xml:space=\"preserve\">" : "<t>";
        AppendXmlText(out, t);
        out += "</t></r>";
    }
}

std::string PackageExtras::NewName(const std::string& original) {
    const auto slash = original.rfind('/');
    const std::string dir = original.substr(0, slash + 1);
    std::string file = original.substr(slash + 1);
    const auto dot = file.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : file.substr(dot);
    std::string stem = file.substr(0, dot);
    while (!stem.empty() && std::isdigit(static_cast<unsigned char>(stem.back())))
        stem.pop_back();
    if (stem.empty())
        stem = "part";
    std::string name;
    do {
        name = dir + stem + std::to_string(++m_counters[dir + stem + ext]) + ext;
    } while (!m_names.insert(name).second);
    return name;
}

void PackageExtras::AddType(const std::string& name, const std::string& contentType) {
    m_types += "<Override";
    Attr(m_types, "PartName", "/" + name);
    Attr(m_types, "ContentType", contentType);
    m_types += "/>";
}

// A table's id and name must be unique in the workbook: a second copy of a
// table gets the next free id and its name with a number.
std::string PackageExtras::UniqueTable(std::string data) {
    const auto root = xml::FindRoot(data);
    if (root.contentStart == std::string_view::npos && root.attributes.empty())
        return data;
    const std::size_t tagStart = static_cast<std::size_t>(root.attributes.data() - data.data());
    std::string attrs(root.attributes);
    auto replace = [&](std::string_view attr, const std::string& value) {
        const std::string_view old = xml::AttributeText(attrs, attr);
        if (old.empty())
            return;
        const std::size_t at = static_cast<std::size_t>(old.data() - attrs.data());
        attrs.replace(at, old.size(), value);
    };
    replace("id", std::to_string(++m_tableId));
    std::string name(xml::AttributeText(attrs, "displayName"));
    if (name.empty())
        name = std::string(xml::AttributeText(attrs, "name"));
    std::string unique = name;
    for (int n = 2; !m_tableNames.insert(unique).second; ++n)
        unique = name + "_" + std::to_string(n);
    if (unique != name) {
        replace("displayName", unique);
        replace("name", unique);
    }
    data.replace(tagStart, root.attributes.size(), attrs);
    return data;
}

std::string PackageExtras::AddPart(const KeptPart& part, const std::string& fromSheet,
                                   const std::string& toSheet) {
    const std::string name = NewName(part.name);
    std::string data = part.data;
    const std::string& type = part.contentType;
    if (type.find("drawingml.chart+xml") != std::string::npos)
        data = RepointFormulas(data, fromSheet, toSheet);
    else if (type.find("spreadsheetml.table+xml") != std::string::npos)
        data = UniqueTable(std::move(data));
    std::string rels;
    for (const KeptPart& child : part.children) {
        const std::string target =
            child.external ? child.name : "/" + AddPart(child, fromSheet, toSheet);
        AppendRelationship(rels, child.id, child.type, target, child.external);
    }
    if (!rels.empty())
        m_parts.emplace_back(RelsPartName(name), WrapRels(rels));
    AddType(name, type);
    m_parts.emplace_back(name, std::move(data));
    return name;
}

// The comments part and its drawing for the notes of sheet `number`, their
// relationships added to `rels`; the <legacyDrawing> the sheet refers to them by.
std::string PackageExtras::NotesParts(const Worksheet& sheet, std::size_t number,
                                      std::string& rels) {
    const std::vector<Note> notes = sheet.Notes();
    if (notes.empty())
        return {};
    const std::string n = std::to_string(number);
    std::vector<std::string> authors;
    std::string list;
    for (const Note& note : notes) {
        auto author = std::find(authors.begin(), authors.end(), note.author);
        if (author == authors.end())
            author = authors.insert(authors.end(), note.author);
        list += "<comment";
        Attr(list, "ref", FormatCellRef(note.cell));
        Attr(list, "authorId", std::to_string(author - authors.begin()));
        list += "><text>";
        xlsx::AppendRuns(list, note.text);
        list += "</text></comment>";
    }
    std::string comments(kXmlHeader);
    comments += "<comments xmlns=\"";
    comments += kMainNs;
    comments += "\"><authors>";
    for (const auto& a : authors) {
        comments += "<author>";
        AppendXmlText(comments, a);
        comments += "</author>";
    }
    comments += "</authors><commentList>" + list + "</commentList></comments>";

    std::string vml =
        "<xml xmlns:v=\"urn:schemas-microsoft-com:vml\" "
        "xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
        "xmlns:x=\"urn:schemas-microsoft-com:office:excel\">"
        "<o:shapelayout v:ext=\"edit\"><o:idmap v:ext=\"edit\" data=\"" +
        n +
        "\"/></o:shapelayout>"
        "<v:shapetype id=\"_x0000_t202\" coordsize=\"21600,21600\" o:spt=\"202\" "
        "path=\"m,l,21600r21600,l21600,xe\"><v:stroke joinstyle=\"miter\"/>"
        "<v:path gradientshapeok=\"t\" o:connecttype=\"rect\"/></v:shapetype>";
    int shape = 0;
    for (const Note& note : notes) {
        const int row = note.cell.row - 1, col = note.cell.col - 1;
        ++shape;
        vml += "<v:shape id=\"_x0000_s" + std::to_string(number * 1024 + shape) +
               "\" type=\"#_x0000_t202\" style=\"position:absolute;margin-left:59.25pt;"
               "margin-top:1.5pt;width:108pt;height:59.25pt;z-index:" +
               std::to_string(shape) + ";visibility:" + (note.visible ? "visible" : "hidden") +
               "\" fillcolor=\"#ffffe1\" o:insetmode=\"auto\"><v:fill color2=\"#ffffe1\"/>"
               "<v:shadow on=\"t\" color=\"black\" obscured=\"t\"/><v:path o:connecttype=\"none\"/>"
               "<v:textbox style=\"mso-direction-alt:auto\"><div style=\"text-align:left\"></div>"
               "</v:textbox><x:ClientData ObjectType=\"Note\"><x:MoveWithCells/><x:SizeWithCells/>"
               "<x:Anchor>" +
               std::to_string(col + 1) + ", 15, " + std::to_string(std::max(0, row - 1)) +
               ", 10, " + std::to_string(col + 3) + ", 15, " + std::to_string(row + 3) +
               ", 4</x:Anchor><x:AutoFill>False</x:AutoFill><x:Row>" + std::to_string(row) +
               "</x:Row><x:Column>" + std::to_string(col) + "</x:Column>" +
               (note.visible ? "<x:Visible/>" : "") + "</x:ClientData></v:shape>";
    }
    vml += "</xml>";
    const std::string commentsName = "xl/comments" + n + ".xml";
    const std::string vmlName = "xl/drawings/vmlDrawingNotes" + n + ".vml";
    m_names.insert(commentsName);
    m_names.insert(vmlName);
    AddType(commentsName,
            "application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml");
    AddType(vmlName, "application/vnd.openxmlformats-officedocument.vmlDrawing");
    m_parts.emplace_back(commentsName, std::move(comments));
    m_parts.emplace_back(vmlName, std::move(vml));
    const std::string rel = std::string(kRelNs) + "/";
    AppendRelationship(rels, "tabulonNotes", rel + "comments", "/" + commentsName, false);
    AppendRelationship(rels, "tabulonNotesDrawing", rel + "vmlDrawing", "/" + vmlName, false);
    return "<legacyDrawing r:id=\"tabulonNotesDrawing\"/>";
}

SheetExtras PackageExtras::ForSheet(const Worksheet& sheet, std::size_t number) {
    SheetExtras extras;
    std::string rels;
    const auto& kept = sheet.KeptXml();
    if (kept) {
        extras.namespaces = kept->namespaces;
        bool threaded = false;
        std::string validations;  // one element holds them all
        int validationCount = 0;
        bool extensions = false;
        for (const KeptElement& e : kept->elements) {
            std::string out = e.xml;
            if (e.local == "conditionalFormatting" || e.local == "extLst")
                out = ShiftDxfIds(out, DxfBase(e.book.get()));
            if (e.local == "extLst") {
                if (extensions)
                    continue;  // one list per sheet
                extensions = true;
                out = RepointFormulas(out, kept->sourceSheet, sheet.Name());
            }
            if (e.local == "dataValidations") {
                const auto root = xml::FindRoot(out);
                xml::ForEachChild(out, root.contentStart,
                                  [&](std::string_view, std::string_view v) {
                                      validations += v;
                                      ++validationCount;
                                  });
                continue;
            }
            extras.elements.emplace_back(e.local, std::move(out));
        }
        if (validationCount > 0) {
            extras.elements.emplace_back(
                "dataValidations", "<dataValidations count=\"" + std::to_string(validationCount) +
                                       "\">" + validations + "</dataValidations>");
        }
        for (const KeptPart& part : kept->parts) {
            const std::string target =
                part.external ? part.name : "/" + AddPart(part, kept->sourceSheet, sheet.Name());
            AppendRelationship(rels, part.id, part.type, target, part.external);
            threaded |= part.type.ends_with("/threadedComment");
        }
        // Persons of every workbook whose threaded comments are carried, each once.
        if (threaded && kept->book && !kept->book->persons.empty()) {
            const std::string& persons = kept->book->persons;
            const auto root = xml::FindRoot(persons);
            xml::ForEachChild(
                persons, root.contentStart, [&](std::string_view, std::string_view person) {
                    const std::string id(xml::AttributeText(xml::StartTagAttributes(person), "id"));
                    if (m_personIds.insert(id).second)
                        m_persons += person;
                });
            if (m_personsRoot.empty())
                m_personsRoot = "<" + std::string(root.name) + std::string(root.attributes) + ">";
        }
    }
    // Links: those to other files by relationship, those within by location.
    const auto& links = sheet.Hyperlinks();
    if (!links.empty()) {
        std::string list = "<hyperlinks>";
        int n = 0;
        for (const Hyperlink& link : links) {
            list += "<hyperlink";
            Attr(list, "ref", FormatRangeRef(link.range));
            if (!link.target.empty()) {
                const std::string id = "tabulonLink" + std::to_string(++n);
                Attr(list, "r:id", id);
                AppendRelationship(rels, id, std::string(kRelNs) + "/hyperlink", link.target, true);
            }
            if (!link.location.empty())
                Attr(list, "location", link.location);
            if (!link.tooltip.empty())
                Attr(list, "tooltip", link.tooltip);
            if (!link.display.empty())
                Attr(list, "display", link.display);
            list += "/>";
        }
        extras.hyperlinks = list + "</hyperlinks>";
    }
    extras.legacyDrawing = NotesParts(sheet, number, rels);
    if (!rels.empty()) {
        m_parts.emplace_back("xl/worksheets/_rels/sheet" + std::to_string(number) + ".xml.rels",
                             WrapRels(rels));
    }
    return extras;
}

int PackageExtras::DxfBase(const KeptBookXml* book) {
    if (!book || book->dxfs.empty())
        return 0;
    auto [it, added] = m_dxfBase.emplace(book, static_cast<int>(m_dxfs.size()));
    if (added)
        m_dxfs.insert(m_dxfs.end(), book->dxfs.begin(), book->dxfs.end());
    return it->second;
}

std::string PackageExtras::DxfsXml() const {
    std::string out = "<dxfs count=\"" + std::to_string(m_dxfs.size()) + "\"";
    if (m_dxfs.empty())
        return out + "/>";
    out += '>';
    for (const auto& dxf : m_dxfs)
        out += dxf;
    return out + "</dxfs>";
}

std::string PackageExtras::PersonsXml() const {
    if (m_persons.empty())
        return {};
    const std::string start = m_personsRoot + "</x>";
    const auto root = xml::FindRoot(start);
    return std::string(kXmlHeader) + m_personsRoot + m_persons + "</" + std::string(root.name) +
           ">";
}

void PackageExtras::WriteParts(ZipWriter& zip) {
    for (auto& [name, data] : m_parts)
        zip.Add(name, std::move(data));
    m_parts.clear();
}

}  // namespace tabulon::spreadsheet::xlsx
