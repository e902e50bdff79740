// Entries inflated in one go must read exactly as streamed ones, and archives
// whose headers lie about sizes or checksums must never be trusted with a
// buffer: they are read the streaming way or refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/zip_archive.h"
#include "zip_builder.h"

namespace tabulon::spreadsheet {
namespace {

using testing::ZipBuilder;

std::string Streamed(platform::ZipArchive& archive, std::size_t index) {
    std::string out;
    archive.Read(index, [&](const char* data, std::size_t size) { out.append(data, size); });
    return out;
}

// What ReadAll and a streamed read give: the bytes, or "error: ..." for both.
std::pair<std::string, std::string> BothWays(const std::string& zip) {
    std::pair<std::string, std::string> result;
    try {
        platform::ZipArchive archive(zip.data(), zip.size());
        result.first = archive.ReadAll(0);
    } catch (const platform::ZipError& e) {
        result.first = std::string("error: ") + e.what();
    }
    try {
        platform::ZipArchive archive(zip.data(), zip.size());
        result.second = Streamed(archive, 0);
    } catch (const platform::ZipError& e) {
        result.second = std::string("error: ") + e.what();
    }
    return result;
}

void Patch32(std::string& zip, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        zip[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t Get32(const std::string& zip, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(zip[at + static_cast<std::size_t>(i)]);
    return v;
}

// Sets a field in both the local and the central header of the only entry;
// `local` and `central` are the field's offsets in each header.
void PatchBoth(std::string& zip, std::size_t local, std::size_t central, std::uint32_t v) {
    Patch32(zip, local, v);
    Patch32(zip, zip.find("PK\x01\x02") + central, v);
}

std::string Text() {
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "<c r=\"A" + std::to_string(i + 1) + "\"><v>" + std::to_string(i * 7) + "</v></c>";
    return text;
}

TEST(ZipInflate, WholeEntriesReadAsStreamedOnes) {
    const std::string text = Text();
    const std::string zip =
        ZipBuilder().Add("a.xml", text, true).Add("b.xml", "", true).Add("c", "xyz").Build();
    platform::ZipArchive archive(zip.data(), zip.size());
    EXPECT_EQ(archive.ReadAll(0), text);
    EXPECT_EQ(archive.ReadAll(1), "");
    EXPECT_EQ(archive.ReadAll(2), "xyz");
    EXPECT_EQ(Streamed(archive, 0), text);
}

TEST(ZipInflate, LyingHeadersAreNeverTrusted) {
    const std::string text = Text();
    const std::string good = ZipBuilder().Add("a.xml", text, true).Build();
    const std::uint32_t size = Get32(good, 22);
    for (const std::uint32_t lie : {size - 1, size / 2, size + 1, size * 4, 1u}) {
        SCOPED_TRACE(lie);
        std::string zip = good;
        PatchBoth(zip, 22, 24, lie);
        const auto [whole, streamed] = BothWays(zip);
        EXPECT_EQ(whole, streamed);
        // The whole entry, or a refusal: never a cut or padded one.
        EXPECT_TRUE(whole == text || whole.rfind("error: ", 0) == 0) << whole.size();
    }
    std::string badCrc = good;
    PatchBoth(badCrc, 14, 16, Get32(good, 14) ^ 1);
    const auto [whole, streamed] = BothWays(badCrc);
    EXPECT_EQ(whole, streamed);
    EXPECT_EQ(whole.rfind("error: ", 0), 0u) << whole.substr(0, 40);

    // Damaged deflate data: refused, with the streaming read's words.
    std::string damaged = good;
    for (std::size_t i = 60; i < 90; ++i)
        damaged[i] = static_cast<char>(~damaged[i]);
    const auto [w2, s2] = BothWays(damaged);
    EXPECT_EQ(w2, s2);
    EXPECT_EQ(w2.rfind("error: ", 0), 0u);
}

// The entry, ratio and archive limits hold whether the headers tell the truth
// or declare a size within the limits; what is refused spoils no other entry.
TEST(ZipInflate, LimitsStopInflationBombs) {
    const std::string zeros(4 << 20, '\0');
    const std::string honest = ZipBuilder().Add("big", zeros, true).Add("small", "abc").Build();
    const std::string lying = [&] {
        std::string zip = honest;
        PatchBoth(zip, 22, 24, 1000);
        return zip;
    }();
    for (const std::string* zip : {&honest, &lying}) {
        platform::ZipLimits limits;
        limits.maxEntryBytes = 1 << 20;
        platform::ZipArchive entry(zip->data(), zip->size(), limits);
        try {
            entry.ReadAll(0);
            ADD_FAILURE() << "no limit";
        } catch (const platform::ZipError& e) {
            EXPECT_STREQ(e.what(), "big: zip entry inflates beyond 1 MB");
        }
        EXPECT_EQ(entry.ReadAll(1), "abc");
        limits = platform::ZipLimits{};
        limits.ratioFloorBytes = 1 << 20;
        limits.maxRatio = 100;
        platform::ZipArchive ratio(zip->data(), zip->size(), limits);
        EXPECT_THROW(ratio.ReadAll(0), platform::ZipError);
        limits = platform::ZipLimits{};
        limits.maxTotalBytes = 6 << 20;
        platform::ZipArchive twice(zip->data(), zip->size(), limits);
        EXPECT_EQ(twice.ReadAll(0).size(), zeros.size());
        EXPECT_THROW(twice.ReadAll(0), platform::ZipError);  // the second read passes 6 MB
    }
    // With the default limits the same entry is fine: 4 MB is below the ratio floor.
    platform::ZipArchive archive(honest.data(), honest.size());
    EXPECT_EQ(archive.ReadAll(0).size(), zeros.size());
}

}  // namespace
}  // namespace tabulon::spreadsheet
