#include "spreadsheet/reader/biff_globals.h"

namespace tabulon::spreadsheet {
namespace {

constexpr unsigned kEof = 0x000A;
constexpr unsigned kBoundSheet = 0x0085;
constexpr unsigned kWindow1 = 0x003D;
constexpr unsigned kSst = 0x00FC;

unsigned U16(const char* p) {
    return static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[1]) << 8);
}

std::size_t U32(const char* p) {
    return U16(p) | (std::size_t{U16(p + 2)} << 16);
}

}  // namespace

std::string CheckBiffRecords(std::string_view stream) {
    // BOF version 0x0600 is BIFF8; anything else is held to the BIFF5 limit.
    const bool biff8 = stream.size() >= 6 && U16(stream.data() + 4) == 0x0600;
    const unsigned limit = biff8 ? 8224 : 2080;
    std::size_t pos = 0;
    while (pos + 4 <= stream.size()) {
        const unsigned id = U16(stream.data() + pos);
        const unsigned length = U16(stream.data() + pos + 2);
        if (id == 0 && length == 0) {
            // Zero padding after the last record is common; it must be all zeros.
            if (stream.find_first_not_of('\0', pos) == std::string_view::npos)
                return {};
        }
        if (length > limit) {
            return "record of " + std::to_string(length) + " bytes at offset " +
                   std::to_string(pos) + " (at most " + std::to_string(limit) + " allowed)";
        }
        if (pos + 4 + length > stream.size()) {
            return "record at offset " + std::to_string(pos) + " runs past the end of the stream";
        }
        // The shared string table's count sizes an allocation in freexl; every
        // string takes at least three bytes of the stream.
        if (id == kSst && length >= 8 && U32(stream.data() + pos + 8) > stream.size() / 3) {
            return "shared string table claims " + std::to_string(U32(stream.data() + pos + 8)) +
                   " strings";
        }
        pos += 4 + length;
    }
    return {};
}

BiffGlobals ReadBiffGlobals(std::string_view stream) {
    BiffGlobals globals;
    bool firstWindow = true;
    std::size_t pos = 0;
    while (pos + 4 <= stream.size()) {
        const unsigned id = U16(stream.data() + pos);
        const unsigned length = U16(stream.data() + pos + 2);
        const char* data = stream.data() + pos + 4;
        if (pos + 4 + length > stream.size())
            break;
        if (id == kEof)
            break;
        if (id == kBoundSheet && length >= 6) {
            BiffSheetInfo sheet;
            sheet.offset = U32(data);
            switch (static_cast<unsigned char>(data[4]) & 3) {
                case 1:
                    sheet.state = SheetState::Hidden;
                    break;
                case 2:
                    sheet.state = SheetState::VeryHidden;
                    break;
                default:
                    break;
            }
            switch (static_cast<unsigned char>(data[5])) {
                case 1:
                    sheet.kind = SheetKind::Macrosheet;
                    break;
                case 2:
                    sheet.kind = SheetKind::Chartsheet;
                    break;
                default:
                    break;
            }
            globals.sheets.push_back(sheet);
        } else if (id == kWindow1 && length >= 12 && firstWindow) {
            globals.activeSheet = static_cast<int>(U16(data + 10));
            firstWindow = false;
        }
        pos += 4 + length;
    }
    return globals;
}

}  // namespace tabulon::spreadsheet
