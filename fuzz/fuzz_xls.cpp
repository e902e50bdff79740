// libFuzzer target: any BIFF stream given to the .xls reader (a workbook, or a
// worksheet file of Excel 2 to 4, as the seeds biff2.bin and biff4.bin) ends in
// a workbook or a ReadError, never in a crash, a hang or unbounded memory. A
// compound file (a whole .xls, as in the corpus) has its workbook stream taken
// out first, so that mutations reach the records.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "discard_workbook.h"
#include "spreadsheet/reader/compound_file.h"
#include "spreadsheet/reader/read_error.h"
#include "spreadsheet/reader/xls_reader.h"

using namespace tabulon::spreadsheet;
using fuzzing::DiscardWorkbook;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string stream(reinterpret_cast<const char*>(data), size);
    if (size >= 8 && std::memcmp(data, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) == 0) {
        const CompoundFile file(data, size);
        auto inner = file.ReadStream("Workbook");
        if (!inner)
            inner = file.ReadStream("Book");
        if (!inner)
            return 0;
        stream = std::move(*inner);
    }
    DiscardWorkbook sink;
    try {
        ReadXlsStream(std::move(stream), "Workbook", "fuzz.xls", sink);
    } catch (const ReadError&) {
    }
    return 0;
}
