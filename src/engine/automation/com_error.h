// ComError: the exception every failed call on the automation objects raises. It
// carries the failure code (an HRESULT) and a readable text saying which file, which
// sheet and what went wrong; what() gives the same text.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "platform/cstring.h"

namespace tabulon::engine {

using HRESULT = std::uint32_t;

inline constexpr HRESULT E_POINTER = 0x80004003;  // an empty handle was used
inline constexpr HRESULT E_ABORT = 0x80004004;    // the task was stopped while it waited
inline constexpr HRESULT E_FAIL = 0x80004005;
inline constexpr HRESULT E_OUTOFMEMORY = 0x8007000E;
inline constexpr HRESULT E_INVALIDARG = 0x80070057;
inline constexpr HRESULT DISP_E_BADINDEX = 0x8002000B;  // no item with that index
inline constexpr HRESULT DISP_E_TYPEMISMATCH = 0x80020005;
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = 0x80020004;
inline constexpr HRESULT RPC_E_DISCONNECTED = 0x80010108;  // the object was closed or deleted
// The application's own failure: a refused name, a file it cannot read or write,
// ShowAllData on a sheet without a filter...
inline constexpr HRESULT XL_E_APPLICATION = 0x800A03EC;

// Where a failure happened, as far as it is known; empty fields are not known.
struct ErrorContext {
    CString file;   // the workbook file
    CString part;   // the part inside the file, e.g. "xl/worksheets/sheet2.xml"
    long line = 0;  // the line in that part; 0 when not known
    CString sheet;  // the worksheet
    CString cell;   // the cell or range, A1 style
};

class ComError : public std::runtime_error {
  public:
    ComError(HRESULT code, const CString& description);
    // With the context kept apart: reason says what is wrong, without the place.
    ComError(HRESULT code, const CString& description, ErrorContext context, const CString& reason);

    HRESULT Error() const { return m_code; }
    const CString& Description() const { return m_description; }
    const ErrorContext& Context() const { return m_context; }
    // What is wrong, without the file; the description when no reason was given.
    const CString& Reason() const { return m_reason; }

  private:
    HRESULT m_code;
    CString m_description;
    ErrorContext m_context;
    CString m_reason;
};

// The reason of e with the place inside the file before it, as one line for the user:
// "xl/worksheets/sheet2.xml, line 41: unexpected <foo> in <row>".
CString DescribeFailure(const ComError& e);

// Raises ComError E_POINTER naming the kind of object ("Range", "_Worksheet"...).
[[noreturn]] void ThrowEmptyHandle(const char* object);

}  // namespace tabulon::engine
