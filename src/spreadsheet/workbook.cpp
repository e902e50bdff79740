#include "spreadsheet/workbook.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "spreadsheet/sheet_refs.h"
#include "spreadsheet/string_pool.h"

namespace tabulon::spreadsheet {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The key under which a sheet name is unique: names differ only beyond letter case.
std::string FoldCase(std::string_view name) {
    std::string key(name);
    for (char& c : key)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

size_t CodePoints(std::string_view s) {
    return static_cast<size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

void Put(std::string& key, const Color& c) {
    key += std::to_string(static_cast<int>(c.kind)) + ':' + std::to_string(c.argb) + ':' +
           std::to_string(c.index) + ':' + std::to_string(c.tint) + '|';
}

void Put(std::string& key, const BorderSide& s) {
    key += s.style + '|';
    Put(key, s.color);
}

// A text equal for equal styles, to find duplicates by hashing.
std::string StyleKey(const CellStyle& s) {
    std::string k = s.numberFormat + '\x01' + std::to_string(s.builtinFormat) + '|' + s.font.name +
                    '|' + std::to_string(s.font.size) + '|' + std::to_string(s.font.bold) +
                    std::to_string(s.font.italic) + std::to_string(s.font.strike) + '|' +
                    s.font.underline + '|' + s.font.vertAlign + '|' +
                    std::to_string(s.font.family) + '|' + s.font.scheme + '|';
    Put(k, s.font.color);
    k += s.fill.pattern + '|';
    Put(k, s.fill.fg);
    Put(k, s.fill.bg);
    for (const auto* side :
         {&s.border.left, &s.border.right, &s.border.top, &s.border.bottom, &s.border.diagonal}) {
        Put(k, *side);
    }
    k += std::to_string(s.border.diagonalUp) + std::to_string(s.border.diagonalDown) + '|';
    const Alignment& a = s.alignment;
    k += a.horizontal + '|' + a.vertical + '|' + std::to_string(a.wrap) + '|' +
         std::to_string(a.indent) + '|' + std::to_string(a.rotation) + '|' +
         std::to_string(a.shrink) + '|' + std::to_string(s.protection.locked) +
         std::to_string(s.protection.hidden);
    return k;
}

}  // namespace

struct Workbook::Impl {
    std::vector<std::unique_ptr<Worksheet>> sheets;
    // FoldCase of every sheet's name, so that looking a name up costs the same
    // however many sheets there are.
    std::unordered_set<std::string> sheetNames;
    // Where each sheet was last found: checked before it is trusted, as sheets move.
    mutable std::unordered_map<const Worksheet*, size_t> indexHints;
    int active = 0;
    bool date1904 = false;
    std::string path;
    std::vector<CellStyle> styles{CellStyle{}};
    std::unordered_map<std::string, int> styleIndex{{StyleKey(CellStyle{}), 0}};
    bool defaultFontSet = false;
    std::vector<DefinedName> names;
    std::vector<ExternalBook> externals;
    mutable StringPool strings;
    mutable std::vector<int> formatClasses;  // per style; -1 until asked
    // Changes whenever a style already in the table changes (the default font), and is
    // never the same for two workbooks, so that a map of another workbook's styles to
    // these can tell when it is out of date, even for a workbook since freed.
    std::uint64_t styleStamp = NewStamp();
    // What ImportStyle found for the workbook it was asked about last: a task pastes
    // row after row from one workbook into another.
    std::uint64_t importedFrom = 0;
    std::uint64_t importedInto = 0;
    std::vector<int> imported;  // per style of that workbook; -1 until asked

    static std::uint64_t NewStamp() {
        static std::atomic<std::uint64_t> next{1};
        return next.fetch_add(1, std::memory_order_relaxed);
    }

    void CheckIndex(int index) const {
        if (index < 0 || index >= static_cast<int>(sheets.size())) {
            throw std::out_of_range("sheet index " + std::to_string(index) + " out of range (" +
                                    std::to_string(sheets.size()) + " sheets)");
        }
    }
};

Workbook::Workbook() : m_impl(std::make_unique<Impl>()) {}
Workbook::~Workbook() = default;

int Workbook::SheetCount() const {
    return static_cast<int>(m_impl->sheets.size());
}

Worksheet& Workbook::Sheet(int index) {
    m_impl->CheckIndex(index);
    return *m_impl->sheets[static_cast<size_t>(index)];
}

const Worksheet& Workbook::Sheet(int index) const {
    m_impl->CheckIndex(index);
    return *m_impl->sheets[static_cast<size_t>(index)];
}

int Workbook::FindSheet(std::string_view name) const {
    if (!m_impl->sheetNames.contains(FoldCase(name)))
        return -1;
    for (size_t i = 0; i < m_impl->sheets.size(); ++i) {
        if (EqualNoCase(m_impl->sheets[i]->Name(), name))
            return static_cast<int>(i);
    }
    return -1;
}

int Workbook::IndexOf(const Worksheet& sheet) const {
    const auto& sheets = m_impl->sheets;
    if (const auto hint = m_impl->indexHints.find(&sheet); hint != m_impl->indexHints.end() &&
                                                           hint->second < sheets.size() &&
                                                           sheets[hint->second].get() == &sheet) {
        return static_cast<int>(hint->second);
    }
    for (size_t i = 0; i < sheets.size(); ++i) {
        if (sheets[i].get() == &sheet) {
            m_impl->indexHints[&sheet] = i;
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string Workbook::CheckSheetName(std::string_view name) {
    if (name.empty())
        return "a sheet name cannot be empty";
    if (CodePoints(name) > 31)
        return "a sheet name is at most 31 characters long";
    if (name.find_first_of(":\\/?*[]") != std::string_view::npos) {
        return "a sheet name cannot contain : \\ / ? * [ ]";
    }
    if (name.front() == '\'' || name.back() == '\'') {
        return "a sheet name cannot begin or end with an apostrophe";
    }
    return {};
}

Worksheet& Workbook::AddSheet(std::string_view name, SheetKind kind, int position) {
    if (const std::string why = CheckSheetName(name); !why.empty()) {
        throw std::invalid_argument("invalid sheet name \"" + std::string(name) + "\": " + why);
    }
    if (FindSheet(name) >= 0) {
        throw std::invalid_argument("a sheet named \"" + std::string(name) + "\" already exists");
    }
    auto& sheets = m_impl->sheets;
    const size_t at = position < 0 || position > static_cast<int>(sheets.size())
                          ? sheets.size()
                          : static_cast<size_t>(position);
    auto sheet = std::make_unique<Worksheet>(*this, std::string(name), kind);
    Worksheet& ref = *sheet;
    sheets.insert(sheets.begin() + static_cast<long>(at), std::move(sheet));
    m_impl->sheetNames.insert(FoldCase(name));
    m_impl->indexHints[&ref] = at;
    if (sheets.size() > 1 && static_cast<int>(at) <= m_impl->active)
        ++m_impl->active;
    for (auto& n : m_impl->names) {
        if (n.localSheet >= static_cast<int>(at))
            ++n.localSheet;
    }
    return ref;
}

std::string Workbook::NextSheetName() const {
    for (int i = 1;; ++i) {
        std::string name = "Sheet" + std::to_string(i);
        if (FindSheet(name) < 0)
            return name;
    }
}

Worksheet& Workbook::CopySheet(const Worksheet& source, int position, std::string_view name) {
    std::string chosen(name);
    if (chosen.empty()) {
        // "Data (2)", "Data (3)"... cut so that the name stays within 31 characters.
        for (int n = 2; chosen.empty() || FindSheet(chosen) >= 0; ++n) {
            const std::string suffix = " (" + std::to_string(n) + ")";
            std::string base = source.Name();
            while (CodePoints(base) + suffix.size() > 31) {
                do {
                    base.pop_back();
                } while (!base.empty() && (base.back() & 0xC0) == 0x80);
                if (!base.empty() && (base.back() & 0xC0) == 0xC0)
                    base.pop_back();
            }
            chosen = base + suffix;
        }
    }
    // A new workbook takes the look of the first workbook it receives a sheet from.
    if (!HasOwnDefaultFont() && &source.Owner() != this)
        SetDefaultFont(source.Owner().DefaultFont());
    Worksheet& copy = AddSheet(chosen, source.Kind(), position);
    copy.CopyContentFrom(source);
    const int from = source.Owner().IndexOf(source);
    const int to = IndexOf(copy);
    const std::vector<DefinedName> names = source.Owner().DefinedNames();
    for (const auto& n : names) {
        if (n.localSheet == from && from >= 0)
            AddDefinedName({n.name, RepointSheet(n.formula, source.Name(), chosen), to, n.hidden});
    }
    if (&source.Owner() != this) {
        for (const ExternalBook& book : source.Owner().ExternalBooks())
            MergeExternalBook(External(book.name), book);
    }
    return copy;
}

void Workbook::DeleteSheet(int index) {
    m_impl->CheckIndex(index);
    auto& sheets = m_impl->sheets;
    m_impl->sheetNames.erase(FoldCase(sheets[static_cast<size_t>(index)]->Name()));
    m_impl->indexHints.erase(sheets[static_cast<size_t>(index)].get());
    sheets.erase(sheets.begin() + index);
    auto& names = m_impl->names;
    names.erase(std::remove_if(names.begin(), names.end(),
                               [index](const DefinedName& n) { return n.localSheet == index; }),
                names.end());
    for (auto& n : names) {
        if (n.localSheet > index)
            --n.localSheet;
    }
    if (m_impl->active > index || m_impl->active >= static_cast<int>(sheets.size())) {
        m_impl->active = std::max(0, m_impl->active - 1);
    }
}

void Workbook::RenameSheet(int index, std::string_view name) {
    m_impl->CheckIndex(index);
    if (const std::string why = CheckSheetName(name); !why.empty()) {
        throw std::invalid_argument("invalid sheet name \"" + std::string(name) + "\": " + why);
    }
    const int other = FindSheet(name);
    if (other >= 0 && other != index) {
        throw std::invalid_argument("a sheet named \"" + std::string(name) + "\" already exists");
    }
    Worksheet& sheet = *m_impl->sheets[static_cast<size_t>(index)];
    m_impl->sheetNames.erase(FoldCase(sheet.Name()));
    sheet.SetName(std::string(name));
    m_impl->sheetNames.insert(FoldCase(name));
}

int Workbook::ActiveSheet() const {
    return m_impl->active;
}

void Workbook::SetActiveSheet(int index) {
    m_impl->CheckIndex(index);
    m_impl->active = index;
}

bool Workbook::Date1904() const {
    return m_impl->date1904;
}
void Workbook::SetDate1904(bool date1904) {
    m_impl->date1904 = date1904;
}
const std::string& Workbook::Path() const {
    return m_impl->path;
}
void Workbook::SetPath(std::string path) {
    m_impl->path = std::move(path);
}

int Workbook::StyleCount() const {
    return static_cast<int>(m_impl->styles.size());
}

const CellStyle& Workbook::Style(int index) const {
    if (index < 0 || index >= StyleCount())
        return m_impl->styles[0];
    return m_impl->styles[static_cast<size_t>(index)];
}

int Workbook::AddStyle(const CellStyle& style) {
    // A file may point at a number format it never defines: that is General.
    if (style.numberFormat.empty()) {
        CellStyle general = style;
        general.numberFormat = "General";
        return AddStyle(general);
    }
    auto [it, added] = m_impl->styleIndex.emplace(StyleKey(style), StyleCount());
    if (added)
        m_impl->styles.push_back(style);
    return it->second;
}

const Font& Workbook::DefaultFont() const {
    return m_impl->styles[0].font;
}

bool Workbook::HasOwnDefaultFont() const {
    return m_impl->defaultFontSet;
}

void Workbook::SetDefaultFont(const Font& font) {
    m_impl->defaultFontSet = true;
    CellStyle& normal = m_impl->styles[0];
    if (normal.font == font)
        return;
    // Style 0 is whatever the default is: an equal style added before keeps its
    // index, and an equal style added from now on is style 0.
    if (const auto it = m_impl->styleIndex.find(StyleKey(normal));
        it != m_impl->styleIndex.end() && it->second == 0) {
        m_impl->styleIndex.erase(it);
    }
    normal.font = font;
    m_impl->styleIndex[StyleKey(normal)] = 0;
    m_impl->styleStamp = Impl::NewStamp();
}

int Workbook::ImportStyle(const Workbook& other, int index) {
    if (&other == this)
        return index >= 0 && index < StyleCount() ? index : 0;
    if (index < 0 || index >= other.StyleCount())
        return AddStyle(other.Style(index));
    Impl& m = *m_impl;
    if (m.importedFrom != other.m_impl->styleStamp || m.importedInto != m.styleStamp) {
        m.importedFrom = other.m_impl->styleStamp;
        m.importedInto = m.styleStamp;
        m.imported.clear();
    }
    if (m.imported.size() < static_cast<size_t>(other.StyleCount()))
        m.imported.resize(static_cast<size_t>(other.StyleCount()), -1);
    int& mapped = m.imported[static_cast<size_t>(index)];
    if (mapped < 0)
        mapped = AddStyle(other.Style(index));
    return mapped;
}

FormatClass Workbook::StyleFormatClass(int index) const {
    if (index < 0 || index >= StyleCount())
        index = 0;
    auto& cache = m_impl->formatClasses;
    if (cache.size() < m_impl->styles.size())
        cache.resize(m_impl->styles.size(), -1);
    int& c = cache[static_cast<size_t>(index)];
    if (c < 0) {
        c = static_cast<int>(
            ClassifyFormat(m_impl->styles[static_cast<size_t>(index)].numberFormat));
    }
    return static_cast<FormatClass>(c);
}

const std::vector<DefinedName>& Workbook::DefinedNames() const {
    return m_impl->names;
}

void Workbook::AddDefinedName(DefinedName name) {
    if (!name.formula.empty() && name.formula.front() == '=')
        name.formula.erase(0, 1);
    for (auto& n : m_impl->names) {
        if (n.localSheet == name.localSheet && EqualNoCase(n.name, name.name)) {
            n = std::move(name);
            return;
        }
    }
    m_impl->names.push_back(std::move(name));
}

const DefinedName* Workbook::FindDefinedName(std::string_view name, int sheet) const {
    const DefinedName* global = nullptr;
    for (const auto& n : m_impl->names) {
        if (!EqualNoCase(n.name, name))
            continue;
        if (n.localSheet == sheet && sheet >= 0)
            return &n;
        if (n.localSheet < 0)
            global = &n;
    }
    return global;
}

const std::vector<ExternalBook>& Workbook::ExternalBooks() const {
    return m_impl->externals;
}

ExternalBook& Workbook::External(std::string_view book) {
    for (ExternalBook& b : m_impl->externals) {
        if (b.name == book)
            return b;
    }
    m_impl->externals.push_back({std::string(book), false, {}});
    return m_impl->externals.back();
}

const ExternalBook* Workbook::FindExternal(std::string_view book) const {
    for (const ExternalBook& b : m_impl->externals) {
        if (b.name == book)
            return &b;
    }
    return nullptr;
}

StringPool& Workbook::Strings() const {
    return m_impl->strings;
}

}  // namespace tabulon::spreadsheet
