#include "spreadsheet/reader/ooxml_package.h"

#include <cctype>
#include <unordered_set>

#include "spreadsheet/reader/read_control.h"
#include "spreadsheet/reader/read_error.h"

namespace tabulon::spreadsheet {

OoxmlPackage::OoxmlPackage(const void* data, std::size_t size, std::string fileName)
    : m_fileName(std::move(fileName)) {
    try {
        m_zip = std::make_unique<platform::ZipArchive>(data, size, CurrentReadOptions().zipLimits);
    } catch (const platform::ZipError& e) {
        Fail(std::string("damaged or truncated zip archive (") + e.what() + ")");
    }
    std::unordered_set<std::string> exact;
    const auto& entries = m_zip->Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!exact.insert(entries[i].name).second) {
            Fail("the zip archive holds the entry " + entries[i].name +
                 " twice (damaged or tampered file)");
        }
        // The first of two names differing only in case wins.
        m_entries.emplace(Key(entries[i].name), i);
    }
}

void OoxmlPackage::Fail(const std::string& what) const {
    throw ReadError(m_fileName, "", 0, what);
}

std::string OoxmlPackage::Key(std::string_view name) {
    std::string key;
    key.reserve(name.size());
    for (char c : name) {
        key += c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    while (!key.empty() && key.front() == '/')
        key.erase(key.begin());
    return key;
}

std::optional<std::size_t> OoxmlPackage::FindPart(std::string_view partName) const {
    auto it = m_entries.find(Key(partName));
    // Relationship targets are URIs: "sheet%201.xml" may name "sheet 1.xml".
    if (it == m_entries.end() && partName.find('%') != std::string_view::npos)
        it = m_entries.find(Key(PercentDecode(partName)));
    if (it == m_entries.end())
        return std::nullopt;
    return it->second;
}

std::string OoxmlPackage::PercentDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string OoxmlPackage::ReadPart(std::size_t entry) {
    try {
        return m_zip->ReadAll(entry);
    } catch (const platform::ZipError& e) {
        Fail(e.what());
    }
}

std::string OoxmlPackage::ResolveTarget(std::string_view sourcePart, std::string_view target) {
    std::string t(target);
    for (char& c : t) {
        if (c == '\\')
            c = '/';
    }
    // Drop a fragment or query, rare but legal in URIs.
    if (const auto hash = t.find('#'); hash != std::string::npos)
        t.erase(hash);
    std::string path;
    if (!t.empty() && t.front() == '/') {
        path = t.substr(1);
    } else {
        const auto slash = sourcePart.rfind('/');
        if (slash != std::string_view::npos)
            path = std::string(sourcePart.substr(0, slash + 1));
        path += t;
    }
    // Normalise "." and ".." segments.
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string segment = path.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string result;
    for (const auto& s : segments) {
        if (!result.empty())
            result += '/';
        result += s;
    }
    return result;
}

std::vector<Relationship> OoxmlPackage::Relationships(std::string_view sourcePart) {
    std::string relsName;
    const auto slash = sourcePart.rfind('/');
    if (slash == std::string_view::npos) {
        relsName = "_rels/" + std::string(sourcePart) + ".rels";
    } else {
        relsName = std::string(sourcePart.substr(0, slash + 1)) + "_rels/" +
                   std::string(sourcePart.substr(slash + 1)) + ".rels";
    }
    const auto entry = FindPart(relsName);
    if (!entry)
        return {};
    RelationshipsContext context(m_fileName, m_zip->Entries()[*entry].name);
    context.Parse(*m_zip, *entry);
    std::vector<Relationship> rels = context.Relationships();
    for (auto& rel : rels) {
        if (!rel.external)
            rel.target = ResolveTarget(sourcePart, rel.target);
    }
    return rels;
}

}  // namespace tabulon::spreadsheet
