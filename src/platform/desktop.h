// Handing a document to the desktop: the building block for the OpenDocument member of
// the command line's prompt service.
#pragma once

#include <chrono>

#include "platform/cstring.h"

namespace tabulon::platform {

// Starts "xdg-open" on path (no shell involved, so any file name is safe) and waits up to
// `wait` for it to say how it went. Returns an empty text when the document was opened or
// the opener is still at work after `wait`; otherwise why it could not be opened: no
// graphical desktop, no opener installed, or the opener's own failure.
CString OpenWithDesktopApplication(const CString& path,
                                   std::chrono::milliseconds wait = std::chrono::seconds(10));

}  // namespace tabulon::platform
