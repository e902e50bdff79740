#include "spreadsheet/xlsx/zip_writer.h"

#include <isa-l/igzip_lib.h>
#include <libdeflate.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace tabulon::spreadsheet::xlsx {

namespace {

constexpr std::uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;  // 1980-01-01
constexpr std::uint16_t kUtf8Names = 0x0800;
constexpr std::size_t kStreamOut = 256 * 1024;

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

// A part being deflated as a stream, with ISA-L: at its fastest levels it
// compresses sheet XML several times faster than zlib, and smaller.
struct ZipWriter::Stream {
    isal_zstream z{};
    std::vector<std::uint8_t> levelBuffer;
    std::size_t record = 0;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    std::uint64_t compressed = 0;
    std::vector<unsigned char> out = std::vector<unsigned char>(kStreamOut);
};

namespace {

// ISA-L has levels 0-3; the writer's level follows libdeflate's 0-12.
void SetStreamLevel(isal_zstream& z, std::vector<std::uint8_t>& buffer, int level) {
    if (level <= 0) {
        z.level = 0;
        buffer.resize(ISAL_DEF_LVL0_DEFAULT);
    } else if (level == 1) {
        z.level = 1;
        buffer.resize(ISAL_DEF_LVL1_DEFAULT);
    } else if (level < 6) {
        z.level = 2;
        buffer.resize(ISAL_DEF_LVL2_DEFAULT);
    } else {
        z.level = 3;
        buffer.resize(ISAL_DEF_LVL3_DEFAULT);
    }
    z.level_buf = buffer.data();
    z.level_buf_size = static_cast<std::uint32_t>(buffer.size());
}

}  // namespace

ZipWriter::ZipWriter(std::FILE* file, int level)
    : m_file(file), m_level(level), m_compressor(libdeflate_alloc_compressor(level)) {
    if (!m_compressor)
        throw std::runtime_error("out of memory for the compressor");
    try {
        m_worker = std::thread([this] { Run(); });
    } catch (...) {
        libdeflate_free_compressor(m_compressor);
        throw;
    }
}

ZipWriter::~ZipWriter() {
    {
        std::lock_guard lock(m_mutex);
        m_abandon = true;
        m_queue.clear();
        m_queue.push_back({JobKind::Stop, {}, {}});
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
    delete m_stream;
    libdeflate_free_compressor(m_compressor);
}

void ZipWriter::RethrowFailure() {
    // Called with the failure recorded; the worker no longer touches it.
    std::rethrow_exception(m_failure);
}

void ZipWriter::Push(Job job) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_failed || m_queue.size() < kMaxQueued; });
    if (m_failed)
        RethrowFailure();
    m_queue.push_back(std::move(job));
    lock.unlock();
    m_changed.notify_all();
}

void ZipWriter::Run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return !m_queue.empty(); });
            job = std::move(m_queue.front());
            m_queue.pop_front();
        }
        m_changed.notify_all();
        if (job.kind == JobKind::Stop)
            return;
        bool skip;
        {
            std::lock_guard lock(m_mutex);
            skip = m_failed || m_abandon;
        }
        if (skip)
            continue;
        try {
            Do(job);
        } catch (...) {
            {
                std::lock_guard lock(m_mutex);
                m_failure = std::current_exception();
                m_failed = true;
            }
            m_changed.notify_all();
        }
    }
}

void ZipWriter::Do(Job& job) {
    switch (job.kind) {
        case JobKind::Whole:
            WriteWhole(job.name, job.data);
            break;
        case JobKind::Begin:
            StartStream(job.name);
            break;
        case JobKind::Piece:
            Deflate(job.data, false);
            break;
        case JobKind::End:
            EndStream();
            break;
        case JobKind::Stop:
            break;
    }
    if (job.kind == JobKind::Piece) {
        job.data.clear();
        std::lock_guard lock(m_mutex);
        if (m_spare.size() < kMaxQueued)
            m_spare.push_back(std::move(job.data));
    }
}

void ZipWriter::Write(const void* data, size_t size) {
    if (size != 0 && std::fwrite(data, 1, size, m_file) != size) {
        throw std::runtime_error(std::strerror(errno));
    }
    m_offset += size;
}

void ZipWriter::WriteLocalHeader(const Record& r) {
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
}

void ZipWriter::WriteWhole(const std::string& name, const std::string& data) {
    Record r;
    r.name = name;
    r.size = Check32(data.size(), "a part");
    r.offset = Check32(m_offset, "the archive");
    r.crc = static_cast<std::uint32_t>(libdeflate_crc32(0, data.data(), data.size()));
    m_buffer.resize(libdeflate_deflate_compress_bound(m_compressor, data.size()));
    size_t compressed = libdeflate_deflate_compress(m_compressor, data.data(), data.size(),
                                                    m_buffer.data(), m_buffer.size());
    const bool stored = compressed == 0 || compressed >= data.size();
    r.method = stored ? 0 : 8;
    r.compressedSize = stored ? r.size : Check32(compressed, "a part");
    WriteLocalHeader(r);
    if (stored) {
        Write(data.data(), data.size());
    } else {
        Write(m_buffer.data(), compressed);
    }
    m_records.push_back(std::move(r));
}

void ZipWriter::StartStream(const std::string& name) {
    delete m_stream;
    m_stream = nullptr;
    auto stream = std::make_unique<Stream>();
    isal_deflate_init(&stream->z);
    SetStreamLevel(stream->z, stream->levelBuffer, m_level);
    // Raw deflate, as zip stores it.
    stream->z.gzip_flag = IGZIP_DEFLATE;
    stream->z.flush = NO_FLUSH;
    Record r;
    r.name = name;
    r.offset = Check32(m_offset, "the archive");
    r.method = 8;
    // Sizes and checksum are filled in at the end of the part.
    WriteLocalHeader(r);
    stream->record = m_records.size();
    m_records.push_back(std::move(r));
    m_stream = stream.release();
}

void ZipWriter::Deflate(const std::string& data, bool last) {
    Stream& s = *m_stream;
    s.crc = static_cast<std::uint32_t>(libdeflate_crc32(s.crc, data.data(), data.size()));
    s.size += data.size();
    Check32(s.size, "a part");
    // ISA-L takes no more than 4 GiB at a time; pieces are far smaller.
    s.z.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(data.data()));
    s.z.avail_in = static_cast<std::uint32_t>(data.size());
    s.z.end_of_stream = last ? 1 : 0;
    for (;;) {
        s.z.next_out = s.out.data();
        s.z.avail_out = static_cast<std::uint32_t>(s.out.size());
        if (isal_deflate(&s.z) != COMP_OK)
            throw std::runtime_error("the compressor failed");
        const std::size_t produced = s.out.size() - s.z.avail_out;
        Write(s.out.data(), produced);
        s.compressed += produced;
        const bool done = last ? s.z.internal_state.state == ZSTATE_END : s.z.avail_in == 0;
        if (done && s.z.avail_out != 0)
            break;
    }
    Check32(s.compressed, "a part");
}

void ZipWriter::EndStream() {
    Deflate(std::string(), true);
    Stream& s = *m_stream;
    Record& r = m_records[s.record];
    r.crc = s.crc;
    r.size = Check32(s.size, "a part");
    r.compressedSize = Check32(s.compressed, "a part");
    // Fill in the local header's checksum and sizes, then carry on at the end.
    std::string patch;
    Put32(patch, r.crc);
    Put32(patch, r.compressedSize);
    Put32(patch, r.size);
    if (std::fflush(m_file) != 0 ||
        fseeko(m_file, static_cast<off_t>(r.offset) + 14, SEEK_SET) != 0 ||
        std::fwrite(patch.data(), 1, patch.size(), m_file) != patch.size() ||
        fseeko(m_file, 0, SEEK_END) != 0) {
        throw std::runtime_error(std::strerror(errno));
    }
    delete m_stream;
    m_stream = nullptr;
}

void ZipWriter::Add(std::string_view name, std::string data) {
    Push({JobKind::Whole, std::string(name), std::move(data)});
}

std::string ZipWriter::SpareBuffer() {
    std::lock_guard lock(m_mutex);
    if (m_spare.empty())
        return {};
    std::string out = std::move(m_spare.back());
    m_spare.pop_back();
    return out;
}

void ZipWriter::BeginPart(std::string_view name) {
    Push({JobKind::Begin, std::string(name), {}});
}

void ZipWriter::AppendToPart(std::string data) {
    if (!data.empty())
        Push({JobKind::Piece, {}, std::move(data)});
}

void ZipWriter::EndPart() {
    Push({JobKind::End, {}, {}});
}

void ZipWriter::Finish() {
    Push({JobKind::Stop, {}, {}});
    m_worker.join();
    if (m_failed)
        RethrowFailure();

    const std::uint32_t start = Check32(m_offset, "the archive");
    if (m_records.size() > 0xFFFF)
        throw std::runtime_error("more than 65535 parts, which this writer does not support");
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
    const auto dirSize = Check32(dir.size(), "the central directory");
    Check32(m_offset + dir.size(), "the archive");
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
