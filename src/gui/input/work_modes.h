// The registry of the eight work modes: the GUID text the host sends for each, its icon
// and help page in the resource folder, and its mode as the command line knows it (which
// names its settings section and its task). Widget-free.
#pragma once

#include "cli/cli_options.h"
#include "platform/cstring.h"

namespace tabulon::gui {

struct WorkModeEntry {
    const char* guid;  // compared exactly: case-sensitive, no braces
    cli::Mode mode;
    const char* iconFile;
    const char* helpPage;
};

inline constexpr int kWorkModeCount = 8;
extern const WorkModeEntry kWorkModes[kWorkModeCount];

inline constexpr const char* kDefaultWorkModeGuid = "6EF1C0C4-6411-4ee1-89C3-53866FA1823B";

// The entry of a GUID text, or null for anything else (a GUID in lower case included).
const WorkModeEntry* FindWorkMode(const CString& guid);

// resource folder + "/Help/" + the mode's help page; empty for an unknown GUID.
CString HelpPagePath(const CString& resourceFolder, const CString& guid);

}  // namespace tabulon::gui
