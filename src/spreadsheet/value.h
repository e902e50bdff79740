// Cell values as a spreadsheet shows them: empty, number, text, boolean or error.
// Used by the workbook model, the file readers and writers and the formula engine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tabulon::spreadsheet {

// The error values a cell can hold. The numeric codes of the first seven are the
// ones a spreadsheet application reports through automation (2000 + code).
enum class ErrorCode : std::uint8_t {
    Null = 0,         // #NULL!
    Div0 = 7,         // #DIV/0!
    Value = 15,       // #VALUE!
    Ref = 23,         // #REF!
    Name = 29,        // #NAME?
    Num = 36,         // #NUM!
    NA = 42,          // #N/A
    GettingData = 43, // #GETTING_DATA
    Spill = 44,       // #SPILL!
    Connect = 45,     // #CONNECT!
    Blocked = 46,     // #BLOCKED!
    Unknown = 47,     // #UNKNOWN!
    Field = 48,       // #FIELD!
    Calc = 49,        // #CALC!
};

// "#DIV/0!" and so on.
std::string_view ErrorText(ErrorCode code);
// The error named by its text (exact, upper case as written in files); nullopt otherwise.
std::optional<ErrorCode> ParseErrorText(std::string_view text);

enum class ValueKind : std::uint8_t { Empty, Number, Text, Boolean, Error };

// A value held by a cell or produced by a formula. Text is UTF-8.
class Value {
public:
    Value() = default;
    static Value Number(double d) { Value v; v.m_kind = ValueKind::Number; v.m_number = d; return v; }
    static Value Boolean(bool b) { Value v; v.m_kind = ValueKind::Boolean; v.m_number = b ? 1 : 0; return v; }
    static Value Error(ErrorCode e) { Value v; v.m_kind = ValueKind::Error; v.m_error = e; return v; }
    static Value Text(std::string s) { Value v; v.m_kind = ValueKind::Text; v.m_text = std::move(s); return v; }

    ValueKind Kind() const { return m_kind; }
    bool IsEmpty() const { return m_kind == ValueKind::Empty; }
    bool IsNumber() const { return m_kind == ValueKind::Number; }
    bool IsText() const { return m_kind == ValueKind::Text; }
    bool IsBoolean() const { return m_kind == ValueKind::Boolean; }
    bool IsError() const { return m_kind == ValueKind::Error; }

    double AsNumber() const { return m_number; }      // Number; Boolean as 0/1
    bool AsBoolean() const { return m_number != 0; }  // Boolean
    ErrorCode AsError() const { return m_error; }     // Error
    const std::string& AsText() const { return m_text; }  // Text

    // Same kind and same content (numbers compared exactly).
    friend bool operator==(const Value& a, const Value& b);

private:
    ValueKind m_kind = ValueKind::Empty;
    ErrorCode m_error = ErrorCode::Null;
    double m_number = 0;
    std::string m_text;
};

}  // namespace tabulon::spreadsheet
