// The zip package of an OOXML document: finds parts by name the way tolerant
// consumers do (letter case, backslashes, relative and absolute targets) and
// follows relationships.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/zip_archive.h"
#include "spreadsheet/reader/relationships_context.h"

namespace tabulon::spreadsheet {

class OoxmlPackage {
  public:
    // Throws ReadError for archives that cannot be opened or hold the same
    // entry twice.
    OoxmlPackage(const void* data, std::size_t size, std::string fileName);

    const std::string& FileName() const { return m_fileName; }
    platform::ZipArchive& Zip() { return *m_zip; }

    // The zip entry of a part ("xl/workbook.xml", no leading slash), matched
    // without regard to letter case or slash direction.
    std::optional<std::size_t> FindPart(std::string_view partName) const;
    // The entry's text, within the archive's limits. Throws ReadError.
    std::string ReadPart(std::size_t entry);
    // The relationships of `sourcePart` ("" for the package); empty when the
    // package has no relationships part for it. Targets come back resolved to
    // part names.
    std::vector<Relationship> Relationships(std::string_view sourcePart);

    // Resolves a relationship target against the part that holds it.
    static std::string ResolveTarget(std::string_view sourcePart, std::string_view target);

    [[noreturn]] void Fail(const std::string& what) const;

  private:
    static std::string Key(std::string_view name);
    static std::string PercentDecode(std::string_view text);

    std::string m_fileName;
    std::unique_ptr<platform::ZipArchive> m_zip;
    std::unordered_map<std::string, std::size_t> m_entries;  // Key(name) -> entry
};

}  // namespace tabulon::spreadsheet
