#include "spreadsheet/reader/row_text.h"

#include <array>
#include <cstring>

namespace tabulon::spreadsheet {
namespace {

// What each byte is, for the scans below: one look-up per byte.
enum : unsigned char { kSpace = 1, kName = 2, kNotInValue = 4, kNotInText = 8 };

constexpr std::array<unsigned char, 256> MakeClasses() {
    std::array<unsigned char, 256> c{};
    for (const char s : {' ', '\n', '\t', '\r'})
        c[static_cast<unsigned char>(s)] |= kSpace;
    for (int i = 0; i < 256; ++i) {
        if ((i >= 'a' && i <= 'z') || (i >= 'A' && i <= 'Z') || (i >= '0' && i <= '9') ||
            i == '_' || i == '-' || i == '.')
            c[static_cast<size_t>(i)] |= kName;
        // References and white space that XML rewrites are the scanner's to decode;
        // a quote ends a value.
        if (i < 0x20 || i == '&' || i == '<' || i == '"' || i == '\'')
            c[static_cast<size_t>(i)] |= kNotInValue;
    }
    for (const char t : {'&', '\r', ']'})
        c[static_cast<unsigned char>(t)] |= kNotInText;
    return c;
}

constexpr std::array<unsigned char, 256> kClasses = MakeClasses();

bool Is(char c, unsigned char what) {
    return (kClasses[static_cast<unsigned char>(c)] & what) != 0;
}

bool IsSpace(char c) {
    return Is(c, kSpace);
}

// A cursor over the text; every step fails (returns false) rather than read past the end.
class Cursor {
  public:
    Cursor(const char* begin, const char* end) : m_pos(begin), m_end(end) {}

    const char* Pos() const { return m_pos; }

    void SkipSpace() {
        while (m_pos < m_end && IsSpace(*m_pos))
            ++m_pos;
    }

    // `<name` followed by white space, '>' or '/'.
    bool StartTag(std::string_view name) { return Tag("<", name); }
    // `</name`, white space, `>`.
    bool EndTag(std::string_view name) {
        if (!Tag("</", name))
            return false;
        SkipSpace();
        return Eat('>');
    }

    // The attributes of the tag just opened, up to its end: `>` (returns true, empty false)
    // or `/>` (true, empty true). Each is passed to keep(name, value).
    template <class Keep>
    bool Attributes(bool& empty, Keep&& keep) {
        for (;;) {
            const char* before = m_pos;
            SkipSpace();
            if (m_pos >= m_end)
                return false;
            if (*m_pos == '>') {
                ++m_pos;
                empty = false;
                return true;
            }
            if (*m_pos == '/') {
                ++m_pos;
                empty = true;
                return Eat('>');
            }
            if (m_pos == before)  // attributes must be apart
                return false;
            const char* name = m_pos;
            while (m_pos < m_end && Is(*m_pos, kName))
                ++m_pos;
            // A name with a prefix or another character, and every namespace
            // declaration, are the scanner's to read.
            if (m_pos == name || (*name >= '0' && *name <= '9') || *name == '-' || *name == '.')
                return false;
            const std::string_view n(name, static_cast<std::size_t>(m_pos - name));
            if (n.substr(0, 5) == "xmlns")
                return false;
            SkipSpace();
            if (!Eat('='))
                return false;
            SkipSpace();
            if (m_pos >= m_end || (*m_pos != '"' && *m_pos != '\''))
                return false;
            const char quote = *m_pos++;
            const char* value = m_pos;
            while (m_pos < m_end && !Is(*m_pos, kNotInValue))
                ++m_pos;
            // The other quote may stand in a value; anything else stopping the scan
            // is the scanner's.
            while (m_pos < m_end && *m_pos != quote && (*m_pos == '"' || *m_pos == '\'')) {
                ++m_pos;
                while (m_pos < m_end && !Is(*m_pos, kNotInValue))
                    ++m_pos;
            }
            if (m_pos >= m_end || *m_pos != quote)
                return false;
            const std::string_view v(value, static_cast<std::size_t>(m_pos - value));
            ++m_pos;
            if (!keep(n, v))
                return false;
        }
    }

    // Character data up to the next '<': only what needs no decoding.
    bool Text(std::string_view& text) {
        const char* start = m_pos;
        const void* lt = std::memchr(m_pos, '<', static_cast<std::size_t>(m_end - m_pos));
        if (!lt)
            return false;
        m_pos = static_cast<const char*>(lt);
        text = std::string_view(start, static_cast<std::size_t>(m_pos - start));
        for (const char c : text) {
            if (Is(c, kNotInText))
                return false;
        }
        return true;
    }

  private:
    bool Eat(char c) {
        if (m_pos >= m_end || *m_pos != c)
            return false;
        ++m_pos;
        return true;
    }
    bool Tag(std::string_view open, std::string_view name) {
        const std::size_t n = open.size() + name.size();
        if (static_cast<std::size_t>(m_end - m_pos) <= n ||
            std::memcmp(m_pos, open.data(), open.size()) != 0 ||
            std::memcmp(m_pos + open.size(), name.data(), name.size()) != 0) {
            return false;
        }
        const char after = m_pos[n];
        if (!IsSpace(after) && after != '>' && after != '/')
            return false;
        m_pos += n;
        return true;
    }

    const char* m_pos;
    const char* m_end;
};

// The names of the attributes that are not read, to find one given twice (which is not
// well-formed); a tag with more of them is left to the scanner.
class OtherNames {
  public:
    bool Add(std::string_view name) {
        for (std::size_t i = 0; i < m_count; ++i) {
            if (m_sizes[i] == name.size() && std::memcmp(m_data[i], name.data(), name.size()) == 0)
                return false;
        }
        if (m_count == kMax)
            return false;
        m_data[m_count] = name.data();
        m_sizes[m_count++] = name.size();
        return true;
    }

  private:
    static constexpr std::size_t kMax = 8;
    const char* m_data[kMax];
    std::size_t m_sizes[kMax];
    std::size_t m_count = 0;
};

// Sets `slot` once; a second attribute of the same name is not well-formed.
bool SetOnce(std::string_view& slot, std::string_view value) {
    if (slot.data())
        return false;
    slot = value.data() ? value : std::string_view("", 0);
    return true;
}

bool TakeFormula(Cursor& at, RowTextCell& cell) {
    if (cell.hasFormula)
        return false;
    cell.hasFormula = true;
    OtherNames others;
    bool empty = false;
    const bool ok = at.Attributes(empty, [&](std::string_view name, std::string_view value) {
        if (name == "t")
            return SetOnce(cell.formulaType, value);
        if (name == "si")
            return SetOnce(cell.si, value);
        if (name == "ref")
            return SetOnce(cell.ref, value);
        return others.Add(name);
    });
    if (!ok)
        return false;
    if (empty)
        return true;
    return at.Text(cell.formula) && at.EndTag("f");
}

bool TakeValue(Cursor& at, RowTextCell& cell) {
    if (cell.hasValue)
        return false;
    cell.hasValue = true;
    bool empty = false;
    // <v> has no attributes of its own.
    if (!at.Attributes(empty, [](std::string_view, std::string_view) { return false; }))
        return false;
    if (empty)
        return true;
    return at.Text(cell.value) && at.EndTag("v");
}

bool TakeCell(Cursor& at, RowTextCell& cell) {
    OtherNames others;
    bool empty = false;
    const bool ok = at.Attributes(empty, [&](std::string_view name, std::string_view value) {
        if (name.size() == 1) {
            switch (name.front()) {
                case 'r':
                    return SetOnce(cell.r, value);
                case 's':
                    return SetOnce(cell.s, value);
                case 't':
                    return SetOnce(cell.t, value);
                default:
                    break;
            }
        }
        return others.Add(name);
    });
    if (!ok)
        return false;
    if (empty)
        return true;
    for (;;) {
        at.SkipSpace();
        if (at.EndTag("c"))
            return true;
        if (at.StartTag("v")) {
            if (!TakeValue(at, cell))
                return false;
        } else if (at.StartTag("f")) {
            if (!TakeFormula(at, cell))
                return false;
        } else {
            return false;
        }
    }
}

}  // namespace

std::size_t TakeRowText(std::string_view text, RowText& row) {
    row.attributes.clear();
    row.cells.clear();
    if (row.cells.capacity() < 64)
        row.cells.reserve(64);
    Cursor at(text.data(), text.data() + text.size());
    at.SkipSpace();
    if (!at.StartTag("row"))
        return 0;
    bool empty = false;
    const bool ok = at.Attributes(empty, [&](std::string_view name, std::string_view value) {
        for (const RowTextAttribute& a : row.attributes) {
            if (a.name == name)
                return false;
        }
        row.attributes.push_back({name, value});
        return true;
    });
    if (!ok)
        return 0;
    if (!empty) {
        for (;;) {
            at.SkipSpace();
            if (at.EndTag("row"))
                break;
            if (!at.StartTag("c"))
                return 0;
            row.cells.emplace_back();
            if (!TakeCell(at, row.cells.back()))
                return 0;
        }
    }
    return static_cast<std::size_t>(at.Pos() - text.data());
}

}  // namespace tabulon::spreadsheet
