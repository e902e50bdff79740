// xl/worksheets/sheetN.xml and the shared strings part.
#include <map>

#include "spreadsheet/worksheet.h"
#include "spreadsheet/xlsx/parts.h"
#include "spreadsheet/xlsx/xml_text.h"

namespace tabulon::spreadsheet::xlsx {

namespace {

void AppendInt(std::string& out, long long v) {
    out += std::to_string(v);
}

void AppendRange(std::string& out, const RangeRef& r) {
    AppendCellRef(out, r.first.row, r.first.col);
    if (r.first == r.last)
        return;
    out += ':';
    AppendCellRef(out, r.last.row, r.last.col);
}

void AppendCell(std::string& out, const CellView& c, SharedStrings& strings,
                const ExternalLinks& links,
                const std::map<std::pair<int, int>, const ArrayFormula*>& arrays) {
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
        const auto array = arrays.find({c.ref.row, c.ref.col});
        if (array != arrays.end()) {
            out += "<f t=\"array\" ref=\"";
            AppendRange(out, array->second->range);
            out += "\">";
        } else {
            out += "<f>";
        }
        AppendXmlText(out, links.Stored(c.formula));
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
            } else {
                AppendInt(out, strings.Index(c.text));
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

int SharedStrings::Index(std::string_view text) {
    ++m_uses;
    auto [it, added] = m_index.emplace(text, static_cast<int>(m_texts.size()));
    if (added)
        m_texts.push_back(text);
    return it->second;
}

std::string SharedStrings::Xml() const {
    std::string out(kXmlHeader);
    out += "<sst xmlns=\"";
    out += kMainNs;
    out += "\" count=\"" + std::to_string(m_uses) + "\" uniqueCount=\"" +
           std::to_string(m_texts.size()) + "\">";
    for (std::string_view t : m_texts) {
        const bool keepSpace = !t.empty() && (t.front() == ' ' || t.back() == ' ' ||
                                              t.find_first_of("\t\n\r") != std::string_view::npos ||
                                              t.find("  ") != std::string_view::npos);
        out += keepSpace ? "<si><t xml:space=\"preserve\">" : "<si><t>";
        AppendXmlText(out, t);
        out += "</t></si>";
    }
    out += "</sst>";
    return out;
}

std::string SheetXml(const Worksheet& sheet, bool selected, SharedStrings& strings,
                     const ExternalLinks& links) {
    std::string out(kXmlHeader);
    out += "<worksheet xmlns=\"";
    out += kMainNs;
    out += "\" xmlns:r=\"";
    out += kRelNs;
    out += "\">";
    const auto used = sheet.UsedExtent(true);
    out += "<dimension ref=\"";
    AppendRange(out, used ? *used : RangeRef{});
    out += "\"/><sheetViews><sheetView";
    if (selected)
        out += " tabSelected=\"1\"";
    out += " workbookViewId=\"0\"/></sheetViews><sheetFormatPr";
    if (sheet.DefaultColumnWidth() >= 0) {
        out += " defaultColWidth=\"";
        AppendNumber(out, sheet.DefaultColumnWidth());
        out += '"';
    }
    out += " defaultRowHeight=\"";
    AppendNumber(out,
                 sheet.DefaultRowHeight() >= 0 ? sheet.DefaultRowHeight() : kStandardRowHeight);
    out += "\"/>";

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
            AppendCell(out, c, strings, links, arrays);
        out += "</row>";
    });
    out += "</sheetData>";
    if (const auto filter = sheet.AutoFilter()) {
        out += "<autoFilter ref=\"";
        AppendRange(out, *filter);
        out += "\"/>";
    }
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
    out +=
        "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
        "footer=\"0.3\"/></worksheet>";
    return out;
}

}  // namespace tabulon::spreadsheet::xlsx
