#include "spreadsheet/reader/biff_crypto.h"

#include <cstring>
#include <vector>

#include "spreadsheet/reader/biff_record.h"

namespace tabulon::spreadsheet {
namespace {

std::uint32_t Rotl(std::uint32_t x, int c) {
    return (x << c) | (x >> (32 - c));
}

class Rc4 {
  public:
    explicit Rc4(const std::uint8_t* key, std::size_t length) {
        for (int i = 0; i < 256; ++i)
            m_s[i] = static_cast<std::uint8_t>(i);
        for (int i = 0, j = 0; i < 256; ++i) {
            j = (j + m_s[i] + key[i % length]) & 0xFF;
            std::swap(m_s[i], m_s[j]);
        }
    }
    std::uint8_t Next() {
        m_i = (m_i + 1) & 0xFF;
        m_j = (m_j + m_s[m_i]) & 0xFF;
        std::swap(m_s[m_i], m_s[m_j]);
        return m_s[(m_s[m_i] + m_s[m_j]) & 0xFF];
    }

  private:
    std::uint8_t m_s[256];
    int m_i = 0, m_j = 0;
};

std::string Utf16(std::string_view ascii) {
    std::string out;
    for (const char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// Records whose data is never encrypted: BOF, FILEPASS, INTERFACEHDR and the
// revision and sharing records.
bool Plain(unsigned id) {
    return id == 0x0809 || id == 0x002F || id == 0x00E1 || id == 0x0194 || id == 0x0195 ||
           id == 0x0196 || id == 0x0138;
}

// Calls `visit(position)` for every encrypted byte of the records after
// `from`; BOUNDSHEET keeps its first four bytes (the sheet's offset) plain.
template <typename Visit>
void EachEncryptedByte(const std::string& stream, std::size_t from, Visit visit) {
    std::size_t pos = from;
    while (pos + 4 <= stream.size()) {
        const unsigned id = static_cast<unsigned char>(stream[pos]) |
                            (static_cast<unsigned char>(stream[pos + 1]) << 8);
        const std::size_t length = static_cast<unsigned char>(stream[pos + 2]) |
                                   (static_cast<unsigned char>(stream[pos + 3]) << 8);
        const std::size_t data = pos + 4;
        const std::size_t end = std::min(stream.size(), data + length);
        if (!Plain(id)) {
            for (std::size_t p = data + (id == 0x0085 ? 4 : 0); p < end; ++p)
                visit(p, length);
        }
        pos = data + length;
    }
}

std::array<std::uint8_t, 16> Rc4BlockKey(const std::array<std::uint8_t, 16>& h1,
                                         std::uint32_t block) {
    std::string input(reinterpret_cast<const char*>(h1.data()), 5);
    for (int i = 0; i < 4; ++i)
        input += static_cast<char>((block >> (8 * i)) & 0xFF);
    return Md5(input);
}

bool DecryptRc4(std::string& stream, std::size_t from, BiffCursor& c, std::string_view password) {
    const std::string_view salt = c.Bytes(16);
    const std::string_view verifier = c.Bytes(16);
    const std::string_view verifierHash = c.Bytes(16);
    const auto h0 = Md5(Utf16(password));
    std::string buffer;
    for (int i = 0; i < 16; ++i) {
        buffer.append(reinterpret_cast<const char*>(h0.data()), 5);
        buffer.append(salt);
    }
    const auto h1 = Md5(buffer);
    {
        const auto key = Rc4BlockKey(h1, 0);
        Rc4 rc4(key.data(), key.size());
        std::string plain(32, '\0');
        for (int i = 0; i < 16; ++i)
            plain[i] = static_cast<char>(verifier[i] ^ rc4.Next());
        for (int i = 0; i < 16; ++i)
            plain[16 + i] = static_cast<char>(verifierHash[i] ^ rc4.Next());
        const auto check = Md5(plain.substr(0, 16));
        if (std::memcmp(check.data(), plain.data() + 16, 16) != 0)
            return false;
    }
    // The key changes every 1024 bytes of the stream; record headers and
    // plain records take their share of the key stream without being XORed.
    std::vector<std::uint8_t> keyStream(1024);
    std::size_t block = static_cast<std::size_t>(-1);
    EachEncryptedByte(stream, from, [&](std::size_t p, std::size_t) {
        if (p / 1024 != block) {
            block = p / 1024;
            const auto key = Rc4BlockKey(h1, static_cast<std::uint32_t>(block));
            Rc4 rc4(key.data(), key.size());
            for (auto& k : keyStream)
                k = rc4.Next();
        }
        stream[p] = static_cast<char>(stream[p] ^ keyStream[p % 1024]);
    });
    return true;
}

constexpr std::uint16_t kInitialCode[] = {0xE1F0, 0x1D0F, 0xCC9C, 0x84C0, 0x110C,
                                          0x0E10, 0xF1CE, 0x313E, 0x1872, 0xE139,
                                          0xD40F, 0x84F9, 0x280C, 0xA96A, 0x4EC3};
constexpr std::uint16_t kXorMatrix[] = {
    0xAEFC, 0x4DD9, 0x9BB2, 0x2745, 0x4E8A, 0x9D14, 0x2A09, 0x7B61, 0xF6C2, 0xFDA5, 0xEB6B, 0xC6F7,
    0x9DCF, 0x2BBF, 0x4563, 0x8AC6, 0x05AD, 0x0B5A, 0x16B4, 0x2D68, 0x5AD0, 0x0375, 0x06EA, 0x0DD4,
    0x1BA8, 0x3750, 0x6EA0, 0xDD40, 0xD849, 0xA0B3, 0x5147, 0xA28E, 0x553D, 0xAA7A, 0x44D5, 0x6F45,
    0xDE8A, 0xAD35, 0x4A4B, 0x9496, 0x390D, 0x721A, 0xEB23, 0xC667, 0x9CEF, 0x29FF, 0x53FE, 0xA7FC,
    0x5FD9, 0x47D3, 0x8FA6, 0x0F6D, 0x1EDA, 0x3DB4, 0x7B68, 0xF6D0, 0xB861, 0x60E3, 0xC1C6, 0x93AD,
    0x377B, 0x6EF6, 0xDDEC, 0x45A0, 0x8B40, 0x06A1, 0x0D42, 0x1A84, 0x3508, 0x6A10, 0xAA51, 0x4483,
    0x8906, 0x022D, 0x045A, 0x08B4, 0x1168, 0x76B4, 0xED68, 0xCAF1, 0x85C3, 0x1BA7, 0x374E, 0x6E9C,
    0x3730, 0x6E60, 0xDCC0, 0xA9A1, 0x4363, 0x86C6, 0x1DAD, 0x3331, 0x6662, 0xCCC4, 0x89A9, 0x0373,
    0x06E6, 0x0DCC, 0x1021, 0x2042, 0x4084, 0x8108, 0x1231, 0x2462, 0x48C4};
constexpr std::uint8_t kPad[] = {0xBB, 0xFF, 0xFF, 0xBA, 0xFF, 0xFF, 0xB9, 0x80,
                                 0x00, 0xBE, 0x0F, 0x00, 0xBF, 0x0F, 0x00};

std::uint16_t XorKey(std::string_view password) {
    std::uint16_t key = kInitialCode[password.size() - 1];
    int element = 0x68;
    for (std::size_t i = password.size(); i-- > 0;) {
        unsigned char c = static_cast<unsigned char>(password[i]);
        for (int bit = 0; bit < 7; ++bit) {
            if (c & 0x40)
                key ^= kXorMatrix[element];
            c = static_cast<unsigned char>(c << 1);
            --element;
        }
    }
    return key;
}

std::uint16_t XorVerifier(std::string_view password) {
    std::uint16_t verifier = 0;
    std::string bytes(1, static_cast<char>(password.size()));
    bytes.append(password);
    for (std::size_t i = bytes.size(); i-- > 0;) {
        const std::uint16_t high = (verifier & 0x4000) ? 1 : 0;
        verifier = static_cast<std::uint16_t>(((verifier << 1) & 0x7FFF) | high);
        verifier ^= static_cast<unsigned char>(bytes[i]);
    }
    return verifier ^ 0xCE4B;
}

std::uint8_t XorRor(std::uint8_t a, std::uint8_t b) {
    const std::uint8_t x = a ^ b;
    return static_cast<std::uint8_t>((x >> 1) | (x << 7));
}

std::array<std::uint8_t, 16> XorArray(std::string_view password) {
    const std::uint16_t key = XorKey(password);
    const auto high = static_cast<std::uint8_t>(key >> 8), low = static_cast<std::uint8_t>(key);
    std::array<std::uint8_t, 16> out{};
    auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(password[i]); };
    std::size_t index = password.size();
    if (index % 2 == 1) {
        out[index] = XorRor(kPad[0], high);
        --index;
        out[index] = XorRor(at(password.size() - 1), low);
    }
    while (index >= 2) {  // even here: the characters two by two
        --index;
        out[index] = XorRor(at(index), high);
        --index;
        out[index] = XorRor(at(index), low);
    }
    int slot = 15;
    for (int pad = 15 - static_cast<int>(password.size()); pad > 0 && slot > 0;) {
        out[slot--] = XorRor(kPad[pad--], high);
        out[slot--] = XorRor(kPad[pad--], low);
    }
    return out;
}

bool DecryptXor(std::string& stream, std::size_t from, BiffCursor& c, std::string_view password) {
    const std::uint16_t key = c.U16();
    const std::uint16_t verifier = c.U16();
    if (password.empty() || password.size() > 15 || key != XorKey(password) ||
        verifier != XorVerifier(password))
        return false;
    const auto xorArray = XorArray(password);
    EachEncryptedByte(stream, from, [&](std::size_t p, std::size_t length) {
        // The array index runs with the stream position, shifted by the
        // length of the record the byte belongs to.
        auto v = static_cast<std::uint8_t>(stream[p] ^ xorArray[(p + length) % 16]);
        v = static_cast<std::uint8_t>((v >> 5) | (v << 3));
        stream[p] = static_cast<char>(v);
    });
    return true;
}

}  // namespace

std::array<std::uint8_t, 16> Md5(std::string_view data) {
    static constexpr std::uint32_t kK[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
        0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
        0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
        0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
        0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
        0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
        0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
        0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
        0xeb86d391};
    static constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                       5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                       4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                       6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
    std::string message(data);
    const std::uint64_t bits = std::uint64_t{data.size()} * 8;
    message += '\x80';
    while (message.size() % 64 != 56)
        message += '\0';
    for (int i = 0; i < 8; ++i)
        message += static_cast<char>((bits >> (8 * i)) & 0xFF);
    std::uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (std::size_t chunk = 0; chunk < message.size(); chunk += 64) {
        std::uint32_t m[16];
        for (int i = 0; i < 16; ++i) {
            const auto* p = reinterpret_cast<const unsigned char*>(message.data() + chunk + 4 * i);
            m[i] = p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
        }
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int i = 0; i < 64; ++i) {
            std::uint32_t f;
            int g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            const std::uint32_t next = d;
            d = c;
            c = b;
            b = b + Rotl(a + f + kK[i] + m[g], kShift[i]);
            a = next;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
    }
    std::array<std::uint8_t, 16> digest;
    for (int i = 0; i < 16; ++i)
        digest[i] = static_cast<std::uint8_t>((h[i / 4] >> (8 * (i % 4))) & 0xFF);
    return digest;
}

bool DecryptBiffStream(std::string& stream, std::size_t filePassOffset, bool biff8,
                       std::string_view password) {
    if (filePassOffset + 4 > stream.size())
        throw BiffDamage("FILEPASS record past the end of the stream");
    const std::size_t length = static_cast<unsigned char>(stream[filePassOffset + 2]) |
                               (static_cast<unsigned char>(stream[filePassOffset + 3]) << 8);
    const std::string body = stream.substr(filePassOffset + 4, length);
    BiffCursor c(body);
    const std::size_t from = filePassOffset + 4 + body.size();
    if (!biff8)
        return DecryptXor(stream, from, c, password);
    const unsigned method = c.U16();
    if (method == 0)
        return DecryptXor(stream, from, c, password);
    if (method != 1)
        return false;
    const unsigned major = c.U16();
    c.Skip(2);
    if (major != 1)
        return false;  // RC4 CryptoAPI and later: not read
    return DecryptRc4(stream, from, c, password);
}

}  // namespace tabulon::spreadsheet
