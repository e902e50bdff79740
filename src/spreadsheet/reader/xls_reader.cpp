#include "spreadsheet/reader/xls_reader.h"

#include <freexl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>

#include "spreadsheet/reader/biff_globals.h"
#include "spreadsheet/reader/biff_sheet_layout.h"
#include "spreadsheet/reader/compound_file.h"
#include "spreadsheet/reader/read_error.h"
#include "spreadsheet/reader/serial_date.h"

namespace tabulon::spreadsheet {
namespace {

std::string FreexlMessage(int code) {
    switch (code) {
        case FREEXL_FILE_NOT_FOUND:
            return "the file cannot be opened";
        case FREEXL_INSUFFICIENT_MEMORY:
            return "out of memory";
        case FREEXL_INVALID_CFBF_HEADER:
        case FREEXL_CFBF_INVALID_SIGNATURE:
        case FREEXL_CFBF_INVALID_SECTOR_SIZE:
            return "damaged compound file header";
        case FREEXL_CFBF_READ_ERROR:
        case FREEXL_CFBF_SEEK_ERROR:
            return "truncated or damaged compound file";
        case FREEXL_CFBF_EMPTY_FAT_CHAIN:
        case FREEXL_CFBF_ILLEGAL_FAT_ENTRY:
        case FREEXL_INVALID_MINI_STREAM:
        case FREEXL_CFBF_ILLEGAL_MINI_FAT_ENTRY:
            return "damaged compound file allocation table";
        case FREEXL_BIFF_INVALID_BOF:
            return "damaged workbook stream (bad BOF record)";
        case FREEXL_BIFF_INVALID_SST:
            return "damaged shared string table";
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
            return "no workbook stream in the compound file";
        case FREEXL_INVALID_CHARACTER:
        case FREEXL_UNSUPPORTED_CHARSET:
            return "text in an unsupported or invalid character set";
        case FREEXL_CRAFTED_FILE:
            return "severely damaged or crafted file";
        default:
            return "damaged workbook (error " + std::to_string(code) + ")";
    }
}

// Closes the freexl handle on every path.
class FreexlHandle {
  public:
    FreexlHandle(const std::string& path, const std::string& fileName) {
        const int rc = freexl_open(path.c_str(), &m_handle);
        // freexl 1.0.6 gives up on some records it cannot make sense of by
        // returning success without a handle.
        if (rc == FREEXL_OK && !m_handle) {
            throw ReadError(fileName +
                            ": cannot be read as .xls: the workbook stream holds records the "
                            ".xls library cannot decode (damaged, or an unsupported variant)");
        }
        if (rc != FREEXL_OK) {
            if (m_handle)
                freexl_close(m_handle);
            m_handle = nullptr;
            throw ReadError(fileName + ": cannot be read as .xls: " + FreexlMessage(rc));
        }
    }
    ~FreexlHandle() {
        if (m_handle)
            freexl_close(m_handle);
    }
    FreexlHandle(const FreexlHandle&) = delete;
    FreexlHandle& operator=(const FreexlHandle&) = delete;
    const void* Get() const { return m_handle; }

  private:
    const void* m_handle = nullptr;
};

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
    FreexlHandle xls(path, fileName);
    const void* h = xls.Get();
    unsigned int info = 0;
    if (freexl_get_info(h, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED) {
        throw ReadError(fileName +
                        ": cannot be read: the workbook is encrypted (password protected)");
    }
    unsigned int dateMode = FREEXL_BIFF_DATEMODE_1900;
    freexl_get_info(h, FREEXL_BIFF_DATEMODE, &dateMode);
    const bool date1904 = dateMode == FREEXL_BIFF_DATEMODE_1904;
    sink.SetDate1904(date1904);
    XlsDates dates(sink, date1904);

    unsigned int sheets = 0;
    if (freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK)
        throw ReadError(fileName + ": cannot be read as .xls: no sheet list");
    for (unsigned short s = 0; s < sheets; ++s) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(h, s, &name) != FREEXL_OK || !name)
            throw ReadError(fileName + ": sheet " + std::to_string(s + 1) +
                            " has no readable name");
        // freexl lists every BOUNDSHEET record; when the counts agree, the kinds
        // and states read from those records belong to these sheets.
        const BiffSheetInfo info =
            globals.sheets.size() == sheets ? globals.sheets[s] : BiffSheetInfo{};
        const int index = sink.AddSheet(name, info.kind, info.state);
        if (info.kind == SheetKind::Chartsheet)
            continue;
        if (freexl_select_active_worksheet(h, s) != FREEXL_OK)
            throw ReadError(fileName + ": sheet '" + name + "' cannot be read");
        unsigned int rows = 0;
        unsigned short cols = 0;
        if (freexl_worksheet_dimensions(h, &rows, &cols) != FREEXL_OK)
            throw ReadError(fileName + ": sheet '" + name + "' has no readable dimensions");
        if (rows > static_cast<unsigned>(kMaxRows) || cols > static_cast<unsigned>(kMaxColumns))
            throw ReadError(fileName + ": sheet '" + name + "' is larger than the grid");
        ISheetImport& target = sink.Sheet(index);
        if (globals.sheets.size() == sheets && workbookStream)
            ReadBiffSheetLayout(*workbookStream, info.offset, target);
        for (unsigned int r = 0; r < rows; ++r) {
            for (unsigned short c = 0; c < cols; ++c) {
                FreeXL_CellValue cell;
                if (freexl_get_cell_value(h, r, c, &cell) != FREEXL_OK)
                    continue;
                Value value;
                int style = 0;
                switch (cell.type) {
                    case FREEXL_CELL_INT:
                        value = Value::Number(cell.value.int_value);
                        break;
                    case FREEXL_CELL_DOUBLE:
                        value = Value::Number(cell.value.double_value);
                        break;
                    case FREEXL_CELL_TEXT:
                    case FREEXL_CELL_SST_TEXT:
                        value = Value::Text(cell.value.text_value ? cell.value.text_value : "");
                        break;
                    case FREEXL_CELL_DATE:
                    case FREEXL_CELL_DATETIME:
                    case FREEXL_CELL_TIME:
                        if (!dates.Convert(cell.type, cell.value.text_value, value, style))
                            value = Value::Text(cell.value.text_value ? cell.value.text_value : "");
                        break;
                    default:
                        continue;
                }
                target.SetCell(CellRef{static_cast<int>(r) + 1, static_cast<int>(c) + 1}, value,
                               style);
            }
        }
    }
    if (sheets > 0) {
        const bool known = globals.sheets.size() == sheets && globals.activeSheet >= 0 &&
                           static_cast<unsigned>(globals.activeSheet) < sheets;
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
    BiffGlobals globals;
    const CompoundFile file(data, size);
    auto stream = file.ReadStream("Workbook");
    if (!stream)
        stream = file.ReadStream("Book");
    // freexl is only given files whose workbook stream we can follow ourselves:
    // its own error paths on damaged compound files leak and are less guarded.
    if (!stream) {
        throw ReadError(
            fileName +
            ": cannot be read as .xls: damaged or truncated compound file (the workbook "
            "stream cannot be followed through its allocation tables)");
    }
    globals = ReadBiffGlobals(*stream);
    if (path) {
        ReadXlsFile(*path, fileName, globals, &*stream, sink);
    } else {
        ReadXlsMemory(data, size, fileName, globals, &*stream, sink);
    }
}

}  // namespace tabulon::spreadsheet
