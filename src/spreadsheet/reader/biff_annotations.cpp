#include "spreadsheet/reader/biff_annotations.h"

#include <cstring>

namespace tabulon::spreadsheet {
namespace {

constexpr unsigned kHlink = 0x01B8;
constexpr unsigned kHlinkTooltip = 0x0800;
constexpr unsigned kObj = 0x005D;
constexpr unsigned kTxo = 0x01B6;
constexpr unsigned kNote = 0x001C;

// The class ids of the monikers a link's target comes in.
constexpr unsigned char kUrlMoniker[16] = {0xE0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11,
                                           0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B};
constexpr unsigned char kFileMoniker[16] = {0x03, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                            0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// A count of UTF-16 characters followed by them, the last a terminating zero.
std::string CountedUtf16(BiffCursor& c) {
    const std::uint32_t count = c.U32();
    if (count > c.Left() / 2)
        throw BiffDamage("link text longer than its record");
    std::string text = c.Chars(count, true);
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

bool OnGrid(unsigned row, unsigned col) {
    return row < static_cast<unsigned>(kMaxRows) && col < static_cast<unsigned>(kMaxColumns);
}

// The byte offset in UTF-8 `text` of UTF-16 unit `units`; npos past the end.
std::size_t Utf8Offset(const std::string& text, unsigned units) {
    std::size_t pos = 0;
    unsigned seen = 0;
    while (seen < units) {
        if (pos >= text.size())
            return std::string::npos;
        const auto lead = static_cast<unsigned char>(text[pos]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        seen += length == 4 ? 2 : 1;
        pos += length;
    }
    return std::min(pos, text.size());
}

}  // namespace

RichText BiffRichText(const std::string& text, const std::vector<BiffRun>& runs,
                      const BiffStyles& styles) {
    RichText rich;
    std::size_t done = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const std::size_t start = Utf8Offset(text, runs[i].first);
        if (start == std::string::npos || start < done)
            continue;
        if (start > done) {
            if (rich.empty())
                rich.push_back(TextRun{text.substr(done, start - done), std::nullopt});
            else
                rich.back().text += text.substr(done, start - done);
        }
        rich.push_back(TextRun{{}, styles.FontOf(runs[i].font)});
        done = start;
    }
    if (rich.empty())
        return {TextRun{text, std::nullopt}};
    rich.back().text += text.substr(done);
    // Runs that hold no text are dropped.
    RichText kept;
    for (TextRun& run : rich)
        if (!run.text.empty())
            kept.push_back(std::move(run));
    return kept;
}

bool BiffAnnotations::Record(const BiffRecord& record, BiffRecords& records) {
    if (record.id != kHlinkTooltip && m_link) {
        m_sink.AddHyperlink(*m_link);
        m_link.reset();
    }
    BiffCursor c(record.data);
    switch (record.id) {
        case kHlink:
            Hyperlink(records.Continued(record));
            return true;
        case kHlinkTooltip:
            Tooltip(c);
            return true;
        case kObj:
            Object(c);
            return true;
        case kTxo:
            TextObject(record, records);
            return true;
        case kNote:
            Note(c);
            return true;
        default:
            return false;
    }
}

void BiffAnnotations::Hyperlink(const BiffBody& body) {
    BiffCursor c(body.bytes);
    const unsigned r1 = c.U16(), r2 = c.U16(), c1 = c.U16(), c2 = c.U16();
    c.Skip(16 + 4);  // class id, stream version
    const std::uint32_t flags = c.U32();
    spreadsheet::Hyperlink link;
    if (flags & 0x14)  // a display name
        link.display = CountedUtf16(c);
    if (flags & 0x80)  // a target frame
        CountedUtf16(c);
    if (flags & 0x01) {  // a moniker
        if (flags & 0x100) {
            link.target = CountedUtf16(c);
        } else {
            const std::string_view id = c.Bytes(16);
            if (std::memcmp(id.data(), kUrlMoniker, 16) == 0) {
                const std::uint32_t bytes = c.U32();
                if (bytes > c.Left())
                    throw BiffDamage("link address longer than its record");
                link.target = c.Chars(bytes / 2, true);
                while (!link.target.empty() && link.target.back() == '\0')
                    link.target.pop_back();
                c.Skip(bytes - bytes / 2 * 2);
            } else if (std::memcmp(id.data(), kFileMoniker, 16) == 0) {
                const unsigned up = c.U16();
                const std::uint32_t ansiLength = c.U32();
                std::string path = m_text.Decode(c.Bytes(ansiLength));
                while (!path.empty() && path.back() == '\0')
                    path.pop_back();
                c.Skip(2 + 2 + 20);
                const std::uint32_t extra = c.U32();
                if (extra > 0) {
                    const std::uint32_t unicodeBytes = c.U32();
                    c.Skip(2);
                    if (unicodeBytes > c.Left())
                        throw BiffDamage("link path longer than its record");
                    path = c.Chars(unicodeBytes / 2, true);
                }
                for (unsigned i = 0; i < up; ++i)
                    path = "../" + path;
                link.target = path;
            } else {
                return;  // another kind of moniker: no address to show
            }
        }
    }
    if (flags & 0x08)  // a place inside the target
        link.location = CountedUtf16(c);
    if (r1 > r2 || c1 > c2 || !OnGrid(r2, c2))
        return;
    link.range = RangeRef{{static_cast<int>(r1) + 1, static_cast<int>(c1) + 1},
                          {static_cast<int>(r2) + 1, static_cast<int>(c2) + 1}};
    m_link = std::move(link);
}

void BiffAnnotations::Tooltip(BiffCursor& c) {
    c.Skip(2 + 8);  // record type, range
    std::string tip = c.Chars(c.Left() / 2, true);
    while (!tip.empty() && tip.back() == '\0')
        tip.pop_back();
    if (m_link) {
        m_link->tooltip = tip;
        m_sink.AddHyperlink(*m_link);
        m_link.reset();
    }
}

void BiffAnnotations::Object(BiffCursor& c) {
    // The common object data comes first: its type and id.
    if (c.Left() < 8 || c.U16() != 0x15)
        return;
    c.Skip(2 + 2);
    m_object = c.U16();
}

void BiffAnnotations::TextObject(const BiffRecord& record, BiffRecords& records) {
    BiffCursor c(record.data);
    c.Skip(10);
    const unsigned length = c.U16();
    const unsigned runBytes = c.U16();
    // The text comes in the CONTINUE records after it, then the runs.
    BiffRecord part;
    std::string text;
    std::vector<BiffRun> runs;
    if (length > 0 && records.PeekId() == biff::kContinue && records.Next(part)) {
        BiffCursor t(part.data);
        text = m_text.Characters(t, std::min<std::size_t>(length, part.data.size()));
    }
    if (runBytes > 0 && records.PeekId() == biff::kContinue && records.Next(part)) {
        BiffCursor r(part.data);
        while (r.Left() >= 8) {
            BiffRun run;
            run.first = r.U16();
            run.font = r.U16();
            r.Skip(4);
            runs.push_back(run);
        }
    }
    if (!runs.empty() && runs.back().first >= length)
        runs.pop_back();  // the closing run marks the end of the text
    m_texts[m_object] =
        m_styles ? BiffRichText(text, runs, *m_styles) : RichText{TextRun{text, std::nullopt}};
}

void BiffAnnotations::Note(BiffCursor& c) {
    const unsigned row = c.U16(), col = c.U16();
    if (!m_text.Biff8()) {
        // BIFF5: the text itself, 2048 bytes a record; row 0xFFFF goes on.
        const unsigned length = c.U16();
        const std::string piece = m_text.Decode(c.Bytes(std::min<std::size_t>(length, c.Left())));
        if (row != 0xFFFF) {
            Finish();
            if (!OnGrid(row, col))
                return;
            m_note5.emplace();
            m_note5->cell = CellRef{static_cast<int>(row) + 1, static_cast<int>(col) + 1};
            m_note5->text = RichText{TextRun{piece, std::nullopt}};
        } else if (m_note5) {
            m_note5->text.front().text += piece;
        }
        return;
    }
    const unsigned flags = c.U16();
    const unsigned object = c.U16();
    spreadsheet::Note note;
    note.author = m_text.String(c, 2);
    note.visible = flags & 0x02;
    if (!OnGrid(row, col))
        return;
    note.cell = CellRef{static_cast<int>(row) + 1, static_cast<int>(col) + 1};
    const auto it = m_texts.find(object);
    note.text = it != m_texts.end() ? it->second : RichText{};
    m_sink.AddNote(note);
}

void BiffAnnotations::Finish() {
    if (m_link) {
        m_sink.AddHyperlink(*m_link);
        m_link.reset();
    }
    if (m_note5) {
        m_sink.AddNote(*m_note5);
        m_note5.reset();
    }
}

}  // namespace tabulon::spreadsheet
