// What of a worksheet's file this system does not model but carries, so that
// a copy of the sheet keeps it: elements of the sheet part as the file wrote
// them (views, page setup, validation, conditional formats...) and the parts
// the sheet refers to (drawings with their charts and pictures, tables,
// threaded comments, printer settings), each with the parts it refers to.
// Immutable once read; copies of a sheet share it.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tabulon::spreadsheet {

struct KeptPart {
    std::string id;    // relationship id in the part referring to it
    std::string type;  // full relationship type URI
    std::string name;  // part name in the source ("xl/drawings/drawing1.xml"); target when external
    std::string contentType;  // empty for an external target
    std::string data;
    bool external = false;
    std::vector<KeptPart> children;
};

// Things of the workbook that carried sheet elements refer to.
struct KeptBookXml {
    std::vector<std::string> dxfs;  // differential formats (<dxf>...</dxf>), by id
    std::string persons;            // the persons part of threaded comments, if any
};

// A child element of a sheet's root as the file wrote it, with the workbook
// things it refers to (a conditional format's differential format by id).
struct KeptElement {
    std::string local;  // local name: "sheetViews", "pageSetup"...
    std::string xml;
    std::shared_ptr<const KeptBookXml> book;
};

struct KeptSheetXml {
    // Namespace declarations of the sheet's root element (` xmlns:x14ac="..."`)
    // and its mc:Ignorable, as written: the kept elements may use them.
    std::string namespaces;
    // Child elements of the root, in file order.
    std::vector<KeptElement> elements;
    // Parts referred to by relationship from the kept elements.
    std::vector<KeptPart> parts;
    // The sheet's name in its source, which charts and sparklines refer to.
    std::string sourceSheet;
    // Pivot tables left behind: their cells stay as values and formats.
    int pivotTables = 0;
    std::shared_ptr<const KeptBookXml> book;
};

}  // namespace tabulon::spreadsheet
