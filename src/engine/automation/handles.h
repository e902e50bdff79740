// The state behind the automation handles, shared by every handle that refers to it.
// Only the automation objects look inside; everyone else passes handles around.
#pragma once

#include <memory>

namespace tabulon::engine::detail {

struct SessionState;  // one _Application: settings, open workbooks, clipboard
struct BookState;     // one open workbook
struct SheetState;    // one sheet of an open workbook, with its Find index

}  // namespace tabulon::engine::detail
