// Tells what kind of file a byte buffer holds, from its content alone.
#pragma once

#include <cstddef>
#include <string>

namespace tabulon::spreadsheet {

enum class Container {
    Empty,
    Zip,       // OOXML, ODF, .xlsb or any other zip archive
    Ole2,      // compound file: .xls, encrypted OOXML, other Office documents
    BareBiff,  // BIFF records without a compound file (Excel 2.x-4.x and a few writers)
    Xml,       // XML text: flat ODF, SpreadsheetML 2003, HTML ...
    Text,      // CSV and other plain text
    Unknown,
};

Container DetectContainer(const void* data, std::size_t size);

// What the streams of a compound file say it is.
enum class Ole2Kind { Workbook, EncryptedOoxml, Other };
struct Ole2Info {
    Ole2Kind kind = Ole2Kind::Other;
    std::string workbookStream;  // its name as stored: "Workbook", "Book", "WORKBOOK" ...
};
Ole2Info InspectOle2(const void* data, std::size_t size);

// The BIFF version of a bare BIFF stream (2, 3, 4, or 5 for BIFF5/8 records); 0 when not one.
int BareBiffVersion(const void* data, std::size_t size);

// What an XML or text file is, in words for a message ("a flat OpenDocument
// spreadsheet (.fods)", "a text file (CSV or similar)").
std::string DescribeTextFile(const void* data, std::size_t size);

}  // namespace tabulon::spreadsheet
