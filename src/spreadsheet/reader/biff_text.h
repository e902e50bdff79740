// Text of a BIFF workbook: BIFF8 strings are Unicode, BIFF5 strings are bytes
// in the workbook's code page (its CODEPAGE record; Windows-1252 without one).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/reader/biff_record.h"

namespace tabulon::spreadsheet {

// A formatting run of a string: from character `first` on, font `font`.
struct BiffRun {
    unsigned first = 0;
    unsigned font = 0;
};

class BiffText {
  public:
    explicit BiffText(bool biff8) : m_biff8(biff8) {}
    ~BiffText();
    BiffText(const BiffText&) = delete;
    BiffText& operator=(const BiffText&) = delete;

    bool Biff8() const { return m_biff8; }
    void SetCodePage(unsigned codePage);

    // A string with a character count of `countBytes` (1 or 2) bytes: in BIFF8
    // followed by an option byte. Its formatting runs go to `runs` when given;
    // phonetic data is skipped.
    std::string String(BiffCursor& cursor, int countBytes, std::vector<BiffRun>* runs = nullptr);
    // The characters of a string whose count is already read (BIFF8: option
    // byte first).
    std::string Characters(BiffCursor& cursor, std::size_t count);
    // Bytes in the workbook's code page as UTF-8.
    std::string Decode(std::string_view bytes);

  private:
    bool m_biff8;
    unsigned m_codePage = 1252;
    void* m_iconv = nullptr;  // iconv_t for m_codePage, opened on first use
    bool m_iconvFailed = false;
};

// The iconv name of a Windows or Macintosh code page number; empty when unknown.
std::string CodePageName(unsigned codePage);

}  // namespace tabulon::spreadsheet
