// Ini files read and written with the rules of the Windows profile API, so that settings
// files move between the two platforms unchanged.
//
// Reading: section and key names match without regard to ASCII case, the first matching
// section and key win; a missing file, section or key yields the default (with its
// trailing blanks removed); a value loses its surrounding blanks and then one pair of
// surrounding quotes (' or "); lines starting with ';' are comments. Values are cut to
// kMaxProfileValue bytes, never inside a UTF-8 sequence.
//
// Writing: creates the file, the section or the key as needed, replaces a value in place
// and keeps every other line, comment and line-ending style. The new content goes to a
// temporary file beside the target that is then renamed over it, so readers see either
// the old or the new file, never a half-written one.
#pragma once

#include "platform/cstring.h"

namespace tabulon::platform {

// The value buffer of the profile API holds 2048 characters with the terminator.
inline constexpr int kMaxProfileValue = 2047;

// maxLength (bytes) is the profile API's limit unless a caller needs room for encoded text.
CString GetPrivateProfileString(const CString& section, const CString& key,
                                const CString& defaultValue, const CString& iniPath,
                                int maxLength = kMaxProfileValue);

// False when the file cannot be written, or when the section, key or value would break
// the file's structure (line breaks anywhere, "]" in a section, "=" in a key, empty names).
bool WritePrivateProfileString(const CString& section, const CString& key, const CString& value,
                               const CString& iniPath);

}  // namespace tabulon::platform

namespace tabulon::platform {

// Reads a setting: out becomes the value (or the default) without surrounding blanks; the
// result is a copy of out.
CString ReadIniString(const CString& iniPath, const CString& section, const CString& key,
                      const CString& defaultValue, CString& out);

// The value as the profile API gives it; empty when the key is missing.
CString ReadProfileString(const CString& iniPath, const CString& section, const CString& key);

}  // namespace tabulon::platform
