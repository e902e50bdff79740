// What a paste of everything carries beside cell contents and styles: notes,
// links, text runs, data validation and conditional formats of the cells
// copied, moved with them.
#include <algorithm>
#include <sstream>

#include "spreadsheet/range_copy.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/xml_elements.h"

namespace tabulon::spreadsheet {
namespace {

std::optional<RangeRef> Intersect(const RangeRef& a, const RangeRef& b) {
    const RangeRef r{{std::max(a.first.row, b.first.row), std::max(a.first.col, b.first.col)},
                     {std::min(a.last.row, b.last.row), std::min(a.last.col, b.last.col)}};
    if (r.first.row > r.last.row || r.first.col > r.last.col)
        return std::nullopt;
    return r;
}

RangeRef Moved(const RangeRef& r, int dRows, int dCols) {
    return {{r.first.row + dRows, r.first.col + dCols}, {r.last.row + dRows, r.last.col + dCols}};
}

// An element's attribute `name` given the value `value`.
std::string WithAttribute(std::string element, std::string_view name, const std::string& value) {
    const std::string_view attrs = xml::StartTagAttributes(element);
    const std::string_view old = xml::AttributeText(attrs, name);
    if (old.empty() && attrs.find(std::string(name) + "=") == std::string_view::npos)
        return element;
    const std::size_t at = static_cast<std::size_t>(old.data() - element.data());
    element.replace(at, old.size(), value);
    return element;
}

// The formulas of `element` (<formula>, <formula1>, <formula2>) moved by (dRows, dCols).
std::string MoveFormulas(std::string element, int dRows, int dCols) {
    if (dRows == 0 && dCols == 0)
        return element;
    std::string out;
    std::size_t i = 0;
    for (;;) {
        const std::size_t open = element.find("<formula", i);
        if (open == std::string::npos)
            break;
        const std::size_t start = element.find('>', open);
        if (start == std::string::npos || element[start - 1] == '/')
            break;
        const std::size_t close = element.find("</formula", start);
        if (close == std::string::npos)
            break;
        out.append(element, i, start + 1 - i);
        std::string formula = element.substr(start + 1, close - start - 1);
        // Entities stay as written: references never contain them.
        out += MoveFormulaText(formula, dRows, dCols);
        i = close;
    }
    out.append(element, i, std::string::npos);
    return out;
}

// The part of a validation or a conditional format over `sqref` that lies in
// `source`, moved by (dRows, dCols): the new sqref and the move its formulas
// take (they are written for the top-left cell of the first range).
bool MovedArea(std::string_view sqref, const RangeRef& source, int dRows, int dCols,
               std::string& moved, CellRef& formulaMove) {
    std::istringstream in{std::string(sqref)};
    std::string piece;
    std::optional<CellRef> origin;
    std::optional<CellRef> landed;
    while (in >> piece) {
        const auto range = ParseRangeRef(piece);
        if (!range)
            continue;
        if (!origin)
            origin = range->first;
        if (const auto part = Intersect(*range, source)) {
            const RangeRef to = Moved(*part, dRows, dCols);
            if (!landed)
                landed = to.first;
            moved += (moved.empty() ? "" : " ") + FormatRangeRef(to);
        }
    }
    if (!landed)
        return false;
    formulaMove = {landed->row - origin->row, landed->col - origin->col};
    return true;
}

// The validation and conditional formats of `from` over `source`, as
// elements for the sheet the cells land on.
std::vector<KeptElement> MovedFormats(const KeptSheetXml& kept, const RangeRef& source, int dRows,
                                      int dCols) {
    std::vector<KeptElement> out;
    for (const KeptElement& e : kept.elements) {
        if (e.local == "conditionalFormatting" && e.xml.starts_with("<conditionalFormatting")) {
            std::string sqref;
            CellRef move;
            if (!MovedArea(xml::AttributeText(xml::StartTagAttributes(e.xml), "sqref"), source,
                           dRows, dCols, sqref, move))
                continue;
            out.push_back({e.local,
                           MoveFormulas(WithAttribute(e.xml, "sqref", sqref), move.row, move.col),
                           e.book});
        } else if (e.local == "dataValidations" && e.xml.starts_with("<dataValidations")) {
            std::string list;
            int count = 0;
            const auto root = xml::FindRoot(e.xml);
            xml::ForEachChild(e.xml, root.contentStart, [&](std::string_view, std::string_view v) {
                std::string sqref;
                CellRef move;
                if (!MovedArea(xml::AttributeText(xml::StartTagAttributes(v), "sqref"), source,
                               dRows, dCols, sqref, move))
                    return;
                list +=
                    MoveFormulas(WithAttribute(std::string(v), "sqref", sqref), move.row, move.col);
                ++count;
            });
            if (count > 0) {
                out.push_back({e.local,
                               "<dataValidations count=\"" + std::to_string(count) + "\">" + list +
                                   "</dataValidations>",
                               e.book});
            }
        }
    }
    return out;
}

}  // namespace

void CopyAnnotations(const Worksheet& from, const RangeRef& source, Worksheet& to, int dRows,
                     int dCols) {
    const RangeRef target = Moved(source, dRows, dCols);
    // Read everything first: source and target may be one sheet.
    std::vector<Note> notes;
    for (const Note& n : from.Notes()) {
        if (source.Contains(n.cell)) {
            notes.push_back(n);
            notes.back().cell = {n.cell.row + dRows, n.cell.col + dCols};
        }
    }
    std::vector<Hyperlink> links;
    for (const Hyperlink& l : from.Hyperlinks()) {
        if (const auto part = Intersect(l.range, source)) {
            links.push_back(l);
            links.back().range = Moved(*part, dRows, dCols);
        }
    }
    std::vector<std::pair<CellRef, RichText>> runs;
    for (CellRef c : from.CellsWithRuns()) {
        if (!source.Contains(c))
            continue;
        if (const RichText* r = from.TextRuns(c))
            runs.emplace_back(CellRef{c.row + dRows, c.col + dCols}, *r);
    }
    std::vector<KeptElement> formats;
    if (from.KeptXml())
        formats = MovedFormats(*from.KeptXml(), source, dRows, dCols);

    // A paste replaces the notes and links of the cells it covers.
    for (const Note& n : to.Notes()) {
        if (target.Contains(n.cell))
            to.RemoveNote(n.cell);
    }
    to.RemoveHyperlinks(target);
    for (Note& n : notes)
        to.SetNote(std::move(n));
    for (Hyperlink& l : links)
        to.AddHyperlink(std::move(l));
    for (auto& [cell, r] : runs)
        to.SetTextRuns(cell, std::move(r));
    if (!formats.empty()) {
        auto kept = to.KeptXml() ? std::make_shared<KeptSheetXml>(*to.KeptXml())
                                 : std::make_shared<KeptSheetXml>();
        for (KeptElement& e : formats)
            kept->elements.push_back(std::move(e));
        to.SetKeptXml(std::move(kept));
    }
}

bool HasAnnotations(const Worksheet& sheet) {
    if (!sheet.Hyperlinks().empty() || sheet.HasTextRuns() || sheet.HasNotes())
        return true;
    const auto& kept = sheet.KeptXml();
    return kept &&
           std::any_of(kept->elements.begin(), kept->elements.end(), [](const KeptElement& e) {
               return e.local == "conditionalFormatting" || e.local == "dataValidations";
           });
}

}  // namespace tabulon::spreadsheet
