// Reading speed of the .xls reader against the .xlsx reader on the same
// workbook: 60,000 rows of ten mixed columns (numbers, dates, text, booleans,
// formulas) are written as .xlsx, LibreOffice saves that as .xls, and both are
// read into a workbook several times. Prints the best time per cell of each.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "spreadsheet/reader/workbook_reader.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/xlsx_writer.h"

using namespace tabulon::spreadsheet;
namespace fs = std::filesystem;

namespace {

double BestReadSeconds(const std::string& path, std::size_t& cells) {
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const auto start = std::chrono::steady_clock::now();
        Workbook book;
        auto builder = MakeWorkbookBuilder(book);
        ReadWorkbookFile(path, *builder);
        builder.reset();
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        cells = book.Sheet(0).CellCount();
    }
    return best;
}

}  // namespace

int main() {
    constexpr int kRows = 60000;  // within the 65,536 rows of an .xls sheet
    const fs::path folder = fs::temp_directory_path() / "bench_xls_io";
    fs::create_directories(folder);
    const std::string xlsx = (folder / "book.xlsx").string();
    {
        Workbook book;
        Worksheet& ws = book.AddSheet("Data");
        CellStyle date;
        date.numberFormat = "yyyy-mm-dd";
        const int dateStyle = book.AddStyle(date);
        for (int r = 1; r <= kRows; ++r) {
            ws.SetValue({r, 1}, Value::Number(r));
            ws.SetValue({r, 2}, Value::Number(r * 0.25));
            ws.SetValue({r, 3}, Value::Number(40000 + r % 3000));
            ws.SetStyle({r, 3}, dateStyle);
            ws.SetValue({r, 4}, Value::Text("category " + std::to_string(r % 100)));
            ws.SetValue({r, 5}, Value::Text("item-" + std::to_string(r)));
            ws.SetValue({r, 6}, Value::Boolean(r % 2 == 0));
            ws.SetValue({r, 7}, Value::Number(r * 1.1));
            ws.SetValue({r, 8}, Value::Number(-r));
            ws.SetFormula({r, 9}, "A" + std::to_string(r) + "*2", Value::Number(2.0 * r), false);
            ws.SetValue({r, 10}, Value::Number(r % 7));
        }
        WriteWorkbookFile(book, xlsx);
    }
    const std::string command =
        "cd '" + folder.string() + "' && soffice -env:UserInstallation=file://" +
        (folder / "profile").string() + " --headless --convert-to xls book.xlsx > convert.log 2>&1";
    if (std::system(command.c_str()) != 0 || !fs::exists(folder / "book.xls")) {
        std::printf("soffice could not make the .xls; nothing measured\n");
        return 1;
    }
    std::size_t xlsxCells = 0, xlsCells = 0;
    const double xlsxSeconds = BestReadSeconds(xlsx, xlsxCells);
    const double xlsSeconds = BestReadSeconds((folder / "book.xls").string(), xlsCells);
    std::printf(".xlsx: %zu cells in %.3f s, %.0f ns per cell\n", xlsxCells, xlsxSeconds,
                1e9 * xlsxSeconds / xlsxCells);
    std::printf(".xls:  %zu cells in %.3f s, %.0f ns per cell\n", xlsCells, xlsSeconds,
                1e9 * xlsSeconds / xlsCells);
    fs::remove_all(folder);
    return xlsCells == xlsxCells ? 0 : 1;
}
