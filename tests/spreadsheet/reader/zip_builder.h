// Builds small zip archives in memory for reader tests, including broken ones.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tabulon::spreadsheet::testing {

class ZipBuilder {
  public:
    // Entries keep the order they are added in; the same name may be added twice.
    ZipBuilder& Add(std::string name, std::string content, bool deflate = false);
    std::string Build() const;

  private:
    struct Entry {
        std::string name, content;
        bool deflate;
    };
    std::vector<Entry> m_entries;
};

// A workbook part: `sheets` (the <sheet> elements) in <sheets>, `before` and
// `after` around it.
std::string WorkbookXml(const std::string& sheets, const std::string& before = "",
                        const std::string& after = "");
// A relationships part holding `relationships`, and one relationship; a `type`
// without "://" is one of the package's officeDocument relationship types.
std::string RelsXml(const std::string& relationships);
std::string Rel(const std::string& id, const std::string& type, const std::string& target);

// The parts of a minimal one-sheet workbook ("Sheet1"), ready to be changed.
std::map<std::string, std::string> MinimalXlsxParts(const std::string& sheetData);
// The same with a shared string table (`sst`: its <si> elements) and, unless
// `styles` is empty, a styles part (what <styleSheet> holds).
std::map<std::string, std::string> MinimalXlsxParts(const std::string& sheetData,
                                                    const std::string& sst,
                                                    const std::string& styles = "");
std::string BuildPackage(const std::map<std::string, std::string>& parts);
// A worksheet part around `sheetData` (the rows) and `after` (merges, filters...).
std::string WorksheetXml(const std::string& sheetData, const std::string& before = "",
                         const std::string& after = "");

}  // namespace tabulon::spreadsheet::testing
