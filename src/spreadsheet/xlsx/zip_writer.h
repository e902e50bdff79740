// A small zip archive writer: every entry deflated in one go with libdeflate
// at a fast level, fixed timestamps so equal input gives equal bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

struct libdeflate_compressor;

namespace tabulon::spreadsheet::xlsx {

class ZipWriter {
  public:
    // Writes to `file` (owned by the caller). Failures throw std::runtime_error
    // with the reason; the caller adds the path.
    explicit ZipWriter(std::FILE* file, int level = 1);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    void Add(std::string_view name, std::string_view data);
    // Writes the central directory. No entry may be added afterwards.
    void Finish();

  private:
    struct Record {
        std::string name;
        std::uint32_t crc, compressedSize, size, offset;
        std::uint16_t method;
    };
    void Write(const void* data, size_t size);

    std::FILE* m_file;
    libdeflate_compressor* m_compressor;
    std::vector<Record> m_records;
    std::vector<unsigned char> m_buffer;
    std::uint64_t m_offset = 0;
};

}  // namespace tabulon::spreadsheet::xlsx
