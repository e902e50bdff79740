// Where the program's files live, and the small path tests the rest of the code needs.
//
// Two modules matter: the host executable (the command-line tool, or the shell that loads
// the GUI module) and the module holding this library's code. Their folders are the text
// of their file paths before the last '/', without a trailing '/'.
#pragma once

#include "platform/cstring.h"

namespace tabulon::platform {

enum class Module { Host, Core };

CString GetModuleFolder(Module module);
CString GetHostFolder();  // GetModuleFolder(Module::Host)

// Replaces the folder reported for a module (tests, portable installs); an empty folder
// restores the real one. Thread-safe.
void SetModuleFolderOverride(Module module, const CString& folder);

CString GetIniPath();         // core module folder + "/Tabulon.ini"
CString GetResourceFolder();  // core module folder + "/Tabulon_DLL"

// Absolute paths unchanged; empty → host folder; relative → host folder + "/" + path.
CString ResolvePath(const CString& path);

bool PathFileExists(const CString& path);  // access(path, F_OK) succeeds
bool PathIsDirectory(const CString& path);
bool PathIsRegularFile(const CString& path);  // links followed
bool PathIsRelative(const CString& path);
// Which file a path names: its device and inode (links followed).
struct FileId {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    bool operator==(const FileId&) const = default;
};
// False when the path names no file that can be looked at.
bool GetFileId(const CString& path, FileId& id);

// True when both paths name one existing file (same device and inode, links followed).
bool IsSameFile(const CString& a,
                const CString& b);  // true for "" and anything not starting with '/'

// True when name matches one of the ";"-separated shell patterns ("*" any run, "?" one
// character), without regard to ASCII case. Blanks before a pattern are ignored; "*.*"
// matches everything. The whole name is matched, so "*.xls" matches "/a/b.XLS".
bool PathMatchSpec(const CString& name, const CString& patterns);

}  // namespace tabulon::platform
