#include "spreadsheet/reader/xls_reader.h"

#include <freexl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>

#include "spreadsheet/reader/biff_dimensions.h"
#include "spreadsheet/reader/biff_globals.h"
#include "spreadsheet/reader/biff_sheet_layout.h"
#include "spreadsheet/reader/compound_file.h"
#include "spreadsheet/reader/freexl_child.h"
#include "spreadsheet/reader/read_error.h"
#include "spreadsheet/reader/serial_date.h"

namespace tabulon::spreadsheet {
namespace {

// freexl hands dates and times over as text; they become serial numbers again,
// with a number format that shows them the same way.
class XlsDates {
  public:
    XlsDates(IWorkbookImport& sink, bool date1904) : m_sink(sink), m_date1904(date1904) {}

    // Serial number of freexl's "YYYY-MM-DD", "YYYY-MM-DD hh:mm:ss" or "hh:mm:ss".
    bool Convert(unsigned char type, const char* text, Value& value, int& style) {
        if (!text)
            return false;
        const auto serial = SerialFromIsoText(text, m_date1904);
        if (!serial)
            return false;
        value = Value::Number(*serial);
        style = StyleFor(type);
        return true;
    }

  private:
    int StyleFor(unsigned char type) {
        int& slot = type == FREEXL_CELL_DATE   ? m_date
                    : type == FREEXL_CELL_TIME ? m_time
                                               : m_dateTime;
        if (slot < 0) {
            CellStyle style;
            style.numberFormat = type == FREEXL_CELL_DATE   ? "yyyy-mm-dd"
                                 : type == FREEXL_CELL_TIME ? "hh:mm:ss"
                                                            : "yyyy-mm-dd hh:mm:ss";
            slot = m_sink.AddStyle(style);
        }
        return slot;
    }

    IWorkbookImport& m_sink;
    bool m_date1904;
    int m_date = -1, m_time = -1, m_dateTime = -1;
};

void ReadXlsFile(const std::string& path, const std::string& fileName, const BiffGlobals& globals,
                 const std::string* workbookStream, IWorkbookImport& sink) {
    const FreexlBook book = ReadWithFreexl(path, fileName);
    sink.SetDate1904(book.date1904);
    XlsDates dates(sink, book.date1904);
    // freexl lists every BOUNDSHEET record; when the counts agree, the kinds,
    // states and layout read from those records belong to these sheets.
    const bool matched = globals.sheets.size() == book.sheets.size();
    for (std::size_t s = 0; s < book.sheets.size(); ++s) {
        const FreexlSheet& sheet = book.sheets[s];
        if (sheet.name.empty())
            throw ReadError(fileName + ": sheet " + std::to_string(s + 1) +
                            " has no readable name");
        const BiffSheetInfo info = matched ? globals.sheets[s] : BiffSheetInfo{};
        const int index = sink.AddSheet(sheet.name, info.kind, info.state);
        if (info.kind == SheetKind::Chartsheet)
            continue;
        ISheetImport& target = sink.Sheet(index);
        if (matched && workbookStream)
            ReadBiffSheetLayout(*workbookStream, info.offset, target);
        for (const FreexlCell& cell : sheet.cells) {
            if (cell.row >= static_cast<unsigned>(kMaxRows) ||
                cell.col >= static_cast<unsigned>(kMaxColumns)) {
                continue;
            }
            Value value;
            int style = 0;
            switch (cell.type) {
                case FREEXL_CELL_INT:
                case FREEXL_CELL_DOUBLE:
                    value = Value::Number(cell.number);
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                    value = Value::Text(cell.text);
                    break;
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME:
                    if (!dates.Convert(cell.type, cell.text.c_str(), value, style))
                        value = Value::Text(cell.text);
                    break;
                default:
                    continue;
            }
            target.SetCell(CellRef{static_cast<int>(cell.row) + 1, static_cast<int>(cell.col) + 1},
                           value, style);
        }
    }
    if (!book.sheets.empty()) {
        const bool known = matched && globals.activeSheet >= 0 &&
                           static_cast<std::size_t>(globals.activeSheet) < book.sheets.size();
        sink.SetActiveSheet(known ? globals.activeSheet : 0);
    }
}

void ReadXlsMemory(const void* data, std::size_t size, const std::string& fileName,
                   const BiffGlobals& globals, const std::string* workbookStream,
                   IWorkbookImport& sink) {
    // freexl reads only from a path: give it an anonymous in-memory file.
    const int fd = memfd_create("tabulon-xls", MFD_CLOEXEC);
    if (fd < 0)
        throw ReadError(fileName + ": cannot be read: no temporary memory file");
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    const auto* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, p + done, size - done);
        if (n <= 0)
            throw ReadError(fileName + ": cannot be read: writing a memory file failed");
        done += static_cast<std::size_t>(n);
    }
    ReadXlsFile("/proc/self/fd/" + std::to_string(fd), fileName, globals, workbookStream, sink);
}

}  // namespace

void ReadXls(const void* data, std::size_t size, const std::string& fileName,
             const std::string* path, IWorkbookImport& sink) {
    const CompoundFile file(data, size);
    std::string streamName = "Workbook";
    auto stream = file.ReadStream(streamName);
    if (!stream) {
        streamName = "Book";
        stream = file.ReadStream(streamName);
    }
    // freexl is only given files whose workbook stream we can follow ourselves:
    // its own error paths on damaged compound files leak and are less guarded.
    if (!stream) {
        throw ReadError(
            fileName +
            ": cannot be read as .xls: damaged or truncated compound file (the workbook "
            "stream cannot be followed through its allocation tables)");
    }
    // freexl copies records into fixed buffers without checking their length.
    if (const std::string problem = CheckBiffRecords(*stream); !problem.empty())
        throw ReadError(fileName + ": cannot be read as .xls: damaged workbook stream (" + problem +
                        ")");
    const BiffGlobals globals = ReadBiffGlobals(*stream);
    if (FitBiffDimensions(*stream, globals)) {
        // freexl sizes its tables from the DIMENSION records: it gets a copy of
        // the file where they state what the sheets really hold.
        std::string copy(static_cast<const char*>(data), size);
        if (!file.WriteStream(streamName, *stream, copy)) {
            throw ReadError(fileName + ": cannot be read as .xls: damaged compound file");
        }
        ReadXlsMemory(copy.data(), copy.size(), fileName, globals, &*stream, sink);
    } else if (path) {
        ReadXlsFile(*path, fileName, globals, &*stream, sink);
    } else {
        ReadXlsMemory(data, size, fileName, globals, &*stream, sink);
    }
}

}  // namespace tabulon::spreadsheet
