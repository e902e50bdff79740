// Handing a document to the desktop: the building block for the OpenDocument member of
// the GUI's and the command line's prompt services.
#pragma once

#include "platform/cstring.h"

namespace tabulon::platform {

// Starts "xdg-open" on path (no shell involved, so any file name is safe) and returns at
// once; true when the opener could be started. Whether an application was found is only
// known to the opener, which reports it on the desktop as it sees fit.
bool OpenWithDesktopApplication(const CString& path);

}  // namespace tabulon::platform
