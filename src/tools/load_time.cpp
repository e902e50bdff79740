// Loads each workbook named on the command line into the model and prints the
// seconds it took, with the sheet and merged range counts.
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

#include "spreadsheet/reader/workbook_reader.h"
#include "spreadsheet/workbook.h"

using namespace tabulon::spreadsheet;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s workbook...\n", argv[0]);
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        const auto start = std::chrono::steady_clock::now();
        Workbook book;
        try {
            auto builder = MakeWorkbookBuilder(book);
            ReadWorkbookFile(argv[i], *builder);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            status = 1;
            continue;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::size_t merges = 0;
        for (int s = 0; s < book.SheetCount(); ++s)
            merges += book.Sheet(s).Merges().size();
        std::printf("%s: %.3f s, %d sheets, %zu merged ranges\n", argv[i], seconds,
                    book.SheetCount(), merges);
    }
    return status;
}
