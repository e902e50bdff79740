#include "spreadsheet/reader/format_detector.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace tabulon::spreadsheet {
namespace {

constexpr unsigned char kOle2Magic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

unsigned ReadU16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}

// Lower-case ASCII form of a compound file directory entry name; empty when the
// 128 bytes at `p` do not look like a stream entry.
std::string StreamName(const unsigned char* p) {
    const unsigned nameBytes = ReadU16(p + 64);
    const unsigned type = p[66];
    if (type != 2 || nameBytes < 4 || nameBytes > 64 || nameBytes % 2 != 0)
        return {};
    std::string name;
    for (unsigned i = 0; i + 2 < nameBytes; i += 2) {
        const unsigned ch = ReadU16(p + i);
        if (ch == 0 || ch > 0x7E)
            return {};
        name += static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    }
    if (ReadU16(p + nameBytes - 2) != 0)
        return {};
    return name;
}

}  // namespace

Container DetectContainer(const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    if (size == 0)
        return Container::Empty;
    if (size >= 4 && p[0] == 'P' && p[1] == 'K' &&
        ((p[2] == 3 && p[3] == 4) || (p[2] == 5 && p[3] == 6) || (p[2] == 7 && p[3] == 8))) {
        return Container::Zip;
    }
    if (size >= 8 && std::memcmp(p, kOle2Magic, 8) == 0)
        return Container::Ole2;
    if (BareBiffVersion(data, size) != 0)
        return Container::BareBiff;
    std::string_view head(static_cast<const char*>(data), std::min<std::size_t>(size, 4096));
    if (head.size() >= 3 && head.substr(0, 3) == "\xEF\xBB\xBF")
        head.remove_prefix(3);
    if (head.size() >= 2 && (head.substr(0, 2) == "\xFF\xFE" || head.substr(0, 2) == "\xFE\xFF"))
        return Container::Text;
    std::size_t first = 0;
    while (first < head.size() && (head[first] == ' ' || head[first] == '\t' ||
                                   head[first] == '\r' || head[first] == '\n'))
        ++first;
    if (first < head.size() && head[first] == '<')
        return Container::Xml;
    // Text: no control bytes other than tab, CR, LF, form feed.
    for (char c : head) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f')
            return Container::Unknown;
    }
    return Container::Text;
}

Ole2Info InspectOle2(const void* data, std::size_t size) {
    // Directory entries are 128 bytes and always start on a 128-byte boundary
    // of the file (the header and every sector are multiples of 128), so a scan
    // over those boundaries finds every stream name without walking the FAT,
    // which a damaged file may have wrong.
    const auto* p = static_cast<const unsigned char*>(data);
    Ole2Info info;
    bool encrypted = false;
    for (std::size_t off = 512; off + 128 <= size; off += 128) {
        const std::string name = StreamName(p + off);
        if (name.empty())
            continue;
        if (name == "encryptedpackage" || name == "encryptioninfo")
            encrypted = true;
        // "Workbook" (BIFF8) wins over "Book" (BIFF5) when a file has both.
        if ((name == "workbook" || name == "book") && info.workbookStream != "Workbook") {
            info.workbookStream.clear();
            for (unsigned i = 0; i < name.size(); ++i)
                info.workbookStream += static_cast<char>(ReadU16(p + off + 2 * i));
        }
    }
    if (encrypted) {
        info.kind = Ole2Kind::EncryptedOoxml;
    } else if (!info.workbookStream.empty()) {
        info.kind = Ole2Kind::Workbook;
    }
    return info;
}

int BareBiffVersion(const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    if (size < 8)
        return 0;
    const unsigned id = ReadU16(p), length = ReadU16(p + 2);
    if (length < 4 || length > 32 || size < 4 + length)
        return 0;
    switch (id) {
        case 0x0009:
            return 2;
        case 0x0209:
            return 3;
        case 0x0409:
            return 4;
        case 0x0809:
            return 5;
        default:
            return 0;
    }
}

std::string DescribeTextFile(const void* data, std::size_t size) {
    const std::string_view head(static_cast<const char*>(data), std::min<std::size_t>(size, 8192));
    if (head.find("office:document") != std::string_view::npos &&
        head.find("opendocument") != std::string_view::npos) {
        return "a flat OpenDocument spreadsheet (.fods)";
    }
    if (head.find("urn:schemas-microsoft-com:office:spreadsheet") != std::string_view::npos)
        return "an XML Spreadsheet 2003 file";
    std::string lower(head.substr(0, 1024));
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    if (lower.find("<html") != std::string::npos ||
        lower.find("<!doctype html") != std::string::npos)
        return "an HTML file";
    if (DetectContainer(data, size) == Container::Xml)
        return "an XML file";
    return "a text file (CSV or similar)";
}

}  // namespace tabulon::spreadsheet
