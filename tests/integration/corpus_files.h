// The workbooks of the shared test corpus, as its manifest lists them.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tabulon::testing {

struct CorpusFile {
    std::string path;    // absolute
    std::string name;    // relative to the corpus folder
    std::string format;  // the real format, e.g. "xlsx", "xls (BIFF8)", "xlsx (MALFORMED: ...)"
};

inline std::vector<CorpusFile> ListCorpus() {
    std::vector<CorpusFile> files;
    std::ifstream manifest(std::string(TABULON_CORPUS_DIR) + "/MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);  // column names
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        CorpusFile file;
        std::getline(fields, file.name, '\t');
        std::getline(fields, file.format, '\t');
        if (file.name.empty())
            continue;
        file.path = std::string(TABULON_CORPUS_DIR) + "/" + file.name;
        files.push_back(file);
    }
    return files;
}

// A plain OOXML workbook: not damaged, hostile, encrypted or misnamed.
inline bool IsSoundOoxml(const CorpusFile& file) {
    const std::string& f = file.format;
    const bool ooxml =
        f.rfind("xlsx", 0) == 0 || f.rfind("xlsm", 0) == 0 || f.rfind("xltx", 0) == 0;
    return ooxml && (f.find('(') == std::string::npos || f.find("Strict") != std::string::npos);
}

}  // namespace tabulon::testing
