#include "spreadsheet/reader/biff_record.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/xml_scanner.h"

namespace tabulon::spreadsheet {
namespace {

unsigned U16At(std::string_view s, std::size_t pos) {
    return static_cast<unsigned char>(s[pos]) | (static_cast<unsigned char>(s[pos + 1]) << 8);
}

}  // namespace

bool BiffRecords::Next(BiffRecord& record) {
    if (m_pos + 4 > m_stream.size())
        return false;
    const unsigned id = U16At(m_stream, m_pos);
    const unsigned length = U16At(m_stream, m_pos + 2);
    if (id == 0 && length == 0 && m_stream.find_first_not_of('\0', m_pos) == std::string_view::npos)
        return false;
    if (m_pos + 4 + length > m_stream.size()) {
        char text[96];
        std::snprintf(text, sizeof text,
                      "record 0x%04X at offset %zu: its %u bytes run past the end of the stream",
                      id, m_pos, length);
        throw BiffDamage(text);
    }
    record.id = id;
    record.offset = m_pos;
    record.data = m_stream.substr(m_pos + 4, length);
    m_pos += 4 + length;
    return true;
}

unsigned BiffRecords::PeekId() const {
    return m_pos + 4 <= m_stream.size() ? U16At(m_stream, m_pos) : 0;
}

BiffBody BiffRecords::Continued(const BiffRecord& record) {
    BiffBody body;
    body.bytes.assign(record.data);
    BiffRecord next;
    while (PeekId() == biff::kContinue && Next(next)) {
        body.breaks.push_back(body.bytes.size());
        body.bytes.append(next.data);
    }
    return body;
}

void BiffCursor::Need(std::size_t count) const {
    if (count > m_data.size() - m_pos)
        throw BiffDamage("record too short: " + std::to_string(count) + " more bytes needed at " +
                         std::to_string(m_pos) + " of " + std::to_string(m_data.size()));
}

std::uint8_t BiffCursor::U8() {
    Need(1);
    return static_cast<std::uint8_t>(m_data[m_pos++]);
}

std::uint16_t BiffCursor::U16() {
    Need(2);
    const auto v = static_cast<std::uint16_t>(U16At(m_data, m_pos));
    m_pos += 2;
    return v;
}

std::uint32_t BiffCursor::U32() {
    const std::uint32_t low = U16();
    return low | (std::uint32_t{U16()} << 16);
}

double BiffCursor::F64() {
    Need(8);
    double d;
    std::memcpy(&d, m_data.data() + m_pos, 8);
    m_pos += 8;
    return d;
}

std::string_view BiffCursor::Bytes(std::size_t count) {
    Need(count);
    const std::string_view v = m_data.substr(m_pos, count);
    m_pos += count;
    return v;
}

std::size_t BiffCursor::UntilBreak() const {
    if (m_breaks) {
        const auto it = std::upper_bound(m_breaks->begin(), m_breaks->end(), m_pos);
        if (it != m_breaks->end())
            return *it - m_pos;
    }
    return m_data.size() - m_pos;
}

std::string BiffCursor::Chars(std::size_t count, bool wide) {
    std::string out;
    out.reserve(std::min(count, m_data.size()));
    std::uint32_t high = 0;  // a lead surrogate waiting for its partner
    while (count > 0) {
        // A string cut by a CONTINUE goes on with an option byte of its own.
        if (m_breaks && std::binary_search(m_breaks->begin(), m_breaks->end(), m_pos))
            wide = U8() & 1;
        const std::size_t width = wide ? 2 : 1;
        const std::size_t here = std::min(count, UntilBreak() / width);
        // Some writers declare a character more than they store: the string
        // ends with the record, as spreadsheet applications read it.
        if (here == 0)
            break;
        const char* p = m_data.data() + m_pos;
        for (std::size_t i = 0; i < here; ++i) {
            std::uint32_t c = wide ? U16At(std::string_view(p, 2 * here), 2 * i)
                                   : static_cast<unsigned char>(p[i]);
            if (c >= 0xD800 && c < 0xDC00) {
                if (high)
                    platform::AppendUtf8(out, 0xFFFD);
                high = c;
                continue;
            }
            if (c >= 0xDC00 && c < 0xE000) {
                c = high ? 0x10000 + ((high - 0xD800) << 10) + (c - 0xDC00) : 0xFFFD;
                high = 0;
            } else if (high) {
                platform::AppendUtf8(out, 0xFFFD);
                high = 0;
            }
            platform::AppendUtf8(out, c);
        }
        m_pos += here * width;
        count -= here;
    }
    if (high)
        platform::AppendUtf8(out, 0xFFFD);
    return out;
}

}  // namespace tabulon::spreadsheet
