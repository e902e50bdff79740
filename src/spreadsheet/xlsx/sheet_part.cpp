// xl/worksheets/sheetN.xml and the shared strings part.
#include <charconv>
#include <map>

#include "spreadsheet/string_pool.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/worksheet.h"
#include "spreadsheet/xlsx/parts.h"
#include "spreadsheet/xlsx/xml_text.h"
#include "spreadsheet/xlsx/zip_writer.h"

namespace tabulon::spreadsheet::xlsx {

namespace {

void AppendInt(std::string& out, long long v) {
    char buf[24];
    const auto result = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, result.ptr);
}

void AppendRange(std::string& out, const RangeRef& r) {
    AppendCellRef(out, r.first.row, r.first.col);
    if (r.first == r.last)
        return;
    out += ':';
    AppendCellRef(out, r.last.row, r.last.col);
}

void AppendCell(std::string& out, const CellView& c, SharedStrings& strings, const StringPool* pool,
                const ExternalLinks& links,
                const std::map<std::pair<int, int>, const ArrayFormula*>& arrays,
                const Worksheet* runs) {
    out += "<c r=\"";
    AppendCellRef(out, c.ref.row, c.ref.col);
    out += '"';
    if (c.style != 0) {
        out += " s=\"";
        AppendInt(out, c.style);
        out += '"';
    }
    const bool formula = c.kind == CellKind::Formula;
    switch (c.valueKind) {
        case ValueKind::Empty:
        case ValueKind::Number:
            break;
        case ValueKind::Text:
            out += formula ? " t=\"str\"" : " t=\"s\"";
            break;
        case ValueKind::Boolean:
            out += " t=\"b\"";
            break;
        case ValueKind::Error:
            out += " t=\"e\"";
            break;
    }
    if (!formula && c.valueKind == ValueKind::Empty) {
        out += "/>";
        return;
    }
    out += '>';
    if (formula) {
        const auto array = arrays.empty() ? arrays.end() : arrays.find({c.ref.row, c.ref.col});
        if (array != arrays.end()) {
            out += "<f t=\"array\" ref=\"";
            AppendRange(out, array->second->range);
            out += "\">";
        } else {
            out += "<f>";
        }
        if (links.MayRewrite(c.formula)) {
            AppendXmlText(out, links.Stored(c.formula));
        } else {
            AppendXmlText(out, c.formula);
        }
        out += "</f>";
    }
    switch (c.valueKind) {
        case ValueKind::Empty:
            break;
        case ValueKind::Number:
            out += "<v>";
            AppendNumber(out, c.number);
            out += "</v>";
            break;
        case ValueKind::Text:
            out += "<v>";
            if (formula) {
                AppendXmlText(out, c.text);
            } else if (const RichText* rich = runs ? runs->TextRuns(c.ref) : nullptr) {
                AppendInt(out, strings.Index(*rich));
            } else {
                AppendInt(out, strings.Index(pool, c.textId, c.text));
            }
            out += "</v>";
            break;
        case ValueKind::Boolean:
            out += c.number != 0 ? "<v>1</v>" : "<v>0</v>";
            break;
        case ValueKind::Error:
            out += "<v>";
            out += ErrorText(c.error);
            out += "</v>";
            break;
    }
    out += "</c>";
}

}  // namespace

PartWriter::PartWriter(ZipWriter& zip, std::string name, std::size_t pieceBytes)
    : m_zip(zip), m_name(std::move(name)), m_pieceBytes(pieceBytes) {}

void PartWriter::Pass() {
    if (!m_streaming) {
        m_zip.BeginPart(m_name);
        m_streaming = true;
    }
    std::string next = m_zip.SpareBuffer();
    // Room for a piece and the element that overruns it, so the text never moves.
    next.reserve(m_pieceBytes + m_pieceBytes / 4);
    std::swap(next, m_out);
    m_zip.AppendToPart(std::move(next));
}

void PartWriter::Close() {
    if (!m_streaming) {
        m_zip.Add(m_name, std::move(m_out));
        return;
    }
    m_zip.AppendToPart(std::move(m_out));
    m_zip.EndPart();
}

SharedStrings::SharedStrings(const StringPool* pool) : m_pool(pool) {
    if (m_pool)
        m_byId.resize(m_pool->Size());
}

int SharedStrings::Index(std::string_view text) {
    ++m_uses;
    // The map by text is built only once a text from outside the pool comes.
    if (m_index.empty()) {
        for (std::size_t i = 0; i < m_texts.size(); ++i)
            m_index.emplace(m_texts[i], static_cast<int>(i));
    }
    auto [it, added] = m_index.emplace(text, static_cast<int>(m_texts.size()));
    if (added)
        m_texts.push_back(text);
    return it->second;
}

int SharedStrings::Index(const std::vector<TextRun>& runs) {
    ++m_uses;
    std::string xml;
    AppendRuns(xml, runs);
    const auto [it, added] = m_richIndex.emplace(xml, static_cast<int>(m_texts.size()));
    if (added) {
        // A place of its own in the table; its plain text is never looked up.
        m_texts.emplace_back();
        m_rich.emplace(it->second, std::move(xml));
    }
    return it->second;
}

int SharedStrings::Index(const StringPool* pool, std::uint32_t id, std::string_view text) {
    if (pool != m_pool || pool == nullptr)
        return Index(text);
    if (id >= m_byId.size())
        m_byId.resize(pool->Size() > id ? pool->Size() : id + 1);
    int& slot = m_byId[id];
    if (slot != 0) {
        ++m_uses;
        return slot - 1;
    }
    int index;
    if (m_index.empty()) {
        // A pool holds each text once, so a new id is a new text.
        ++m_uses;
        index = static_cast<int>(m_texts.size());
        m_texts.push_back(text);
    } else {
        index = Index(text);
    }
    slot = index + 1;
    return index;
}

void SharedStrings::Write(PartWriter& part) const {
    std::string& out = part.Out();
    out += kXmlHeader;
    out += "<sst xmlns=\"";
    out += kMainNs;
    out += "\" count=\"" + std::to_string(m_uses) + "\" uniqueCount=\"" +
           std::to_string(m_texts.size()) + "\">";
    for (std::size_t i = 0; i < m_texts.size(); ++i) {
        if (const auto rich = m_rich.empty() ? m_rich.end() : m_rich.find(static_cast<int>(i));
            rich != m_rich.end()) {
            out += "<si>" + rich->second + "</si>";
            part.Boundary();
            continue;
        }
        const std::string_view t = m_texts[i];
        const bool keepSpace = !t.empty() && (t.front() == ' ' || t.back() == ' ' ||
                                              t.find_first_of("\t\n\r") != std::string_view::npos ||
                                              t.find("  ") != std::string_view::npos);
        out += keepSpace ? "<si><t xml:space=\"preserve\">" : "<si><t>";
        AppendXmlText(out, t);
        out += "</t></si>";
        part.Boundary();
    }
    out += "</sst>";
    part.Close();
}

void WriteSheetXml(const Worksheet& sheet, bool selected, SharedStrings& strings,
                   const ExternalLinks& links, const SheetExtras& extras, PartWriter& part) {
    std::string& out = part.Out();
    const StringPool* pool = &sheet.Owner().Strings();
    out += kXmlHeader;
    out += "<worksheet xmlns=\"";
    out += kMainNs;
    out += "\" xmlns:r=\"";
    out += kRelNs;
    out += '"';
    out += extras.namespaces;
    out += '>';
    extras.Append(out, "sheetPr");
    const auto used = sheet.UsedExtent(true);
    out += "<dimension ref=\"";
    AppendRange(out, used ? *used : RangeRef{});
    out += "\"/>";
    if (extras.Has("sheetViews")) {
        std::string views;
        extras.Append(views, "sheetViews");
        out += SelectTab(std::move(views), selected);
    } else {
        out += "<sheetViews><sheetView";
        if (selected)
            out += " tabSelected=\"1\"";
        out += " workbookViewId=\"0\"/></sheetViews>";
    }
    out += "<sheetFormatPr";
    if (sheet.DefaultColumnWidth() >= 0) {
        out += " defaultColWidth=\"";
        AppendNumber(out, sheet.DefaultColumnWidth());
        out += '"';
    }
    out += " defaultRowHeight=\"";
    AppendNumber(out,
                 sheet.DefaultRowHeight() >= 0 ? sheet.DefaultRowHeight() : kStandardRowHeight);
    out += '"';
    if (sheet.BaseColumnWidth() >= 0) {
        out += " baseColWidth=\"";
        AppendInt(out, sheet.BaseColumnWidth());
        out += '"';
    }
    out += "/>";

    const auto spans = sheet.ColumnSpans();
    if (!spans.empty()) {
        out += "<cols>";
        for (const auto& s : spans) {
            out += "<col min=\"";
            AppendInt(out, s.first);
            out += "\" max=\"";
            AppendInt(out, s.last);
            out += '"';
            // A column without its own width (only hidden or styled) keeps the default.
            if (s.info.width >= 0) {
                out += " width=\"";
                AppendNumber(out, s.info.width);
                out += '"';
            }
            if (s.info.style != 0) {
                out += " style=\"";
                AppendInt(out, s.info.style);
                out += '"';
            }
            if (s.info.hidden)
                out += " hidden=\"1\"";
            if (s.info.customWidth)
                out += " customWidth=\"1\"";
            out += "/>";
        }
        out += "</cols>";
    }

    std::map<std::pair<int, int>, const ArrayFormula*> arrays;
    for (const auto& a : sheet.ArrayFormulas())
        arrays[{a.range.first.row, a.range.first.col}] = &a;

    // Runs are looked for only on sheets that have some.
    const Worksheet* runs = sheet.HasTextRuns() ? &sheet : nullptr;
    out += "<sheetData>";
    sheet.ForEachRow([&](int row, const RowInfoView& props, const std::vector<CellView>& cells) {
        out += "<row r=\"";
        AppendInt(out, row);
        out += '"';
        if (props.style != 0) {
            out += " s=\"";
            AppendInt(out, props.style);
            out += "\" customFormat=\"1\"";
        }
        if (props.height >= 0) {
            out += " ht=\"";
            AppendNumber(out, props.height);
            out += '"';
        }
        if (props.hidden)
            out += " hidden=\"1\"";
        if (props.customHeight)
            out += " customHeight=\"1\"";
        if (cells.empty()) {
            out += "/>";
            return;
        }
        out += '>';
        for (const CellView& c : cells)
            AppendCell(out, c, strings, pool, links, arrays, runs);
        out += "</row>";
        part.Boundary();
    });
    out += "</sheetData>";
    for (std::string_view local :
         {"sheetCalcPr", "sheetProtection", "protectedRanges", "scenarios"})
        extras.Append(out, local);
    if (const auto filter = sheet.AutoFilter()) {
        out += "<autoFilter ref=\"";
        AppendRange(out, *filter);
        out += "\"/>";
    }
    for (std::string_view local : {"sortState", "dataConsolidate", "customSheetViews"})
        extras.Append(out, local);
    if (!sheet.Merges().empty()) {
        out += "<mergeCells count=\"";
        AppendInt(out, static_cast<long long>(sheet.Merges().size()));
        out += "\">";
        for (const auto& m : sheet.Merges()) {
            out += "<mergeCell ref=\"";
            AppendRange(out, m);
            out += "\"/>";
        }
        out += "</mergeCells>";
    }
    for (std::string_view local : {"phoneticPr", "conditionalFormatting", "dataValidations"})
        extras.Append(out, local);
    out += extras.hyperlinks;
    extras.Append(out, "printOptions");
    if (extras.Has("pageMargins")) {
        extras.Append(out, "pageMargins");
    } else if (!sheet.KeptXml()) {
        // A new sheet states the default margins; one read from a file that gave none
        // stays without, as it was.
        out +=
            "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" "
            "header=\"0.3\" footer=\"0.3\"/>";
    }
    for (std::string_view local :
         {"pageSetup", "headerFooter", "rowBreaks", "colBreaks", "customProperties", "cellWatches",
          "ignoredErrors", "smartTags", "drawing"})
        extras.Append(out, local);
    out += extras.legacyDrawing;
    for (std::string_view local : {"legacyDrawingHF", "drawingHF", "picture", "oleObjects",
                                   "controls", "webPublishItems", "tableParts", "extLst"})
        extras.Append(out, local);
    out += "</worksheet>";
    part.Close();
}

}  // namespace tabulon::spreadsheet::xlsx
