// The key-based gathering loop: 100,000 source rows with 50,000 distinct keys are
// merged into a result sheet, one FindKey on the result's key column per row, then
// either adding the row's numbers onto the row found or appending the row below.
// Prints FindKey calls per second, and the same for a column searched repeatedly
// without writes in between.
#include <chrono>
#include <cstdio>
#include <string>

#include "engine/sheet/sheet_helpers.h"

using namespace tabulon::engine;

namespace {

constexpr int kRows = 100000;
constexpr int kKeys = 50000;

CString KeyText(int key) {
    CString text;
    text.Format("K%d", key);
    return text;
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

}  // namespace

int main() {
    _Application app = _Application::Create();
    _Worksheet source = NewWorkbook(app.GetWorkbooks(), 1).GetSheets().GetItem(COleVariant(1));
    COleVariant block = COleVariant::Array(kRows, 2);
    for (int i = 1; i <= kRows; ++i) {
        // Keys spread over the rows in a scrambled order, each appearing twice.
        int key = static_cast<int>((static_cast<long long>(i) * 7919) % kKeys);
        block.At(i, 1) = COleVariant(KeyText(key));
        block.At(i, 2) = COleVariant(1.0);
    }
    CString address;
    address.Format("$A$1:$B$%d", kRows);
    source.GetRange(COleVariant(address)).SetValue(block);

    _Worksheet result = NewWorkbook(app.GetWorkbooks(), 1).GetSheets().GetItem(COleVariant(1));
    std::chrono::steady_clock::duration inFind{};
    const auto start = std::chrono::steady_clock::now();
    int appended = 0;
    for (int i = 1; i <= kRows; ++i) {
        CString rowAddress;
        rowAddress.Format("$A$%d:$B$%d", i, i);
        Range row = source.GetRange(COleVariant(rowAddress));
        Range used = GetUsedBlock(result);
        if (used.IsEmpty()) {
            AppendRange(result, row, false);
            ++appended;
            continue;
        }
        Range keys = used.GetColumns().GetItem(COleVariant(1));
        const auto before = std::chrono::steady_clock::now();
        Range found = FindKey(keys, row.GetItem(COleVariant(1)).GetValue());
        inFind += std::chrono::steady_clock::now() - before;
        if (found.IsEmpty()) {
            AppendRange(result, row, false);
            ++appended;
        } else {
            CString target;
            target.Format("$A$%d:$B$%d", RangeFirstRow(found), RangeFirstRow(found));
            AddRowValues(result.GetRange(COleVariant(target)), row);
        }
    }
    const double total = Seconds(std::chrono::steady_clock::now() - start);
    std::printf("find: key merge of %d rows (%d keys): %d appended, %.2f s in all\n", kRows, kKeys,
                appended, total);
    std::printf("find: FindKey while appending: %.0f calls per second\n",
                (kRows - 1) / Seconds(inFind));

    // Repeated lookups in a column that no longer changes.
    Range keys = GetUsedBlock(result).GetColumns().GetItem(COleVariant(1));
    const auto again = std::chrono::steady_clock::now();
    int hits = 0;
    for (int i = 0; i < kRows; ++i)
        hits += FindKey(keys, COleVariant(KeyText(i % kKeys))).IsEmpty() ? 0 : 1;
    std::printf("find: FindKey on a settled column: %.0f calls per second (%d hits)\n",
                kRows / Seconds(std::chrono::steady_clock::now() - again), hits);
    COleVariant check = result.GetRange(COleVariant("B1")).GetValue();
    return appended == kKeys && hits == kRows && check.Double() == 2.0 ? 0 : 1;
}
