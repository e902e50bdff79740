// Every workbook of the shared corpus is either read or refused with a clear
// ReadError naming it; none crashes, leaks (the sanitizers watch) or dawdles.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>

#include "recording_sink.h"
#include "spreadsheet/reader/workbook_reader.h"

namespace tabulon::spreadsheet {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> CorpusFiles() {
    std::vector<fs::path> files;
    const fs::path root = TABULON_CORPUS_DIR;
    if (!fs::exists(root))
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        const auto rel = entry.path().lexically_relative(root).string();
        if (rel == "MANIFEST.tsv" || rel == "README.md" || rel.rfind("LICENSES", 0) == 0)
            continue;
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(ReaderCorpus, EveryFileIsReadOrRefusedWithItsName) {
    const auto files = CorpusFiles();
    if (files.empty())
        GTEST_SKIP() << "corpus not present at " << TABULON_CORPUS_DIR;
    int read = 0, refused = 0;
    std::map<std::string, int> reasons;
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        testing::RecordingWorkbook sink;
        // Processor time, so that a busy machine does not fail the test.
        const std::clock_t start = std::clock();
        try {
            ReadWorkbookFile(file.string(), sink);
            ++read;
            EXPECT_FALSE(sink.sheets.empty()) << "read, but no sheets";
        } catch (const ReadError& e) {
            ++refused;
            const std::string message = e.what();
            EXPECT_EQ(message.rfind(file.string() + ": ", 0), 0u) << message;
            EXPECT_EQ(message.find('\n'), std::string::npos) << message;
            std::printf("refused: %s\n", message.c_str());
        }
        const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
        EXPECT_LT(seconds, 5.0) << "took " << seconds << " s";
    }
    std::printf("corpus: %d files, %d read, %d refused\n", read + refused, read, refused);
}

}  // namespace
}  // namespace tabulon::spreadsheet
