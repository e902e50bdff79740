// The zip writer: parts given whole or in pieces read back byte for byte, the
// same parts give the same archive, and a failure on the writing thread comes
// back to the caller.
#include "spreadsheet/xlsx/zip_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <stdexcept>

#include "platform/zip_archive.h"

namespace tabulon::spreadsheet::xlsx {
namespace {

namespace fs = std::filesystem;

fs::path TempDir() {
    const fs::path dir = fs::path(TABULON_BINARY_DIR) / "zip_writer_test" /
                         ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(dir);
    return dir;
}

std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// XML-like text that compresses about as sheet data does, `bytes` long.
std::string SampleText(std::size_t bytes, unsigned seed) {
    std::mt19937 rng(seed);
    std::string out;
    while (out.size() < bytes) {
        out += "<c r=\"A" + std::to_string(rng() % 100000) + "\"><v>" +
               std::to_string(rng() % 1000000) + "</v></c>";
    }
    out.resize(bytes);
    return out;
}

struct Part {
    std::string name;
    std::string data;
    std::size_t piece;  // 0: whole
};

void WriteArchive(const fs::path& file, const std::vector<Part>& parts) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(file.c_str(), "wb"), &std::fclose);
    ASSERT_TRUE(f);
    ZipWriter zip(f.get(), 1);
    for (const Part& p : parts) {
        if (p.piece == 0) {
            zip.Add(p.name, p.data);
            continue;
        }
        zip.BeginPart(p.name);
        for (std::size_t at = 0; at < p.data.size(); at += p.piece)
            zip.AppendToPart(p.data.substr(at, p.piece));
        zip.EndPart();
    }
    zip.Finish();
}

TEST(ZipWriter, WholeAndStreamedPartsReadBackExactly) {
    const std::vector<Part> parts = {
        {"small.xml", "<a>&amp;</a>", 0},
        {"big/streamed.xml", SampleText(3 * 1024 * 1024 + 17, 1), 64 * 1024},
        {"empty-streamed.xml", "", 1000},
        {"one-byte-pieces.xml", SampleText(5000, 2), 1},
        {"empty-whole.xml", "", 0},
        {"random.bin",
         [] {
             std::mt19937 rng(3);
             std::string s(200000, '\0');
             for (char& c : s)
                 c = static_cast<char>(rng());
             return s;
         }(),
         7777},
    };
    const fs::path file = TempDir() / "parts.zip";
    WriteArchive(file, parts);
    const std::string bytes = Slurp(file);
    platform::ZipArchive archive(bytes.data(), bytes.size());
    ASSERT_EQ(archive.Entries().size(), parts.size());
    for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_EQ(archive.Entries()[i].name, parts[i].name);
        EXPECT_EQ(archive.Entries()[i].size, parts[i].data.size()) << parts[i].name;
        EXPECT_EQ(archive.ReadAll(i), parts[i].data) << parts[i].name;
    }
    // Every byte is read: a stale size or checksum in a local header shows here.
    if (std::system("/usr/bin/python3 -c 'import zipfile' >/dev/null 2>&1") == 0) {
        const std::string cmd =
            "/usr/bin/python3 -c \"import sys, zipfile; "
            "sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)\" '" +
            file.string() + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }
}

TEST(ZipWriter, SamePartsGiveSameBytes) {
    const std::vector<Part> parts = {
        {"a.xml", SampleText(100000, 4), 0},
        {"b.xml", SampleText(1500000, 5), 100000},
    };
    WriteArchive(TempDir() / "1.zip", parts);
    WriteArchive(TempDir() / "2.zip", parts);
    const std::string one = Slurp(TempDir() / "1.zip");
    EXPECT_FALSE(one.empty());
    EXPECT_EQ(one, Slurp(TempDir() / "2.zip"));
}

TEST(ZipWriter, WriteFailureOnTheWorkerReachesTheCaller) {
    // A file that cannot be written: every write fails on the worker.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen("/dev/full", "wb"), &std::fclose);
    if (!f)
        GTEST_SKIP() << "no /dev/full";
    std::setvbuf(f.get(), nullptr, _IONBF, 0);
    auto write = [&] {
        ZipWriter zip(f.get(), 1);
        zip.BeginPart("x.xml");
        for (int i = 0; i < 200; ++i)
            zip.AppendToPart(SampleText(64 * 1024, static_cast<unsigned>(i)));
        zip.EndPart();
        zip.Finish();
    };
    EXPECT_THROW(write(), std::runtime_error);
    // Abandoned half way, the writer stops its thread cleanly.
    {
        ZipWriter zip(f.get(), 1);
        zip.BeginPart("y.xml");
        zip.AppendToPart("<x/>");
    }
}

}  // namespace
}  // namespace tabulon::spreadsheet::xlsx
