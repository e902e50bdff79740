#include "spreadsheet/reader/biff_worksheet_stream.h"

#include <algorithm>
#include <map>

#include "spreadsheet/reader/biff_cells.h"
#include "spreadsheet/reader/biff_globals.h"
#include "spreadsheet/reader/read_control.h"

namespace tabulon::spreadsheet {
namespace {

// Records of Excel 2 to 4 whose form differs from BIFF5.
constexpr unsigned kBlank2 = 0x0001;
constexpr unsigned kInteger2 = 0x0002;
constexpr unsigned kNumber2 = 0x0003;
constexpr unsigned kLabel2 = 0x0004;
constexpr unsigned kBoolErr2 = 0x0005;
constexpr unsigned kFormula2 = 0x0006;  // the BIFF5 FORMULA from Excel 5 on
constexpr unsigned kString2 = 0x0007;
constexpr unsigned kRow2 = 0x0008;
constexpr unsigned kFormat23 = 0x001E;
constexpr unsigned kArray2 = 0x0021;
constexpr unsigned kColWidth2 = 0x0024;
constexpr unsigned kDefaultRowHeight2 = 0x0025;
constexpr unsigned kFont2 = 0x0031;  // the BIFF5 FONT from Excel 5 on
constexpr unsigned kXf2 = 0x0043;
constexpr unsigned kIxfe2 = 0x0044;
constexpr unsigned kFontColor2 = 0x0045;
constexpr unsigned kFormula3 = 0x0206;
constexpr unsigned kArray3 = 0x0221;  // the BIFF5 ARRAY from Excel 5 on
constexpr unsigned kFont3 = 0x0231;
constexpr unsigned kXf3 = 0x0243;
constexpr unsigned kFormula4 = 0x0406;  // read as FORMULA by BIFF5 readers
constexpr unsigned kFormat4 = 0x041E;   // the BIFF5 FORMAT from Excel 5 on
constexpr unsigned kXf4 = 0x0443;
// Records of every version.
constexpr unsigned kCodePage = 0x0042;
constexpr unsigned kDateMode = 0x0022;
constexpr unsigned kPalette = 0x0092;
constexpr unsigned kXf5 = 0x00E0;

// Excel 2 cells with more distinct attribute bytes than this show the rest in
// the default format: a style per cell would be unbounded.
constexpr std::size_t kMaxAttributeStyles = 4096;

unsigned U16At(std::string_view s, std::size_t pos) {
    return static_cast<unsigned char>(s[pos]) | (static_cast<unsigned char>(s[pos + 1]) << 8);
}

void Put16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

bool IsBof(unsigned id) {
    return id == 0x0009 || id == 0x0209 || id == 0x0409 || id == biff::kBof;
}

// Records whose Excel 3 and 4 form is the BIFF5 one, passed on as they are:
// the size of their fixed part, 0 for other records.
std::size_t FixedPart(unsigned id) {
    switch (id) {
        case 0x0201:  // BLANK
            return 6;
        case 0x0203:  // NUMBER
            return 14;
        case 0x0204:  // LABEL
        case 0x0205:  // BOOLERR
            return 8;
        case 0x0207:  // STRING
        case 0x0055:  // DEFCOLWIDTH
        case 0x0099:  // STANDARDWIDTH
            return 2;
        case 0x027E:  // RK
        case 0x007D:  // COLINFO
            return 10;
        case 0x0208:  // ROW
            return 16;
        case 0x0225:  // DEFAULTROWHEIGHT
            return 4;
        default:
            return 0;
    }
}

// Records of the sheets of Excel 5 and later: passed on from such streams.
bool Biff5SheetRecord(unsigned id) {
    switch (id) {
        case 0x0006:  // FORMULA
        case 0x0406:
        case 0x0221:  // ARRAY
        case 0x04BC:  // SHRFMLA
        case 0x00BC:
        case 0x0236:  // TABLE
        case 0x00BD:  // MULRK
        case 0x00BE:  // MULBLANK
        case 0x00D6:  // RSTRING
        case 0x00E5:  // MERGEDCELLS
        case 0x001C:  // NOTE
        case 0x005D:  // OBJ
        case 0x01B6:  // TXO
        case 0x01B8:  // HLINK
        case 0x0800:  // HLINKTOOLTIP
        case biff::kContinue:
            return true;
        default:
            return false;
    }
}

class WorksheetStream {
  public:
    WorksheetStream(std::string_view stream, int version, const std::string& fileName,
                    IWorkbookImport& sink)
        : m_stream(stream),
          m_version(version),
          m_fileName(fileName),
          m_sink(sink),
          m_text(version == 8) {}

    void Run() {
        ForEachRecord([this](const BiffRecord& r) { Formatting(r); });
        std::string bof;
        for (const unsigned v : {m_version == 8 ? 0x0600u : 0x0500u, 0x0010u, 0u, 0u})
            Put16(bof, v);
        Emit(biff::kBof, bof);
        ForEachRecord([this](const BiffRecord& r) { Translate(r); });
        Emit(biff::kEof, {});

        m_sink.SetDate1904(m_globals.date1904);
        m_sink.SetDefaultFont(m_globals.styles.FontOf(0));
        std::vector<int> styles;
        for (const CellStyle& style : m_globals.styles.CellStyles())
            styles.push_back(m_sink.AddStyle(style));
        BiffFormulaContext formulas;
        formulas.text = &m_text;
        formulas.legacyVersion = m_version < 5 ? m_version : 0;
        formulas.sheetPrefix = [](int, int, int) { return std::string(); };
        formulas.name = [](unsigned) -> std::string {
            throw BiffDamage("a defined name in a worksheet file");
        };
        formulas.externName = [](int, unsigned) -> std::string {
            throw BiffDamage("an external name in a worksheet file");
        };
        const std::vector<Value> noStrings;
        std::size_t formulaBudget = 64 * m_sheet.size() + (std::size_t{64} << 20);
        const BiffSheetSource source{m_sheet,   &m_globals,  &noStrings,     &styles, &m_text,
                                     &formulas, &m_fileName, &formulaBudget, nullptr};
        const int index = m_sink.AddSheet("Sheet1", SheetKind::Worksheet, SheetState::Visible);
        ReadBiffCells(source, 0, m_sink.Sheet(index));
        m_sink.SetActiveSheet(index);
    }

  private:
    // Calls `handle` for each record of the worksheet itself, leaving out
    // charts embedded in it; BiffDamage names the record at fault.
    template <typename Handle>
    void ForEachRecord(Handle handle) {
        BiffRecords records(m_stream, 0);
        BiffRecord r;
        int depth = 0;
        unsigned count = 0;
        while (records.Next(r)) {
            if (++count % 4096 == 0)
                ThrowIfReadCanceled(m_fileName);
            if (IsBof(r.id)) {
                ++depth;
                continue;
            }
            if (r.id == biff::kEof) {
                if (--depth <= 0)
                    return;
                continue;
            }
            if (depth != 1)
                continue;
            try {
                handle(r);
            } catch (const BiffDamage& damage) {
                throw BiffDamage(BiffPlace(r) + damage.what());
            }
        }
    }

    // The first pass: code page, date system and the formatting records,
    // which the cells need before them.
    void Formatting(const BiffRecord& r) {
        BiffCursor c(r.data);
        BiffStyles& styles = m_globals.styles;
        switch (r.id) {
            case kCodePage:
                if (m_version != 8)
                    m_text.SetCodePage(c.U16());
                return;
            case kDateMode:
                m_globals.date1904 = c.U16() == 1;
                return;
            case kFont2:
                if (m_version >= 5)
                    return styles.Font(c, m_text);
                return styles.LegacyFont(c, m_text, 2);
            case kFont3:
                if (m_version == 3 || m_version == 4)
                    styles.LegacyFont(c, m_text, 3);
                return;
            case kFontColor2:
                return styles.SetLastFontColor(c.U16());
            case kFormat23:
            case kFormat4:
                return Format(r);
            case kXf2:
            case kXf3:
            case kXf4:
            case kXf5: {
                // Only the XF records of the stream's own version count, as
                // in spreadsheet applications; the others are of no version
                // the cells could be meant for.
                const int version = r.id == kXf2 ? 2 : r.id == kXf3 ? 3 : r.id == kXf4 ? 4 : 5;
                if (version != std::min(m_version, 5))
                    return;
                m_hasXfs = true;
                if (version == 5)
                    return styles.Xf(c, m_version == 8);
                return styles.LegacyXf(c, version);
            }
            case kPalette:
                return styles.Palette(c);
            default:
                return;
        }
    }

    // Excel 2 to 4 number their formats in order; from Excel 5 on FORMAT
    // gives its number. A code that cannot be read leaves its cells to
    // General.
    void Format(const BiffRecord& r) {
        BiffCursor c(r.data);
        try {
            if (m_version >= 5) {
                if (r.id == kFormat4)
                    m_globals.styles.Format(c, m_text);
                return;
            }
            if (r.id == kFormat4)
                c.Skip(2);
            m_globals.styles.AddFormat(m_formats++, m_text.String(c, 1));
        } catch (const BiffDamage&) {
        }
    }

    // The second pass: the sheet's records in their BIFF5 form.
    void Translate(const BiffRecord& r) {
        BiffCursor c(r.data);
        switch (r.id) {
            case kBlank2:
                return Emit(0x0201, CellHead(c));
            case kInteger2: {
                std::string body = CellHead(c);
                const double d = c.U16();
                body.append(reinterpret_cast<const char*>(&d), 8);
                return Emit(0x0203, body);
            }
            case kNumber2: {
                std::string body = CellHead(c);
                return Emit(0x0203, body.append(c.Bytes(8)));
            }
            case kLabel2: {
                std::string body = CellHead(c);
                return Emit(0x0204, body.append(ShortString(c)));
            }
            case kBoolErr2: {
                std::string body = CellHead(c);
                return Emit(0x0205, body.append(c.Bytes(2)));
            }
            case kFormula2:
                if (m_version >= 5)
                    return Emit(r.id, r.data);
                return Formula2(c);
            case kString2:
                return Emit(0x0207, ShortString(c));
            case kArray2: {
                std::string body(c.Bytes(6));
                Put16(body, c.U8());
                body.append(4, '\0');  // no cache id
                Put16(body, c.U8());
                return Emit(kArray3, body.append(c.Rest()));
            }
            case kFormula3:
            case kFormula4:
            case kArray3:
                if (m_version >= 5)
                    return Emit(r.id, r.data);
                // Excel 3 and 4 lack the cache id of BIFF5 before the tokens.
                return WithCacheId(r, r.id == kArray3 ? 8 : 16);
            case kRow2:
                return Row2(c);
            case kColWidth2: {
                const unsigned first = c.U8(), last = c.U8(), width = c.U16();
                std::string body;
                for (const unsigned v : {first, last, width, 0xFFFFu, 2u, 0u})  // set by the user
                    Put16(body, v);
                return Emit(0x007D, body);
            }
            case kDefaultRowHeight2: {
                std::string body;
                Put16(body, 0);
                Put16(body, c.U16() & 0x7FFF);
                return Emit(0x0225, body);
            }
            case kIxfe2:
                m_ixfe = c.U16();
                return;
            default:
                if (const std::size_t fixed = FixedPart(r.id)) {
                    Check(r, fixed);
                    Emit(r.id, r.data);
                } else if (m_version >= 5 && Biff5SheetRecord(r.id)) {
                    Emit(r.id, r.data);
                }
                return;
        }
    }

    // A record passed on is checked here, where its place in the file is
    // known: its fixed part, and the text of LABEL and STRING.
    void Check(const BiffRecord& r, std::size_t fixed) const {
        std::size_t size = fixed;
        if (r.data.size() >= fixed && m_version < 8 && (r.id == 0x0204 || r.id == 0x0207))
            size += U16At(r.data, fixed - 2);
        if (r.data.size() < size)
            throw BiffDamage("record too short: " + std::to_string(size) + " bytes needed, " +
                             std::to_string(r.data.size()) + " there");
    }

    // Row, column and XF of an Excel 2 cell: its three attribute bytes stand
    // for an XF.
    std::string CellHead(BiffCursor& c) {
        std::string head;
        Put16(head, c.U16());
        Put16(head, c.U16());
        Put16(head, AttributeXf(c.Bytes(3)));
        return head;
    }

    unsigned AttributeXf(std::string_view attributes) {
        const auto byte = [&](int i) { return static_cast<unsigned char>(attributes[i]); };
        // With XF records in the file the first byte picks one; 63 means the
        // IXFE record before the cell does.
        if (m_hasXfs) {
            const unsigned xf = byte(0) & 0x3F;
            return xf == 63 ? m_ixfe : xf;
        }
        const unsigned key = (byte(0) & 0xC0) | (byte(1) << 8) | (byte(2) << 16);
        if (const auto it = m_attributeXfs.find(key); it != m_attributeXfs.end())
            return it->second;
        const std::size_t index = m_globals.styles.XfCount();
        if (m_attributeXfs.size() >= kMaxAttributeStyles || index >= 0xFFFF)
            return 0xFFFF;
        m_globals.styles.AttributeXf(byte(1) >> 6, (byte(1) & 0x3F) | (byte(0) & 0xC0), byte(2));
        m_attributeXfs.emplace(key, static_cast<unsigned>(index));
        return static_cast<unsigned>(index);
    }

    // A string with a one-byte count as BIFF5 spells it, with a two-byte
    // count (and in BIFF8 an option byte). A count past the record reads
    // what the record holds.
    std::string ShortString(BiffCursor& c) const {
        const std::size_t count = c.U8();
        const std::string_view bytes = c.Bytes(std::min(count, c.Left()));
        std::string out;
        Put16(out, static_cast<unsigned>(bytes.size()));
        if (m_version == 8)
            out += '\0';
        return out.append(bytes);
    }

    void Formula2(BiffCursor& c) {
        std::string body = CellHead(c);
        body.append(c.Bytes(8));  // the cached result
        Put16(body, c.U8());      // options
        body.append(4, '\0');     // no cache id
        Put16(body, c.U8());      // size of the tokens
        Emit(0x0006, body.append(c.Rest()));
    }

    void WithCacheId(const BiffRecord& r, std::size_t at) {
        if (r.data.size() < at + 2)
            throw BiffDamage("record too short: " + std::to_string(r.data.size()) + " bytes");
        std::string body(r.data.substr(0, at));
        body.append(4, '\0');
        Emit(r.id == kArray3 ? kArray3 : 0x0006, body.append(r.data.substr(at)));
    }

    // Excel 2 rows: bit 15 of the height marks the default height; any other
    // height was set by the user.
    void Row2(BiffCursor& c) {
        std::string body;
        Put16(body, c.U16());
        Put16(body, c.U16());
        Put16(body, c.U16());
        const unsigned height = c.U16();
        Put16(body, height);
        Put16(body, 0);
        Put16(body, 0);
        Put16(body, 0x0100 | ((height & 0x8000) ? 0 : 0x40));
        Put16(body, 0);
        Emit(0x0208, body);
    }

    void Emit(unsigned id, std::string_view body) {
        // Lengthened records keep to the limit of a record.
        body = body.substr(0, 0xFFFF);
        Put16(m_sheet, id);
        Put16(m_sheet, static_cast<unsigned>(body.size()));
        m_sheet.append(body);
    }

    std::string_view m_stream;
    int m_version;
    const std::string& m_fileName;
    IWorkbookImport& m_sink;
    BiffText m_text;
    BiffGlobals m_globals;
    bool m_hasXfs = false;
    unsigned m_formats = 0;  // FORMAT records so far
    unsigned m_ixfe = 0;
    std::map<unsigned, unsigned> m_attributeXfs;  // attribute bytes -> XF index
    std::string m_sheet;                          // the records in their BIFF5 form
};

}  // namespace

int BiffWorksheetVersion(std::string_view stream) {
    if (stream.size() < 8)
        return 0;
    const unsigned length = U16At(stream, 2);
    if (length < 4 || 4 + length > stream.size() || U16At(stream, 6) != 0x0010)
        return 0;
    switch (U16At(stream, 0)) {
        case 0x0009:
            return 2;
        case 0x0209:
            return 3;
        case 0x0409:
            return 4;
        case biff::kBof:
            return U16At(stream, 4) == 0x0600 ? 8 : 5;
        default:
            return 0;
    }
}

void ReadBiffWorksheetStream(std::string_view stream, const std::string& fileName,
                             IWorkbookImport& sink) {
    const int version = BiffWorksheetVersion(stream);
    if (version == 0)
        throw BiffDamage("the stream does not start with the BOF record of a worksheet");
    WorksheetStream(stream, version, fileName, sink).Run();
}

}  // namespace tabulon::spreadsheet
