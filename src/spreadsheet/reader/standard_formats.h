// The number format codes behind the built-in format ids 0-49 of OOXML and BIFF
// files, for the reader's own use.
#pragma once

#include <string_view>

namespace tabulon::spreadsheet {

// The code of built-in id `id`; empty when the id has no fixed code (the
// locale-dependent ids 23-36 and 50 upwards).
std::string_view StandardFormatCode(int id);

}  // namespace tabulon::spreadsheet
