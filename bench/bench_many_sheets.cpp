// What a sheet costs the .xlsx reader as workbooks grow: workbooks of 2,500 and
// 10,000 small sheets are written and read back. Four times the sheets should take
// about four times as long; a cost per sheet that grows with the sheets before it
// (names checked one by one, parts looked up by a scan) shows as a ratio near 16.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "spreadsheet/reader/workbook_reader.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/xlsx_writer.h"

using namespace tabulon::spreadsheet;

namespace {

// The best of three reads of a workbook of `count` sheets of one cell each.
double SecondsToRead(int count) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("bench_many_sheets_" + std::to_string(count) + ".xlsx"))
                                 .string();
    {
        Workbook book;
        for (int i = 1; i <= count; ++i)
            book.AddSheet("S" + std::to_string(i)).SetValue({1, 1}, Value::Number(i));
        WriteWorkbookFile(book, path);
    }
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        Workbook book;
        auto builder = MakeWorkbookBuilder(book);
        ReadWorkbookFile(path, *builder);
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::filesystem::remove(path);
    std::printf("%6d sheets: read in %.3f s, %.1f us per sheet\n", count, best, 1e6 * best / count);
    return best;
}

}  // namespace

int main() {
    const double small = SecondsToRead(2500);
    const double large = SecondsToRead(10000);
    const double ratio = large / small;
    std::printf("four times the sheets: %.1f times the time%s\n", ratio,
                ratio < 9 ? "" : " (the cost per sheet grows with the sheets)");
    return 0;
}
