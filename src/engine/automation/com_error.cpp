#include "engine/automation/com_error.h"

namespace tabulon::engine {

ComError::ComError(HRESULT code, const CString& description)
    : std::runtime_error(description.Str()), m_code(code), m_description(description) {}

void ThrowEmptyHandle(const char* object) {
    CString text;
    text.Format("Invalid pointer: the %s object is not set.", object);
    throw ComError(E_POINTER, text);
}

}  // namespace tabulon::engine
