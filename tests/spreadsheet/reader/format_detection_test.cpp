// Telling formats apart from the bytes, and the messages for what is not read.
#include <gtest/gtest.h>

#include "recording_sink.h"
#include "zip_builder.h"

namespace tabulon::spreadsheet {
namespace {

// A compound file whose directory (at offset 512) holds one stream entry.
std::string Ole2With(const std::string& streamName) {
    std::string bytes(1024, '\0');
    const unsigned char magic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<char>(magic[i]);
    bytes[0x1E] = 9;  // 512-byte sectors
    for (std::size_t i = 0; i < streamName.size(); ++i)
        bytes[512 + 2 * i] = streamName[i];
    bytes[512 + 64] = static_cast<char>(2 * (streamName.size() + 1));
    bytes[512 + 66] = 2;  // stream
    return bytes;
}

// Each kind of content is told from its first bytes, and what is not read says
// what it is.
TEST(FormatDetection, WhatIsRefusedSaysWhatItIs) {
    testing::ZipBuilder ods;
    ods.Add("mimetype", "application/vnd.oasis.opendocument.spreadsheet");
    ods.Add("content.xml", "<x/>");
    auto xlsb = testing::MinimalXlsxParts("");
    xlsb["_rels/.rels"] = testing::RelsXml(testing::Rel("r", "officeDocument", "xl/workbook.bin"));
    xlsb["xl/workbook.bin"] = "\x83\x01";
    const std::string encrypted = "the workbook is encrypted (password protected)";
    const std::string ole2 =
        "it is an OLE2 compound file without a workbook stream (another kind of document, or "
        "damaged)";
    const std::string text =
        "it is a text file (CSV or similar), not a workbook; such files are "
        "not supported";
    const std::string unknown = "it is not a workbook (unrecognised content)";
    const struct {
        std::string bytes, message;
    } cases[] = {
        {"", "the file is empty"},
        {Ole2With("EncryptedPackage"), encrypted},
        {Ole2With("WordDocument"), ole2},
        {Ole2With("Workbook").substr(0, 600), ole2},  // cut short
        {std::string("\x09\x00\x04\x00\x02\x00\x20\x00", 8),
         "it is an Excel 4.0 workbook, or a chart or macro sheet of Excel 2 to 4, which is not "
         "supported"},
        {std::string("\x09\x08\x10\x00\x00\x06\x05\x00", 8), unknown},  // a record cut short
        {std::string("\x09\x05\x04\x00\x02\x00\x10\x00", 8), unknown},  // no such version
        {"a;b\n1;2\n", text},
        {std::string("\xFF\xFE"
                     "a\0,\0",
                     6),
         text},
        {"PK", text},  // too short for a zip
        {"<?xml version=\"1.0\"?><office:document "
         "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\">",
         "it is a flat OpenDocument spreadsheet (.fods), not a workbook; such files are not "
         "supported"},
        {"  <html><body><table>",
         "it is an HTML file, not a workbook; such files are not supported"},
        {std::string("\x00\x01\x02\x03", 4), unknown},
        {"\x7F"
         "ELF\x02\x01",
         unknown},
        {ods.Build(), "it is an OpenDocument spreadsheet (.ods), which is not supported"},
        {testing::BuildPackage(xlsb), "binary workbooks (.xlsb) are not supported yet"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 16));
        EXPECT_EQ(testing::DumpOrRefusal(c.bytes, "f.xlsx"),
                  "f.xlsx: cannot be read: " + c.message);
    }
}

}  // namespace
}  // namespace tabulon::spreadsheet
