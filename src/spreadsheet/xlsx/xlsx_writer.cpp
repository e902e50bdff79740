#include "spreadsheet/xlsx_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/pending_files.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/xlsx/parts.h"
#include "spreadsheet/xlsx/zip_writer.h"

namespace tabulon::spreadsheet {

namespace {

bool EndsWithNoCase(const std::string& s, std::string_view suffix) {
    if (s.size() < suffix.size())
        return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        const char a = static_cast<char>(
            std::tolower(static_cast<unsigned char>(s[s.size() - suffix.size() + i])));
        if (a != suffix[i])
            return false;
    }
    return true;
}

// Closes and removes the temporary file unless released.
class TempFile {
  public:
    explicit TempFile(const std::string& target) {
        // open() with 0666 lets the umask decide the mode, as for any new file.
        static std::atomic<unsigned> counter{0};
        int fd = -1;
        // Registered as it is created, so that an exit in a hurry can remove it.
        auto pending = platform::CPendingFiles::Lock();
        for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
            m_name = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
            fd = ::open(m_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0 && errno != EEXIST)
                break;
        }
        if (fd >= 0)
            platform::CPendingFiles::Add_locked(m_name);
        pending.unlock();
        if (fd < 0) {
            throw std::runtime_error(std::string("cannot create a temporary file beside it: ") +
                                     std::strerror(errno));
        }
        m_file = fdopen(fd, "wb");
        if (!m_file) {
            const int error = errno;
            ::close(fd);
            Discard();
            throw std::runtime_error(std::strerror(error));
        }
    }
    ~TempFile() {
        if (m_file)
            std::fclose(m_file);
        if (!m_kept)
            Discard();
    }
    std::FILE* File() { return m_file; }
    void CommitAs(const std::string& target) {
        const bool flushed = std::fflush(m_file) == 0 && ::fsync(fileno(m_file)) == 0;
        const int closeError = std::fclose(m_file);
        m_file = nullptr;
        if (!flushed || closeError != 0)
            throw std::runtime_error(std::strerror(errno));
        auto pending = platform::CPendingFiles::Lock();
        if (std::rename(m_name.c_str(), target.c_str()) != 0) {
            const int error = errno;
            pending.unlock();
            throw std::runtime_error(std::string("cannot replace the file: ") +
                                     std::strerror(error));
        }
        platform::CPendingFiles::Remove_locked(m_name);
        platform::CPendingFiles::MarkCommitted_locked();
        m_kept = true;
    }

  private:
    void Discard() {
        auto pending = platform::CPendingFiles::Lock();
        std::remove(m_name.c_str());
        platform::CPendingFiles::Remove_locked(m_name);
    }

    std::string m_name;
    std::FILE* m_file = nullptr;
    bool m_kept = false;
};

void WritePackage(const Workbook& book, std::FILE* file, bool macroEnabled, int level,
                  std::size_t pieceBytes) {
    using namespace xlsx;
    std::vector<SheetEntry> entries;
    for (int i = 0; i < book.SheetCount(); ++i) {
        const SheetState state = book.Sheet(i).State();
        entries.push_back({book.Sheet(i).Name(), state == SheetState::Hidden       ? "hidden"
                                                 : state == SheetState::VeryHidden ? "veryHidden"
                                                                                   : ""});
    }
    Workbook placeholder;
    const bool empty = entries.empty();
    if (empty)
        entries.push_back({"Sheet1", ""});
    if (std::none_of(entries.begin(), entries.end(),
                     [](const SheetEntry& e) { return e.state.empty(); })) {
        entries[0].state.clear();
    }
    int active = std::clamp(book.ActiveSheet(), 0, static_cast<int>(entries.size()) - 1);
    if (!entries[static_cast<size_t>(active)].state.empty()) {
        active =
            static_cast<int>(std::find_if(entries.begin(), entries.end(),
                                          [](const SheetEntry& e) { return e.state.empty(); }) -
                             entries.begin());
    }

    // The links are numbered before anything refers to them by number, in the
    // order the cells are met. Most workbooks have none: a look at the
    // formulas alone tells.
    ExternalLinks links(book.ExternalBooks());
    for (int i = 0; i < book.SheetCount(); ++i) {
        const Worksheet& sheet = book.Sheet(i);
        if (sheet.Kind() != SheetKind::Worksheet && sheet.Kind() != SheetKind::Macrosheet)
            continue;
        if (!sheet.AnyFormula([](std::string_view f) { return ExternalLinks::MayLink(f); }))
            continue;
        sheet.ForEachCell({{1, 1}, {kMaxRows, kMaxColumns}}, IterationOrder::RowByRow,
                          [&](const CellView& c) {
                              if (c.kind == CellKind::Formula)
                                  links.Collect(c.formula);
                          });
    }
    for (const auto& n : book.DefinedNames())
        links.Collect(n.formula);

    // What the sheets hold beside their cells is gathered first: it adds
    // content types, relationships and differential formats.
    std::vector<const Worksheet*> contents;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Worksheet& sheet =
            empty ? placeholder.AddSheet("Sheet1") : book.Sheet(static_cast<int>(i));
        const bool cells =
            sheet.Kind() == SheetKind::Worksheet || sheet.Kind() == SheetKind::Macrosheet;
        contents.push_back(cells ? &sheet : &placeholder.AddSheet(placeholder.NextSheetName()));
    }
    PackageExtras extras;
    std::vector<SheetExtras> sheetExtras;
    for (size_t i = 0; i < contents.size(); ++i)
        sheetExtras.push_back(extras.ForSheet(*contents[i], i + 1));
    std::string persons = extras.PersonsXml();
    std::string types = extras.ContentTypes();
    if (!persons.empty()) {
        types +=
            "<Override PartName=\"/xl/persons/person.xml\" "
            "ContentType=\"application/vnd.ms-excel.person+xml\"/>";
    }

    ZipWriter zip(file, level);
    zip.Add("[Content_Types].xml",
            ContentTypesXml(entries.size(), links.Count(), macroEnabled, types));
    zip.Add("_rels/.rels", RootRelsXml());
    zip.Add("xl/workbook.xml", WorkbookXml(book, entries, active, links));
    zip.Add("xl/_rels/workbook.xml.rels",
            WorkbookRelsXml(entries.size(), links.Count(), !persons.empty()));
    SharedStrings strings(&book.Strings());
    for (size_t i = 0; i < contents.size(); ++i) {
        PartWriter part(zip, "xl/worksheets/sheet" + std::to_string(i + 1) + ".xml", pieceBytes);
        WriteSheetXml(*contents[i], static_cast<int>(i) == active, strings, links, sheetExtras[i],
                      part);
    }
    zip.Add("xl/styles.xml", StylesXml(book, extras.DxfsXml()));
    if (!persons.empty())
        zip.Add("xl/persons/person.xml", std::move(persons));
    extras.WriteParts(zip);
    PartWriter sharedStrings(zip, "xl/sharedStrings.xml", pieceBytes);
    strings.Write(sharedStrings);
    for (std::size_t i = 0; i < links.Count(); ++i) {
        const std::string name = "externalLink" + std::to_string(i + 1) + ".xml";
        zip.Add("xl/externalLinks/" + name, links.LinkXml(i));
        zip.Add("xl/externalLinks/_rels/" + name + ".rels", links.LinkRelsXml(i));
    }
    zip.Finish();
}

}  // namespace

WorkbookWriteError::WorkbookWriteError(std::string path, std::string reason)
    : std::runtime_error(path + ": " + reason),
      m_path(std::move(path)),
      m_reason(std::move(reason)) {}

void WriteWorkbookFile(const Workbook& book, const std::string& path, WriteOptions options) {
    const bool macroEnabled =
        options.macros == WriteOptions::Macros::Yes ||
        (options.macros == WriteOptions::Macros::ByExtension && EndsWithNoCase(path, ".xlsm"));
    try {
        if (path.empty())
            throw std::runtime_error("no file name given");
        TempFile temp(path);
        WritePackage(book, temp.File(), macroEnabled, std::clamp(options.compressionLevel, 0, 12),
                     options.pieceBytes > 0 ? options.pieceBytes : xlsx::PartWriter::kPieceBytes);
        temp.CommitAs(path);
    } catch (const WorkbookWriteError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw WorkbookWriteError(path, "out of memory");
    } catch (const std::exception& e) {
        throw WorkbookWriteError(path, e.what());
    }
}

}  // namespace tabulon::spreadsheet
