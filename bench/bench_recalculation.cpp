// What calculating a result before it is saved costs: a worksheet shaped like the
// copy-rows result of the suite (1,000,000 rows x 12 columns, 12M cells, one column
// of =C*D formulas that were moved there), then the same without formulas. Prints
// the processor time the calculation takes (steadier than wall time on a shared
// machine) and the formula cells recalculated per second.
#include <time.h>

#include <cstdio>
#include <string>

#include "engine/automation/state.h"
#include "spreadsheet/workbook.h"

using namespace tabulon;
using spreadsheet::CellRef;
using spreadsheet::Value;

namespace {

constexpr int kRows = 1000000;
constexpr int kColumns = 12;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void Fill(spreadsheet::Worksheet& ws, bool formulas) {
    for (int r = 1; r <= kRows; ++r) {
        for (int c = 1; c < kColumns; ++c)
            ws.SetValue({r, c}, Value::Number(r % 97 + c));
        if (formulas) {
            const std::string text = "C" + std::to_string(r) + "*D" + std::to_string(r);
            ws.SetFormula({r, kColumns}, text, Value::Number(1));  // out of date, as moved
        } else {
            ws.SetValue({r, kColumns}, Value::Number(r));
        }
    }
}

double Run(bool formulas) {
    engine::detail::SessionState session;
    auto book = session.NewBook();
    Fill(book->workbook->AddSheet("Rows"), formulas);
    const double start = CpuSeconds();
    engine::detail::CalculateWorkbook(*book);
    const double seconds = CpuSeconds() - start;
    const Value check = book->workbook->Sheet(0).GetValue({kRows, kColumns});
    if (formulas && check != Value::Number((kRows % 97 + 3) * (kRows % 97 + 4)))
        std::printf("wrong result\n");
    return seconds;
}

}  // namespace

int main() {
    const double with = Run(true);
    std::printf(
        "calculate before save, %d cells, %d formulas: %.3f s (%.2f us per formula, "
        "%.2f M formula cells per second)\n",
        kRows * kColumns, kRows, with, with * 1e6 / kRows, kRows / with / 1e6);
    const double without = Run(false);
    std::printf("calculate before save, %d cells, no formulas: %.6f s\n", kRows * kColumns,
                without);
    return 0;
}
