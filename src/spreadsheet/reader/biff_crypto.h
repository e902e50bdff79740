// Workbook streams protected with a password to open (FILEPASS): RC4
// encryption (BIFF8) and XOR obfuscation (BIFF5 and BIFF8). A workbook saved
// with the application's default password opens without asking for one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tabulon::spreadsheet {

// The password files get when the user protects nothing but the application
// encrypts anyway (e.g. workbooks with protected structure).
inline constexpr std::string_view kBiffDefaultPassword = "VelvetSweatshop";

// Decrypts, in place, the records of `stream` after its FILEPASS record at
// `filePassOffset`, with `password`. False when the password is not the one
// the file was protected with, or the method is not one of the above.
// Throws BiffDamage on a FILEPASS record too short for its method.
bool DecryptBiffStream(std::string& stream, std::size_t filePassOffset, bool biff8,
                       std::string_view password);

// The MD5 digest of `data`.
std::array<std::uint8_t, 16> Md5(std::string_view data);

}  // namespace tabulon::spreadsheet
