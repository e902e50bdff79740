// Texts of the host application: mode titles, link texts, the product home page.
//
// The host ships them beside its executable as "QXTexts.ini", whose sections, keys and
// values are written in the host text code, or as the plain "QXTexts_Raw.ini".
//
// The host text code: byte i of a text, XORed with a key for its position's parity, is
// written as two symbols (high nibble, low nibble) from one of two 16-symbol tables, the
// table again chosen by the parity of i. The two tables share no symbol, even ignoring
// case, and use only upper-case letters and digits, so encoded texts are safe as ini
// names and values and distinct texts stay distinct under case-insensitive lookup.
#pragma once

#include <optional>
#include <string>

#include "platform/cstring.h"

namespace tabulon::platform {

CString EncodeHostText(const CString& plain);
// nullopt when text is not in the host text code (odd length, foreign or misplaced symbol).
std::optional<CString> DecodeHostText(const CString& text);

// Whole-file conversions used by the qxtext_encode tool. Section names, keys and values are
// converted; values are taken as a reader sees them (trimmed, quotes removed); blank and
// comment lines are kept. Decoding fails (nullopt) on any line that is not in the code.
std::string EncodeHostTextFile(const std::string& rawContent);
std::optional<std::string> DecodeHostTextFile(const std::string& encodedContent);

// The text for section/key from the host folder: from "QXTexts.ini" (section and key
// encoded before the lookup, the value decoded after; a value that does not decode gives
// "") when that file exists, otherwise from "QXTexts_Raw.ini" as written. Missing → "".
CString LookupHostText(const CString& section, const CString& key);

}  // namespace tabulon::platform
