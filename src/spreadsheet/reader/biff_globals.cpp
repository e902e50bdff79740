#include "spreadsheet/reader/biff_globals.h"

namespace tabulon::spreadsheet {
namespace {

constexpr unsigned kEof = 0x000A;
constexpr unsigned kBoundSheet = 0x0085;
constexpr unsigned kWindow1 = 0x003D;

unsigned U16(const char* p) {
    return static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[1]) << 8);
}

std::size_t U32(const char* p) {
    return U16(p) | (std::size_t{U16(p + 2)} << 16);
}

}  // namespace

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
