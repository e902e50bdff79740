#include "spreadsheet/reader/biff_text.h"

#include <iconv.h>

#include "platform/xml_scanner.h"

namespace tabulon::spreadsheet {

BiffText::~BiffText() {
    if (m_iconv)
        iconv_close(static_cast<iconv_t>(m_iconv));
}

std::string CodePageName(unsigned codePage) {
    switch (codePage) {
        case 367:
            return "ASCII";
        case 1200:
            return "UTF-16LE";
        case 10000:
        case 32768:
            return "MACINTOSH";
        case 10006:
            return "MACGREEK";
        case 10007:
            return "MAC-CYRILLIC";
        case 10029:
            return "MAC-CENTRALEUROPE";
        case 10079:
            return "MAC-IS";
        case 10081:
            return "MACTURKISH";
        case 32769:
            return "CP1252";
        default:
            if ((codePage >= 437 && codePage <= 1258) || codePage == 874)
                return "CP" + std::to_string(codePage);
            return {};
    }
}

void BiffText::SetCodePage(unsigned codePage) {
    if (codePage == m_codePage)
        return;
    if (m_iconv)
        iconv_close(static_cast<iconv_t>(m_iconv));
    m_iconv = nullptr;
    m_iconvFailed = false;
    m_codePage = codePage;
}

std::string BiffText::Decode(std::string_view bytes) {
    bool ascii = true;
    for (const char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return std::string(bytes);
    if (!m_iconv && !m_iconvFailed) {
        std::string name = CodePageName(m_codePage);
        if (name.empty())
            name = "CP1252";  // an unknown code page reads as the usual one
        const iconv_t cd = iconv_open("UTF-8", name.c_str());
        if (cd == reinterpret_cast<iconv_t>(-1))
            m_iconvFailed = true;
        else
            m_iconv = cd;
    }
    std::string out;
    if (!m_iconv) {
        for (const char c : bytes)
            platform::AppendUtf8(out, static_cast<unsigned char>(c));
        return out;
    }
    const auto cd = static_cast<iconv_t>(m_iconv);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.resize(bytes.size() * 4 + 8);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* to = out.data();
    std::size_t toLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &to, &toLeft) == static_cast<std::size_t>(-1)) {
            if (toLeft < 3)
                break;
            // A byte the code page does not define: U+FFFD, and on.
            *to++ = '\xEF';
            *to++ = '\xBF';
            *to++ = '\xBD';
            toLeft -= 3;
            ++in;
            --inLeft;
        }
    }
    out.resize(out.size() - toLeft);
    return out;
}

std::string BiffText::Characters(BiffCursor& cursor, std::size_t count) {
    if (!m_biff8)
        return Decode(cursor.Bytes(count));
    const std::uint8_t options = cursor.U8();
    return cursor.Chars(count, options & 1);
}

std::string BiffText::String(BiffCursor& cursor, int countBytes, std::vector<BiffRun>* runs) {
    const std::size_t count = countBytes == 1 ? cursor.U8() : cursor.U16();
    if (!m_biff8)
        return Decode(cursor.Bytes(count));
    const std::uint8_t options = cursor.U8();
    const std::size_t runCount = (options & 0x08) ? cursor.U16() : 0;
    const std::size_t phonetic = (options & 0x04) ? cursor.U32() : 0;
    std::string text = cursor.Chars(count, options & 1);
    if (runs && runCount * 4 <= cursor.Left()) {
        for (std::size_t i = 0; i < runCount; ++i) {
            BiffRun run;
            run.first = cursor.U16();
            run.font = cursor.U16();
            runs->push_back(run);
        }
    } else {
        cursor.Skip(runCount * 4);
    }
    cursor.Skip(phonetic);
    return text;
}

}  // namespace tabulon::spreadsheet
