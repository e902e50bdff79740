#include "spreadsheet/reader/freexl_child.h"

#include <fcntl.h>
#include <freexl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <mutex>

#include "platform/fork_gate.h"
#include "spreadsheet/address.h"
#include "spreadsheet/reader/read_error.h"

// Present only in sanitizer builds.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace tabulon::spreadsheet {
namespace {

// What the child sends, one tagged item after another.
constexpr char kError = 'E', kDateMode = 'D', kSheet = 'S', kCell = 'C', kEnd = 'Z';

// Far more than the largest .xls needs (a full BIFF8 sheet reads in seconds).
constexpr std::chrono::seconds kChildTimeLimit{120};

std::string FreexlMessage(int code) {
    switch (code) {
        case FREEXL_FILE_NOT_FOUND:
            return "the file cannot be opened";
        case FREEXL_INSUFFICIENT_MEMORY:
            return "out of memory";
        case FREEXL_INVALID_CFBF_HEADER:
        case FREEXL_CFBF_INVALID_SIGNATURE:
        case FREEXL_CFBF_INVALID_SECTOR_SIZE:
            return "damaged compound file header";
        case FREEXL_CFBF_READ_ERROR:
        case FREEXL_CFBF_SEEK_ERROR:
            return "truncated or damaged compound file";
        case FREEXL_CFBF_EMPTY_FAT_CHAIN:
        case FREEXL_CFBF_ILLEGAL_FAT_ENTRY:
        case FREEXL_INVALID_MINI_STREAM:
        case FREEXL_CFBF_ILLEGAL_MINI_FAT_ENTRY:
            return "damaged compound file allocation table";
        case FREEXL_BIFF_INVALID_BOF:
            return "damaged workbook stream (bad BOF record)";
        case FREEXL_BIFF_INVALID_SST:
            return "damaged shared string table";
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
            return "no workbook stream in the compound file";
        case FREEXL_INVALID_CHARACTER:
        case FREEXL_UNSUPPORTED_CHARSET:
            return "text in an unsupported or invalid character set";
        case FREEXL_CRAFTED_FILE:
            return "severely damaged or crafted file";
        default:
            return "damaged workbook (error " + std::to_string(code) + ")";
    }
}

// Buffered writes to the pipe; the child's only output.
class PipeWriter {
  public:
    explicit PipeWriter(int fd) : m_fd(fd) {}
    void Put(const void* data, std::size_t size) {
        m_buffer.append(static_cast<const char*>(data), size);
        if (m_buffer.size() >= 64 * 1024)
            Flush();
    }
    void Tag(char tag) { Put(&tag, 1); }
    void U32(std::uint32_t v) { Put(&v, sizeof v); }
    void Text(const char* text) {
        const std::size_t n = text ? std::strlen(text) : 0;
        U32(static_cast<std::uint32_t>(n));
        Put(text ? text : "", n);
    }
    void Flush() {
        std::size_t done = 0;
        while (done < m_buffer.size()) {
            const ssize_t n = write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                _exit(3);
            done += static_cast<std::size_t>(n);
        }
        m_buffer.clear();
    }

  private:
    int m_fd;
    std::string m_buffer;
};

void ChildMain(const std::string& path, PipeWriter& out) {
    const void* h = nullptr;
    const int rc = freexl_open(path.c_str(), &h);
    // freexl 1.0.6 gives up on some records it cannot make sense of by
    // returning success without a handle.
    if (rc != FREEXL_OK || !h) {
        out.Tag(kError);
        out.Text(rc != FREEXL_OK
                     ? FreexlMessage(rc).c_str()
                     : "the workbook stream holds records the .xls library cannot decode "
                       "(damaged, or an unsupported variant)");
        return;
    }
    unsigned int info = 0;
    if (freexl_get_info(h, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED) {
        out.Tag(kError);
        out.Text("encrypted");
        return;
    }
    unsigned int dateMode = FREEXL_BIFF_DATEMODE_1900;
    freexl_get_info(h, FREEXL_BIFF_DATEMODE, &dateMode);
    out.Tag(kDateMode);
    out.U32(dateMode == FREEXL_BIFF_DATEMODE_1904 ? 1 : 0);
    unsigned int sheets = 0;
    freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &sheets);
    for (unsigned int s = 0; s < sheets && s <= 0xFFFF; ++s) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(h, static_cast<unsigned short>(s), &name) != FREEXL_OK)
            name = nullptr;
        out.Tag(kSheet);
        out.Text(name);
        unsigned int rows = 0;
        unsigned short cols = 0;
        if (freexl_select_active_worksheet(h, static_cast<unsigned short>(s)) != FREEXL_OK ||
            freexl_worksheet_dimensions(h, &rows, &cols) != FREEXL_OK) {
            continue;
        }
        for (unsigned int r = 0; r < rows && r < static_cast<unsigned>(kMaxRows); ++r) {
            for (unsigned short c = 0; c < cols; ++c) {
                FreeXL_CellValue cell;
                if (freexl_get_cell_value(h, r, c, &cell) != FREEXL_OK ||
                    cell.type == FREEXL_CELL_NULL) {
                    continue;
                }
                out.Tag(kCell);
                out.U32(r);
                out.U32(c);
                out.Put(&cell.type, 1);
                if (cell.type == FREEXL_CELL_INT || cell.type == FREEXL_CELL_DOUBLE) {
                    const double d = cell.type == FREEXL_CELL_INT ? cell.value.int_value
                                                                  : cell.value.double_value;
                    out.Put(&d, sizeof d);
                } else {
                    out.Text(cell.value.text_value);
                }
            }
        }
    }
    freexl_close(h);
    out.Tag(kEnd);
}

// Reads what the child sent.
class Reply {
  public:
    explicit Reply(std::string bytes) : m_bytes(std::move(bytes)) {}
    bool Done() const { return m_pos >= m_bytes.size(); }
    bool Get(void* out, std::size_t size) {
        if (m_bytes.size() - m_pos < size)
            return false;
        std::memcpy(out, m_bytes.data() + m_pos, size);
        m_pos += size;
        return true;
    }
    bool Text(std::string& out) {
        std::uint32_t n = 0;
        if (!Get(&n, sizeof n) || m_bytes.size() - m_pos < n)
            return false;
        out.assign(m_bytes, m_pos, n);
        m_pos += n;
        return true;
    }

  private:
    std::string m_bytes;
    std::size_t m_pos = 0;
};

std::string RunChild(const std::string& path, const std::string& fileName, bool& cleanExit) {
    int fds[2];
    if (pipe(fds) != 0)
        throw ReadError(fileName + ": cannot be read: no pipe for the .xls reader");
    pid_t pid;
    {
        // No other thread of ours is half-way through reading while the child starts.
        std::unique_lock<std::shared_mutex> gate(platform::ForkGate());
        pid = fork();
    }
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        throw ReadError(fileName + ": cannot be read: cannot start the .xls reader");
    }
    if (pid == 0) {
        // The child dies plainly on a fault: no handler inherited from the
        // parent (a crash reporter, a fuzzing engine) is to act for it.
        for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
            std::signal(sig, SIG_DFL);
        if (__sanitizer_set_death_callback)
            __sanitizer_set_death_callback(nullptr);
        // Its complaints about a damaged file are not for the user's terminal.
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0)
            dup2(devNull, STDERR_FILENO);
        close(fds[0]);
        PipeWriter out(fds[1]);
        try {
            ChildMain(path, out);
        } catch (...) {
            _exit(2);
        }
        out.Flush();
        _exit(0);  // no destructors, atexit handlers or leak checks of the parent's state
    }
    close(fds[1]);
    std::string bytes;
    char buffer[64 * 1024];
    // A child that stops making progress is stopped: nothing may hang the caller.
    const auto deadline = std::chrono::steady_clock::now() + kChildTimeLimit;
    bool timedOut = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd pending{fds[0], POLLIN, 0};
        const int ready = left.count() > 0 ? poll(&pending, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut) {
        throw ReadError(fileName + ": cannot be read as .xls: the .xls library took longer than " +
                        std::to_string(kChildTimeLimit.count()) + " s on this file");
    }
    cleanExit = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return bytes;
}

}  // namespace

FreexlBook ReadWithFreexl(const std::string& path, const std::string& fileName) {
    bool cleanExit = false;
    Reply reply(RunChild(path, fileName, cleanExit));
    const std::string failed =
        fileName +
        ": cannot be read as .xls: the .xls library failed on this file (damaged or "
        "crafted content)";
    if (!cleanExit)
        throw ReadError(failed);
    FreexlBook book;
    while (!reply.Done()) {
        char tag = 0;
        reply.Get(&tag, 1);
        std::uint32_t u = 0;
        std::string text;
        switch (tag) {
            case kError:
                if (!reply.Text(text))
                    throw ReadError(failed);
                if (text == "encrypted")
                    throw ReadError(
                        fileName +
                        ": cannot be read: the workbook is encrypted (password protected)");
                throw ReadError(fileName + ": cannot be read as .xls: " + text);
            case kDateMode:
                if (!reply.Get(&u, sizeof u))
                    throw ReadError(failed);
                book.date1904 = u != 0;
                break;
            case kSheet:
                book.sheets.emplace_back();
                if (!reply.Text(book.sheets.back().name))
                    throw ReadError(failed);
                break;
            case kCell: {
                FreexlCell cell;
                if (book.sheets.empty() || !reply.Get(&cell.row, 4) || !reply.Get(&cell.col, 4) ||
                    !reply.Get(&cell.type, 1)) {
                    throw ReadError(failed);
                }
                const bool number = cell.type == FREEXL_CELL_INT || cell.type == FREEXL_CELL_DOUBLE;
                if (number ? !reply.Get(&cell.number, sizeof cell.number) : !reply.Text(cell.text))
                    throw ReadError(failed);
                book.sheets.back().cells.push_back(std::move(cell));
                break;
            }
            case kEnd:
                return book;
            default:
                throw ReadError(failed);
        }
    }
    throw ReadError(failed);  // the child stopped before its end mark
}

}  // namespace tabulon::spreadsheet
