// What a caller may ask of a workbook read beyond the file itself: a way to stop
// it part way, and the size from which big parts are streamed rather than
// inflated whole.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/zip_archive.h"
#include "spreadsheet/reader/read_error.h"

namespace tabulon::spreadsheet {

// The read stopped because its caller asked it to. What the sink received so far
// is a partial workbook, to be dropped.
class ReadCanceled : public ReadError {
  public:
    explicit ReadCanceled(const std::string& fileName)
        : ReadError(fileName + ": reading was canceled") {}
};

struct ReadOptions {
    // Asked between sheets and every few thousand XML elements, so that a read
    // stops within milliseconds of the answer turning true; the read then throws
    // ReadCanceled. Empty: never canceled.
    std::function<bool()> canceled;
    // Worksheets and shared string tables that inflate to more than this many
    // bytes are read in pieces, so that memory follows the cells rather than the
    // XML; smaller ones are inflated whole, which is faster.
    std::uint64_t wholePartLimit = std::uint64_t{512} << 20;
    // What the package's parts may inflate to (zip bombs).
    platform::ZipLimits zipLimits;
};

// The options of the read running on this thread; defaults outside a read.
const ReadOptions& CurrentReadOptions();

// Makes `options` the current ones of this thread for its lifetime.
class ReadOptionsScope {
  public:
    explicit ReadOptionsScope(const ReadOptions& options);
    ~ReadOptionsScope();
    ReadOptionsScope(const ReadOptionsScope&) = delete;
    ReadOptionsScope& operator=(const ReadOptionsScope&) = delete;

  private:
    const ReadOptions* m_outer;
};

// Throws ReadCanceled naming `fileName` when the current read was asked to stop.
void ThrowIfReadCanceled(const std::string& fileName);

}  // namespace tabulon::spreadsheet
