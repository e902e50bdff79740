// Reads streams out of an OLE2 compound file held in memory. Defensive about
// every table in it: sector chains that loop, point outside the file or run
// longer than the stream end the read instead of the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon::spreadsheet {

class CompoundFile {
  public:
    // Takes a view of the bytes, which must outlive the object.
    CompoundFile(const void* data, std::size_t size);

    // The stream of that name (ASCII, letter case ignored) anywhere in the
    // directory; nullopt when absent or unreadable.
    std::optional<std::string> ReadStream(std::string_view name) const;
    // Writes `content`, which must be as long as the stream, over that stream
    // in `fileBytes`, a copy of the file's bytes. False when that cannot be done.
    bool WriteStream(std::string_view name, const std::string& content,
                     std::string& fileBytes) const;

  private:
    // Appends the sector chain from `start` (mini sectors when `mini`) to `out`,
    // up to `length` bytes; false when the chain is broken.
    // `places`, when given, receives the file offset of each piece read.
    bool ReadChain(std::uint32_t start, std::uint64_t length, bool mini, std::string& out,
                   std::vector<std::uint64_t>* places = nullptr) const;
    // The directory entry of a stream, or nullptr.
    const unsigned char* FindStream(std::string_view name) const;
    bool ReadEntry(const unsigned char* entry, std::string& stream,
                   std::vector<std::uint64_t>* places) const;
    const unsigned char* Sector(std::uint32_t sector) const;

    const unsigned char* m_data;
    std::size_t m_size;
    std::size_t m_sectorSize = 512;
    std::size_t m_miniSectorSize = 64;
    std::uint32_t m_miniCutoff = 4096;
    std::vector<std::uint32_t> m_fat;
    std::vector<std::uint32_t> m_miniFat;
    std::string m_directory;
    std::string m_miniStream;
    std::vector<std::uint64_t> m_miniPlaces;  // file offsets of the mini stream's sectors
    bool m_valid = false;
};

}  // namespace tabulon::spreadsheet
