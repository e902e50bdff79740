#include "spreadsheet/reader/sheet_extras.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <set>

#include "spreadsheet/reader/ooxml_package.h"
#include "spreadsheet/reader/read_control.h"
#include "spreadsheet/reader/read_error.h"
#include "spreadsheet/reader/xml_values.h"
#include "spreadsheet/xml_elements.h"

namespace tabulon::spreadsheet {
namespace {

using xml::AttributeText;
using xml::ForEachChild;
using xml::StartTagAttributes;

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Attribute values and element text as written: line ends as an XML parser
// gives them (a written CR LF or CR is LF; &#13; stays a CR), entities, then the
// _xHHHH_ escapes of spreadsheet text.
std::string Decoded(std::string_view text) {
    std::string lines;
    if (text.find('\r') != std::string_view::npos) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '\r')
                lines += text[i];
            else if (i + 1 >= text.size() || text[i + 1] != '\n')
                lines += '\n';
        }
        text = lines;
    }
    std::string out = xml::DecodeEntities(text);
    xml::DecodeEscapes(out);
    return out;
}

// The value of a relationship id attribute, whatever prefix the file gave it.
std::string_view RelationshipIdText(std::string_view attributes) {
    for (std::string_view prefix : {"r:id", "relationships:id"}) {
        if (const auto v = AttributeText(attributes, prefix); !v.empty())
            return v;
    }
    std::size_t i = 0;
    while ((i = attributes.find(":id", i)) != std::string_view::npos) {
        std::size_t start = i;
        while (start > 0 && attributes[start - 1] != ' ' && attributes[start - 1] != '\t' &&
               attributes[start - 1] != '\n')
            --start;
        if (const auto v = AttributeText(attributes, attributes.substr(start, i + 3 - start));
            !v.empty())
            return v;
        i += 3;
    }
    return {};
}

// The text of an element's content (between its start and end tags).
std::string_view Content(std::string_view element) {
    const auto root = xml::FindRoot(element);
    if (root.contentStart == std::string_view::npos)
        return {};
    const std::size_t end = element.rfind("</");
    return end == std::string_view::npos || end < root.contentStart
               ? std::string_view()
               : element.substr(root.contentStart, end - root.contentStart);
}

Color ColorOf(std::string_view attributes) {
    Color color;
    if (const auto rgb = AttributeText(attributes, "rgb"); rgb.size() == 8 || rgb.size() == 6) {
        const std::string text(rgb);
        char* end = nullptr;
        const unsigned long value = std::strtoul(text.c_str(), &end, 16);
        if (end && *end == '\0') {
            color.kind = Color::Kind::Rgb;
            color.argb = static_cast<std::uint32_t>(value) | (rgb.size() == 6 ? 0xFF000000u : 0u);
        }
    } else if (const auto theme = AttributeText(attributes, "theme"); !theme.empty()) {
        color.kind = Color::Kind::Theme;
        color.index = std::atoi(std::string(theme).c_str());
        color.tint = std::atof(std::string(AttributeText(attributes, "tint")).c_str());
    } else if (const auto indexed = AttributeText(attributes, "indexed"); !indexed.empty()) {
        color.kind = Color::Kind::Indexed;
        color.index = std::atoi(std::string(indexed).c_str());
    } else if (AttributeText(attributes, "auto") == "1") {
        color.kind = Color::Kind::Auto;
    }
    return color;
}

Font RunFont(std::string_view rPr) {
    Font font;
    const auto root = xml::FindRoot(rPr);
    if (root.contentStart == std::string_view::npos)
        return font;
    ForEachChild(rPr, root.contentStart, [&](std::string_view local, std::string_view element) {
        const std::string_view attrs = StartTagAttributes(element);
        const std::string_view val = AttributeText(attrs, "val");
        const bool on = val.empty() || (val != "0" && val != "false");
        if (local == "b")
            font.bold = on;
        else if (local == "i")
            font.italic = on;
        else if (local == "strike")
            font.strike = on;
        else if (local == "u")
            font.underline = val.empty() ? "single" : val == "none" ? "" : std::string(val);
        else if (local == "vertAlign")
            font.vertAlign = val == "baseline" ? "" : std::string(val);
        else if (local == "sz")
            font.size = std::atof(std::string(val).c_str());
        else if (local == "color")
            font.color = ColorOf(attrs);
        else if (local == "rFont" || local == "name")
            font.name = Decoded(val);
        else if (local == "family")
            font.family = std::atoi(std::string(val).c_str());
        else if (local == "scheme")
            font.scheme = val == "none" ? "" : std::string(val);
    });
    return font;
}

// The runs of a string item (<si>, a comment's <text>); plain text gives one
// run without a font. Phonetic runs (<rPh>) are no part of the text.
RichText Runs(std::string_view item, bool& rich) {
    RichText runs;
    rich = false;
    const auto root = xml::FindRoot(item);
    if (root.contentStart == std::string_view::npos)
        return runs;
    ForEachChild(item, root.contentStart, [&](std::string_view local, std::string_view element) {
        if (local == "t") {
            runs.push_back({Decoded(Content(element)), std::nullopt});
        } else if (local == "r") {
            rich = true;
            TextRun run;
            const auto r = xml::FindRoot(element);
            ForEachChild(element, r.contentStart, [&](std::string_view part, std::string_view e) {
                if (part == "rPr")
                    run.font = RunFont(e);
                else if (part == "t")
                    run.text += Decoded(Content(e));
            });
            runs.push_back(std::move(run));
        }
    });
    return runs;
}

// Child elements of a worksheet the model holds itself, or that are written
// from what it holds.
bool Modelled(std::string_view local) {
    return local == "dimension" || local == "sheetFormatPr" || local == "cols" ||
           local == "sheetData" || local == "mergeCells" || local == "autoFilter" ||
           local == "hyperlinks" || local == "legacyDrawing";
}

// Extension entries carried: conditional formats, validation and sparklines,
// which stand on their own. Others (slicers, timelines, web extensions) refer
// to parts of the workbook a single sheet does not carry.
bool CarriedExtension(std::string_view ext) {
    const std::string_view uri = AttributeText(StartTagAttributes(ext), "uri");
    static constexpr std::string_view kCarried[] = {
        "{78C0D931-6437-407d-A8EE-F0AAD7539E65}",  // conditional formats
        "{CCE6A557-97BC-4b89-ADB6-D9C93CAAB3DF}",  // data validations
        "{05C60535-1F16-4fd2-B633-F4F36F0B64E0}",  // sparkline groups
    };
    for (std::string_view carried : kCarried) {
        if (uri.size() == carried.size() &&
            std::equal(uri.begin(), uri.end(), carried.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return true;
    }
    return false;
}

// The extension list with only the carried entries; empty when none is left.
std::string CarriedExtensions(std::string_view extLst) {
    const auto root = xml::FindRoot(extLst);
    if (root.contentStart == std::string_view::npos)
        return {};
    std::string kept;
    ForEachChild(extLst, root.contentStart, [&](std::string_view local, std::string_view ext) {
        if (local == "ext" && CarriedExtension(ext))
            kept += ext;
    });
    if (kept.empty())
        return {};
    return "<" + std::string(root.name) + std::string(root.attributes) + ">" + kept + "</" +
           std::string(root.name) + ">";
}

// The namespace declarations of a root start tag, but the default one and the
// relationship prefix r (every written sheet declares those), and its
// mc:Ignorable.
std::string Declarations(std::string_view attributes) {
    std::string out;
    std::size_t i = 0;
    while (i < attributes.size()) {
        while (i < attributes.size() && std::isspace(static_cast<unsigned char>(attributes[i])))
            ++i;
        const std::size_t nameStart = i;
        while (i < attributes.size() && attributes[i] != '=' &&
               !std::isspace(static_cast<unsigned char>(attributes[i])))
            ++i;
        const std::string_view name = attributes.substr(nameStart, i - nameStart);
        while (i < attributes.size() && attributes[i] != '"' && attributes[i] != '\'')
            ++i;
        if (i >= attributes.size())
            break;
        const std::size_t end = attributes.find(attributes[i], i + 1);
        if (end == std::string_view::npos)
            break;
        const std::string_view whole = attributes.substr(nameStart, end + 1 - nameStart);
        if ((name.starts_with("xmlns:") && name != "xmlns:r") || name.ends_with(":Ignorable"))
            out += " " + std::string(whole);
        i = end + 1;
    }
    return out;
}

}  // namespace

SheetExtrasReader::SheetExtrasReader(OoxmlPackage& package, std::string workbookPart,
                                     std::string stylesPart)
    : m_package(package),
      m_workbookPart(std::move(workbookPart)),
      m_stylesPart(std::move(stylesPart)) {}

std::string SheetExtrasReader::PartText(const std::string& part) {
    const auto entry = m_package.FindPart(part);
    if (!entry)
        return {};
    return m_package.ReadPart(*entry);
}

std::vector<SheetExtrasReader::Rel> SheetExtrasReader::Relationships(const std::string& part) {
    std::vector<Rel> rels;
    const auto slash = part.rfind('/');
    const std::string relsPart =
        (slash == std::string::npos ? std::string() : part.substr(0, slash + 1)) + "_rels/" +
        part.substr(slash == std::string::npos ? 0 : slash + 1) + ".rels";
    const std::string text = PartText(relsPart);
    const auto root = xml::FindRoot(text);
    if (root.contentStart == std::string_view::npos)
        return rels;
    ForEachChild(text, root.contentStart, [&](std::string_view local, std::string_view element) {
        if (local != "Relationship")
            return;
        const std::string_view attrs = StartTagAttributes(element);
        Rel rel;
        rel.id = Decoded(AttributeText(attrs, "Id"));
        rel.type = Decoded(AttributeText(attrs, "Type"));
        rel.external = AttributeText(attrs, "TargetMode") == "External";
        const std::string target = Decoded(AttributeText(attrs, "Target"));
        rel.target = rel.external ? target : OoxmlPackage::ResolveTarget(part, target);
        rels.push_back(std::move(rel));
    });
    return rels;
}

std::string SheetExtrasReader::ContentType(const std::string& part) {
    if (!m_typesRead) {
        m_typesRead = true;
        const std::string text = PartText("[Content_Types].xml");
        const auto root = xml::FindRoot(text);
        if (root.contentStart != std::string_view::npos) {
            ForEachChild(text, root.contentStart, [&](std::string_view local, std::string_view e) {
                const std::string_view attrs = StartTagAttributes(e);
                const std::string type = Decoded(AttributeText(attrs, "ContentType"));
                if (local == "Override") {
                    std::string name = Lower(Decoded(AttributeText(attrs, "PartName")));
                    if (!name.empty() && name.front() == '/')
                        name.erase(0, 1);
                    m_overrides[name] = type;
                } else if (local == "Default") {
                    m_defaults[Lower(Decoded(AttributeText(attrs, "Extension")))] = type;
                }
            });
        }
    }
    const std::string key = Lower(part);
    if (const auto it = m_overrides.find(key); it != m_overrides.end())
        return it->second;
    const auto dot = key.rfind('.');
    if (dot != std::string::npos) {
        if (const auto it = m_defaults.find(key.substr(dot + 1)); it != m_defaults.end())
            return it->second;
    }
    return "application/octet-stream";
}

void SheetExtrasReader::KeepPart(const Rel& rel, int depth, KeptPart& out) {
    out.id = rel.id;
    out.type = rel.type;
    out.name = rel.target;
    out.external = rel.external;
    if (rel.external)
        return;
    out.contentType = ContentType(rel.target);
    out.data = PartText(rel.target);
    // Parts refer to few others and never far: a drawing to its charts, a
    // chart to its style and embedded data.
    if (depth >= 4)
        return;
    for (const Rel& child : Relationships(rel.target)) {
        if (!child.external && !m_package.FindPart(child.target))
            continue;
        out.children.emplace_back();
        KeepPart(child, depth + 1, out.children.back());
    }
}

std::vector<Note> SheetExtrasReader::Notes(const std::string& part) {
    std::vector<Note> notes;
    const std::string text = PartText(part);
    const auto root = xml::FindRoot(text);
    if (root.contentStart == std::string_view::npos)
        return notes;
    std::vector<std::string> authors;
    ForEachChild(text, root.contentStart, [&](std::string_view local, std::string_view element) {
        const auto inner = xml::FindRoot(element);
        if (inner.contentStart == std::string_view::npos)
            return;
        if (local == "authors") {
            ForEachChild(element, inner.contentStart, [&](std::string_view, std::string_view a) {
                authors.push_back(Decoded(Content(a)));
            });
        } else if (local == "commentList") {
            ForEachChild(element, inner.contentStart, [&](std::string_view, std::string_view c) {
                const std::string_view attrs = StartTagAttributes(c);
                const auto cell = ParseCellRef(Decoded(AttributeText(attrs, "ref")));
                if (!cell)
                    return;
                Note note;
                note.cell = *cell;
                const auto author = static_cast<std::size_t>(
                    std::atoi(std::string(AttributeText(attrs, "authorId")).c_str()));
                if (author < authors.size())
                    note.author = authors[author];
                const auto body = xml::FindRoot(c);
                ForEachChild(c, body.contentStart, [&](std::string_view name, std::string_view t) {
                    bool rich = false;
                    if (name == "text")
                        note.text = Runs(t, rich);
                });
                notes.push_back(std::move(note));
            });
        }
    });
    return notes;
}

std::shared_ptr<const KeptBookXml> SheetExtrasReader::Book() {
    if (m_book)
        return m_book;
    auto book = std::make_shared<KeptBookXml>();
    if (!m_stylesPart.empty()) {
        const std::string text = PartText(m_stylesPart);
        const auto root = xml::FindRoot(text);
        const std::size_t colon = root.name.find(':');
        const std::string prefix = colon == std::string_view::npos
                                       ? std::string()
                                       : std::string(root.name.substr(0, colon + 1));
        if (root.contentStart != std::string_view::npos) {
            ForEachChild(text, root.contentStart, [&](std::string_view local, std::string_view e) {
                if (local != "dxfs")
                    return;
                const auto dxfs = xml::FindRoot(e);
                if (dxfs.contentStart == std::string_view::npos)
                    return;
                ForEachChild(e, dxfs.contentStart, [&](std::string_view, std::string_view dxf) {
                    std::string plain(dxf);
                    // Written under the default namespace: drop the prefix.
                    if (!prefix.empty()) {
                        for (const std::string& from : {"<" + prefix, "</" + prefix}) {
                            const std::string to = from.substr(0, from.size() - prefix.size());
                            for (std::size_t at = 0;
                                 (at = plain.find(from, at)) != std::string::npos;)
                                plain.replace(at, from.size(), to);
                        }
                    }
                    book->dxfs.push_back(std::move(plain));
                });
            });
        }
    }
    for (const Rel& rel : Relationships(m_workbookPart)) {
        if (!rel.external && Lower(rel.type).ends_with("/person"))
            book->persons = PartText(rel.target);
    }
    m_book = book;
    return m_book;
}

void SheetExtrasReader::Read(const std::string& sheetPart, std::string_view xml,
                             const std::string& sheetName, ISheetImport& sink) {
    try {
        const std::vector<Rel> rels = Relationships(sheetPart);
        for (const Rel& rel : rels) {
            if (!rel.external && Lower(rel.type).ends_with("/comments")) {
                for (const Note& note : Notes(rel.target))
                    sink.AddNote(note);
            }
        }
        const auto root = xml::FindRoot(xml);
        if (root.contentStart == std::string_view::npos)
            return;
        auto kept = std::make_shared<KeptSheetXml>();
        kept->namespaces = Declarations(root.attributes);
        kept->sourceSheet = sheetName;
        std::string referring;  // the kept elements, searched for relationship ids
        ForEachChild(
            xml, root.contentStart,
            [&](std::string_view local, std::string_view element) {
                if (local == "hyperlinks") {
                    const auto list = xml::FindRoot(element);
                    ForEachChild(
                        element, list.contentStart, [&](std::string_view, std::string_view link) {
                            const std::string_view attrs = StartTagAttributes(link);
                            const auto range = ParseRangeRef(Decoded(AttributeText(attrs, "ref")));
                            if (!range)
                                return;
                            Hyperlink h;
                            h.range = *range;
                            h.location = Decoded(AttributeText(attrs, "location"));
                            h.tooltip = Decoded(AttributeText(attrs, "tooltip"));
                            h.display = Decoded(AttributeText(attrs, "display"));
                            const std::string_view id = RelationshipIdText(attrs);
                            for (const Rel& rel : rels) {
                                if (!id.empty() && rel.id == id)
                                    h.target = rel.target;
                            }
                            sink.AddHyperlink(h);
                        });
                    return;
                }
                if (Modelled(local))
                    return;
                std::string text =
                    local == "extLst" ? CarriedExtensions(element) : std::string(element);
                if (text.empty())
                    return;
                referring += text;
                kept->elements.push_back({std::string(local), std::move(text), nullptr});
            },
            "sheetData");
        for (const Rel& rel : rels) {
            const std::string type = Lower(rel.type);
            if (type.ends_with("/pivottable")) {
                ++kept->pivotTables;
                continue;
            }
            const bool threaded = type.ends_with("/threadedcomment");
            const bool referred = referring.find("\"" + rel.id + "\"") != std::string::npos ||
                                  referring.find("'" + rel.id + "'") != std::string::npos;
            if ((!threaded && !referred) || (!rel.external && !m_package.FindPart(rel.target)))
                continue;
            kept->parts.emplace_back();
            KeepPart(rel, 0, kept->parts.back());
        }
        kept->book = Book();
        for (KeptElement& e : kept->elements)
            e.book = kept->book;
        sink.KeepXml(std::move(kept));
    } catch (const ReadCanceled&) {
        throw;
    } catch (const std::exception&) {
        // What a sheet holds beyond its cells is carried where it can be.
    }
}

std::map<std::size_t, RichText> SheetExtrasReader::SharedStringRuns(std::string_view xml) {
    std::map<std::size_t, RichText> runs;
    // Most tables have no runs at all: one quick look tells.
    auto has = [&](std::string_view what) {
        return ::memmem(xml.data(), xml.size(), what.data(), what.size()) != nullptr;
    };
    if (!has("</r>") && !has(":r>"))
        return runs;
    const auto root = xml::FindRoot(xml);
    if (root.contentStart == std::string_view::npos)
        return runs;
    std::size_t index = 0;
    ForEachChild(xml, root.contentStart, [&](std::string_view local, std::string_view item) {
        if (local != "si")
            return;
        if (item.find(":r>") != std::string_view::npos ||
            item.find("<r>") != std::string_view::npos ||
            item.find("<r ") != std::string_view::npos) {
            bool rich = false;
            RichText text = Runs(item, rich);
            if (rich)
                runs.emplace(index, std::move(text));
        }
        ++index;
    });
    return runs;
}

}  // namespace tabulon::spreadsheet
