#include "spreadsheet/reader/xls_reader.h"

#include "spreadsheet/reader/biff_annotations.h"
#include "spreadsheet/reader/biff_cells.h"
#include "spreadsheet/reader/biff_crypto.h"
#include "spreadsheet/reader/biff_formula.h"
#include "spreadsheet/reader/biff_globals.h"
#include "spreadsheet/reader/biff_worksheet_stream.h"
#include "spreadsheet/reader/compound_file.h"
#include "spreadsheet/reader/read_control.h"
#include "spreadsheet/reader/read_error.h"

namespace tabulon::spreadsheet {
namespace {

constexpr unsigned kBiff8 = 0x0600;

class XlsReader {
  public:
    XlsReader(std::string stream, std::string streamName, const std::string& fileName,
              IWorkbookImport& sink)
        : m_stream(std::move(stream)),
          m_streamName(std::move(streamName)),
          m_fileName(fileName),
          m_sink(sink),
          m_text(Version() == kBiff8) {}

    void Run() {
        try {
            Read();
        } catch (const BiffDamage& damage) {
            throw ReadError(m_fileName, m_streamName, 0,
                            std::string("damaged workbook stream: ") + damage.what());
        }
    }

  private:
    unsigned Version() const {
        if (m_stream.size() < 6)
            return 0;
        return static_cast<unsigned char>(m_stream[4]) |
               (static_cast<unsigned char>(m_stream[5]) << 8);
    }

    void Read() {
        if (m_stream.size() < 8 || static_cast<unsigned char>(m_stream[0]) != 0x09)
            throw BiffDamage("the workbook stream does not start with a BOF record");
        if (static_cast<unsigned char>(m_stream[1]) != 0x08) {
            throw ReadError(m_fileName, "", 0,
                            "cannot be read: it is an Excel 4.0 workbook, or a chart or macro "
                            "sheet of Excel 2 to 4, which is not supported");
        }
        m_globals = ReadBiffGlobals(m_stream, m_text);
        if (m_globals.encrypted) {
            // Saved with the default password, it opens like any other.
            if (!DecryptBiffStream(m_stream, m_globals.filePassOffset, m_text.Biff8(),
                                   kBiffDefaultPassword))
                throw ReadError(m_fileName, "", 0,
                                "cannot be read: the workbook is encrypted (password protected)");
            m_globals = ReadBiffGlobals(m_stream, m_text, true);
        }
        m_sink.SetDate1904(m_globals.date1904);
        m_sink.SetDefaultFont(m_globals.styles.FontOf(0));
        for (const CellStyle& style : m_globals.styles.CellStyles())
            m_styles.push_back(m_sink.AddStyle(style));
        m_sst.reserve(m_globals.sst.size());
        for (const std::string& text : m_globals.sst)
            m_sst.push_back(Value::Text(text));
        for (const auto& [index, runs] : m_globals.sstRuns)
            m_sstRuns[index] = BiffRichText(m_globals.sst[index], runs, m_globals.styles);
        SetUpFormulas();
        ReadSheets();
        AddNames();
    }

    void ReadSheets() {
        // Formulas may spell out to many times the stream, not without end.
        std::size_t formulaBudget = 64 * m_stream.size() + (std::size_t{64} << 20);
        const BiffSheetSource source{m_stream,    &m_globals,  &m_sst,         &m_styles, &m_text,
                                     &m_formulas, &m_fileName, &formulaBudget, &m_sstRuns};
        std::vector<std::pair<std::size_t, std::size_t>> read;  // substreams read so far
        m_sheetIndex.assign(m_globals.sheets.size(), -1);
        for (std::size_t s = 0; s < m_globals.sheets.size(); ++s) {
            const BiffSheetInfo& info = m_globals.sheets[s];
            if (info.module)
                continue;
            ThrowIfReadCanceled(m_fileName);
            if (info.offset >= m_stream.size())
                throw BiffDamage("sheet \"" + info.name + "\" starts at offset " +
                                 std::to_string(info.offset) + ", past the end of the stream");
            const SheetKind kind = BiffSubstreamKind(m_stream, info.offset, info.kind);
            const int index = m_sink.AddSheet(SheetNameOf(s), kind, info.state);
            m_sheetIndex[s] = index;
            if (kind == SheetKind::Worksheet || kind == SheetKind::Macrosheet) {
                // Each substream is read once: sheets sharing or nesting their
                // records would make the work grow with the square of the file.
                for (const auto& [start, end] : read) {
                    if (info.offset >= start && info.offset < end)
                        throw BiffDamage("sheet \"" + info.name + "\" starts at offset " +
                                         std::to_string(info.offset) + ", inside another sheet");
                }
                const std::size_t end = ReadBiffCells(source, info.offset, m_sink.Sheet(index));
                for (const auto& [start, other] : read) {
                    if (start >= info.offset && start < end)
                        throw BiffDamage("sheet \"" + info.name + "\" at offset " +
                                         std::to_string(info.offset) + " holds another sheet");
                }
                read.emplace_back(info.offset, end);
            }
        }
        const auto active = static_cast<std::size_t>(m_globals.activeSheet);
        int first = -1;
        for (const int index : m_sheetIndex)
            if (first < 0)
                first = index;
        if (active < m_sheetIndex.size() && m_sheetIndex[active] >= 0)
            m_sink.SetActiveSheet(m_sheetIndex[active]);
        else if (first >= 0)
            m_sink.SetActiveSheet(first);
    }

    // A sheet without a name is given one that no other sheet has.
    std::string SheetNameOf(std::size_t sheet) const {
        if (!m_globals.sheets[sheet].name.empty())
            return m_globals.sheets[sheet].name;
        for (std::size_t n = sheet + 1;; ++n) {
            const std::string name = "Sheet" + std::to_string(n);
            bool taken = false;
            for (const BiffSheetInfo& other : m_globals.sheets)
                taken = taken || other.name == name;
            if (!taken)
                return name;
        }
    }

    void AddNames() {
        for (const BiffName& name : m_globals.names) {
            int local = -1;
            if (name.localSheet >= 0) {
                if (static_cast<std::size_t>(name.localSheet) >= m_sheetIndex.size() ||
                    m_sheetIndex[name.localSheet] < 0)
                    continue;
                local = m_sheetIndex[name.localSheet];
            }
            std::string formula;
            try {
                formula = DecodeBiffFormula(name.tokens, name.extra, 0, 0, m_formulas);
            } catch (const BiffDamage&) {
                continue;  // a name whose tokens cannot be spelled is left out
            }
            if (name.tokens.empty())
                continue;
            m_sink.AddDefinedName(name.name, formula, local, name.hidden);
        }
    }

    std::string SheetName(int index) const {
        if (index < 0 || static_cast<std::size_t>(index) >= m_globals.sheets.size())
            return {};
        return SheetNameOf(static_cast<std::size_t>(index));
    }

    // "[n]" for the n-th external workbook, as formulas of .xlsx files name them.
    std::string ExternalBook(std::size_t book) const {
        int n = 0;
        for (std::size_t i = 0; i <= book && i < m_globals.supBooks.size(); ++i)
            if (m_globals.supBooks[i].kind == BiffSupBook::Kind::External)
                ++n;
        return "[" + std::to_string(n) + "]";
    }

    std::string SheetPrefix(int ixti, int first, int last) const {
        if (!m_text.Biff8()) {
            // BIFF5 tokens carry their sheets; a negative index means this workbook.
            if (ixti > 0 && static_cast<std::size_t>(ixti) <= m_globals.supBooks.size() &&
                m_globals.supBooks[ixti - 1].kind == BiffSupBook::Kind::External)
                return {};
            const std::string a = SheetName(first), b = SheetName(last);
            return a.empty() || b.empty() ? std::string() : BiffSheetPrefix(a, b);
        }
        if (ixti < 0 || static_cast<std::size_t>(ixti) >= m_globals.externSheets.size())
            return {};
        const BiffExternSheet& sheet = m_globals.externSheets[ixti];
        if (sheet.book >= m_globals.supBooks.size())
            return {};
        const BiffSupBook& book = m_globals.supBooks[sheet.book];
        if (book.kind == BiffSupBook::Kind::Self) {
            const std::string a = SheetName(sheet.first), b = SheetName(sheet.last);
            return a.empty() || b.empty() ? std::string() : BiffSheetPrefix(a, b);
        }
        if (book.kind == BiffSupBook::Kind::External && sheet.first >= 0 &&
            static_cast<std::size_t>(sheet.first) < book.sheets.size()) {
            return ExternalBook(sheet.book) +
                   BiffSheetPrefix(book.sheets[sheet.first], book.sheets[sheet.first]);
        }
        return {};
    }

    std::string OwnName(unsigned index) const {
        if (index == 0 || index > m_globals.names.size())
            throw BiffDamage("defined name " + std::to_string(index) + " of " +
                             std::to_string(m_globals.names.size()));
        return m_globals.names[index - 1].name;
    }

    std::string ExternName(int ixti, unsigned index) const {
        const BiffSupBook* book = nullptr;
        std::size_t bookIndex = 0;
        if (m_text.Biff8()) {
            if (ixti >= 0 && static_cast<std::size_t>(ixti) < m_globals.externSheets.size())
                bookIndex = m_globals.externSheets[ixti].book;
            else
                throw BiffDamage("external sheet " + std::to_string(ixti) + " of a name");
        } else {
            if (ixti < 0)
                return OwnName(index);
            bookIndex = static_cast<std::size_t>(ixti) - 1;
        }
        if (bookIndex < m_globals.supBooks.size())
            book = &m_globals.supBooks[bookIndex];
        if (!book)
            throw BiffDamage("external name of a missing workbook");
        if (book->kind == BiffSupBook::Kind::Self)
            return OwnName(index);
        if (index == 0 || index > book->names.size())
            throw BiffDamage("external name " + std::to_string(index) + " of " +
                             std::to_string(book->names.size()));
        const std::string& name = book->names[index - 1];
        return book->kind == BiffSupBook::Kind::AddIn ? name : ExternalBook(bookIndex) + name;
    }

    void SetUpFormulas() {
        m_formulas.text = &m_text;
        m_formulas.sheetPrefix = [this](int ixti, int first, int last) {
            return SheetPrefix(ixti, first, last);
        };
        m_formulas.name = [this](unsigned index) { return OwnName(index); };
        m_formulas.externName = [this](int ixti, unsigned index) {
            return ExternName(ixti, index);
        };
    }

    std::string m_stream;
    std::string m_streamName;
    const std::string& m_fileName;
    IWorkbookImport& m_sink;
    BiffText m_text;
    BiffGlobals m_globals;
    std::vector<int> m_styles;
    std::vector<Value> m_sst;
    std::map<std::size_t, RichText> m_sstRuns;
    std::vector<int> m_sheetIndex;
    BiffFormulaContext m_formulas;
};

}  // namespace

void ReadXls(const void* data, std::size_t size, const std::string& fileName,
             IWorkbookImport& sink) {
    const CompoundFile file(data, size);
    std::string streamName = "Workbook";
    auto stream = file.ReadStream(streamName);
    if (!stream) {
        streamName = "Book";
        stream = file.ReadStream(streamName);
    }
    if (!stream) {
        throw ReadError(
            fileName +
            ": cannot be read as .xls: damaged or truncated compound file (the workbook "
            "stream cannot be followed through its allocation tables)");
    }
    ReadXlsStream(std::move(*stream), streamName, fileName, sink);
}

void ReadXlsStream(std::string stream, const std::string& streamName, const std::string& fileName,
                   IWorkbookImport& sink) {
    if (BiffWorksheetVersion(stream) != 0) {
        try {
            ReadBiffWorksheetStream(stream, fileName, sink);
        } catch (const BiffDamage& damage) {
            throw ReadError(fileName, streamName, 0,
                            std::string("damaged worksheet stream: ") + damage.what());
        }
        return;
    }
    XlsReader(std::move(stream), streamName, fileName, sink).Run();
}

}  // namespace tabulon::spreadsheet
