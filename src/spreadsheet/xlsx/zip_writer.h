// A small zip archive writer. Parts are handed over whole or piece by piece;
// a second thread compresses them and writes the file while the caller makes
// the next part. A part handed over whole is deflated in one go with
// libdeflate; a part given in pieces is deflated as a stream with zlib, so a
// large part never has to sit in memory at once. Fixed timestamps, and the
// same parts give the same bytes.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

struct libdeflate_compressor;

namespace tabulon::spreadsheet::xlsx {

class ZipWriter {
  public:
    // Writes to `file` (owned by the caller; must allow seeking). Failures,
    // whichever thread meets them, throw std::runtime_error with the reason
    // from the next call here; the caller adds the path.
    explicit ZipWriter(std::FILE* file, int level = 1);
    // Without Finish() the archive is abandoned: work still queued is dropped.
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    void Add(std::string_view name, std::string data);

    // A part whose size is not known up front: BeginPart, any number of
    // AppendToPart, EndPart. No other part may start in between.
    void BeginPart(std::string_view name);
    void AppendToPart(std::string data);
    void EndPart();
    // An empty string with room, from the pieces already written (or new).
    std::string SpareBuffer();

    // Waits for everything queued and writes the central directory. No part
    // may be added afterwards.
    void Finish();

  private:
    struct Record {
        std::string name;
        std::uint32_t crc = 0, compressedSize = 0, size = 0, offset = 0;
        std::uint16_t method = 0;
    };
    enum class JobKind { Whole, Begin, Piece, End, Stop };
    struct Job {
        JobKind kind;
        std::string name;
        std::string data;
    };
    struct Stream;

    void Push(Job job);
    void Run();
    void Do(Job& job);
    void WriteWhole(const std::string& name, const std::string& data);
    void StartStream(const std::string& name);
    void Deflate(const std::string& data, bool last);
    void EndStream();
    void WriteLocalHeader(const Record& r);
    void Write(const void* data, size_t size);
    void RethrowFailure();

    std::FILE* m_file;
    int m_level;
    libdeflate_compressor* m_compressor;
    std::vector<Record> m_records;
    std::vector<unsigned char> m_buffer;
    std::uint64_t m_offset = 0;
    Stream* m_stream = nullptr;  // the part being streamed, on the worker

    // The queue between the caller and the worker, a few jobs deep so that
    // memory stays flat however large the parts.
    static constexpr std::size_t kMaxQueued = 2;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_queue;
    std::vector<std::string> m_spare;  // written pieces, for reuse
    bool m_failed = false;
    bool m_abandon = false;
    std::exception_ptr m_failure;
    std::thread m_worker;
};

}  // namespace tabulon::spreadsheet::xlsx
