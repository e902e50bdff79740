// Cell formatting as workbook files store it. Plain data: the workbook keeps a
// deduplicated table of CellStyle and cells refer to it by index (0 = default).
#pragma once

#include <cstdint>
#include <string>

namespace tabulon::spreadsheet {

// A colour as files give it: an explicit ARGB value, a theme colour with tint,
// an indexed palette entry, or automatic/unset.
struct Color {
    enum class Kind : std::uint8_t { None, Rgb, Theme, Indexed, Auto };
    Kind kind = Kind::None;
    std::uint32_t argb = 0;  // Rgb
    int index = 0;           // Theme or Indexed
    double tint = 0;         // Theme
    friend bool operator==(const Color&, const Color&) = default;
};

struct Font {
    std::string name = "Calibri";
    double size = 11;
    bool bold = false;
    bool italic = false;
    std::string underline;  // "" none, "single", "double", "singleAccounting", "doubleAccounting"
    bool strike = false;
    std::string vertAlign;  // "" , "superscript", "subscript"
    int family = 0;         // 0 = not given
    std::string scheme;     // "", "minor", "major"
    Color color;
    friend bool operator==(const Font&, const Font&) = default;
};

struct Fill {
    std::string pattern;  // "" none, "solid", "gray125", ... (patternFill patternType)
    Color fg;
    Color bg;
    friend bool operator==(const Fill&, const Fill&) = default;
};

struct BorderSide {
    std::string style;  // "" none, "thin", "medium", "dashed", ...
    Color color;
    friend bool operator==(const BorderSide&, const BorderSide&) = default;
};

struct Border {
    BorderSide left, right, top, bottom, diagonal;
    bool diagonalUp = false;
    bool diagonalDown = false;
    friend bool operator==(const Border&, const Border&) = default;
};

struct Alignment {
    std::string horizontal;  // "" general, "left", "center", "right", "fill", "justify", ...
    std::string vertical;    // "" bottom, "top", "center", "justify", "distributed"
    bool wrap = false;
    int indent = 0;
    int rotation = 0;  // 0-180, or 255 for vertical text
    bool shrink = false;
    friend bool operator==(const Alignment&, const Alignment&) = default;
};

struct Protection {
    bool locked = true;
    bool hidden = false;
    friend bool operator==(const Protection&, const Protection&) = default;
};

struct CellStyle {
    std::string numberFormat = "General";  // the format code itself, not its id
    // The built-in format id the file gave when that id's code follows the
    // reader's locale (5-8, 23-36, 41-44, 50-58): the code above is then what
    // this system shows for it, and files get the id back. -1 otherwise.
    int builtinFormat = -1;
    Font font;
    Fill fill;
    Border border;
    Alignment alignment;
    Protection protection;
    friend bool operator==(const CellStyle&, const CellStyle&) = default;
};

}  // namespace tabulon::spreadsheet
