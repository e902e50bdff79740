#include "engine/automation/variant.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tabulon::engine {

using CellErrorKind = spreadsheet::ErrorCode;
using spreadsheet::Value;

SCODE CellErrorCode(CellErrorKind error) {
    return 0x800A0000u | (2000u + static_cast<unsigned>(error));
}

COleVariant::COleVariant(double value) : m_vt(VT_R8), m_double(value) {}
COleVariant::COleVariant(int value) : m_vt(VT_I4), m_long(value) {}
COleVariant::COleVariant(long value)
    : m_vt(VT_I4),
      m_long(static_cast<std::int32_t>(value > INT32_MAX   ? INT32_MAX
                                       : value < INT32_MIN ? INT32_MIN
                                                           : value)) {}
COleVariant::COleVariant(const char* text) : m_vt(VT_BSTR), m_text(text) {}
COleVariant::COleVariant(const CString& text) : m_vt(VT_BSTR), m_text(text) {}

COleVariant COleVariant::Null() {
    COleVariant v;
    v.m_vt = VT_NULL;
    return v;
}

COleVariant COleVariant::Bool(bool value) {
    COleVariant v;
    v.m_vt = VT_BOOL;
    v.m_bool = value;
    return v;
}

COleVariant COleVariant::Date(double serial) {
    COleVariant v(serial);
    v.m_vt = VT_DATE;
    return v;
}

COleVariant COleVariant::Currency(double amount) {
    double scaled = std::round(amount * 10000.0);
    if (!(scaled > -9.2e18 && scaled < 9.2e18))  // NaN or beyond the type: an overflow
        throw ComError(0x8002000A, "Overflow: the number does not fit a currency value.");
    return CurrencyScaled(static_cast<std::int64_t>(scaled));
}

COleVariant COleVariant::CurrencyScaled(std::int64_t scaled) {
    COleVariant v;
    v.m_vt = VT_CY;
    v.m_currency = scaled;
    return v;
}

COleVariant COleVariant::Error(SCODE code) {
    COleVariant v;
    v.m_vt = VT_ERROR;
    v.m_scode = code;
    return v;
}

COleVariant COleVariant::CellError(CellErrorKind error) {
    return Error(CellErrorCode(error));
}

COleVariant COleVariant::Omitted() {
    return Error(DISP_E_PARAMNOTFOUND);
}

COleVariant COleVariant::Array(int rows, int columns) {
    COleVariant v;
    v.m_vt = VT_ARRAY | VT_VARIANT;
    v.m_array = std::make_shared<ArrayData>();
    v.m_array->rows = rows < 1 ? 1 : rows;
    v.m_array->columns = columns < 1 ? 1 : columns;
    v.m_array->items.resize(static_cast<std::size_t>(v.m_array->rows) *
                            static_cast<std::size_t>(v.m_array->columns));
    return v;
}

namespace {

[[noreturn]] void Mismatch(const char* wanted) {
    CString text;
    text.Format("Type mismatch: the value cannot be read as %s.", wanted);
    throw ComError(DISP_E_TYPEMISMATCH, text);
}

// Numbers as the application prints them in General: up to 15 significant digits.
CString NumberText(double d) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", d);
    return CString(buffer);
}

}  // namespace

double COleVariant::ToDouble() const {
    switch (m_vt) {
        case VT_EMPTY:
            return 0;
        case VT_R8:
        case VT_DATE:
            return m_double;
        case VT_I4:
            return m_long;
        case VT_BOOL:
            return m_bool ? -1 : 0;
        case VT_CY:
            return CurrencyAmount();
        case VT_BSTR: {
            const char* begin = m_text.GetString();
            char* end = nullptr;
            double d = std::strtod(begin, &end);
            while (end && (*end == ' ' || *end == '\t'))
                ++end;
            if (end == begin || (end && *end != 0) || !std::isfinite(d))
                Mismatch("a number");
            return d;
        }
        default:
            Mismatch("a number");
    }
}

long COleVariant::ToLong() const {
    double d = std::round(ToDouble());
    if (!(d >= static_cast<double>(INT32_MIN) && d <= static_cast<double>(INT32_MAX)))
        throw ComError(0x8002000A, "Overflow: the number does not fit a 32-bit integer.");
    return static_cast<long>(d);
}

bool COleVariant::ToBool() const {
    if (m_vt == VT_BOOL)
        return m_bool;
    if (m_vt == VT_BSTR) {
        if (m_text.CompareNoCase("TRUE") == 0)
            return true;
        if (m_text.CompareNoCase("FALSE") == 0)
            return false;
    }
    return ToDouble() != 0;
}

CString COleVariant::ToText() const {
    switch (m_vt) {
        case VT_EMPTY:
        case VT_NULL:
            return {};
        case VT_R8:
        case VT_DATE:
            return NumberText(m_double);
        case VT_I4: {
            CString s;
            s.Format("%d", static_cast<int>(m_long));
            return s;
        }
        case VT_CY:
            return NumberText(CurrencyAmount());
        case VT_BOOL:
            return m_bool ? "TRUE" : "FALSE";
        case VT_BSTR:
            return m_text;
        case VT_ERROR:
            if ((m_scode & 0xFFFF0000u) == 0x800A0000u && (m_scode & 0xFFFFu) >= 2000) {
                auto code = static_cast<CellErrorKind>((m_scode & 0xFFFFu) - 2000);
                return CString(spreadsheet::ErrorText(code));
            }
            Mismatch("text");
        default:
            Mismatch("text");
    }
}

int COleVariant::ArrayRows() const {
    return m_array ? m_array->rows : 0;
}

int COleVariant::ArrayColumns() const {
    return m_array ? m_array->columns : 0;
}

const COleVariant& COleVariant::At(int row, int column) const {
    if (!m_array || row < 1 || column < 1 || row > m_array->rows || column > m_array->columns)
        throw ComError(DISP_E_BADINDEX, "Subscript out of range.");
    return m_array
        ->items[static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(m_array->columns) +
                static_cast<std::size_t>(column - 1)];
}

COleVariant& COleVariant::At(int row, int column) {
    if (m_array && m_array.use_count() > 1)
        m_array = std::make_shared<ArrayData>(*m_array);
    return const_cast<COleVariant&>(static_cast<const COleVariant&>(*this).At(row, column));
}

Value COleVariant::ToCellValue() const {
    switch (m_vt) {
        case VT_EMPTY:
        case VT_NULL:
            return {};
        case VT_R8:
        case VT_DATE:
            return std::isfinite(m_double) ? Value::Number(m_double)
                                           : Value::Error(CellErrorKind::Num);
        case VT_I4:
            return Value::Number(m_long);
        case VT_CY:
            return Value::Number(CurrencyAmount());
        case VT_BOOL:
            return Value::Boolean(m_bool);
        case VT_BSTR:
            return Value::Text(m_text.Str());
        case VT_ERROR:
            if ((m_scode & 0xFFFF0000u) == 0x800A0000u && (m_scode & 0xFFFFu) >= 2000)
                return Value::Error(static_cast<CellErrorKind>((m_scode & 0xFFFFu) - 2000));
            Mismatch("a cell value");
        default:
            Mismatch("a cell value");
    }
}

bool operator==(const COleVariant& a, const COleVariant& b) {
    if (a.m_vt != b.m_vt)
        return false;
    switch (a.m_vt) {
        case VT_R8:
        case VT_DATE:
            return a.m_double == b.m_double;
        case VT_I4:
            return a.m_long == b.m_long;
        case VT_BOOL:
            return a.m_bool == b.m_bool;
        case VT_CY:
            return a.m_currency == b.m_currency;
        case VT_BSTR:
            return a.m_text == b.m_text;
        case VT_ERROR:
            return a.m_scode == b.m_scode;
        case VT_ARRAY | VT_VARIANT:
            if (a.m_array == b.m_array)
                return true;
            return a.m_array && b.m_array && a.m_array->rows == b.m_array->rows &&
                   a.m_array->columns == b.m_array->columns && a.m_array->items == b.m_array->items;
        default:
            return true;
    }
}

}  // namespace tabulon::engine
