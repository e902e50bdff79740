// Counting the running processes of this machine by program name.
#pragma once

#include "platform/cstring.h"

namespace tabulon::platform {

// Number of processes whose executable name, cut at its last '.', equals name cut at its
// last '.', without regard to ASCII case ("Excel.exe" counts "excel" and "EXCEL.EXE").
// A process is known by its kernel name, its executable and its first argument (processes
// run through a loader show the real program there); each process counts once.
int CountProcesses(const CString& name);

}  // namespace tabulon::platform
