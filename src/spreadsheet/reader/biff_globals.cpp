#include "spreadsheet/reader/biff_globals.h"

#include <cstdio>

namespace tabulon::spreadsheet {
namespace {

constexpr unsigned kFilePass = 0x002F;
constexpr unsigned kCodePage = 0x0042;
constexpr unsigned kDateMode = 0x0022;
constexpr unsigned kBoundSheet = 0x0085;
constexpr unsigned kWindow1 = 0x003D;
constexpr unsigned kSst = 0x00FC;
constexpr unsigned kFont = 0x0031;
constexpr unsigned kFormat = 0x041E;
constexpr unsigned kXf = 0x00E0;
constexpr unsigned kPalette = 0x0092;
constexpr unsigned kSupBook = 0x01AE;
constexpr unsigned kExternName = 0x0023;
constexpr unsigned kExternSheet = 0x0017;
constexpr unsigned kName = 0x0018;

// The names of the built-in defined names by their one-character code.
constexpr const char* kBuiltinNames[] = {
    "Consolidate_Area", "Auto_Open",       "Auto_Close",   "Extract",        "Database",
    "Criteria",         "Print_Area",      "Print_Titles", "Recorder",       "Data_Form",
    "Auto_Activate",    "Auto_Deactivate", "Sheet_Title",  "_FilterDatabase"};

BiffSheetInfo BoundSheet(BiffCursor& c, BiffText& text) {
    BiffSheetInfo sheet;
    sheet.offset = c.U32();
    switch (c.U8() & 3) {
        case 1:
            sheet.state = SheetState::Hidden;
            break;
        case 2:
            sheet.state = SheetState::VeryHidden;
            break;
        default:
            break;
    }
    switch (c.U8()) {
        case 1:
            sheet.kind = SheetKind::Macrosheet;
            break;
        case 2:
            sheet.kind = SheetKind::Chartsheet;
            break;
        case 6:
            sheet.module = true;
            break;
        default:
            break;
    }
    sheet.name = text.String(c, 1);
    return sheet;
}

void SharedStrings(const BiffBody& body, BiffText& text, BiffGlobals& g) {
    BiffCursor c(body.bytes, &body.breaks);
    c.Skip(4);
    const std::uint32_t unique = c.U32();
    // Each string takes three bytes at least: the count bounds the table.
    g.sst.reserve(std::min<std::size_t>(unique, body.bytes.size() / 3));
    std::vector<BiffRun> runs;
    while (g.sst.size() < unique && c.Left() > 0) {
        runs.clear();
        g.sst.push_back(text.String(c, 2, &runs));
        if (!runs.empty())
            g.sstRuns.emplace_back(g.sst.size() - 1, runs);
    }
}

void Name(BiffCursor& c, BiffText& text, BiffGlobals& g) {
    BiffName name;
    const unsigned flags = c.U16();
    c.Skip(1);
    const unsigned length = c.U8();
    const unsigned size = c.U16();
    c.Skip(2);
    const unsigned itab = c.U16();
    c.Skip(4);
    name.name = text.Characters(c, length);
    name.hidden = flags & 0x1;
    name.localSheet = static_cast<int>(itab) - 1;
    if ((flags & 0x20) && !name.name.empty()) {
        const auto code = static_cast<unsigned char>(name.name[0]);
        name.name = std::string("_xlnm.") +
                    (code < std::size(kBuiltinNames) ? kBuiltinNames[code] : "Builtin");
    }
    name.tokens = std::string(c.Bytes(size));
    name.extra = std::string(c.Rest());
    g.names.push_back(std::move(name));
}

void SupBook(BiffCursor& c, BiffText& text, BiffGlobals& g) {
    BiffSupBook book;
    const unsigned sheets = c.U16();
    const unsigned length = c.U16();
    if (length == 0x0401) {
        book.kind = BiffSupBook::Kind::Self;
    } else if (length == 0x3A01) {
        book.kind = BiffSupBook::Kind::AddIn;
    } else {
        book.kind = BiffSupBook::Kind::External;
        book.url = text.Characters(c, length);
        for (unsigned i = 0; i < sheets && c.Left() > 0; ++i)
            book.sheets.push_back(text.String(c, 2));
    }
    g.supBooks.push_back(std::move(book));
}

void ExternName(BiffCursor& c, BiffText& text, BiffGlobals& g) {
    if (g.supBooks.empty()) {  // BIFF5: names of the EXTERNSHEET before
        g.supBooks.emplace_back();
        g.supBooks.back().kind = BiffSupBook::Kind::External;
    }
    c.Skip(2 + 4);
    const unsigned length = c.U8();
    g.supBooks.back().names.push_back(text.Characters(c, length));
}

void ExternSheet(BiffCursor& c, BiffText& text, BiffGlobals& g) {
    if (!text.Biff8()) {
        // BIFF5: one record per referenced workbook or sheet; 3-D tokens name
        // their sheets themselves, so only the place is kept.
        BiffSupBook book;
        const unsigned length = c.U8();
        const std::string target = text.Decode(c.Bytes(std::min<std::size_t>(length, c.Left())));
        book.kind = !target.empty() && (target[0] == '\x03' || target[0] == '\x04')
                        ? BiffSupBook::Kind::Self
                        : BiffSupBook::Kind::External;
        book.url = target;
        g.supBooks.push_back(std::move(book));
        return;
    }
    const unsigned count = c.U16();
    for (unsigned i = 0; i < count; ++i) {
        BiffExternSheet sheet;
        sheet.book = c.U16();
        sheet.first = c.I16();
        sheet.last = c.I16();
        g.externSheets.push_back(sheet);
    }
}

}  // namespace

std::string BiffPlace(const BiffRecord& record) {
    char text[64];
    std::snprintf(text, sizeof text, "record 0x%04X at offset %zu: ", record.id, record.offset);
    return text;
}

BiffGlobals ReadBiffGlobals(std::string_view stream, BiffText& text, bool decrypted) {
    BiffGlobals g;
    bool firstWindow = true;
    BiffRecords records(stream, 0);
    BiffRecord r;
    bool first = true;
    while (records.Next(r)) {
        try {
            if (first && r.id != biff::kBof)
                throw BiffDamage("the workbook stream does not start with a BOF record");
            first = false;
            if (r.id == biff::kEof)
                break;
            BiffCursor c(r.data);
            switch (r.id) {
                case kFilePass:
                    if (decrypted)
                        break;
                    g.encrypted = true;
                    g.filePassOffset = r.offset;
                    return g;
                case kCodePage:
                    if (!text.Biff8())
                        text.SetCodePage(c.U16());
                    break;
                case kDateMode:
                    g.date1904 = c.U16() == 1;
                    break;
                case kBoundSheet:
                    g.sheets.push_back(BoundSheet(c, text));
                    break;
                case kWindow1:
                    if (firstWindow && r.data.size() >= 12) {
                        c.Skip(10);
                        g.activeSheet = c.U16();
                        firstWindow = false;
                    }
                    break;
                case kSst: {
                    const BiffBody body = records.Continued(r);
                    SharedStrings(body, text, g);
                    break;
                }
                case kFont:
                    g.styles.Font(c, text);
                    break;
                case kFormat:
                    // A format code that cannot be read leaves its cells to the
                    // built-in format of that id, as spreadsheet applications do.
                    try {
                        g.styles.Format(c, text);
                    } catch (const BiffDamage&) {
                    }
                    break;
                case kXf:
                    g.styles.Xf(c, text.Biff8());
                    break;
                case kPalette:
                    g.styles.Palette(c);
                    break;
                case kSupBook:
                    SupBook(c, text, g);
                    break;
                case kExternName:
                    ExternName(c, text, g);
                    break;
                case kExternSheet: {
                    const BiffBody body = records.Continued(r);
                    BiffCursor all(body.bytes);
                    ExternSheet(all, text, g);
                    break;
                }
                case kName: {
                    const BiffBody body = records.Continued(r);
                    BiffCursor all(body.bytes, &body.breaks);
                    Name(all, text, g);
                    break;
                }
                default:
                    break;
            }
        } catch (const BiffDamage& damage) {
            throw BiffDamage(BiffPlace(r) + damage.what());
        }
    }
    return g;
}

}  // namespace tabulon::spreadsheet
