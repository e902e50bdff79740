#include "spreadsheet/reader/compound_file.h"

#include <algorithm>
#include <cctype>

namespace tabulon::spreadsheet {
namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFAu;

std::uint32_t U32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
unsigned U16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}

}  // namespace

CompoundFile::CompoundFile(const void* data, std::size_t size)
    : m_data(static_cast<const unsigned char*>(data)), m_size(size) {
    if (size < 512)
        return;
    const unsigned shift = U16(m_data + 0x1E), miniShift = U16(m_data + 0x20);
    if (shift < 7 || shift > 16 || miniShift > shift)
        return;
    m_sectorSize = std::size_t{1} << shift;
    m_miniSectorSize = std::size_t{1} << miniShift;
    m_miniCutoff = U32(m_data + 0x38);
    // Whole sectors only: a file cut inside a sector has lost data, and other
    // readers stumble over it.
    if (size % m_sectorSize != 0)
        return;

    // The FAT sectors: 109 listed in the header, the rest in the DIFAT chain.
    const std::size_t sectors = size / m_sectorSize;
    std::vector<std::uint32_t> fatSectors;
    for (int i = 0; i < 109; ++i) {
        const std::uint32_t s = U32(m_data + 0x4C + 4 * i);
        if (s < kMaxRegularSector)
            fatSectors.push_back(s);
    }
    std::uint32_t difat = U32(m_data + 0x44);
    for (std::size_t hops = 0; difat < kMaxRegularSector && hops < sectors; ++hops) {
        const unsigned char* p = Sector(difat);
        if (!p)
            break;
        const std::size_t perSector = m_sectorSize / 4 - 1;
        for (std::size_t i = 0; i < perSector; ++i) {
            const std::uint32_t s = U32(p + 4 * i);
            if (s < kMaxRegularSector)
                fatSectors.push_back(s);
        }
        difat = U32(p + 4 * perSector);
    }
    // The header's own counts must agree with the tables: a file where they do
    // not is damaged, and readers that trust the counts go astray on it.
    if (fatSectors.size() > sectors || fatSectors.size() != U32(m_data + 0x2C))
        return;
    for (std::uint32_t s : fatSectors) {
        const unsigned char* p = Sector(s);
        if (!p)
            return;
        for (std::size_t i = 0; i < m_sectorSize / 4; ++i)
            m_fat.push_back(U32(p + 4 * i));
    }
    if (!ReadChain(U32(m_data + 0x30), size, false, m_directory))
        return;
    std::string miniFat;
    const std::uint32_t miniFatStart = U32(m_data + 0x3C);
    if (miniFatStart < kMaxRegularSector) {
        if (!ReadChain(miniFatStart, size, false, miniFat))
            return;
        for (std::size_t i = 0; i + 4 <= miniFat.size(); i += 4)
            m_miniFat.push_back(U32(reinterpret_cast<const unsigned char*>(miniFat.data()) + i));
    }
    // The root entry holds the mini stream.
    if (m_directory.size() >= 128) {
        const auto* root = reinterpret_cast<const unsigned char*>(m_directory.data());
        ReadChain(U32(root + 116), U32(root + 120), false, m_miniStream, &m_miniPlaces);
    }
    m_valid = true;
}

const unsigned char* CompoundFile::Sector(std::uint32_t sector) const {
    const std::uint64_t offset = (std::uint64_t{sector} + 1) * m_sectorSize;
    if (offset + m_sectorSize > m_size)
        return nullptr;
    return m_data + offset;
}

bool CompoundFile::ReadChain(std::uint32_t start, std::uint64_t length, bool mini, std::string& out,
                             std::vector<std::uint64_t>* places) const {
    const std::vector<std::uint32_t>& fat = mini ? m_miniFat : m_fat;
    const std::size_t unit = mini ? m_miniSectorSize : m_sectorSize;
    std::uint32_t sector = start;
    // A chain can visit each sector at most once; more means a loop.
    for (std::size_t hops = 0; sector != kEndOfChain && out.size() < length; ++hops) {
        if (sector >= fat.size() || hops > fat.size())
            return false;
        if (mini) {
            const std::uint64_t offset = std::uint64_t{sector} * unit;
            if (offset + unit > m_miniStream.size())
                return false;
            out.append(m_miniStream, offset, unit);
            // A mini sector lies inside one sector of the mini stream's chain.
            if (places)
                places->push_back(m_miniPlaces[offset / m_sectorSize] + offset % m_sectorSize);
        } else {
            const unsigned char* p = Sector(sector);
            if (!p)
                return false;
            out.append(reinterpret_cast<const char*>(p), unit);
            if (places)
                places->push_back(static_cast<std::uint64_t>(p - m_data));
        }
        sector = fat[sector];
    }
    if (out.size() > length)
        out.resize(length);
    return true;
}

const unsigned char* CompoundFile::FindStream(std::string_view name) const {
    if (!m_valid)
        return nullptr;
    for (std::size_t off = 0; off + 128 <= m_directory.size(); off += 128) {
        const auto* e = reinterpret_cast<const unsigned char*>(m_directory.data()) + off;
        const unsigned nameBytes = U16(e + 64);
        if (e[66] != 2 || nameBytes != 2 * (name.size() + 1))
            continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) {
            const unsigned c = U16(e + 2 * i);
            same = c < 128 && std::tolower(static_cast<int>(c)) ==
                                  std::tolower(static_cast<unsigned char>(name[i]));
        }
        if (same)
            return U32(e + 120) <= m_size ? e : nullptr;
    }
    return nullptr;
}

bool CompoundFile::ReadEntry(const unsigned char* entry, std::string& stream,
                             std::vector<std::uint64_t>* places) const {
    const std::uint32_t length = U32(entry + 120);
    return ReadChain(U32(entry + 116), length, length < m_miniCutoff, stream, places) &&
           stream.size() == length;
}

std::optional<std::string> CompoundFile::ReadStream(std::string_view name) const {
    const unsigned char* entry = FindStream(name);
    std::string stream;
    if (!entry || !ReadEntry(entry, stream, nullptr))
        return std::nullopt;
    return stream;
}

bool CompoundFile::WriteStream(std::string_view name, const std::string& content,
                               std::string& fileBytes) const {
    const unsigned char* entry = FindStream(name);
    std::string stream;
    std::vector<std::uint64_t> places;
    if (!entry || fileBytes.size() != m_size || !ReadEntry(entry, stream, &places) ||
        content.size() != stream.size()) {
        return false;
    }
    const std::size_t unit = stream.size() < m_miniCutoff ? m_miniSectorSize : m_sectorSize;
    for (std::size_t i = 0; i < places.size(); ++i) {
        const std::size_t begin = i * unit;
        const std::size_t count = std::min(unit, content.size() - begin);
        fileBytes.replace(places[i], count, content, begin, count);
    }
    return true;
}

}  // namespace tabulon::spreadsheet
