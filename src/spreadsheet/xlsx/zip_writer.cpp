#include "spreadsheet/xlsx/zip_writer.h"

#include <libdeflate.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace tabulon::spreadsheet::xlsx {

namespace {

constexpr std::uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;  // 1980-01-01
constexpr std::uint16_t kUtf8Names = 0x0800;

void Put16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void Put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t Check32(std::uint64_t v, const char* what) {
    if (v > std::numeric_limits<std::uint32_t>::max()) {
        throw std::runtime_error(std::string(what) +
                                 " exceeds 4 GiB, which this writer does not support");
    }
    return static_cast<std::uint32_t>(v);
}

}  // namespace

ZipWriter::ZipWriter(std::FILE* file, int level)
    : m_file(file), m_compressor(libdeflate_alloc_compressor(level)) {
    if (!m_compressor)
        throw std::runtime_error("out of memory for the compressor");
}

ZipWriter::~ZipWriter() {
    libdeflate_free_compressor(m_compressor);
}

void ZipWriter::Write(const void* data, size_t size) {
    if (size != 0 && std::fwrite(data, 1, size, m_file) != size) {
        throw std::runtime_error(std::strerror(errno));
    }
    m_offset += size;
}

void ZipWriter::Add(std::string_view name, std::string_view data) {
    Record r;
    r.name = std::string(name);
    r.size = Check32(data.size(), "a part");
    r.offset = Check32(m_offset, "the archive");
    r.crc = static_cast<std::uint32_t>(libdeflate_crc32(0, data.data(), data.size()));
    m_buffer.resize(libdeflate_deflate_compress_bound(m_compressor, data.size()));
    size_t compressed = libdeflate_deflate_compress(m_compressor, data.data(), data.size(),
                                                    m_buffer.data(), m_buffer.size());
    const bool stored = compressed == 0 || compressed >= data.size();
    r.method = stored ? 0 : 8;
    r.compressedSize = stored ? r.size : Check32(compressed, "a part");

    std::string header;
    Put32(header, 0x04034b50);
    Put16(header, 20);
    Put16(header, kUtf8Names);
    Put16(header, r.method);
    Put16(header, 0);
    Put16(header, kDosDate);
    Put32(header, r.crc);
    Put32(header, r.compressedSize);
    Put32(header, r.size);
    Put16(header, static_cast<std::uint16_t>(r.name.size()));
    Put16(header, 0);
    header += r.name;
    Write(header.data(), header.size());
    if (stored) {
        Write(data.data(), data.size());
    } else {
        Write(m_buffer.data(), compressed);
    }
    m_records.push_back(std::move(r));
}

void ZipWriter::Finish() {
    const std::uint32_t start = Check32(m_offset, "the archive");
    std::string dir;
    for (const Record& r : m_records) {
        Put32(dir, 0x02014b50);
        Put16(dir, 20);
        Put16(dir, 20);
        Put16(dir, kUtf8Names);
        Put16(dir, r.method);
        Put16(dir, 0);
        Put16(dir, kDosDate);
        Put32(dir, r.crc);
        Put32(dir, r.compressedSize);
        Put32(dir, r.size);
        Put16(dir, static_cast<std::uint16_t>(r.name.size()));
        Put16(dir, 0);
        Put16(dir, 0);
        Put16(dir, 0);
        Put16(dir, 0);
        Put32(dir, 0);
        Put32(dir, r.offset);
        dir += r.name;
    }
    const auto dirSize = static_cast<std::uint32_t>(dir.size());
    Put32(dir, 0x06054b50);
    Put16(dir, 0);
    Put16(dir, 0);
    Put16(dir, static_cast<std::uint16_t>(m_records.size()));
    Put16(dir, static_cast<std::uint16_t>(m_records.size()));
    Put32(dir, dirSize);
    Put32(dir, start);
    Put16(dir, 0);
    Write(dir.data(), dir.size());
}

}  // namespace tabulon::spreadsheet::xlsx
