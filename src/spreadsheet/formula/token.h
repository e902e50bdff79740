// Tokens of an A1-style formula. Every token keeps the text it was read from, so
// printing the tokens of an unchanged formula gives back the formula exactly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tabulon::spreadsheet::formula {

enum class TokenKind : std::uint8_t {
    Whitespace,     // spaces, tabs, line breaks (also the intersection operator)
    Number,         // 12, 1.5E-3
    String,         // "a ""quoted"" text"
    Boolean,        // TRUE, FALSE
    Error,          // #DIV/0!, #REF!, ...
    Reference,      // A1, $A$1:B2, A:C, 2:5, Sheet1!A1, '[b.xlsx]S'!A1, Sheet1!#REF!
    Name,           // a defined name, maybe sheet- or book-qualified
    Function,       // the name of a called function; the '(' follows as its own token
    StructuredRef,  // Table1[Col], [@Col]: kept as written, never evaluated
    Operator,       // + - * / ^ & = <> < > <= >= % :
    OpenParen,
    CloseParen,
    Comma,      // argument separator, union operator or array column separator
    Semicolon,  // array row separator
    ArrayOpen,
    ArrayClose,
};

enum class OperatorKind : std::uint8_t {
    None,
    Plus,
    Minus,
    Multiply,
    Divide,
    Power,
    Concat,
    Equal,
    NotEqual,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    Percent,
    Range,
    At,  // prefix '@': implicit intersection, as newer versions display it
    Union,
    Intersect,  // only in parsed trees: "," inside parentheses, blank between refs
};

// One end of a reference. row 0 means a whole column, col 0 a whole row.
struct RefPart {
    int row = 0;
    int col = 0;
    bool rowAbsolute = false;
    bool colAbsolute = false;
    friend bool operator==(const RefPart&, const RefPart&) = default;
};

enum class RefShape : std::uint8_t {
    Cell,     // A1
    Area,     // A1:B2
    Columns,  // A:C
    Rows,     // 2:5
    Invalid,  // #REF! after a sheet prefix
};

// The sheet part of a reference or name, as read (names unquoted, '' undone).
struct SheetPrefix {
    bool present = false;   // a '...!' part was written
    bool quoted = false;    // it was written inside quotes
    bool hasBook = false;   // it names another workbook: [1] or [book.xlsx]
    std::string book;       // text inside [ ]
    std::string sheet;      // first (or only) sheet; may be empty for "[1]!Name"
    std::string sheetLast;  // last sheet of a 3-D reference, empty otherwise
    friend bool operator==(const SheetPrefix&, const SheetPrefix&) = default;
};

struct Token {
    TokenKind kind = TokenKind::Whitespace;
    OperatorKind op = OperatorKind::None;
    std::string text;   // as written
    double number = 0;  // Number
    // Reference and Name: the sheet part; Reference: the area.
    SheetPrefix prefix;
    RefShape shape = RefShape::Cell;
    RefPart first;
    RefPart last;
};

using TokenList = std::vector<Token>;

}  // namespace tabulon::spreadsheet::formula
