// Builds a 1,000,000-cell workbook, writes it as .xlsx and reads it back.
// Prints memory per cell, cells per second each way and the peak resident size.
#include <malloc.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "spreadsheet/reader/workbook_reader.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/xlsx_writer.h"

using namespace tabulon::spreadsheet;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

size_t HeapInUse() {
    return mallinfo2().uordblks;
}

}  // namespace

int main() {
    constexpr int kRows = 100000;  // ten columns each: 1,000,000 cells
    const std::string path =
        (std::filesystem::temp_directory_path() / "bench_workbook_io.xlsx").string();

    const size_t heapBefore = HeapInUse();
    auto start = std::chrono::steady_clock::now();
    auto book = std::make_unique<Workbook>();
    Worksheet& ws = book->AddSheet("Data");
    const int dateStyle = [&] {
        CellStyle s;
        s.numberFormat = "yyyy-mm-dd";
        return book->AddStyle(s);
    }();
    for (int r = 1; r <= kRows; ++r) {
        ws.SetValue({r, 1}, Value::Number(r));
        ws.SetValue({r, 2}, Value::Number(r * 0.25));
        ws.SetValue({r, 3}, Value::Number(40000 + r % 3000));
        ws.SetStyle({r, 3}, dateStyle);
        ws.SetValue({r, 4}, Value::Text(std::string("category ").append(std::to_string(r % 100))));
        ws.SetValue({r, 5}, Value::Text(std::string("item-").append(std::to_string(r))));
        ws.SetValue({r, 6}, Value::Boolean(r % 2 == 0));
        ws.SetValue({r, 7}, Value::Number(r * 1.1));
        ws.SetValue({r, 8}, Value::Number(-r));
        ws.SetFormula({r, 9}, std::string(1, 'A').append(std::to_string(r)).append("*2"),
                      Value::Number(2.0 * r), false);
        ws.SetValue({r, 10}, Value::Number(r % 7));
    }
    const double buildSeconds = Seconds(start);
    const size_t heapAfter = HeapInUse();
    const double cells = static_cast<double>(ws.CellCount());
    std::printf("build: %.0f cells in %.2f s (%.0f cells/s), heap %.1f MB = %.1f bytes per cell\n",
                cells, buildSeconds, cells / buildSeconds, (heapAfter - heapBefore) / 1e6,
                static_cast<double>(heapAfter - heapBefore) / cells);

    {
        const size_t before = HeapInUse();
        Workbook numbers;
        Worksheet& sheet = numbers.AddSheet("Numbers");
        for (int r = 1; r <= kRows; ++r) {
            for (int c = 1; c <= 10; ++c)
                sheet.SetValue({r, c}, Value::Number(r * c * 0.5));
        }
        std::printf("numbers only: %.1f bytes per cell\n",
                    static_cast<double>(HeapInUse() - before) / 1e6);
    }

    start = std::chrono::steady_clock::now();
    WriteWorkbookFile(*book, path);
    const double writeSeconds = Seconds(start);
    std::printf("write: %.2f s (%.0f cells/s), file %.1f MB\n", writeSeconds, cells / writeSeconds,
                std::filesystem::file_size(path) / 1e6);
    book.reset();

    start = std::chrono::steady_clock::now();
    const size_t heapBeforeRead = HeapInUse();
    Workbook back;
    auto builder = MakeWorkbookBuilder(back);
    ReadWorkbookFile(path, *builder);
    builder.reset();
    const double readSeconds = Seconds(start);
    const double readCells = static_cast<double>(back.Sheet(0).CellCount());
    std::printf("read:  %.0f cells in %.2f s (%.0f cells/s)\n", readCells, readSeconds,
                readCells / readSeconds);
    std::printf("read back: %.1f bytes per cell\n",
                static_cast<double>(HeapInUse() - heapBeforeRead) / readCells);
    std::printf("peak resident: %.1f MB\n", PeakRssKb() / 1024.0);
    std::filesystem::remove(path);
    return readCells == cells ? 0 : 1;
}
