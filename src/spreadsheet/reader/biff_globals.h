// The workbook globals of a BIFF5/BIFF8 workbook stream: the substream before
// the first sheet, with the sheet list, shared strings, formatting, links and
// defined names.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/import.h"
#include "spreadsheet/reader/biff_record.h"
#include "spreadsheet/reader/biff_styles.h"
#include "spreadsheet/reader/biff_text.h"

namespace tabulon::spreadsheet {

struct BiffSheetInfo {
    std::string name;
    SheetKind kind = SheetKind::Worksheet;
    SheetState state = SheetState::Visible;
    bool module = false;     // a VBA module sheet: no sheet of the workbook
    std::size_t offset = 0;  // of the sheet's BOF record in the workbook stream
};

// A workbook that references point into: this one, an add-in or another file.
struct BiffSupBook {
    enum class Kind { Self, AddIn, External } kind = Kind::Self;
    std::string url;
    std::vector<std::string> sheets;
    std::vector<std::string> names;  // EXTERNNAME records
};

struct BiffExternSheet {
    unsigned book = 0;  // index into supBooks (BIFF8)
    int first = -1, last = -1;
};

struct BiffName {
    std::string name;
    int localSheet = -1;  // index into BOUNDSHEET order, -1 for the workbook
    bool hidden = false;
    std::string tokens, extra;
};

struct BiffGlobals {
    bool date1904 = false;
    bool encrypted = false;
    std::size_t filePassOffset = 0;     // of the FILEPASS record, when encrypted
    std::vector<BiffSheetInfo> sheets;  // in BOUNDSHEET order
    int activeSheet = 0;
    std::vector<std::string> sst;
    std::vector<std::pair<std::size_t, std::vector<BiffRun>>> sstRuns;  // of rich entries
    BiffStyles styles;
    std::vector<BiffSupBook> supBooks;
    std::vector<BiffExternSheet> externSheets;
    std::vector<BiffName> names;
};

// Reads the globals substream at the start of `stream`, setting the code page
// of `text`. A FILEPASS record ends the read with `encrypted` set, unless
// `decrypted` says the stream was decrypted already. Throws BiffDamage naming
// the record at fault.
BiffGlobals ReadBiffGlobals(std::string_view stream, BiffText& text, bool decrypted = false);

// "record 0x00FC at offset 1234: " for messages.
std::string BiffPlace(const BiffRecord& record);

}  // namespace tabulon::spreadsheet
