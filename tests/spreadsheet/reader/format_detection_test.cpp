// Telling formats apart from the bytes, and the messages for what is not read.
#include "spreadsheet/reader/format_detector.h"

#include <gtest/gtest.h>

#include "recording_sink.h"
#include "zip_builder.h"

namespace tabulon::spreadsheet {
namespace {

std::string Refusal(const std::string& bytes, const std::string& name = "f.xlsx") {
    return testing::DumpOrRefusal(bytes, name);
}

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

TEST(FormatDetection, ContainersFromTheirFirstBytes) {
    EXPECT_EQ(DetectContainer("", 0), Container::Empty);
    EXPECT_EQ(DetectContainer("PK\x03\x04rest", 8), Container::Zip);
    EXPECT_EQ(DetectContainer("PK\x05\x06", 4), Container::Zip);
    const std::string ole2 = Ole2With("Workbook");
    EXPECT_EQ(DetectContainer(ole2.data(), ole2.size()), Container::Ole2);
    EXPECT_EQ(DetectContainer("\x09\x00\x04\x00\x02\x00\x10\x00", 8), Container::BareBiff);
    EXPECT_EQ(DetectContainer("  <?xml version=\"1.0\"?>", 24), Container::Xml);
    EXPECT_EQ(DetectContainer("a,b\r\n1,2\n", 9), Container::Text);
    EXPECT_EQ(DetectContainer("\xFF\xFE"
                              "a\0,\0",
                              6),
              Container::Text);
    EXPECT_EQ(DetectContainer("\x7F"
                              "ELF\x02\x01",
                              6),
              Container::Unknown);
    EXPECT_EQ(DetectContainer("PK", 2), Container::Text);  // too short for a zip
}

TEST(FormatDetection, BiffVersions) {
    EXPECT_EQ(BareBiffVersion("\x09\x00\x04\x00\x02\x00\x10\x00", 8), 2);
    EXPECT_EQ(BareBiffVersion("\x09\x02\x06\x00\x00\x00\x10\x00\x00\x00", 10), 3);
    EXPECT_EQ(BareBiffVersion("\x09\x04\x06\x00\x00\x00\x10\x00\x00\x00", 10), 4);
    EXPECT_EQ(BareBiffVersion("\x09\x08\x10\x00\x00\x06\x05\x00", 8), 0);  // truncated record
    EXPECT_EQ(BareBiffVersion("\x09\x05\x04\x00\x02\x00\x10\x00", 8), 0);
}

TEST(FormatDetection, CompoundFilesByTheirStreams) {
    EXPECT_EQ(InspectOle2(Ole2With("Workbook").data(), 1024).kind, Ole2Kind::Workbook);
    const Ole2Info book = InspectOle2(Ole2With("BOOK").data(), 1024);
    EXPECT_EQ(book.kind, Ole2Kind::Workbook);
    EXPECT_EQ(book.workbookStream, "BOOK");
    EXPECT_EQ(book.entryOffset, 512u);
    EXPECT_EQ(InspectOle2(Ole2With("EncryptedPackage").data(), 1024).kind,
              Ole2Kind::EncryptedOoxml);
    EXPECT_EQ(InspectOle2(Ole2With("WordDocument").data(), 1024).kind, Ole2Kind::Other);
    EXPECT_EQ(InspectOle2(Ole2With("Workbook").data(), 600).kind, Ole2Kind::Other);  // cut short
}

TEST(FormatDetection, WhatIsRefusedSaysWhatItIs) {
    EXPECT_EQ(Refusal(""), "f.xlsx: cannot be read: the file is empty");
    EXPECT_EQ(Refusal(Ole2With("EncryptedPackage")),
              "f.xlsx: cannot be read: the workbook is encrypted (password protected)");
    EXPECT_EQ(Refusal(Ole2With("WordDocument")),
              "f.xlsx: cannot be read: it is an OLE2 compound file without a workbook stream "
              "(another kind of document, or damaged)");
    EXPECT_EQ(Refusal(std::string("\x09\x00\x04\x00\x02\x00\x20\x00", 8), "f.xls"),
              "f.xls: cannot be read: it is an Excel 4.0 workbook, or a chart or macro sheet of "
              "Excel 2 to 4, which is not supported");
    EXPECT_EQ(Refusal("a;b\n1;2\n", "f.xls"),
              "f.xls: cannot be read: it is a text file (CSV or similar), not a workbook; such "
              "files are not supported");
    EXPECT_EQ(Refusal("<?xml version=\"1.0\"?><office:document "
                      "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\">"),
              "f.xlsx: cannot be read: it is a flat OpenDocument spreadsheet (.fods), not a "
              "workbook; such files are not supported");
    EXPECT_EQ(Refusal("<html><body><table>"),
              "f.xlsx: cannot be read: it is an HTML file, not a workbook; such files are not "
              "supported");
    EXPECT_EQ(Refusal(std::string("\x00\x01\x02\x03", 4)),
              "f.xlsx: cannot be read: it is not a workbook (unrecognised content)");

    testing::ZipBuilder ods;
    ods.Add("mimetype", "application/vnd.oasis.opendocument.spreadsheet");
    ods.Add("content.xml", "<x/>");
    EXPECT_EQ(Refusal(ods.Build()),
              "f.xlsx: cannot be read: it is an OpenDocument spreadsheet (.ods), which is not "
              "supported");

    auto xlsb = testing::MinimalXlsxParts("");
    xlsb["_rels/.rels"] = testing::RelsXml(testing::Rel("r", "officeDocument", "xl/workbook.bin"));
    xlsb["xl/workbook.bin"] = "\x83\x01";
    EXPECT_EQ(Refusal(testing::BuildPackage(xlsb)),
              "f.xlsx: cannot be read: binary workbooks (.xlsb) are not supported yet");
}

}  // namespace
}  // namespace tabulon::spreadsheet
