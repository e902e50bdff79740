#include "spreadsheet/reader/workbook_reader.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <vector>

#include "spreadsheet/reader/format_detector.h"
#include "spreadsheet/reader/ooxml_reader.h"
#include "spreadsheet/reader/sheet_list_reader.h"
#include "spreadsheet/reader/xls_reader.h"

namespace tabulon::spreadsheet {
namespace {

// Larger inputs are refused before anything is inflated.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;

[[noreturn]] void Refuse(const std::string& name, const std::string& why) {
    throw ReadError(name, "", 0, "cannot be read: " + why);
}

// sheetListOnly: an OOXML package gives its sheet list alone; other formats are read whole.
void ReadDetected(const void* data, std::size_t size, const std::string& name,
                  IWorkbookImport& sink, bool sheetListOnly = false) {
    switch (DetectContainer(data, size)) {
        case Container::Empty:
            Refuse(name, "the file is empty");
        case Container::Zip:
            if (sheetListOnly)
                ReadOoxmlSheetList(data, size, name, sink);
            else
                ReadOoxml(data, size, name, sink);
            return;
        case Container::Ole2: {
            const Ole2Info ole2 = InspectOle2(data, size);
            switch (ole2.kind) {
                case Ole2Kind::EncryptedOoxml:
                    Refuse(name, "the workbook is encrypted (password protected)");
                case Ole2Kind::Workbook:
                    ReadXls(data, size, name, sink);
                    return;
                case Ole2Kind::Other:
                    Refuse(name,
                           "it is an OLE2 compound file without a workbook stream "
                           "(another kind of document, or damaged)");
            }
            return;
        }
        case Container::BareBiff:
            // Excel 2 to 4 worksheets, and workbook streams some writers
            // store without their compound file.
            ReadXlsStream(std::string(static_cast<const char*>(data), size), "", name, sink);
            return;
        case Container::Xml:
        case Container::Text:
            Refuse(name, "it is " + DescribeTextFile(data, size) +
                             ", not a workbook; such files are not supported");
        case Container::Unknown:
            Refuse(name, "it is not a workbook (unrecognised content)");
    }
}

void ReadFile(const std::string& path, IWorkbookImport& sink, bool sheetListOnly) {
    ThrowIfReadCanceled(path);
    errno = 0;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        const int error = errno;
        throw ReadError(
            path, "", 0,
            error ? "cannot be opened: " + std::string(std::strerror(error)) : "cannot be opened");
    }
    const std::streamoff length = in.tellg();
    if (length < 0)
        throw ReadError(path, "", 0, "cannot be read");
    if (static_cast<std::size_t>(length) > kMaxFileBytes)
        Refuse(path, "the file is larger than 1 GB");
    std::vector<char> bytes(static_cast<std::size_t>(length));
    in.seekg(0);
    if (length > 0 && !in.read(bytes.data(), length))
        throw ReadError(path, "", 0, "cannot be read");
    ThrowIfReadCanceled(path);
    try {
        ReadDetected(bytes.data(), bytes.size(), path, sink, sheetListOnly);
    } catch (const std::bad_alloc&) {
        throw ReadError(path, "", 0, "cannot be read: out of memory");
    }
}

}  // namespace

void ReadWorkbookMemory(const void* data, std::size_t size, const std::string& name,
                        IWorkbookImport& sink, const ReadOptions& options) {
    ReadOptionsScope scope(options);
    ThrowIfReadCanceled(name);
    try {
        ReadDetected(data, size, name, sink);
    } catch (const std::bad_alloc&) {
        throw ReadError(name, "", 0, "cannot be read: out of memory");
    }
}

void ReadWorkbookFile(const std::string& path, IWorkbookImport& sink, const ReadOptions& options) {
    ReadOptionsScope scope(options);
    ReadFile(path, sink, false);
}

void ReadWorkbookFileSheetList(const std::string& path, IWorkbookImport& sink) {
    ReadFile(path, sink, true);
}

}  // namespace tabulon::spreadsheet
