// What a sheet holds beside its cell values and styles, cell by cell: links,
// notes, and text whose pieces carry fonts of their own. Plain data, handed
// over by readers (ISheetImport) and kept by Worksheet.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "spreadsheet/address.h"
#include "spreadsheet/style.h"

namespace tabulon::spreadsheet {

// A piece of a text with its own font; without one it takes the cell's font.
struct TextRun {
    std::string text;
    std::optional<Font> font;
    friend bool operator==(const TextRun&, const TextRun&) = default;
};

// The runs of a text in order; their texts joined are the whole text.
using RichText = std::vector<TextRun>;

// The runs' texts joined.
inline std::string PlainText(const RichText& runs) {
    std::string text;
    for (const TextRun& run : runs)
        text += run.text;
    return text;
}

// A link on a cell or a range of cells. `target` is an address outside the
// workbook (a web address, a file path, "mailto:..."), `location` a place
// inside a workbook ("Sheet2!A1", a defined name); a link may give either or
// both (a place inside another file). `display` is the text the file says the
// cell shows; `tooltip` the text shown on hovering.
struct Hyperlink {
    RangeRef range;
    std::string target;
    std::string location;
    std::string tooltip;
    std::string display;
    friend bool operator==(const Hyperlink&, const Hyperlink&) = default;
};

// A note (comment) on a cell. A plain note is one run without a font.
struct Note {
    CellRef cell;
    std::string author;
    RichText text;
    bool visible = false;  // shown all the time rather than on hovering
    friend bool operator==(const Note&, const Note&) = default;
};

}  // namespace tabulon::spreadsheet
