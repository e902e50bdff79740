// The floor of the benchmark suite: what reading (and writing) the workbooks physically costs,
// with nothing on top. For each workbook it reads the file in one go, walks the zip central
// directory, inflates every worksheet part and the shared strings with libdeflate (whole buffer,
// size from the directory) and scans the XML by hand: each <row r>, each <c> with its r, t and s
// attributes, the <f> and <v> texts, numbers through std::from_chars. No cell model is built.
//
//   floor read [--from-row N] PATH...                 scan only
//   floor copy [--from-row N] --result FILE PATH...   also write the cells of rows N.. of every
//                                                     worksheet, one after the other, as the one
//                                                     worksheet of FILE (shared strings deduped,
//                                                     parts deflated at level 1)
// PATH is a workbook or a folder, walked recursively in sorted order (*.xlsx, no "~$" files).
// Every worksheet of a workbook is taken. Formula texts are carried over unchanged (a real copy
// would move their references). One thread, on purpose: the figure is per core.
#include <libdeflate.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fs = std::filesystem;

namespace {

uint16_t Get16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::vector<unsigned char> ReadFile(const fs::path& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw std::runtime_error("cannot open " + path.string());
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    std::vector<unsigned char> data(static_cast<size_t>(size));
    const size_t got = std::fread(data.data(), 1, data.size(), f);
    std::fclose(f);
    if (got != data.size())
        throw std::runtime_error("short read on " + path.string());
    return data;
}

struct ZipEntry {
    std::string name;
    uint16_t method;
    uint32_t packedSize, size, localOffset;
};

std::vector<ZipEntry> CentralDirectory(const std::vector<unsigned char>& zip) {
    if (zip.size() < 22)
        throw std::runtime_error("not a zip file");
    size_t eocd = zip.size() - 22;
    while (Get32(&zip[eocd]) != 0x06054b50) {
        if (eocd == 0 || zip.size() - eocd > 22 + 65535)
            throw std::runtime_error("no end of central directory");
        --eocd;
    }
    const unsigned count = Get16(&zip[eocd + 10]);
    size_t p = Get32(&zip[eocd + 16]);
    std::vector<ZipEntry> entries;
    entries.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        if (p + 46 > zip.size() || Get32(&zip[p]) != 0x02014b50)
            throw std::runtime_error("bad central directory");
        const unsigned nameLength = Get16(&zip[p + 28]);
        ZipEntry e;
        e.method = Get16(&zip[p + 10]);
        e.packedSize = Get32(&zip[p + 20]);
        e.size = Get32(&zip[p + 24]);
        e.localOffset = Get32(&zip[p + 42]);
        e.name.assign(reinterpret_cast<const char*>(&zip[p + 46]), nameLength);
        entries.push_back(std::move(e));
        p += 46 + nameLength + Get16(&zip[p + 30]) + Get16(&zip[p + 32]);
    }
    return entries;
}

std::string Inflate(libdeflate_decompressor* d, const std::vector<unsigned char>& zip,
                    const ZipEntry& e) {
    const size_t local = e.localOffset;
    const size_t start = local + 30 + Get16(&zip[local + 26]) + Get16(&zip[local + 28]);
    if (start + e.packedSize > zip.size())
        throw std::runtime_error("entry past the end: " + e.name);
    std::string out(e.size, '\0');
    if (e.method == 0) {
        std::memcpy(out.data(), &zip[start], e.size);
    } else if (e.method == 8) {
        if (libdeflate_deflate_decompress(d, &zip[start], e.packedSize, out.data(), out.size(),
                                          nullptr) != LIBDEFLATE_SUCCESS)
            throw std::runtime_error("cannot inflate " + e.name);
    } else {
        throw std::runtime_error("unknown compression of " + e.name);
    }
    return out;
}

bool IsWorksheetPart(const std::string& name) {
    return name.starts_with("xl/worksheets/") && name.ends_with(".xml") &&
           name.find('/', 14) == std::string::npos;
}

// Value of attribute `name` inside the tag text [p, end), or empty.
std::string_view Attribute(const char* p, const char* end, std::string_view name) {
    while (p < end) {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r'))
            ++p;
        const char* nameStart = p;
        while (p < end && *p != '=' && *p != ' ' && *p != '>' && *p != '/')
            ++p;
        const std::string_view attr(nameStart, static_cast<size_t>(p - nameStart));
        if (p >= end || *p != '=')
            return {};
        ++p;
        const char quote = *p++;
        const char* valueStart = p;
        while (p < end && *p != quote)
            ++p;
        if (attr == name)
            return {valueStart, static_cast<size_t>(p - valueStart)};
        ++p;
    }
    return {};
}

// Text between <t ...> and </t> of every run of one <si>, joined.
void ScanSharedStrings(const std::string& xml, std::vector<std::string_view>& views,
                       std::deque<std::string>& joined) {
    const std::string_view s(xml);
    size_t p = 0;
    while ((p = s.find("<si>", p)) != std::string_view::npos) {
        const size_t close = s.find("</si>", p);
        if (close == std::string_view::npos)
            break;
        std::string_view first;
        std::string* many = nullptr;
        size_t q = p + 4;
        while ((q = s.find("<t", q)) < close) {
            if (s[q + 2] != '>' && s[q + 2] != ' ') {
                q += 2;
                continue;
            }
            const size_t textStart = s.find('>', q) + 1;
            const size_t textEnd = s.find("</t>", textStart);
            const std::string_view text = s.substr(textStart, textEnd - textStart);
            if (first.data() == nullptr) {
                first = text;
            } else {
                if (!many)
                    many = &joined.emplace_back(first);
                many->append(text);
            }
            q = textEnd + 4;
        }
        views.push_back(many ? std::string_view(*many) : first);
        p = close + 5;
    }
}

void AppendNumber(std::string& out, long value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

void AppendColumn(std::string& out, int col) {
    char buf[4];
    int n = 0;
    while (col > 0) {
        buf[n++] = static_cast<char>('A' + (col - 1) % 26);
        col = (col - 1) / 26;
    }
    while (n > 0)
        out.push_back(buf[--n]);
}

constexpr char kSheetHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet "
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";

struct Totals {
    long cells = 0, numbers = 0, strings = 0, formulas = 0;
    double sum = 0;
};

// The result worksheet being written, and its shared strings.
struct Output {
    std::string sheet;
    std::deque<std::string> stringStore;
    std::vector<std::string_view> strings;
    std::unordered_map<std::string_view, uint32_t> index;
    long nextRow = 1;  // the row the next copied row lands in
    long sharedRefs = 0;

    uint32_t Intern(std::string_view text) {
        const auto found = index.find(text);
        if (found != index.end())
            return found->second;
        const std::string_view kept = stringStore.emplace_back(text);
        const uint32_t n = static_cast<uint32_t>(strings.size());
        strings.push_back(kept);
        index.emplace(kept, n);
        return n;
    }
};

// Scans one worksheet; with `out`, appends rows fromRow.. of it to the result.
void ScanSheet(const std::string& xml, const std::vector<std::string_view>& sst,
               std::vector<int64_t>& remap, long fromRow, Totals& t, Output* out) {
    const char* p = xml.data();
    const char* const end = p + xml.size();
    long row = 0, lastRow = fromRow - 1;
    int col = 0;
    long outRow = 0;
    bool rowOpen = false;
    while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p))))) {
        ++p;
        if (end - p > 4 && p[0] == 'r' && p[1] == 'o' && p[2] == 'w' &&
            (p[3] == ' ' || p[3] == '>')) {
            const char* tagEnd = static_cast<const char*>(std::memchr(p, '>', end - p));
            const std::string_view r = Attribute(p + 3, tagEnd, "r");
            if (!r.empty())
                std::from_chars(r.data(), r.data() + r.size(), row);
            else
                ++row;
            col = 0;
            p = tagEnd;
            continue;
        }
        if (!(p[0] == 'c' && (p[1] == ' ' || p[1] == '>' || p[1] == '/')))
            continue;
        const char* tagEnd = static_cast<const char*>(std::memchr(p, '>', end - p));
        const bool empty = tagEnd[-1] == '/';
        const std::string_view ref = Attribute(p + 1, tagEnd, "r");
        const std::string_view type = Attribute(p + 1, tagEnd, "t");
        const std::string_view style = Attribute(p + 1, tagEnd, "s");
        if (!ref.empty()) {
            col = 0;
            size_t i = 0;
            while (i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z')
                col = col * 26 + (ref[i++] - 'A' + 1);
            std::from_chars(ref.data() + i, ref.data() + ref.size(), row);
        } else {
            ++col;
        }
        p = tagEnd + 1;
        std::string_view formula, value;
        bool inlineText = false;
        if (!empty) {
            const char* cellEnd = static_cast<const char*>(memmem(p, end - p, "</c>", 4));
            while (p < cellEnd) {
                const char* tag = static_cast<const char*>(std::memchr(p, '<', cellEnd - p));
                if (!tag)
                    break;
                const char* close = static_cast<const char*>(std::memchr(tag, '>', cellEnd - tag));
                if (tag[1] == 'f') {
                    if (close[-1] != '/') {
                        const char* fEnd =
                            static_cast<const char*>(memmem(close, cellEnd - close, "</f>", 4));
                        formula = {close + 1, static_cast<size_t>(fEnd - close - 1)};
                        close = fEnd + 3;
                    } else {
                        formula = {"", 0};
                    }
                } else if (tag[1] == 'v' || (tag[1] == 't' && (tag[2] == '>' || tag[2] == ' '))) {
                    const char* vEnd =
                        static_cast<const char*>(std::memchr(close, '<', cellEnd - close));
                    value = {close + 1, static_cast<size_t>(vEnd - close - 1)};
                    inlineText = tag[1] == 't';
                    close = static_cast<const char*>(std::memchr(vEnd, '>', cellEnd - vEnd));
                }
                p = close + 1;
            }
            p = cellEnd + 4;
        }
        ++t.cells;
        if (formula.data())
            ++t.formulas;
        std::string_view text;
        double number = 0;
        bool isNumber = false, isText = false;
        if (type == "s") {
            size_t n = 0;
            std::from_chars(value.data(), value.data() + value.size(), n);
            if (n < sst.size()) {
                text = sst[n];
                isText = true;
                ++t.strings;
            }
        } else if (type == "str" || type == "inlineStr" || inlineText) {
            text = value;
            isText = true;
            ++t.strings;
        } else if (type.empty() || type == "n") {
            if (!value.empty()) {
                std::from_chars(value.data(), value.data() + value.size(), number);
                isNumber = true;
                t.sum += number;
                ++t.numbers;
            }
        }
        if (!out || row < fromRow)
            continue;
        std::string& s = out->sheet;
        if (row != lastRow) {
            if (rowOpen)
                s.append("</row>");
            outRow = out->nextRow + (row - fromRow);
            s.append("<row r=\"");
            AppendNumber(s, outRow);
            s.append("\">");
            rowOpen = true;
            lastRow = row;
        }
        s.append("<c r=\"");
        AppendColumn(s, col);
        AppendNumber(s, outRow);
        s.push_back('"');
        if (style == "1")
            s.append(" s=\"1\"");
        if (isText && formula.data() == nullptr) {
            int64_t n = -1;
            if (type == "s") {
                size_t i = 0;
                std::from_chars(value.data(), value.data() + value.size(), i);
                if (remap[i] < 0)
                    remap[i] = out->Intern(text);
                n = remap[i];
            } else {
                n = out->Intern(text);
            }
            ++out->sharedRefs;
            s.append(" t=\"s\"><v>");
            AppendNumber(s, static_cast<long>(n));
            s.append("</v></c>");
            continue;
        }
        if (isText)
            s.append(" t=\"str\"");
        else if (!type.empty() && type != "n")
            s.append(" t=\"").append(type).append("\"");
        s.push_back('>');
        if (formula.data())
            s.append("<f>").append(formula).append("</f>");
        if (isNumber) {
            char buf[32];
            const auto r = std::to_chars(buf, buf + sizeof buf, number);
            s.append("<v>").append(buf, r.ptr).append("</v>");
        } else if (!value.empty() || isText) {
            s.append("<v>").append(isText ? text : value).append("</v>");
        }
        s.append("</c>");
    }
    if (out) {
        if (rowOpen)
            out->sheet.append("</row>");
        if (lastRow >= fromRow)
            out->nextRow += lastRow - fromRow + 1;
    }
}

// A zip of stored parts, each deflated at level 1.
class ZipWriter {
  public:
    explicit ZipWriter(const std::string& path)
        : file_(std::fopen(path.c_str(), "wb")), compressor_(libdeflate_alloc_compressor(1)) {
        if (!file_)
            throw std::runtime_error("cannot write " + path);
    }
    ~ZipWriter() {
        libdeflate_free_compressor(compressor_);
        if (file_)
            std::fclose(file_);
    }

    void Add(const std::string& name, std::string_view data) {
        if (data.size() > 0xffffffffu)
            throw std::runtime_error(name + " is too large for a zip without zip64");
        std::vector<unsigned char> packed(
            libdeflate_deflate_compress_bound(compressor_, data.size()));
        const size_t packedSize = libdeflate_deflate_compress(compressor_, data.data(), data.size(),
                                                              packed.data(), packed.size());
        Entry e{name, static_cast<uint32_t>(libdeflate_crc32(0, data.data(), data.size())),
                static_cast<uint32_t>(packedSize), static_cast<uint32_t>(data.size()), offset_};
        std::string header;
        Header(header, 0x04034b50, e, false);
        Write(header.data(), header.size());
        Write(packed.data(), packedSize);
        entries_.push_back(std::move(e));
    }

    void Finish() {
        const uint32_t start = offset_;
        std::string dir;
        for (const Entry& e : entries_)
            Header(dir, 0x02014b50, e, true);
        Write(dir.data(), dir.size());
        std::string tail;
        Put32(tail, 0x06054b50);
        Put16(tail, 0);
        Put16(tail, 0);
        Put16(tail, static_cast<uint16_t>(entries_.size()));
        Put16(tail, static_cast<uint16_t>(entries_.size()));
        Put32(tail, static_cast<uint32_t>(dir.size()));
        Put32(tail, start);
        Put16(tail, 0);
        Write(tail.data(), tail.size());
        if (std::fclose(file_) != 0)
            throw std::runtime_error("cannot finish the result");
        file_ = nullptr;
    }

  private:
    struct Entry {
        std::string name;
        uint32_t crc, packedSize, size, offset;
    };
    static void Put16(std::string& s, uint16_t v) {
        s.push_back(static_cast<char>(v & 0xff));
        s.push_back(static_cast<char>(v >> 8));
    }
    static void Put32(std::string& s, uint32_t v) {
        Put16(s, static_cast<uint16_t>(v & 0xffff));
        Put16(s, static_cast<uint16_t>(v >> 16));
    }
    static void Header(std::string& s, uint32_t signature, const Entry& e, bool central) {
        Put32(s, signature);
        if (central)
            Put16(s, 20);  // made by
        Put16(s, 20);      // needed to extract
        Put16(s, 0);       // flags
        Put16(s, 8);       // deflate
        Put16(s, 0);       // time
        Put16(s, 0x21);    // 1980-01-01
        Put32(s, e.crc);
        Put32(s, e.packedSize);
        Put32(s, e.size);
        Put16(s, static_cast<uint16_t>(e.name.size()));
        Put16(s, 0);  // extra
        if (central) {
            Put16(s, 0);  // comment
            Put16(s, 0);  // disk
            Put16(s, 0);  // internal attributes
            Put32(s, 0);  // external attributes
            Put32(s, e.offset);
        }
        s.append(e.name);
    }
    void Write(const void* data, size_t size) {
        if (std::fwrite(data, 1, size, file_) != size)
            throw std::runtime_error("cannot write the result");
        offset_ += static_cast<uint32_t>(size);
    }

    std::FILE* file_;
    libdeflate_compressor* compressor_;
    std::vector<Entry> entries_;
    uint32_t offset_ = 0;
};

void WriteResult(const std::string& path, Output& out) {
    static const char kHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    static const char kMain[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    static const char kRel[] =
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    std::string& sheet = out.sheet;
    sheet.append("</sheetData></worksheet>");

    std::string sst = std::string(kHead) + "<sst xmlns=\"" + kMain + "\" count=\"" +
                      std::to_string(out.sharedRefs) + "\" uniqueCount=\"" +
                      std::to_string(out.strings.size()) + "\">";
    for (const std::string_view text : out.strings) {
        const bool keepSpace = !text.empty() && (text.front() == ' ' || text.back() == ' ');
        sst.append(keepSpace ? "<si><t xml:space=\"preserve\">" : "<si><t>")
            .append(text)
            .append("</t></si>");
    }
    sst.append("</sst>");

    ZipWriter zip(path);
    zip.Add("[Content_Types].xml",
            std::string(kHead) +
                "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                "<Default Extension=\"rels\" "
                "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
                "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
                "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/"
                "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
                "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/"
                "vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
                "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/"
                "vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
                "</Types>");
    zip.Add("_rels/.rels", std::string(kHead) +
                               "<Relationships xmlns=\"http://schemas.openxmlformats.org/"
                               "package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"" +
                               kRel + "/officeDocument\" Target=\"xl/workbook.xml\"/>" +
                               "</Relationships>");
    zip.Add("xl/workbook.xml", std::string(kHead) + "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" +
                                   kRel +
                                   "\"><sheets><sheet name=\"Sheet1\" sheetId=\"1\" "
                                   "r:id=\"rId1\"/></sheets></workbook>");
    zip.Add("xl/_rels/workbook.xml.rels",
            std::string(kHead) +
                "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                "relationships\"><Relationship Id=\"rId1\" Type=\"" +
                kRel +
                "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" +
                kRel + "/styles\" Target=\"styles.xml\"/><Relationship Id=\"rId3\" Type=\"" + kRel +
                "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>");
    zip.Add("xl/styles.xml",
            std::string(kHead) + "<styleSheet xmlns=\"" + kMain +
                "\"><numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd\"/>"
                "</numFmts><fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/>"
                "</font></fonts><fills count=\"2\"><fill><patternFill patternType=\"none\"/>"
                "</fill><fill><patternFill patternType=\"gray125\"/></fill></fills>"
                "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/>"
                "</border></borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" "
                "fillId=\"0\" borderId=\"0\"/></cellStyleXfs><cellXfs count=\"2\"><xf "
                "numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/><xf "
                "numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
                "applyNumberFormat=\"1\"/></cellXfs><cellStyles count=\"1\"><cellStyle "
                "name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles></styleSheet>");
    zip.Add("xl/sharedStrings.xml", sst);
    sst.clear();
    zip.Add("xl/worksheets/sheet1.xml", sheet);
    zip.Finish();
}

std::vector<fs::path> Workbooks(const std::vector<std::string>& paths) {
    std::vector<fs::path> books;
    for (const std::string& p : paths) {
        if (!fs::is_directory(p)) {
            books.emplace_back(p);
            continue;
        }
        std::vector<fs::path> found;
        for (const auto& entry : fs::recursive_directory_iterator(p)) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file() && name.ends_with(".xlsx") && !name.starts_with("~$"))
                found.push_back(entry.path());
        }
        std::sort(found.begin(), found.end());
        books.insert(books.end(), found.begin(), found.end());
    }
    return books;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: floor read [--from-row N] PATH...\n"
                 "       floor copy [--from-row N] --result FILE PATH...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return Usage();
    const std::string mode = argv[1];
    if (mode != "read" && mode != "copy")
        return Usage();
    long fromRow = 1;
    std::string result;
    std::vector<std::string> paths;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--from-row" && i + 1 < argc)
            fromRow = std::atol(argv[++i]);
        else if (arg == "--result" && i + 1 < argc)
            result = argv[++i];
        else
            paths.push_back(arg);
    }
    if (paths.empty() || (mode == "copy" && result.empty()))
        return Usage();
    try {
        libdeflate_decompressor* d = libdeflate_alloc_decompressor();
        Totals totals;
        Output output;
        Output* out = mode == "copy" ? &output : nullptr;
        if (out)
            output.sheet = kSheetHead;
        long sheets = 0;
        const std::vector<fs::path> books = Workbooks(paths);
        for (const fs::path& book : books) {
            const std::vector<unsigned char> zip = ReadFile(book);
            const std::vector<ZipEntry> entries = CentralDirectory(zip);
            std::string sstXml;
            std::vector<std::string_view> sst;
            std::deque<std::string> joined;
            for (const ZipEntry& e : entries) {
                if (e.name == "xl/sharedStrings.xml") {
                    sstXml = Inflate(d, zip, e);
                    ScanSharedStrings(sstXml, sst, joined);
                }
            }
            std::vector<int64_t> remap(out ? sst.size() : 0, -1);
            for (const ZipEntry& e : entries) {
                if (!IsWorksheetPart(e.name))
                    continue;
                const std::string xml = Inflate(d, zip, e);
                ScanSheet(xml, sst, remap, fromRow, totals, out);
                ++sheets;
            }
        }
        libdeflate_free_decompressor(d);
        if (out)
            WriteResult(result, output);
        std::printf(
            "%zu workbooks, %ld worksheets, %ld cells (%ld numbers, %ld texts, %ld "
            "formulas), sum of numbers %.6g\n",
            books.size(), sheets, totals.cells, totals.numbers, totals.strings, totals.formulas,
            totals.sum);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "floor: %s\n", e.what());
        return 1;
    }
    return 0;
}
