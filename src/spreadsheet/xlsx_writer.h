// Writing a workbook as an Office Open XML spreadsheet (.xlsx, or .xlsm).
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace tabulon::spreadsheet {

class Workbook;

// A workbook file that could not be written. what() reads "<path>: <reason>".
class WorkbookWriteError : public std::runtime_error {
  public:
    WorkbookWriteError(std::string path, std::string reason);
    const std::string& Path() const { return m_path; }
    const std::string& Reason() const { return m_reason; }

  private:
    std::string m_path;
    std::string m_reason;
};

struct WriteOptions {
    // Marks the package macro-enabled; by default decided by a ".xlsm" extension.
    enum class Macros { ByExtension, No, Yes } macros = Macros::ByExtension;
    int compressionLevel = 1;  // 0-12; low is fast
    // Large parts are made and compressed in pieces of about this many bytes
    // (0: the default, a few MB). Smaller pieces save memory, cost speed.
    std::size_t pieceBytes = 0;
};

// Writes `book` to `path`: first to a temporary file beside it, then renamed
// over it, so a failure never leaves a half-written file under `path`.
//
// Every sheet becomes a worksheet part: chart and dialog sheets are written as
// empty worksheets and macro sheets as worksheets with their cells, so that
// sheet count, names and order stay as they were. A workbook without sheets
// gets one empty "Sheet1"; if every sheet is hidden the first one is shown,
// and a hidden active sheet gives way to the first visible one, because an
// application refuses such files. Throws WorkbookWriteError.
void WriteWorkbookFile(const Workbook& book, const std::string& path, WriteOptions options = {});

}  // namespace tabulon::spreadsheet
