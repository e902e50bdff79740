// The checks the field lists and the command line run on what a person typed. Each check
// shows at most one message (OK button, through the prompt service) and reports failure;
// callers stop at the first failure.
#pragma once

#include <vector>

#include "platform/cstring.h"

namespace tabulon::platform {

inline constexpr const char* kExcelFilePatterns = "*.xls;*.xlsx;*.xlsm;*.xlsb";
inline constexpr const char* kDigits = "0123456789";
inline constexpr const char* kAllWorksheets = "*(All Worksheets)";
inline constexpr char kWorksheetSeparator = ';';

class CFieldChecks {
  public:
    // Fails with "Please specify '<label>'." when value is empty or blanks only.
    static bool RequireValue(const CString& label, const CString& value);

    // An existing path whose name matches kExcelFilePatterns (any case).
    static bool CheckExcelFile(const CString& path, bool showMessage, bool acceptEmpty);
    // An existing directory.
    static bool CheckFolder(const CString& path, bool showMessage, bool acceptEmpty);

    // The number when value is digits only (leading zeros allowed, blanks refused);
    // 0 on failure, and also for a value of zeros, which callers treat as a failure.
    // Digits beyond the range of int are refused with the digits message.
    static int CheckNumber(const CString& label, const CString& value);

    // Splits the trimmed value at ";" into names (replacing its content), skipping empty
    // pieces and keeping blanks inside pieces. "*(All Worksheets)" as a piece empties the
    // list and ends the parse: an empty list means every worksheet.
    static bool ParseSheetList(const CString& label, const CString& value,
                               std::vector<CString>& names);
};

}  // namespace tabulon::platform
