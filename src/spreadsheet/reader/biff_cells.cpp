#include "spreadsheet/reader/biff_cells.h"

#include <cstring>
#include <map>
#include <optional>

#include "spreadsheet/reader/biff_annotations.h"
#include "spreadsheet/reader/biff_sheet_layout.h"
#include "spreadsheet/reader/read_control.h"

namespace tabulon::spreadsheet {
namespace {

constexpr unsigned kFormula = 0x0006;
constexpr unsigned kFormulaOld = 0x0406;
constexpr unsigned kNumber = 0x0203;
constexpr unsigned kRk = 0x027E;
constexpr unsigned kMulRk = 0x00BD;
constexpr unsigned kLabelSst = 0x00FD;
constexpr unsigned kLabel = 0x0204;
constexpr unsigned kRString = 0x00D6;
constexpr unsigned kBoolErr = 0x0205;
constexpr unsigned kBlank = 0x0201;
constexpr unsigned kMulBlank = 0x00BE;
constexpr unsigned kString = 0x0207;
constexpr unsigned kShrFmla = 0x04BC;
constexpr unsigned kShrFmlaOld = 0x00BC;
constexpr unsigned kArray = 0x0221;
constexpr unsigned kTable = 0x0236;
constexpr unsigned kWsBool = 0x0081;
constexpr unsigned kDimensions = 0x0200;

Value ErrorValue(unsigned code) {
    switch (code) {
        case 0x00:
        case 0x07:
        case 0x0F:
        case 0x17:
        case 0x1D:
        case 0x24:
        case 0x2A:
            return Value::Error(static_cast<ErrorCode>(code));
        default:
            return Value::Error(ErrorCode::NA);
    }
}

// A formula cell waits for the records that complete it: the STRING with its
// text result, the SHRFMLA or ARRAY that holds its tokens.
struct Pending {
    CellRef cell;
    int style = 0;
    Value cached;
    std::string formula;
    bool hasFormula = false;
    bool awaitsAnchor = false;
    int anchorRow = 0, anchorCol = 0;
};

struct SharedTokens {
    std::string tokens, extra;
    int lastRow = 0, lastCol = 0;
};

class SheetReader {
  public:
    SheetReader(const BiffSheetSource& source, ISheetImport& sink)
        : m_source(source),
          m_sink(sink),
          m_biff8(source.text->Biff8()),
          m_annotations(*source.text, source.globals ? &source.globals->styles : nullptr, sink) {}

    std::size_t Run(std::size_t offset) {
        BiffRecords records(m_source.stream, offset);
        BiffRecord r;
        int depth = 0;
        unsigned count = 0;
        while (records.Next(r)) {
            if (++count % 4096 == 0)
                ThrowIfReadCanceled(*m_source.fileName);
            try {
                if (r.id == biff::kBof) {
                    ++depth;
                    continue;
                }
                if (depth == 0)
                    throw BiffDamage("the sheet does not start with a BOF record");
                if (r.id == biff::kEof) {
                    if (--depth == 0)
                        break;
                    continue;
                }
                if (depth > 1)
                    continue;  // an embedded chart
                Record(r, records);
            } catch (const BiffDamage& damage) {
                throw BiffDamage(BiffPlace(r) + damage.what());
            }
        }
        Flush();
        m_annotations.Finish();
        return records.Position();
    }

  private:
    // A cell naming an XF the file lacks shows in the default cell format,
    // XF 15 (the first XF in files with fewer).
    int Style(unsigned xf) const {
        const std::vector<int>& styles = *m_source.styles;
        if (xf < styles.size())
            return styles[xf];
        return styles.size() > 15 ? styles[15] : styles.empty() ? 0 : styles[0];
    }
    static bool Cell(unsigned row, unsigned col, CellRef& cell) {
        if (row >= static_cast<unsigned>(kMaxRows) || col >= static_cast<unsigned>(kMaxColumns))
            return false;
        cell = CellRef{static_cast<int>(row) + 1, static_cast<int>(col) + 1};
        return true;
    }

    void Record(const BiffRecord& r, BiffRecords& records) {
        if (m_pending && r.id != kString && r.id != kShrFmla && r.id != kShrFmlaOld &&
            r.id != kArray && r.id != kTable && r.id != biff::kContinue)
            Flush();
        BiffCursor c(r.data);
        CellRef cell;
        switch (r.id) {
            case kNumber: {
                const unsigned row = c.U16(), col = c.U16(), xf = c.U16();
                const double d = c.F64();
                if (Cell(row, col, cell))
                    m_sink.SetCell(cell, Value::Number(d), Style(xf));
                return;
            }
            case kRk: {
                const unsigned row = c.U16(), col = c.U16(), xf = c.U16();
                const double d = BiffRkValue(c.U32());
                if (Cell(row, col, cell))
                    m_sink.SetCell(cell, Value::Number(d), Style(xf));
                return;
            }
            case kMulRk: {
                const unsigned row = c.U16(), first = c.U16();
                const std::size_t n = r.data.size() >= 6 ? (r.data.size() - 6) / 6 : 0;
                for (std::size_t i = 0; i < n; ++i) {
                    const unsigned xf = c.U16();
                    const double d = BiffRkValue(c.U32());
                    if (Cell(row, first + static_cast<unsigned>(i), cell))
                        m_sink.SetCell(cell, Value::Number(d), Style(xf));
                }
                return;
            }
            case kLabelSst: {
                const unsigned row = c.U16(), col = c.U16(), xf = c.U16();
                const std::uint32_t index = c.U32();
                if (index >= m_source.sst->size())
                    throw BiffDamage("shared string " + std::to_string(index) + " of " +
                                     std::to_string(m_source.sst->size()));
                if (Cell(row, col, cell)) {
                    m_sink.SetSharedString(cell, index, (*m_source.sst)[index], Style(xf));
                    if (m_source.sstRuns) {
                        if (const auto it = m_source.sstRuns->find(index);
                            it != m_source.sstRuns->end())
                            m_sink.SetTextRuns(cell, it->second);
                    }
                }
                return;
            }
            case kLabel:
            case kRString: {
                const unsigned row = c.U16(), col = c.U16(), xf = c.U16();
                std::vector<BiffRun> runs;
                std::string text = m_source.text->String(c, 2);
                if (r.id == kRString)
                    runs = StringRuns(c);
                if (!Cell(row, col, cell))
                    return;
                m_sink.SetCell(cell, Value::Text(text), Style(xf));
                if (!runs.empty() && m_source.globals)
                    m_sink.SetTextRuns(cell, BiffRichText(text, runs, m_source.globals->styles));
                return;
            }
            case kBoolErr: {
                const unsigned row = c.U16(), col = c.U16(), xf = c.U16();
                const unsigned value = c.U8();
                const bool error = c.U8();
                if (Cell(row, col, cell))
                    m_sink.SetCell(cell, error ? ErrorValue(value) : Value::Boolean(value != 0),
                                   Style(xf));
                return;
            }
            case kBlank: {
                const unsigned row = c.U16(), col = c.U16(), xf = c.U16();
                if (Cell(row, col, cell))
                    m_sink.SetCell(cell, Value(), Style(xf));
                return;
            }
            case kMulBlank: {
                const unsigned row = c.U16(), first = c.U16();
                const std::size_t n = r.data.size() >= 6 ? (r.data.size() - 6) / 2 : 0;
                for (std::size_t i = 0; i < n; ++i) {
                    const unsigned xf = c.U16();
                    if (Cell(row, first + static_cast<unsigned>(i), cell))
                        m_sink.SetCell(cell, Value(), Style(xf));
                }
                return;
            }
            case kFormula:
            case kFormulaOld:
                return Formula(c);
            case kString:
                if (m_pending) {
                    const BiffBody body = records.Continued(r);
                    BiffCursor all(body.bytes, &body.breaks);
                    m_pending->cached = Value::Text(m_source.text->String(all, 2));
                }
                return;
            case kShrFmla:
            case kShrFmlaOld:
                return Shared(c, false);
            case kArray:
                return Shared(c, true);
            case kTable:
                return;  // the cells keep their cached results
            default:
                if (!m_annotations.Record(r, records))
                    ReadBiffLayoutRecord(r, *m_source.styles, m_sink);
                return;
        }
    }

    // The runs after the text of an RSTRING record.
    std::vector<BiffRun> StringRuns(BiffCursor& c) const {
        std::vector<BiffRun> runs;
        const unsigned count = m_biff8 ? c.U16() : c.U8();
        for (unsigned i = 0; i < count && c.Left() >= (m_biff8 ? 4u : 2u); ++i) {
            BiffRun run;
            run.first = m_biff8 ? c.U16() : c.U8();
            run.font = m_biff8 ? c.U16() : c.U8();
            runs.push_back(run);
        }
        return runs;
    }

    void Formula(BiffCursor& c) {
        const unsigned row = c.U16(), col = c.U16(), xf = c.U16();
        const std::string_view result = c.Bytes(8);
        c.Skip(2 + 4);  // options, cache id
        const unsigned size = c.U16();
        const std::string_view tokens = c.Bytes(std::min<std::size_t>(size, c.Left()));
        const std::string_view extra = c.Rest();
        Pending p;
        if (!Cell(row, col, p.cell))
            return;
        p.style = Style(xf);
        const auto byte = [&](int i) { return static_cast<unsigned char>(result[i]); };
        if (byte(6) == 0xFF && byte(7) == 0xFF) {
            switch (byte(0)) {
                case 0:
                    p.cached = Value::Text({});  // the STRING record follows
                    break;
                case 1:
                    p.cached = Value::Boolean(byte(2) != 0);
                    break;
                case 2:
                    p.cached = ErrorValue(byte(2));
                    break;
                case 3:
                    p.cached = Value::Text({});
                    break;
                default:
                    break;
            }
        } else {
            double d;
            std::memcpy(&d, result.data(), 8);
            p.cached = Value::Number(d);
        }
        if (!tokens.empty() && (tokens[0] == 0x01 || tokens[0] == 0x02)) {
            // Part of a shared, array or table formula anchored at another cell.
            if (tokens.size() < 5) {
                m_pending = std::move(p);
                return Flush();
            }
            BiffCursor anchor(tokens.substr(1));
            p.anchorRow = anchor.U16();
            p.anchorCol = m_biff8 ? anchor.U16() : anchor.U16() & 0xFF;
            if (tokens[0] == 0x01) {
                p.awaitsAnchor = true;
                m_pending = std::move(p);
                ResolveAnchor();
            } else {
                m_pending = std::move(p);
            }
            return;
        }
        p.hasFormula =
            Decode(tokens, extra, static_cast<int>(row), static_cast<int>(col), p.formula);
        m_pending = std::move(p);
    }

    bool Decode(std::string_view tokens, std::string_view extra, int row, int col,
                std::string& out) {
        // Shared formulas are spelled once per cell: a small file could make
        // that endless. The work is held to a budget for the whole workbook.
        std::size_t& budget = *m_source.formulaBudget;
        if (budget < tokens.size())
            throw BiffDamage("shared formulas expand beyond any real workbook");
        budget -= tokens.size();
        try {
            out = DecodeBiffFormula(tokens, extra, row, col, *m_source.formulas);
        } catch (const BiffDamage&) {
            // Tokens this reader cannot spell: the cell keeps its cached result.
            return false;
        }
        if (budget < out.size())
            throw BiffDamage("shared formulas expand beyond any real workbook");
        budget -= out.size();
        return true;
    }

    void ResolveAnchor() {
        Pending& p = *m_pending;
        const int row = p.cell.row - 1, col = p.cell.col - 1;
        const auto key = std::make_pair(p.anchorRow, p.anchorCol);
        if (const auto it = m_shared.find(key); it != m_shared.end()) {
            p.awaitsAnchor = false;
            p.hasFormula = Decode(it->second.tokens, it->second.extra, row, col, p.formula);
        } else if (const auto a = m_arrays.find(key); a != m_arrays.end()) {
            p.awaitsAnchor = false;
            p.hasFormula = row == p.anchorRow && col == p.anchorCol;
            if (p.hasFormula)
                p.formula = a->second;
        }
    }

    void Shared(BiffCursor& c, bool array) {
        const unsigned r1 = c.U16(), r2 = c.U16();
        const unsigned c1 = c.U8(), c2 = c.U8();
        if (array)
            c.Skip(2 + 4);
        else
            c.Skip(2);
        const unsigned size = c.U16();
        const std::string_view tokens = c.Bytes(std::min<std::size_t>(size, c.Left()));
        const auto key = std::make_pair(static_cast<int>(r1), static_cast<int>(c1));
        if (array) {
            std::string text;
            if (Decode(tokens, c.Rest(), static_cast<int>(r1), static_cast<int>(c1), text)) {
                m_arrays[key] = text;
                CellRef first, last;
                if (r1 <= r2 && c1 <= c2 && Cell(r1, c1, first) && Cell(r2, c2, last))
                    m_sink.SetArrayFormula(RangeRef{first, last}, text);
            }
        } else {
            m_shared[key] = SharedTokens{std::string(tokens), std::string(c.Rest()),
                                         static_cast<int>(r2), static_cast<int>(c2)};
        }
        if (m_pending && m_pending->awaitsAnchor)
            ResolveAnchor();
    }

    void Flush() {
        if (!m_pending)
            return;
        const Pending& p = *m_pending;
        if (p.hasFormula)
            m_sink.SetFormula(p.cell, p.formula, p.cached, p.style);
        else
            m_sink.SetCell(p.cell, p.cached, p.style);
        m_pending.reset();
    }

    const BiffSheetSource& m_source;
    ISheetImport& m_sink;
    bool m_biff8;
    std::optional<Pending> m_pending;
    std::map<std::pair<int, int>, SharedTokens> m_shared;
    std::map<std::pair<int, int>, std::string> m_arrays;
    BiffAnnotations m_annotations;
};

}  // namespace

double BiffRkValue(std::uint32_t rk) {
    double d;
    if (rk & 0x02) {
        d = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = std::uint64_t{rk & 0xFFFFFFFCu} << 32;
        std::memcpy(&d, &bits, 8);
    }
    return (rk & 0x01) ? d / 100 : d;
}

SheetKind BiffSubstreamKind(std::string_view stream, std::size_t offset, SheetKind listed) {
    BiffRecords records(stream, offset);
    BiffRecord r;
    if (!records.Next(r) || r.id != biff::kBof)
        throw BiffDamage("no sheet starts at offset " + std::to_string(offset));
    // The substream's own BOF decides where it names a known type; some
    // writers fill the BOUNDSHEET type in wrongly.
    BiffCursor bof(r.data);
    bof.Skip(2);
    const unsigned type = r.data.size() >= 4 ? bof.U16() : 0x10;
    if (type == 0x20)
        return SheetKind::Chartsheet;
    if (type == 0x40)
        return SheetKind::Macrosheet;
    if (type != 0x10 || listed == SheetKind::Macrosheet)
        return listed;
    // WSBOOL comes early in a sheet: a few records are enough.
    for (int n = 0; n < 64 && records.Next(r) && r.id != biff::kEof && r.id != kDimensions; ++n) {
        if (r.id == kWsBool && r.data.size() >= 2 && (static_cast<unsigned char>(r.data[0]) & 0x10))
            return SheetKind::Dialogsheet;
    }
    return SheetKind::Worksheet;
}

std::size_t ReadBiffCells(const BiffSheetSource& source, std::size_t offset, ISheetImport& sink) {
    return SheetReader(source, sink).Run(offset);
}

}  // namespace tabulon::spreadsheet
