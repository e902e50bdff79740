// The copy-rows job without the task around it: reads every workbook of a
// folder, copies rows 2..end of the named worksheets below each other into one
// result sheet, writes the result. Prints each phase's wall and CPU time (the
// CPU time counts every thread) and the peak resident size.
// A probe run by hand, not by `make bench`:
//   copy_write_probe FOLDER RESULT [SHEET...]   (sheets: January February)
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "spreadsheet/range_copy.h"
#include "spreadsheet/reader/workbook_reader.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/xlsx_writer.h"

using namespace tabulon::spreadsheet;

namespace {

struct Clock {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();
};

struct Phase {
    double wall = 0, cpu = 0;
    void Add(const Clock& since) {
        wall +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - since.wall).count();
        cpu += static_cast<double>(std::clock() - since.cpu) / CLOCKS_PER_SEC;
    }
};

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FOLDER RESULT [SHEET...]\n", argv[0]);
        return 2;
    }
    std::vector<std::string> names(argv + 3, argv + argc);
    if (names.empty())
        names = {"January", "February"};
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(argv[1])) {
        if (e.is_regular_file() && e.path().extension() == ".xlsx")
            files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());

    Phase read, copy, write;
    Workbook result;
    Worksheet& out = result.AddSheet("Result");
    int next = 1;
    for (const auto& file : files) {
        Clock t;
        Workbook book;
        auto builder = MakeWorkbookBuilder(book);
        ReadWorkbookFile(file.string(), *builder);
        read.Add(t);
        Clock c;
        for (int i = 0; i < book.SheetCount(); ++i) {
            const Worksheet& sheet = book.Sheet(i);
            if (std::find(names.begin(), names.end(), sheet.Name()) == names.end())
                continue;
            const auto used = sheet.UsedExtent(true);
            if (!used || used->last.row < 2)
                continue;
            const RangeRef block{{2, 1}, {used->last.row, used->last.col}};
            CopyCells(sheet, block, out, {next, 1});
            next += block.Rows();
        }
        copy.Add(c);
    }
    Clock w;
    WriteWorkbookFile(result, argv[2]);
    write.Add(w);
    std::printf("%zu files, %zu cells\n", files.size(), out.CellCount());
    std::printf("read  %6.2f s wall %6.2f s cpu\n", read.wall, read.cpu);
    std::printf("copy  %6.2f s wall %6.2f s cpu\n", copy.wall, copy.cpu);
    std::printf("write %6.2f s wall %6.2f s cpu\n", write.wall, write.cpu);
    std::printf("peak rss %ld MB, result %ju bytes\n", PeakRssKb() / 1024,
                static_cast<std::uintmax_t>(std::filesystem::file_size(argv[2])));
}
