#include "zip_builder.h"

#include <libdeflate.h>

#include <cstdint>

namespace tabulon::spreadsheet::testing {
namespace {

std::uint32_t Crc32(const std::string& data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void Put16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::string Deflate(const std::string& data) {
    libdeflate_compressor* c = libdeflate_alloc_compressor(6);
    std::string out(libdeflate_deflate_compress_bound(c, data.size()), '\0');
    out.resize(libdeflate_deflate_compress(c, data.data(), data.size(), out.data(), out.size()));
    libdeflate_free_compressor(c);
    return out;
}

}  // namespace

ZipBuilder& ZipBuilder::Add(std::string name, std::string content, bool deflate) {
    m_entries.push_back(Entry{std::move(name), std::move(content), deflate});
    return *this;
}

std::string ZipBuilder::Build() const {
    std::string out, central;
    for (const Entry& e : m_entries) {
        const std::string stored = e.deflate ? Deflate(e.content) : e.content;
        const std::uint32_t crc = Crc32(e.content);
        const auto offset = static_cast<std::uint32_t>(out.size());
        auto header = [&](std::string& h, bool centralHeader) {
            Put32(h, centralHeader ? 0x02014b50 : 0x04034b50);
            if (centralHeader)
                Put16(h, 20);  // made by
            Put16(h, 20);      // needed
            Put16(h, 0);       // flags
            Put16(h, e.deflate ? 8 : 0);
            Put16(h, 0);  // time
            Put16(h, 0);  // date
            Put32(h, crc);
            Put32(h, static_cast<std::uint32_t>(stored.size()));
            Put32(h, static_cast<std::uint32_t>(e.content.size()));
            Put16(h, static_cast<unsigned>(e.name.size()));
            Put16(h, 0);  // extra
            if (centralHeader) {
                Put16(h, 0);  // comment
                Put16(h, 0);  // disk
                Put16(h, 0);  // internal attributes
                Put32(h, 0);  // external attributes
                Put32(h, offset);
            }
            h += e.name;
        };
        header(out, false);
        out += stored;
        header(central, true);
    }
    const auto centralOffset = static_cast<std::uint32_t>(out.size());
    out += central;
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<unsigned>(m_entries.size()));
    Put16(out, static_cast<unsigned>(m_entries.size()));
    Put32(out, static_cast<std::uint32_t>(central.size()));
    Put32(out, centralOffset);
    Put16(out, 0);
    return out;
}

std::string WorksheetXml(const std::string& sheetData, const std::string& before,
                         const std::string& after) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">" +
           before + "<sheetData>" + sheetData + "</sheetData>" + after + "</worksheet>";
}

std::string WorkbookXml(const std::string& sheets, const std::string& before,
                        const std::string& after) {
    return "<?xml version=\"1.0\"?><workbook "
           "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">" +
           before + "<sheets>" + sheets + "</sheets>" + after + "</workbook>";
}

std::string RelsXml(const std::string& relationships) {
    return "<?xml version=\"1.0\"?><Relationships "
           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
           relationships + "</Relationships>";
}

std::string Rel(const std::string& id, const std::string& type, const std::string& target) {
    const std::string uri =
        type.find("://") != std::string::npos
            ? type
            : "http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + type;
    return "<Relationship Id=\"" + id + "\" Type=\"" + uri + "\" Target=\"" + target + "\"/>";
}

std::map<std::string, std::string> MinimalXlsxParts(const std::string& sheetData) {
    std::map<std::string, std::string> parts;
    parts["[Content_Types].xml"] =
        "<?xml version=\"1.0\"?><Types "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>";
    parts["_rels/.rels"] = RelsXml(Rel("rId1", "officeDocument", "xl/workbook.xml"));
    parts["xl/workbook.xml"] = WorkbookXml("<sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/>");
    parts["xl/_rels/workbook.xml.rels"] =
        RelsXml(Rel("rId1", "worksheet", "worksheets/sheet1.xml"));
    parts["xl/worksheets/sheet1.xml"] = WorksheetXml(sheetData);
    return parts;
}

std::map<std::string, std::string> MinimalXlsxParts(const std::string& sheetData,
                                                    const std::string& sst,
                                                    const std::string& styles) {
    auto parts = MinimalXlsxParts(sheetData);
    std::string rels = Rel("rId1", "worksheet", "worksheets/sheet1.xml") +
                       Rel("rId2", "sharedStrings", "sharedStrings.xml");
    if (!styles.empty())
        rels += Rel("rId3", "styles", "styles.xml");
    parts["xl/_rels/workbook.xml.rels"] = RelsXml(rels);
    const std::string ns = " xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    parts["xl/sharedStrings.xml"] = "<sst" + ns + sst + "</sst>";
    if (!styles.empty())
        parts["xl/styles.xml"] = "<styleSheet" + ns + styles + "</styleSheet>";
    return parts;
}

std::string BuildPackage(const std::map<std::string, std::string>& parts) {
    ZipBuilder zip;
    for (const auto& [name, content] : parts)
        zip.Add(name, content, true);
    return zip.Build();
}

}  // namespace tabulon::spreadsheet::testing
