// The external link parts: which other workbooks formulas refer to, and the
// formulas as a file stores them ([1]Sheet!A1 instead of '[src.xlsx]Sheet'!A1).
#include <algorithm>

#include "spreadsheet/external_books.h"
#include "spreadsheet/formula/mover.h"
#include "spreadsheet/formula/printer.h"
#include "spreadsheet/xlsx/parts.h"
#include "spreadsheet/xlsx/xml_text.h"

namespace tabulon::spreadsheet::xlsx {

namespace {

bool AllDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return c >= '0' && c <= '9'; });
}

// A book the model names by file; "[1]" (a link number with no name) is kept as
// it is, there being nothing to link it to.
bool NamedBook(const formula::SheetPrefix& prefix) {
    return prefix.present && prefix.hasBook && !AllDigits(prefix.book);
}

// The relationship target for a book: a name stays relative to the written file,
// an absolute path becomes a file URL. Characters a URI cannot hold are escaped.
std::string LinkTarget(std::string_view book) {
    std::string out = book.starts_with('/') ? "file://" : "";
    constexpr char kHex[] = "0123456789ABCDEF";
    for (const unsigned char c : book) {
        if (c <= ' ' || c == '%' || c == '#' || c == '"' || c >= 0x7f) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

void ExternalLinks::Collect(std::string_view text) {
    if (!ExternalLinks::MayLink(text))
        return;
    try {
        formula::RewriteSheets(text, [&](formula::SheetPrefix& prefix) {
            if (!NamedBook(prefix))
                return;
            Book& book = m_books[Number(prefix.book) - 1];
            for (const std::string* sheet : {&prefix.sheet, &prefix.sheetLast}) {
                if (!sheet->empty() &&
                    std::find(book.sheets.begin(), book.sheets.end(), *sheet) == book.sheets.end())
                    book.sheets.push_back(*sheet);
            }
        });
    } catch (const std::exception&) {
        // A formula the lexer cannot read is written as it is.
    }
}

std::size_t ExternalLinks::Number(const std::string& book) {
    const auto it =
        std::find_if(m_books.begin(), m_books.end(), [&](const Book& b) { return b.name == book; });
    if (it != m_books.end())
        return static_cast<std::size_t>(it - m_books.begin()) + 1;
    m_books.push_back({book, {}});
    return m_books.size();
}

bool ExternalLinks::MayRewrite(std::string_view text) const {
    return !m_books.empty() && ExternalLinks::MayLink(text);
}

std::string ExternalLinks::Stored(std::string_view text) const {
    if (m_books.empty() || !ExternalLinks::MayLink(text))
        return std::string(text);
    try {
        return formula::RewriteSheets(text, [&](formula::SheetPrefix& prefix) {
            if (!NamedBook(prefix))
                return;
            const auto it = std::find_if(m_books.begin(), m_books.end(),
                                         [&](const Book& b) { return b.name == prefix.book; });
            if (it == m_books.end())
                return;
            prefix.book = std::to_string(it - m_books.begin() + 1);
            prefix.quoted = false;  // the printer quotes the sheet names that need it
        });
    } catch (const std::exception&) {
        return std::string(text);
    }
}

const ExternalBook* ExternalLinks::Known(std::size_t index) const {
    for (const ExternalBook& book : m_known) {
        if (book.name == m_books[index].name)
            return &book;
    }
    return nullptr;
}

namespace {

void AppendCachedCell(std::string& out, CellRef at, const Value& value) {
    out += "<cell r=\"";
    out += ColumnLetters(at.col);
    out += std::to_string(at.row);
    switch (value.Kind()) {
        case ValueKind::Number:
            out += "\"><v>";
            AppendNumber(out, value.AsNumber());
            break;
        case ValueKind::Boolean:
            out += value.AsBoolean() ? "\" t=\"b\"><v>1" : "\" t=\"b\"><v>0";
            break;
        case ValueKind::Error:
            out += "\" t=\"e\"><v>";
            out += ErrorText(value.AsError());
            break;
        default:
            out += "\" t=\"str\"><v>";
            AppendXmlText(out, value.AsText());
            break;
    }
    out += "</v></cell>";
}

}  // namespace

// The sheets formulas name first, in the order met, then the others the
// workbook knows of; each with the cells last seen of it, so that the formulas
// show their values while the book is absent.
std::string ExternalLinks::LinkXml(std::size_t index) const {
    const ExternalBook* known = Known(index);
    std::vector<std::string> sheets = m_books[index].sheets;
    if (known) {
        for (const ExternalSheet& s : known->sheets) {
            if (std::find(sheets.begin(), sheets.end(), s.name) == sheets.end() &&
                std::none_of(sheets.begin(), sheets.end(),
                             [&](const std::string& n) { return known->FindSheet(n) == &s; }))
                sheets.push_back(s.name);
        }
    }
    std::string out(kXmlHeader);
    out += "<externalLink xmlns=\"";
    out += kMainNs;
    out += "\"><externalBook xmlns:r=\"";
    out += kRelNs;
    out += "\" r:id=\"rId1\"><sheetNames>";
    for (const std::string& sheet : sheets) {
        out += "<sheetName val=\"";
        AppendXmlText(out, sheet);
        out += "\"/>";
    }
    out += "</sheetNames>";
    if (known && !known->sheets.empty()) {
        out += "<sheetDataSet>";
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            const ExternalSheet* cache = known->FindSheet(sheets[i]);
            out += "<sheetData sheetId=\"" + std::to_string(i) + "\"";
            if (cache && cache->refreshError)
                out += " refreshError=\"1\"";
            if (!cache || cache->cells.empty()) {
                out += "/>";
                continue;
            }
            out += ">";
            int row = 0;
            for (const auto& [at, value] : cache->cells) {
                if (at.row != row) {
                    if (row != 0)
                        out += "</row>";
                    row = at.row;
                    out += "<row r=\"" + std::to_string(row) + "\">";
                }
                AppendCachedCell(out, at, value);
            }
            out += "</row></sheetData>";
        }
        out += "</sheetDataSet>";
    }
    out += "</externalBook></externalLink>";
    return out;
}

std::string ExternalLinks::LinkRelsXml(std::size_t index) const {
    const ExternalBook* known = Known(index);
    std::string out(kXmlHeader);
    out += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    out += "<Relationship Id=\"rId1\" Type=\"";
    if (known && known->pathMissing) {
        out +=
            "http://schemas.microsoft.com/office/2006/relationships/xlExternalLinkPath/"
            "xlPathMissing";
    } else {
        out += kRelNs;
        out += "/externalLinkPath";
    }
    out += "\" Target=\"";
    AppendXmlText(out, LinkTarget(m_books[index].name));
    out += "\" TargetMode=\"External\"/></Relationships>";
    return out;
}

}  // namespace tabulon::spreadsheet::xlsx
