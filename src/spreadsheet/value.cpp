#include "spreadsheet/value.h"

#include <array>
#include <utility>

namespace tabulon::spreadsheet {

namespace {
constexpr std::array<std::pair<ErrorCode, std::string_view>, 14> kErrorTexts{{
    {ErrorCode::Null, "#NULL!"},
    {ErrorCode::Div0, "#DIV/0!"},
    {ErrorCode::Value, "#VALUE!"},
    {ErrorCode::Ref, "#REF!"},
    {ErrorCode::Name, "#NAME?"},
    {ErrorCode::Num, "#NUM!"},
    {ErrorCode::NA, "#N/A"},
    {ErrorCode::GettingData, "#GETTING_DATA"},
    {ErrorCode::Spill, "#SPILL!"},
    {ErrorCode::Connect, "#CONNECT!"},
    {ErrorCode::Blocked, "#BLOCKED!"},
    {ErrorCode::Unknown, "#UNKNOWN!"},
    {ErrorCode::Field, "#FIELD!"},
    {ErrorCode::Calc, "#CALC!"},
}};
}  // namespace

std::string_view ErrorText(ErrorCode code) {
    for (const auto& [c, text] : kErrorTexts) {
        if (c == code) return text;
    }
    return "#VALUE!";
}

std::optional<ErrorCode> ParseErrorText(std::string_view text) {
    for (const auto& [c, t] : kErrorTexts) {
        if (t == text) return c;
    }
    return std::nullopt;
}

bool operator==(const Value& a, const Value& b) {
    if (a.m_kind != b.m_kind) return false;
    switch (a.m_kind) {
        case ValueKind::Empty: return true;
        case ValueKind::Number:
        case ValueKind::Boolean: return a.m_number == b.m_number;
        case ValueKind::Error: return a.m_error == b.m_error;
        case ValueKind::Text: return a.m_text == b.m_text;
    }
    return false;
}

}  // namespace tabulon::spreadsheet
