#include "platform/field_checks.h"

#include <climits>

#include "platform/paths.h"
#include "platform/prompt.h"

namespace tabulon::platform {
namespace {

bool Fail(bool showMessage, const char* format, const CString& placeholder) {
    if (showMessage) {
        CString text;
        text.Format(format, placeholder.GetString());
        MessageBoxOk(text);
    }
    return false;
}

constexpr const char* kMissingPath = "Path '%s' does not exist. Please confirm and enter again.";

}  // namespace

bool CFieldChecks::RequireValue(const CString& label, const CString& value) {
    CString copy = value;
    if (!copy.Trim().IsEmpty())
        return true;
    return Fail(true, "Please specify '%s'.", label);
}

bool CFieldChecks::CheckExcelFile(const CString& path, bool showMessage, bool acceptEmpty) {
    if (acceptEmpty && path.IsEmpty())
        return true;
    if (!PathFileExists(path))
        return Fail(showMessage, kMissingPath, path);
    if (!PathMatchSpec(path, kExcelFilePatterns)) {
        return Fail(showMessage, "'%s' is not a valid Excel file.", path);
    }
    return true;
}

bool CFieldChecks::CheckFolder(const CString& path, bool showMessage, bool acceptEmpty) {
    if (acceptEmpty && path.IsEmpty())
        return true;
    if (!PathFileExists(path))
        return Fail(showMessage, kMissingPath, path);
    if (!PathIsDirectory(path))
        return Fail(showMessage, "'%s' is not a folder.", path);
    return true;
}

int CFieldChecks::CheckNumber(const CString& label, const CString& value) {
    if (!RequireValue(label, value))
        return 0;
    if (IsSpanOf(value, kDigits)) {
        // Accumulate instead of atoi, whose result is undefined past INT_MAX.
        long long number = 0;
        for (int i = 0; i < value.GetLength() && number <= INT_MAX; ++i) {
            number = number * 10 + (value.GetAt(i) - '0');
        }
        if (number <= INT_MAX)
            return static_cast<int>(number);
    }
    Fail(true, "\"%s\": You must enter digit(s) in this field", label);
    return 0;
}

bool CFieldChecks::ParseSheetList(const CString& label, const CString& value,
                                  std::vector<CString>& names) {
    names.clear();
    if (!RequireValue(label, value))
        return false;
    CString rest = value;
    rest.Trim();
    int start = 0;
    while (start <= rest.GetLength()) {
        int end = rest.Find(kWorksheetSeparator, start);
        if (end < 0)
            end = rest.GetLength();
        if (end > start) {
            CString piece = rest.Mid(start, end - start);
            if (piece == kAllWorksheets) {
                names.clear();
                break;
            }
            names.push_back(piece);
        }
        start = end + 1;
    }
    return true;
}

}  // namespace tabulon::platform
