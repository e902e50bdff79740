#include "platform/guid.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tabulon::platform {
namespace {

bool ReadRandom(std::uint8_t* out, size_t size) {
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < size) {
        ssize_t n = read(fd, out + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    close(fd);
    return done == size;
}

}  // namespace

CString FormatGuid(const Guid& guid) {
    const auto& d = guid.data4;
    CString text;
    text.Format("{%08lX-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(guid.data1), unsigned{guid.data2}, unsigned{guid.data3},
                d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7]);
    return text;
}

CString NewGuidString() {
    std::uint8_t bytes[16] = {};
    if (!ReadRandom(bytes, sizeof bytes))
        return CString();
    Guid guid;
    guid.data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
                 (std::uint32_t{bytes[2]} << 8) | bytes[3];
    guid.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    // Version 4 in the top nibble of the third group, RFC 4122 variant in data4[0].
    guid.data3 = static_cast<std::uint16_t>((((bytes[6] & 0x0F) | 0x40) << 8) | bytes[7]);
    for (size_t i = 0; i < 8; ++i)
        guid.data4[i] = bytes[8 + i];
    guid.data4[0] = static_cast<std::uint8_t>((guid.data4[0] & 0x3F) | 0x80);
    return FormatGuid(guid);
}

}  // namespace tabulon::platform
