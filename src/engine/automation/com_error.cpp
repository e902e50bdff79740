#include "engine/automation/com_error.h"

namespace tabulon::engine {

ComError::ComError(HRESULT code, const CString& description)
    : std::runtime_error(description.Str()),
      m_code(code),
      m_description(description),
      m_reason(description) {}

ComError::ComError(HRESULT code, const CString& description, ErrorContext context,
                   const CString& reason)
    : std::runtime_error(description.Str()),
      m_code(code),
      m_description(description),
      m_context(std::move(context)),
      m_reason(reason.IsEmpty() ? description : reason) {}

CString DescribeFailure(const ComError& e) {
    const ErrorContext& where = e.Context();
    CString text;
    if (!where.sheet.IsEmpty())
        text.AppendFormat("worksheet \"%s\", ", where.sheet.GetString());
    if (!where.cell.IsEmpty())
        text.AppendFormat("cell %s, ", where.cell.GetString());
    if (!where.part.IsEmpty()) {
        text.AppendFormat("%s, ", where.part.GetString());
        if (where.line > 0)
            text.AppendFormat("line %ld, ", where.line);
    }
    if (!text.IsEmpty())
        text = text.Left(text.GetLength() - 2) + ": ";
    return text + e.Reason();
}

void ThrowEmptyHandle(const char* object) {
    CString text;
    text.Format("Invalid pointer: the %s object is not set.", object);
    throw ComError(E_POINTER, text);
}

}  // namespace tabulon::engine
