// The record layer of a BIFF5/BIFF8 workbook stream: records one after the
// other, bodies continued in CONTINUE records, and a cursor that reads a body
// with every length checked against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon::spreadsheet {

// What is wrong with a record, without its place; the reader adds file,
// stream and offset.
class BiffDamage : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

namespace biff {
constexpr unsigned kBof = 0x0809;
constexpr unsigned kEof = 0x000A;
constexpr unsigned kContinue = 0x003C;
}  // namespace biff

struct BiffRecord {
    unsigned id = 0;
    std::size_t offset = 0;  // of the record header in the stream
    std::string_view data;   // the body, without its CONTINUE records
};

// A body together with the CONTINUE records after it. `breaks` holds the
// positions in `bytes` where a CONTINUE began: a string cut there starts over
// with a new option byte.
struct BiffBody {
    std::string bytes;
    std::vector<std::size_t> breaks;
};

class BiffRecords {
  public:
    BiffRecords(std::string_view stream, std::size_t offset) : m_stream(stream), m_pos(offset) {}

    // The next record; false at the end of the stream (or of its zero padding).
    // Throws BiffDamage on a record that runs past the end of the stream.
    bool Next(BiffRecord& record);
    // The id of the record after the current one, 0 at the end.
    unsigned PeekId() const;
    // The body of `record` with the CONTINUE records after it, which are consumed.
    BiffBody Continued(const BiffRecord& record);
    std::size_t Position() const { return m_pos; }

  private:
    std::string_view m_stream;
    std::size_t m_pos;
};

// Reads a record body front to back. Every read past the end throws BiffDamage.
class BiffCursor {
  public:
    explicit BiffCursor(std::string_view data, const std::vector<std::size_t>* breaks = nullptr)
        : m_data(data), m_breaks(breaks) {}

    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
    double F64();
    std::string_view Bytes(std::size_t count);
    void Skip(std::size_t count) { (void)Bytes(count); }
    std::size_t Left() const { return m_data.size() - m_pos; }
    std::size_t Position() const { return m_pos; }
    std::string_view Rest() const { return m_data.substr(m_pos); }

    // `count` characters of a BIFF8 string as UTF-8, 16-bit when `wide`; a
    // CONTINUE break inside them brings a new option byte choosing the width.
    std::string Chars(std::size_t count, bool wide);

  private:
    void Need(std::size_t count) const;
    // Characters that can be read before the next break.
    std::size_t UntilBreak() const;

    std::string_view m_data;
    const std::vector<std::size_t>* m_breaks;
    std::size_t m_pos = 0;
};

}  // namespace tabulon::spreadsheet
