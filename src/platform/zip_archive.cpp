#include "platform/zip_archive.h"

#include <libdeflate.h>
#include <zip.h>

#include <memory>

namespace tabulon::platform {
namespace {

std::string LibzipMessage(zip_error_t* error) {
    std::string text = zip_error_strerror(error);
    zip_error_fini(error);
    return text;
}

struct FileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

}  // namespace

ZipArchive::ZipArchive(const void* data, std::size_t size, ZipLimits limits)
    : m_archiveSize(size), m_limits(limits) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
    if (!source)
        throw ZipError("not a zip archive: " + LibzipMessage(&error));
    m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!m_zip) {
        zip_source_free(source);
        throw ZipError("not a readable zip archive: " + LibzipMessage(&error));
    }
    zip_error_fini(&error);
    const zip_int64_t count = zip_get_num_entries(m_zip, 0);
    m_entries.reserve(count > 0 ? static_cast<std::size_t>(count) : 0);
    m_details.reserve(m_entries.capacity());
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        ZipEntry entry;
        Detail detail;
        if (zip_stat_index(m_zip, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS, &st) == 0) {
            constexpr zip_uint64_t kNeeded =
                ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC;
            detail.known = (st.valid & kNeeded) == kNeeded;
            detail.method = st.comp_method;
            detail.crc = st.crc;
            if (st.valid & ZIP_STAT_NAME)
                entry.name = st.name;
            if (st.valid & ZIP_STAT_SIZE)
                entry.size = st.size;
            if (st.valid & ZIP_STAT_COMP_SIZE)
                entry.compressedSize = st.comp_size;
            if (st.valid & ZIP_STAT_ENCRYPTION_METHOD)
                entry.encrypted = st.encryption_method != ZIP_EM_NONE;
        }
        m_entries.push_back(std::move(entry));
        m_details.push_back(detail);
    }
}

ZipArchive::~ZipArchive() {
    if (m_zip)
        zip_discard(m_zip);
    libdeflate_free_decompressor(m_inflater);
}

void ZipArchive::Read(std::size_t index,
                      const std::function<void(const char*, std::size_t)>& sink) {
    ZipEntryStream stream(*this, index);
    std::string piece;
    for (;;) {
        piece.clear();
        if (stream.ReadSome(piece, 64 * 1024) == 0)
            break;
        sink(piece.data(), piece.size());
    }
}

ZipEntryStream::ZipEntryStream(ZipArchive& archive, std::size_t index)
    : m_archive(archive),
      m_entry(index < archive.m_entries.size() ? archive.m_entries[index]
                                               : throw ZipError("no such zip entry")) {
    if (m_entry.encrypted)
        throw ZipError(m_entry.name + ": the zip entry is encrypted");
    m_file = zip_fopen_index(archive.m_zip, index, 0);
    if (!m_file) {
        throw ZipError(m_entry.name + ": cannot open zip entry: " + zip_strerror(archive.m_zip));
    }
}

ZipEntryStream::~ZipEntryStream() {
    zip_fclose(m_file);
    // A read that failed, or was given up part way because the content was
    // refused, counts nothing: the entry may be read again (by another parser)
    // within the same limits.
    if (!m_ended)
        m_archive.m_totalRead -= m_done;
}

std::size_t ZipEntryStream::ReadSome(std::string& out, std::size_t max) {
    const std::size_t before = out.size();
    out.resize(before + max);
    const zip_int64_t n = zip_fread(m_file, out.data() + before, max);
    if (n <= 0) {
        out.resize(before);
        if (n < 0) {
            throw ZipError(m_entry.name + ": corrupt zip entry: " + zip_file_strerror(m_file));
        }
        m_ended = true;
        return 0;
    }
    out.resize(before + static_cast<std::size_t>(n));
    const ZipLimits& limits = m_archive.m_limits;
    m_done += static_cast<std::uint64_t>(n);
    m_archive.m_totalRead += static_cast<std::uint64_t>(n);
    // The ratio is measured against the declared compressed size; a lying
    // header only makes the cap stricter, never looser.
    if (m_done > limits.ratioFloorBytes && m_done > m_entry.compressedSize * limits.maxRatio) {
        throw ZipError(m_entry.name + ": zip entry inflates more than " +
                       std::to_string(limits.maxRatio) + " times its compressed size (zip bomb?)");
    }
    if (m_archive.m_totalRead > limits.maxTotalBytes) {
        throw ZipError(m_entry.name + ": zip archive inflates beyond " +
                       std::to_string(limits.maxTotalBytes >> 20) + " MB in total");
    }
    return static_cast<std::size_t>(n);
}

// Only an entry that is plainly within the limits and whose declared size,
// data and checksum agree is inflated here; everything else goes the streaming
// way, which enforces the limits as the bytes come and reports damage.
bool ZipArchive::InflateWhole(std::size_t index, std::string& out) {
    if (index >= m_entries.size())
        return false;
    const ZipEntry& entry = m_entries[index];
    const Detail& detail = m_details[index];
    if (entry.encrypted || !detail.known || detail.method != ZIP_CM_DEFLATE)
        return false;
    const std::uint64_t size = entry.size;
    if (size == 0 || entry.compressedSize == 0 || entry.compressedSize > m_archiveSize)
        return false;
    if (size > m_limits.maxEntryBytes || size > m_limits.maxTotalBytes - m_totalRead ||
        m_totalRead > m_limits.maxTotalBytes)
        return false;
    if (size > m_limits.ratioFloorBytes && size > entry.compressedSize * m_limits.maxRatio)
        return false;
    std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(m_zip, index, ZIP_FL_COMPRESSED));
    if (!file)
        return false;
    m_compressed.resize(static_cast<std::size_t>(entry.compressedSize));
    const zip_int64_t got = zip_fread(file.get(), m_compressed.data(), m_compressed.size());
    if (got < 0 || static_cast<std::uint64_t>(got) != entry.compressedSize)
        return false;
    if (!m_inflater)
        m_inflater = libdeflate_alloc_decompressor();
    if (!m_inflater)
        return false;
    // A buffer kept from earlier reads is used as it stands: growing a string
    // clears the new room first, which costs as much as a good part of the
    // inflating.
    const auto length = static_cast<std::size_t>(size);
    if (out.size() < length)
        out.resize(length);
    std::size_t actual = 0;
    const libdeflate_result result = libdeflate_deflate_decompress(
        m_inflater, m_compressed.data(), m_compressed.size(), out.data(), length, &actual);
    if (result != LIBDEFLATE_SUCCESS || actual != length ||
        libdeflate_crc32(0, out.data(), length) != detail.crc) {
        return false;
    }
    out.resize(length);
    m_totalRead += size;
    return true;
}

std::string ZipArchive::ReadAll(std::size_t index) {
    std::string text;
    ReadAll(index, text);
    return text;
}

void ZipArchive::ReadAll(std::size_t index, std::string& text) {
    if (InflateWhole(index, text))
        return;
    text.clear();
    text.shrink_to_fit();
    // A failed read counts nothing, so that reading the entry again (streamed,
    // to report the damage where it lies) meets the same limits.
    const std::uint64_t before = m_totalRead;
    try {
        Read(index, [&](const char* data, std::size_t size) {
            if (text.size() + size > m_limits.maxEntryBytes) {
                throw ZipError(m_entries[index].name + ": zip entry inflates beyond " +
                               std::to_string(m_limits.maxEntryBytes >> 20) + " MB");
            }
            text.append(data, size);
        });
    } catch (...) {
        m_totalRead = before;
        throw;
    }
}

}  // namespace tabulon::platform
