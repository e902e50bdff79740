// libFuzzer target: any bytes given to the workbook reader end in a workbook or
// a ReadError, never in a crash, a hang or unbounded memory.
#include <cstddef>
#include <cstdint>

#include "discard_workbook.h"
#include "spreadsheet/reader/workbook_reader.h"

using namespace tabulon::spreadsheet;
using fuzzing::DiscardWorkbook;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DiscardWorkbook sink;
    try {
        ReadWorkbookMemory(data, size, "fuzz.xlsx", sink);
    } catch (const ReadError&) {
    }
    return 0;
}
