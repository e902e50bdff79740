// Read-only access to a zip archive held in memory, over libzip. Knows nothing
// about what the archive contains; it only guards against archives that inflate
// far beyond their size (zip bombs).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct zip;
struct zip_file;
struct libdeflate_decompressor;

namespace tabulon::platform {

// A broken, truncated, encrypted or oversized archive or entry.
class ZipError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Caps on what reading entries may inflate to. An entry is refused when it
// inflates beyond `maxRatio` times its compressed size once it is past
// `ratioFloorBytes` (small parts of repetitive XML legitimately reach high
// ratios), and, when it is read whole into memory, beyond `maxEntryBytes`; the
// archive as a whole may not inflate beyond `maxTotalBytes`.
struct ZipLimits {
    std::uint64_t maxEntryBytes = 512ull << 20;
    std::uint64_t maxTotalBytes = 1024ull << 20;
    std::uint64_t ratioFloorBytes = 16ull << 20;
    std::uint64_t maxRatio = 1000;
};

struct ZipEntry {
    std::string name;
    std::uint64_t size = 0;            // as declared by the archive
    std::uint64_t compressedSize = 0;  // as declared by the archive
    bool encrypted = false;
};

class ZipEntryStream;

class ZipArchive {
  public:
    // The bytes must outlive the archive. Throws ZipError when they are not a
    // readable zip archive.
    ZipArchive(const void* data, std::size_t size, ZipLimits limits = {});
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    const std::vector<ZipEntry>& Entries() const { return m_entries; }

    // Streams the inflated bytes of entry `index` to `sink` in chunks. Throws
    // ZipError on corrupt data or when the ratio or total limit is exceeded.
    void Read(std::size_t index, const std::function<void(const char*, std::size_t)>& sink);
    // The whole entry as a string, within the same limits. A deflated entry
    // whose sizes and checksum hold up is inflated in one go; any other is
    // streamed.
    std::string ReadAll(std::size_t index);
    // The same into `text`, whose room is reused (its content is replaced).
    void ReadAll(std::size_t index, std::string& text);

  private:
    friend class ZipEntryStream;

    // What the central directory says beyond ZipEntry.
    struct Detail {
        bool known = false;  // sizes, method and checksum all given
        std::uint16_t method = 0;
        std::uint32_t crc = 0;
    };

    bool InflateWhole(std::size_t index, std::string& out);

    zip* m_zip = nullptr;
    std::size_t m_archiveSize = 0;
    ZipLimits m_limits;
    std::uint64_t m_totalRead = 0;
    std::vector<ZipEntry> m_entries;
    std::vector<Detail> m_details;
    libdeflate_decompressor* m_inflater = nullptr;
    std::string m_compressed;  // reused from entry to entry
};

// The inflated bytes of one entry, taken piece by piece when the reader wants
// them; within the archive's ratio and total limits. Bytes of a read that fails
// count nothing towards the total, so that the entry may be read again.
class ZipEntryStream {
  public:
    // Throws ZipError when the entry cannot be opened.
    ZipEntryStream(ZipArchive& archive, std::size_t index);
    ~ZipEntryStream();
    ZipEntryStream(const ZipEntryStream&) = delete;
    ZipEntryStream& operator=(const ZipEntryStream&) = delete;

    // Appends up to `max` more bytes to `out`; how many (0 at the end). Throws
    // ZipError on corrupt data or when a limit is exceeded.
    std::size_t ReadSome(std::string& out, std::size_t max);

  private:
    ZipArchive& m_archive;
    const ZipEntry& m_entry;
    zip_file* m_file = nullptr;
    std::uint64_t m_done = 0;
    bool m_ended = false;
};

}  // namespace tabulon::platform
