// COleVariant: the values passed to and returned by the automation objects, typed as
// the spreadsheet application types them: empty, double, text, boolean, date,
// currency, error, 32-bit integer, and 2-D arrays (the Value of several cells).
//
// Dates are serial day numbers (VT_DATE, a double). Currency (VT_CY) is kept as a
// 64-bit integer scaled by 10,000, as the automation type stores it. Cell errors are
// VT_ERROR with the application's codes (0x800A07D7 for #DIV/0!...); an omitted
// optional argument is VT_ERROR holding DISP_E_PARAMNOTFOUND.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/automation/com_error.h"
#include "platform/cstring.h"
#include "spreadsheet/value.h"

namespace tabulon::engine {

using VARTYPE = unsigned short;
using SCODE = std::uint32_t;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_NULL = 1;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_CY = 6;
inline constexpr VARTYPE VT_DATE = 7;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_ERROR = 10;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_VARIANT = 12;
inline constexpr VARTYPE VT_ARRAY = 0x2000;

// The error code a cell error carries: 0x800A0000 | (2000 + the error's number).
SCODE CellErrorCode(spreadsheet::ErrorCode error);

class COleVariant {
  public:
    COleVariant() = default;        // VT_EMPTY
    COleVariant(double value);      // VT_R8
    COleVariant(int value);         // VT_I4
    COleVariant(long value);        // VT_I4 (values beyond 32 bits are clamped)
    COleVariant(const char* text);  // VT_BSTR
    COleVariant(const CString& text);
    // Booleans are VT_BOOL through Bool(); a bare bool would silently become VT_I4.
    COleVariant(bool) = delete;

    static COleVariant Null();
    static COleVariant Bool(bool value);
    static COleVariant Date(double serial);
    // The amount in currency units (rounded to 4 decimals) / already scaled by 10,000.
    static COleVariant Currency(double amount);
    static COleVariant CurrencyScaled(std::int64_t scaled);
    static COleVariant Error(SCODE code);
    static COleVariant CellError(spreadsheet::ErrorCode error);
    // VT_ERROR DISP_E_PARAMNOTFOUND: an optional argument left out.
    static COleVariant Omitted();
    // VT_ARRAY | VT_VARIANT with rows x columns empty elements (both at least 1).
    static COleVariant Array(int rows, int columns);

    VARTYPE Type() const { return m_vt; }
    bool IsEmpty() const { return m_vt == VT_EMPTY; }
    bool IsOmitted() const { return m_vt == VT_ERROR && m_scode == DISP_E_PARAMNOTFOUND; }
    bool IsArray() const { return (m_vt & VT_ARRAY) != 0; }

    // The content of the matching type (no conversion; other types give 0 / "").
    double Double() const { return m_double; }  // VT_R8, VT_DATE
    std::int32_t Long() const { return m_long; }
    bool Boolean() const { return m_bool; }
    SCODE Scode() const { return m_scode; }
    std::int64_t CurrencyScaled() const { return m_currency; }
    double CurrencyAmount() const { return static_cast<double>(m_currency) / 10000.0; }
    const CString& Text() const { return m_text; }

    // Conversions as the automation layer coerces arguments; ComError
    // DISP_E_TYPEMISMATCH when the value has no such reading.
    double ToDouble() const;
    long ToLong() const;
    bool ToBool() const;
    // Text of any scalar: numbers in their shortest form, TRUE/FALSE, "#DIV/0!"...
    CString ToText() const;

    // Arrays: 1-based element access.
    int ArrayRows() const;
    int ArrayColumns() const;
    const COleVariant& At(int row, int column) const;
    COleVariant& At(int row, int column);

    // The model value a cell receives for this variant (dates and currency as numbers).
    spreadsheet::Value ToCellValue() const;

    // Same type and same content; arrays element by element.
    friend bool operator==(const COleVariant& a, const COleVariant& b);

  private:
    VARTYPE m_vt = VT_EMPTY;
    double m_double = 0;
    std::int32_t m_long = 0;
    bool m_bool = false;
    SCODE m_scode = 0;
    std::int64_t m_currency = 0;
    CString m_text;
    struct ArrayData {
        int rows = 0;
        int columns = 0;
        std::vector<COleVariant> items;
    };
    std::shared_ptr<ArrayData> m_array;  // copied on write
};

}  // namespace tabulon::engine
