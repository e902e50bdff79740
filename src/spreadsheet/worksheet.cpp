#include "spreadsheet/worksheet.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <map>
#include <stdexcept>
#include <unordered_map>

#include "spreadsheet/calendar.h"
#include "spreadsheet/cell_store.h"
#include "spreadsheet/merge_list.h"
#include "spreadsheet/number_format.h"
#include "spreadsheet/range_copy.h"
#include "spreadsheet/string_pool.h"
#include "spreadsheet/workbook.h"

namespace tabulon::spreadsheet {

using model::Entry;
using model::FormulaRecord;
using model::RowInfo;
using model::Slot;

namespace {

// The box around a set of cells. Shrinking is not tracked: removing a cell on
// the edge marks the owner's bounds dirty and they are rebuilt from the cells.
struct Bounds {
    int r1 = INT_MAX, r2 = 0, c1 = INT_MAX, c2 = 0;
    void Add(int r, int c) {
        r1 = std::min(r1, r), r2 = std::max(r2, r), c1 = std::min(c1, c), c2 = std::max(c2, c);
    }
    bool Empty() const { return r2 == 0; }
    bool OnEdge(int r, int c) const { return r == r1 || r == r2 || c == c1 || c == c2; }
    std::optional<RangeRef> Range() const {
        if (Empty())
            return std::nullopt;
        return RangeRef{{r1, c1}, {r2, c2}};
    }
};

// Pixels of the widest digit of `font` on a 96 dpi screen, which column widths
// count in: an estimate from the font's size and the share of the em its
// digits take (Calibri 11 and Arial 10 give 7, Calibri 12 and SimSun 12 give 8).
int MaxDigitWidth(const Font& font) {
    std::string name;
    for (char c : font.name)
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    double share = 0.5;  // CJK fonts, Times and most serif faces
    if (name.starts_with("calibri") || name.starts_with("cambria"))
        share = 0.507;
    else if (name.starts_with("arial") || name.starts_with("helvetica") ||
             name.starts_with("liberation sans") || name.starts_with("tahoma"))
        share = 0.556;
    else if (name.starts_with("verdana") || name.starts_with("consolas") ||
             name.starts_with("courier"))
        share = 0.6;
    const double size = font.size > 0 ? font.size : 11;
    return std::max(1, static_cast<int>(std::lround(size * 96 / 72 * share)));
}

// Widths a sheet gives in digits of its workbook's default font, told in digits
// of another workbook's default font so that columns keep their size.
class WidthScale {
  public:
    WidthScale(const Workbook& from, const Workbook& to)
        : m_from(MaxDigitWidth(from.DefaultFont())), m_to(MaxDigitWidth(to.DefaultFont())) {}
    bool Needed() const { return m_from != m_to; }
    double operator()(double width) const {
        if (width < 0 || m_from == m_to)
            return width;
        return std::round(width * m_from / m_to * 256) / 256;
    }
    // The default width of a sheet giving only a base width (digits without padding).
    double FromBase(int base) const { return (base * m_from + 5.0) / m_to; }

  private:
    int m_from;
    int m_to;
};

void CheckCell(CellRef cell) {
    if (cell.row < 1 || cell.row > kMaxRows || cell.col < 1 || cell.col > kMaxColumns) {
        throw std::out_of_range("cell (" + std::to_string(cell.row) + ", " +
                                std::to_string(cell.col) + ") is outside the grid");
    }
}

void CheckColumns(int first, int last) {
    if (first < 1 || last > kMaxColumns || first > last) {
        throw std::out_of_range("columns " + std::to_string(first) + ".." + std::to_string(last) +
                                " are outside the grid");
    }
}

void CheckRow(int row) {
    if (row < 1 || row > kMaxRows) {
        throw std::out_of_range("row " + std::to_string(row) + " is outside the grid");
    }
}

}  // namespace

namespace {

// Something worked out once per id of a string pool: a table by id when the
// work is large next to the pool, else a short list and then a map, so that a
// copy of a few cells (a row, say) pays neither for a pool of millions nor for
// a map's allocations.
class IdCache {
  public:
    IdCache(std::size_t poolSize, std::size_t cells)
        : m_poolSize(poolSize), m_dense(poolSize <= 256 || cells >= poolSize / 16) {}
    template <typename F>
    std::uint32_t Get(std::uint32_t id, F&& make) {
        if (!m_dense) {
            for (std::size_t i = 0; i < m_fewCount; ++i)
                if (m_few[i].first == id)
                    return m_few[i].second;
            if (m_fewCount < m_few.size()) {
                const std::uint32_t value = make(id);
                m_few[m_fewCount++] = {id, value};
                return value;
            }
            auto [it, added] = m_sparse.try_emplace(id, 0);
            if (added)
                it->second = make(id);
            return it->second;
        }
        if (id >= m_ids.size())
            m_ids.resize(std::max<std::size_t>(m_poolSize, std::size_t{id} + 1));
        std::uint32_t& value = m_ids[id];
        if (value == 0)
            value = make(id) + 1;
        return value - 1;
    }

  private:
    std::size_t m_poolSize;
    bool m_dense;
    std::vector<std::uint32_t> m_ids;  // value + 1; 0 when not worked out yet
    std::array<std::pair<std::uint32_t, std::uint32_t>, 8> m_few{};  // the first ids met
    std::size_t m_fewCount = 0;
    std::unordered_map<std::uint32_t, std::uint32_t> m_sparse;  // the ids after those
};

// Ids of one pool's texts in another, looked up once per text.
class TextIdMap {
  public:
    TextIdMap(const StringPool& from, StringPool& to, std::size_t cells)
        : m_from(from), m_to(to), m_cache(from.Size(), cells) {}
    std::uint32_t operator()(std::uint32_t id) {
        if (&m_from == &m_to)
            return id;
        return m_cache.Get(id, [&](std::uint32_t i) { return m_to.Intern(m_from.Get(i)); });
    }

  private:
    const StringPool& m_from;
    StringPool& m_to;
    IdCache m_cache;
};

// Moves the serial numbers of dates between the date systems of two workbooks, so a
// date copied from one to the other stays the same day. Only numbers shown as dates
// move: times of day and durations mean the same in both systems.
class DateShift {
  public:
    DateShift(const Workbook& from, const Workbook& to)
        : m_from(from), m_on(from.Date1904() != to.Date1904()), m_to1904(to.Date1904()) {}
    double operator()(double number, std::uint32_t style) const {
        if (!m_on)
            return number;
        const FormatClass shown = m_from.StyleFormatClass(static_cast<int>(style));
        if (shown != FormatClass::Date && shown != FormatClass::DateTime)
            return number;
        return SerialInSystem(number, !m_to1904, m_to1904);
    }

  private:
    const Workbook& m_from;
    bool m_on;
    bool m_to1904;
};

}  // namespace

struct Worksheet::Impl {
    Workbook& owner;
    std::string name;
    SheetKind kind;
    SheetState state = SheetState::Visible;
    model::CellStore cells;
    std::vector<FormulaRecord> formulas;
    std::vector<std::uint32_t> freeFormulas;
    mutable Bounds values, formats;
    mutable bool boundsDirty = false;
    double defaultWidth = -1;
    double defaultHeight = -1;
    int baseWidth = -1;
    std::vector<ColumnSpan> columns;
    MergeList merges;
    std::optional<RangeRef> filter;
    std::vector<ArrayFormula> arrays;
    std::map<std::pair<int, int>, RichText> runs;
    std::vector<Hyperlink> links;
    std::map<std::pair<int, int>, Note> notes;
    std::shared_ptr<const KeptSheetXml> kept;

    Impl(Workbook& o, std::string n, SheetKind k) : owner(o), name(std::move(n)), kind(k) {}

    StringPool& Pool() const { return owner.Strings(); }

    CellView View(int row, const Entry& e) const {
        CellView v;
        v.ref = {row, e.col};
        v.style = static_cast<int>(e.style);
        switch (e.slot) {
            case Slot::Blank:
                break;
            case Slot::Number:
                v.kind = CellKind::Number, v.valueKind = ValueKind::Number, v.number = e.number;
                break;
            case Slot::Boolean:
                v.kind = CellKind::Boolean, v.valueKind = ValueKind::Boolean, v.number = e.number;
                break;
            case Slot::Text:
                v.kind = CellKind::Text, v.valueKind = ValueKind::Text, v.text = Pool().Get(e.id);
                v.textId = e.id;
                break;
            case Slot::Error:
                v.kind = CellKind::Error, v.valueKind = ValueKind::Error;
                v.error = static_cast<ErrorCode>(e.error);
                break;
            case Slot::Formula: {
                const FormulaRecord& f = formulas[e.id];
                v.kind = CellKind::Formula;
                v.formula = Pool().Get(f.text);
                v.stale = f.stale;
                v.uncalculable = f.uncalculable;
                v.fileResult = f.fileResult;
                v.valueKind = f.cachedKind;
                v.number = f.cachedNumber;
                v.error = f.cachedError;
                if (f.cachedKind == ValueKind::Text) {
                    v.text = Pool().Get(f.cachedText);
                    v.textId = f.cachedText;
                }
                break;
            }
        }
        return v;
    }

    void ReleaseFormula(Entry& e) {
        if (e.slot == Slot::Formula)
            freeFormulas.push_back(e.id);
        e.slot = Slot::Blank;
    }

    std::uint32_t NewFormula() {
        if (!freeFormulas.empty()) {
            const auto id = freeFormulas.back();
            freeFormulas.pop_back();
            formulas[id] = FormulaRecord{};
            return id;
        }
        formulas.emplace_back();
        return static_cast<std::uint32_t>(formulas.size() - 1);
    }

    void StoreCached(FormulaRecord& f, const Value& v) {
        f.cachedKind = v.Kind();
        f.cachedNumber = v.IsNumber() || v.IsBoolean() ? v.AsNumber() : 0;
        f.cachedError = v.IsError() ? v.AsError() : ErrorCode::Null;
        f.cachedText = v.IsText() ? Pool().Intern(v.AsText()) : 0;
    }

    // Stores a constant (never Empty) into an entry.
    void StoreConstant(Entry& e, const Value& v) {
        ReleaseFormula(e);
        switch (v.Kind()) {
            case ValueKind::Empty:
                break;
            case ValueKind::Number:
                e.slot = Slot::Number, e.number = v.AsNumber();
                break;
            case ValueKind::Boolean:
                e.slot = Slot::Boolean, e.number = v.AsNumber();
                break;
            case ValueKind::Text:
                e.slot = Slot::Text, e.id = Pool().Intern(v.AsText());
                break;
            case ValueKind::Error:
                e.slot = Slot::Error, e.error = static_cast<std::uint8_t>(v.AsError());
                break;
        }
    }

    // Keeps the bounds in step after the cell at (row, e.col) changed.
    void Touched(int row, const Entry& e) {
        if (e.slot != Slot::Blank)
            values.Add(row, e.col);
        if (e.slot != Slot::Blank || e.style != 0)
            formats.Add(row, e.col);
    }

    void Removed(int row, int col) {
        if (values.OnEdge(row, col) || formats.OnEdge(row, col))
            boundsDirty = true;
    }

    // Drops an entry that holds nothing any more.
    void EraseIfEmpty(int row, Entry& e) {
        const int col = e.col;
        if (e.slot == Slot::Blank)
            Removed(row, col);
        if (e.slot == Slot::Blank && e.style == 0)
            cells.Erase(row, col);
    }

    void RebuildBounds() const {
        values = {}, formats = {};
        cells.ForEachRow(1, kMaxRows, [&](int row, const RowInfo& r) {
            for (const Entry& e : r.cells) {
                if (e.slot != Slot::Blank)
                    values.Add(row, e.col);
                if (e.slot != Slot::Blank || e.style != 0)
                    formats.Add(row, e.col);
            }
        });
        boundsDirty = false;
    }

    // Calls fn(ColumnInfo&) on every column of [first, last], keeping spans minimal.
    template <typename F>
    void ModifyColumns(int first, int last, F&& fn) {
        std::vector<ColumnSpan> pieces;
        int next = first;
        for (const auto& s : columns) {
            if (s.last < first || s.first > last)
                continue;
            if (s.first > next)
                pieces.push_back({next, s.first - 1, {}});
            pieces.push_back({std::max(s.first, first), std::min(s.last, last), s.info});
            next = std::min(s.last, last) + 1;
        }
        if (next <= last)
            pieces.push_back({next, last, {}});
        std::vector<ColumnSpan> out;
        for (const auto& s : columns) {
            if (s.last < first || s.first > last) {
                out.push_back(s);
                continue;
            }
            if (s.first < first)
                out.push_back({s.first, first - 1, s.info});
            if (s.last > last)
                out.push_back({last + 1, s.last, s.info});
        }
        for (auto& p : pieces) {
            fn(p.info);
            if (!(p.info == ColumnInfo{}))
                out.push_back(p);
        }
        std::sort(out.begin(), out.end(),
                  [](const ColumnSpan& a, const ColumnSpan& b) { return a.first < b.first; });
        columns.clear();
        for (auto& s : out) {
            if (!columns.empty() && columns.back().last + 1 == s.first &&
                columns.back().info == s.info) {
                columns.back().last = s.last;
            } else {
                columns.push_back(s);
            }
        }
    }
};

Worksheet::Worksheet(Workbook& owner, std::string name, SheetKind kind)
    : m_impl(std::make_unique<Impl>(owner, std::move(name), kind)) {}
Worksheet::~Worksheet() = default;

Workbook& Worksheet::Owner() {
    return m_impl->owner;
}
const Workbook& Worksheet::Owner() const {
    return m_impl->owner;
}
const std::string& Worksheet::Name() const {
    return m_impl->name;
}
void Worksheet::SetName(std::string name) {
    m_impl->name = std::move(name);
}
SheetKind Worksheet::Kind() const {
    return m_impl->kind;
}
SheetState Worksheet::State() const {
    return m_impl->state;
}
void Worksheet::SetState(SheetState state) {
    m_impl->state = state;
}

Value CellView::ToValue() const {
    switch (valueKind) {
        case ValueKind::Empty:
            return {};
        case ValueKind::Number:
            return Value::Number(number);
        case ValueKind::Boolean:
            return Value::Boolean(number != 0);
        case ValueKind::Error:
            return Value::Error(error);
        case ValueKind::Text:
            return Value::Text(std::string(text));
    }
    return {};
}

CellView Worksheet::Cell(CellRef cell) const {
    CheckCell(cell);
    const Entry* e = m_impl->cells.Find(cell.row, cell.col);
    if (!e) {
        CellView v;
        v.ref = cell;
        return v;
    }
    return m_impl->View(cell.row, *e);
}

Value Worksheet::GetValue(CellRef cell) const {
    return Cell(cell).ToValue();
}

void Worksheet::SetValue(CellRef cell, const Value& value) {
    CheckCell(cell);
    if (value.IsEmpty()) {
        ClearContents(cell);
        return;
    }
    Entry& e = m_impl->cells.Upsert(cell.row, cell.col);
    m_impl->StoreConstant(e, value);
    m_impl->Touched(cell.row, e);
}

void Worksheet::SetNumber(CellRef cell, double number, int style) {
    CheckCell(cell);
    Entry& e = m_impl->cells.Upsert(cell.row, cell.col);
    m_impl->ReleaseFormula(e);
    e.slot = Slot::Number, e.number = number;
    if (style != 0) {
        const bool known = style > 0 && style < m_impl->owner.StyleCount();
        e.style = known ? static_cast<std::uint32_t>(style) : 0;
    }
    m_impl->Touched(cell.row, e);
}

void Worksheet::SetPooledText(CellRef cell, std::uint32_t id) {
    CheckCell(cell);
    Entry& e = m_impl->cells.Upsert(cell.row, cell.col);
    m_impl->ReleaseFormula(e);
    e.slot = Slot::Text, e.id = id;
    m_impl->Touched(cell.row, e);
}

void Worksheet::SetFormula(CellRef cell, std::string_view formula, const Value& cached,
                           bool stale) {
    CheckCell(cell);
    if (!formula.empty() && formula.front() == '=')
        formula.remove_prefix(1);
    Entry& e = m_impl->cells.Upsert(cell.row, cell.col);
    if (e.slot != Slot::Formula) {
        m_impl->ReleaseFormula(e);
        e.id = m_impl->NewFormula();
        e.slot = Slot::Formula;
    }
    FormulaRecord& f = m_impl->formulas[e.id];
    f.text = m_impl->Pool().Intern(formula);
    f.stale = stale;
    f.uncalculable = false;
    f.fileResult = !stale && !cached.IsEmpty();
    m_impl->StoreCached(f, cached);
    m_impl->Touched(cell.row, e);
}

void Worksheet::ReplaceFormulaText(CellRef cell, std::string_view formula) {
    CheckCell(cell);
    Entry* e = m_impl->cells.Find(cell.row, cell.col);
    if (!e || e->slot != Slot::Formula)
        return;
    if (!formula.empty() && formula.front() == '=')
        formula.remove_prefix(1);
    m_impl->formulas[e->id].text = m_impl->Pool().Intern(formula);
}

void Worksheet::SetCachedValue(CellRef cell, const Value& value) {
    CheckCell(cell);
    Entry* e = m_impl->cells.Find(cell.row, cell.col);
    if (!e || e->slot != Slot::Formula)
        return;
    FormulaRecord& f = m_impl->formulas[e->id];
    m_impl->StoreCached(f, value);
    f.stale = false;
    f.uncalculable = false;
    f.fileResult = false;
}

void Worksheet::SetUncalculable(CellRef cell) {
    CheckCell(cell);
    Entry* e = m_impl->cells.Find(cell.row, cell.col);
    if (!e || e->slot != Slot::Formula)
        return;
    FormulaRecord& f = m_impl->formulas[e->id];
    m_impl->StoreCached(f, {});
    f.stale = false;
    f.uncalculable = true;
    f.fileResult = false;
}

void Worksheet::MarkStale(CellRef cell, bool keepFileResult) {
    CheckCell(cell);
    Entry* e = m_impl->cells.Find(cell.row, cell.col);
    if (e && e->slot == Slot::Formula) {
        FormulaRecord& f = m_impl->formulas[e->id];
        f.stale = true;
        f.uncalculable = false;
        f.fileResult = f.fileResult && keepFileResult;
    }
}

void Worksheet::SetStyle(CellRef cell, int style) {
    CheckCell(cell);
    if (style < 0 || style >= m_impl->owner.StyleCount())
        style = 0;
    if (style == 0) {
        Entry* e = m_impl->cells.Find(cell.row, cell.col);
        if (!e)
            return;
        e->style = 0;
        if (e->slot == Slot::Blank)
            m_impl->EraseIfEmpty(cell.row, *e);
        return;
    }
    Entry& e = m_impl->cells.Upsert(cell.row, cell.col);
    e.style = static_cast<std::uint32_t>(style);
    m_impl->Touched(cell.row, e);
}

std::string Worksheet::DisplayText(CellRef cell) const {
    const CellView v = Cell(cell);
    const Workbook& book = m_impl->owner;
    return FormatValue(v.ToValue(), book.Style(v.style).numberFormat, book.Date1904());
}

void Worksheet::ClearContents(CellRef cell) {
    CheckCell(cell);
    Entry* e = m_impl->cells.Find(cell.row, cell.col);
    if (!e)
        return;
    m_impl->ReleaseFormula(*e);
    m_impl->EraseIfEmpty(cell.row, *e);
}

void Worksheet::Clear(CellRef cell) {
    CheckCell(cell);
    Entry* e = m_impl->cells.Find(cell.row, cell.col);
    if (!e)
        return;
    m_impl->ReleaseFormula(*e);
    e->style = 0;
    m_impl->EraseIfEmpty(cell.row, *e);
}

void Worksheet::ClearRange(const RangeRef& range, bool keepStyles) {
    CheckCell(range.first);
    CheckCell(range.last);
    std::vector<CellRef> doomed;
    ForEachCell(range, IterationOrder::RowByRow,
                [&](const CellView& v) { doomed.push_back(v.ref); });
    for (CellRef c : doomed)
        keepStyles ? ClearContents(c) : Clear(c);
}

void Worksheet::Compact() {
    m_impl->cells.Compact();
    m_impl->formulas.shrink_to_fit();
}

std::size_t Worksheet::CellCount() const {
    return m_impl->cells.CellCount();
}

void Worksheet::ForEachCell(const RangeRef& range, IterationOrder order,
                            const std::function<void(const CellView&)>& visit) const {
    const int c1 = range.first.col, c2 = range.last.col;
    if (order == IterationOrder::RowByRow) {
        m_impl->cells.ForEachRow(range.first.row, range.last.row, [&](int row, const RowInfo& r) {
            for (auto it = model::LowerBound(r.cells, c1); it != r.cells.end() && it->col <= c2;
                 ++it) {
                visit(m_impl->View(row, *it));
            }
        });
        return;
    }
    struct Hit {
        int col, row;
        const Entry* entry;
    };
    std::vector<Hit> hits;
    m_impl->cells.ForEachRow(range.first.row, range.last.row, [&](int row, const RowInfo& r) {
        for (auto it = model::LowerBound(r.cells, c1); it != r.cells.end() && it->col <= c2; ++it) {
            hits.push_back({it->col, row, &*it});
        }
    });
    std::stable_sort(hits.begin(), hits.end(),
                     [](const Hit& a, const Hit& b) { return a.col < b.col; });
    for (const Hit& h : hits)
        visit(m_impl->View(h.row, *h.entry));
}

void Worksheet::ForEachRow(
    const std::function<void(int, const RowInfoView&, const std::vector<CellView>&)>& visit) const {
    std::vector<CellView> views;
    m_impl->cells.ForEachRow(1, kMaxRows, [&](int row, const RowInfo& r) {
        if (r.cells.empty() && !r.HasProps())
            return;
        views.clear();
        for (const Entry& e : r.cells)
            views.push_back(m_impl->View(row, e));
        visit(row, RowInfoView{r.height, r.customHeight, r.hidden, static_cast<int>(r.style)},
              views);
    });
}

std::size_t Worksheet::FormulaCount() const {
    return m_impl->formulas.size() - m_impl->freeFormulas.size();
}

std::vector<CellRef> Worksheet::FormulaCells() const {
    std::vector<CellRef> cells;
    const std::size_t count = FormulaCount();
    if (count == 0)
        return cells;
    cells.reserve(count);
    m_impl->cells.ForEachRow(1, kMaxRows, [&](int row, const RowInfo& r) {
        for (const Entry& e : r.cells)
            if (e.slot == Slot::Formula)
                cells.push_back({row, e.col});
    });
    return cells;
}

bool Worksheet::AnyFormula(const std::function<bool(std::string_view)>& test) const {
    // Released records keep their last text: at worst a needless yes.
    return std::any_of(
        m_impl->formulas.begin(), m_impl->formulas.end(), [&](const FormulaRecord& f) {
            return f.text < m_impl->Pool().Size() && test(m_impl->Pool().Get(f.text));
        });
}

std::optional<RangeRef> Worksheet::UsedExtent(bool includeFormats) const {
    if (m_impl->boundsDirty)
        m_impl->RebuildBounds();
    return (includeFormats ? m_impl->formats : m_impl->values).Range();
}

double Worksheet::DefaultColumnWidth() const {
    return m_impl->defaultWidth;
}
void Worksheet::SetDefaultColumnWidth(double width) {
    m_impl->defaultWidth = width;
}
int Worksheet::BaseColumnWidth() const {
    return m_impl->baseWidth;
}

void Worksheet::SetBaseColumnWidth(int chars) {
    m_impl->baseWidth = chars >= 0 && chars <= 255 ? chars : -1;
}

double Worksheet::DefaultRowHeight() const {
    return m_impl->defaultHeight;
}
void Worksheet::SetDefaultRowHeight(double height) {
    m_impl->defaultHeight = height;
}

ColumnInfo Worksheet::Column(int col) const {
    CheckColumns(col, col);
    const auto& spans = m_impl->columns;
    auto it = std::upper_bound(spans.begin(), spans.end(), col,
                               [](int c, const ColumnSpan& s) { return c < s.first; });
    if (it == spans.begin())
        return {};
    --it;
    return col <= it->last ? it->info : ColumnInfo{};
}

void Worksheet::SetColumns(int first, int last, const ColumnInfo& info) {
    CheckColumns(first, last);
    m_impl->ModifyColumns(first, last, [&](ColumnInfo& c) { c = info; });
}

double Worksheet::ColumnWidth(int col) const {
    const ColumnInfo info = Column(col);
    if (info.width >= 0)
        return info.width;
    return m_impl->defaultWidth >= 0 ? m_impl->defaultWidth : kStandardColumnWidth;
}

void Worksheet::SetColumnWidth(int first, int last, double width) {
    CheckColumns(first, last);
    m_impl->ModifyColumns(first, last, [&](ColumnInfo& c) {
        c.width = width;
        c.customWidth = width >= 0;
    });
}

void Worksheet::SetColumnsHidden(int first, int last, bool hidden) {
    CheckColumns(first, last);
    m_impl->ModifyColumns(first, last, [&](ColumnInfo& c) { c.hidden = hidden; });
}

std::vector<ColumnSpan> Worksheet::ColumnSpans() const {
    return m_impl->columns;
}

RowInfoView Worksheet::Row(int row) const {
    CheckRow(row);
    const RowInfo* r = m_impl->cells.Row(row);
    if (!r)
        return {};
    return {r->height, r->customHeight, r->hidden, static_cast<int>(r->style)};
}

void Worksheet::SetRow(int row, const RowInfoView& info) {
    CheckRow(row);
    RowInfo& r = m_impl->cells.TouchRow(row);
    r.height = info.height;
    r.customHeight = info.customHeight;
    r.hidden = info.hidden;
    r.style = info.style >= 0 && info.style < m_impl->owner.StyleCount()
                  ? static_cast<std::uint32_t>(info.style)
                  : 0;
}

void Worksheet::SetRowHeight(int row, double height) {
    RowInfoView r = Row(row);
    r.height = height;
    r.customHeight = height >= 0;
    SetRow(row, r);
}

void Worksheet::SetRowHidden(int row, bool hidden) {
    RowInfoView r = Row(row);
    r.hidden = hidden;
    SetRow(row, r);
}

const std::vector<RangeRef>& Worksheet::Merges() const {
    return m_impl->merges.All();
}

std::vector<RangeRef> Worksheet::MergesOverlapping(const RangeRef& range) const {
    return m_impl->merges.Overlapping(range);
}

void Worksheet::AddMerge(const RangeRef& range) {
    CheckCell(range.first);
    CheckCell(range.last);
    if (range.first == range.last)
        return;
    if (const auto other = m_impl->merges.Add(range)) {
        throw std::invalid_argument("merged range " + FormatRangeRef(range) + " overlaps " +
                                    FormatRangeRef(*other));
    }
}

void Worksheet::RemoveMerges(const RangeRef& range) {
    m_impl->merges.RemoveOverlapping(range);
}

std::optional<RangeRef> Worksheet::AutoFilter() const {
    return m_impl->filter;
}

void Worksheet::SetAutoFilter(std::optional<RangeRef> range) {
    m_impl->filter = range;
}

void Worksheet::ShowAllData() {
    if (!m_impl->filter)
        return;
    // The header row is never hidden by its own filter.
    for (int row = m_impl->filter->first.row + 1; row <= m_impl->filter->last.row; ++row) {
        const RowInfo* r = m_impl->cells.Row(row);
        if (r && r->hidden)
            SetRowHidden(row, false);
        if (row >= m_impl->cells.RowBound())
            break;
    }
}

const std::vector<ArrayFormula>& Worksheet::ArrayFormulas() const {
    return m_impl->arrays;
}

void Worksheet::AddArrayFormula(const RangeRef& range, std::string_view formula) {
    CheckCell(range.first);
    CheckCell(range.last);
    if (!formula.empty() && formula.front() == '=')
        formula.remove_prefix(1);
    m_impl->arrays.push_back({range, std::string(formula)});
}

const RichText* Worksheet::TextRuns(CellRef cell) const {
    if (m_impl->runs.empty())
        return nullptr;
    const auto it = m_impl->runs.find({cell.row, cell.col});
    if (it == m_impl->runs.end())
        return nullptr;
    const CellView v = Cell(cell);
    if (v.kind != CellKind::Text || v.text != PlainText(it->second))
        return nullptr;
    return &it->second;
}

void Worksheet::SetTextRuns(CellRef cell, RichText runs) {
    CheckCell(cell);
    if (runs.empty())
        m_impl->runs.erase({cell.row, cell.col});
    else
        m_impl->runs[{cell.row, cell.col}] = std::move(runs);
}

bool Worksheet::HasTextRuns() const {
    return !m_impl->runs.empty();
}

std::vector<CellRef> Worksheet::CellsWithRuns() const {
    std::vector<CellRef> cells;
    cells.reserve(m_impl->runs.size());
    for (const auto& [at, runs] : m_impl->runs)
        cells.push_back({at.first, at.second});
    return cells;
}

const std::vector<Hyperlink>& Worksheet::Hyperlinks() const {
    return m_impl->links;
}

void Worksheet::AddHyperlink(Hyperlink link) {
    CheckCell(link.range.first);
    CheckCell(link.range.last);
    m_impl->links.push_back(std::move(link));
}

void Worksheet::RemoveHyperlinks(const RangeRef& range) {
    std::erase_if(m_impl->links, [&](const Hyperlink& l) {
        return l.range.first.row >= range.first.row && l.range.last.row <= range.last.row &&
               l.range.first.col >= range.first.col && l.range.last.col <= range.last.col;
    });
}

std::vector<Note> Worksheet::Notes() const {
    std::vector<Note> notes;
    notes.reserve(m_impl->notes.size());
    for (const auto& [at, note] : m_impl->notes)
        notes.push_back(note);
    return notes;
}

bool Worksheet::HasNotes() const {
    return !m_impl->notes.empty();
}

const Note* Worksheet::FindNote(CellRef cell) const {
    const auto it = m_impl->notes.find({cell.row, cell.col});
    return it == m_impl->notes.end() ? nullptr : &it->second;
}

void Worksheet::SetNote(Note note) {
    CheckCell(note.cell);
    const std::pair<int, int> at{note.cell.row, note.cell.col};
    m_impl->notes[at] = std::move(note);
}

void Worksheet::RemoveNote(CellRef cell) {
    m_impl->notes.erase({cell.row, cell.col});
}

const std::shared_ptr<const KeptSheetXml>& Worksheet::KeptXml() const {
    return m_impl->kept;
}

void Worksheet::SetKeptXml(std::shared_ptr<const KeptSheetXml> kept) {
    m_impl->kept = std::move(kept);
}

void Worksheet::PasteCells(const Worksheet& from, const RangeRef& source, int dRows, int dCols,
                           unsigned parts) {
    Impl& dst = *m_impl;
    const Impl& src = *from.m_impl;
    const bool contents = (parts & (kCopyValues | kCopyFormulas)) != 0;
    const bool formulas = (parts & kCopyFormulas) != 0;
    const bool styles = (parts & kCopyStyles) != 0;
    // The stored cells there can be, for sizing the caches below.
    std::size_t cells = 0;
    if (const auto used = from.UsedExtent(true)) {
        const int rows = std::min(source.last.row, used->last.row) -
                         std::max(source.first.row, used->first.row) + 1;
        const int cols = std::min(source.last.col, used->last.col) -
                         std::max(source.first.col, used->first.col) + 1;
        if (rows > 0 && cols > 0)
            cells = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
    }
    TextIdMap mapText(src.Pool(), dst.Pool(), cells);
    // A formula text met again (one without relative references, say) is moved once.
    IdCache moved(src.Pool().Size(), cells);
    auto moveFormula = [&](std::uint32_t id) {
        return moved.Get(id, [&](std::uint32_t i) {
            const std::string text = MoveFormulaText(src.Pool().Get(i), dRows, dCols);
            std::string_view stored = text;
            if (!stored.empty() && stored.front() == '=')
                stored.remove_prefix(1);  // as SetFormula takes it
            return dst.Pool().Intern(stored);
        });
    };
    std::vector<int> styleMap;
    Workbook& book = dst.owner;
    // A constant (or a formula's cached result) into `n`, as StoreConstant does.
    auto storeConstant = [&](Entry& n, ValueKind kind, double number, ErrorCode error,
                             std::uint32_t text) {
        dst.ReleaseFormula(n);
        switch (kind) {
            case ValueKind::Empty:
                break;
            case ValueKind::Number:
                n.slot = Slot::Number, n.number = number;
                break;
            case ValueKind::Boolean:
                n.slot = Slot::Boolean, n.number = number != 0 ? 1 : 0;
                break;
            case ValueKind::Text:
                n.slot = Slot::Text, n.id = mapText(text);
                break;
            case ValueKind::Error:
                n.slot = Slot::Error, n.error = static_cast<std::uint8_t>(error);
                break;
        }
    };
    const DateShift shift(src.owner, book);
    const bool wholeSheet = dRows == 0 && dCols == 0 && source.first == CellRef{1, 1} &&
                            source.last == CellRef{kMaxRows, kMaxColumns};
    const int c1 = source.first.col, c2 = source.last.col;
    src.cells.ForEachRow(source.first.row, source.last.row, [&](int row, const RowInfo& r) {
        const int toRow = row + dRows;
        for (auto it = model::LowerBound(r.cells, c1); it != r.cells.end() && it->col <= c2; ++it) {
            const Entry& e = *it;
            const int toCol = e.col + dCols;
            // A formula copied as its value, with no value, leaves the cell as cleared.
            const bool nothing =
                e.slot == Slot::Blank || (e.slot == Slot::Formula && !formulas &&
                                          src.formulas[e.id].cachedKind == ValueKind::Empty);
            if (contents && !nothing) {
                Entry& n = dst.cells.Upsert(toRow, toCol);
                if (e.slot == Slot::Formula) {
                    const FormulaRecord& f = src.formulas[e.id];
                    if (formulas) {
                        if (n.slot != Slot::Formula) {
                            dst.ReleaseFormula(n);
                            n.id = dst.NewFormula();
                            n.slot = Slot::Formula;
                        }
                        FormulaRecord& g = dst.formulas[n.id];
                        g.text = moveFormula(f.text);
                        // A copy elsewhere is out of date until calculated.
                        g.stale = true;
                        g.uncalculable = false;
                        // A whole sheet copied where it stood: a result known in the
                        // source holds in the copy, until its cells change.
                        g.fileResult = wholeSheet && !f.stale && !f.uncalculable &&
                                       f.cachedKind != ValueKind::Empty;
                        g.cachedKind = f.cachedKind;
                        g.cachedNumber =
                            f.cachedKind == ValueKind::Number    ? shift(f.cachedNumber, e.style)
                            : f.cachedKind == ValueKind::Boolean ? (f.cachedNumber != 0 ? 1.0 : 0.0)
                                                                 : 0.0;
                        g.cachedError =
                            f.cachedKind == ValueKind::Error ? f.cachedError : ErrorCode::Null;
                        g.cachedText = f.cachedKind == ValueKind::Text ? mapText(f.cachedText) : 0;
                    } else {
                        storeConstant(n, f.cachedKind,
                                      f.cachedKind == ValueKind::Number
                                          ? shift(f.cachedNumber, e.style)
                                          : f.cachedNumber,
                                      f.cachedError, f.cachedText);
                    }
                } else {
                    storeConstant(n,
                                  e.slot == Slot::Number    ? ValueKind::Number
                                  : e.slot == Slot::Boolean ? ValueKind::Boolean
                                  : e.slot == Slot::Text    ? ValueKind::Text
                                                            : ValueKind::Error,
                                  e.slot == Slot::Number ? shift(e.number, e.style) : e.number,
                                  static_cast<ErrorCode>(e.error), e.id);
                }
                dst.Touched(toRow, n);
            }
            if (styles && e.style != 0) {
                if (e.style >= styleMap.size())
                    styleMap.resize(e.style + 1, -1);
                int& mapped = styleMap[e.style];
                if (mapped < 0)
                    mapped = book.ImportStyle(src.owner, static_cast<int>(e.style));
                if (mapped > 0 && mapped < book.StyleCount()) {
                    Entry& n = dst.cells.Upsert(toRow, toCol);
                    n.style = static_cast<std::uint32_t>(mapped);
                    dst.Touched(toRow, n);
                } else {
                    SetStyle({toRow, toCol}, mapped);
                }
            }
        }
    });
}

void Worksheet::CopyContentFrom(const Worksheet& source) {
    if (&source == this)
        return;
    Impl& dst = *m_impl;
    const Impl& src = *source.m_impl;
    Workbook& book = dst.owner;
    std::vector<int> styleMap(static_cast<size_t>(src.owner.StyleCount()), -1);
    auto mapStyle = [&](std::uint32_t s) -> std::uint32_t {
        if (s >= styleMap.size())
            return 0;
        if (styleMap[s] < 0)
            styleMap[s] = book.ImportStyle(src.owner, static_cast<int>(s));
        return static_cast<std::uint32_t>(styleMap[s]);
    };
    TextIdMap mapText(src.Pool(), dst.Pool(), src.cells.CellCount());
    const DateShift shift(src.owner, book);
    src.cells.ForEachRow(1, kMaxRows, [&](int row, const RowInfo& r) {
        if (r.cells.empty() && !r.HasProps())
            return;
        RowInfo& out = dst.cells.TouchRow(row);
        out.height = r.height;
        out.customHeight = r.customHeight;
        out.hidden = r.hidden;
        out.style = mapStyle(r.style);
        for (const Entry& e : r.cells) {
            Entry& n = dst.cells.Upsert(row, e.col);
            dst.ReleaseFormula(n);
            n = e;
            n.style = mapStyle(e.style);
            if (e.slot == Slot::Text)
                n.id = mapText(e.id);
            if (e.slot == Slot::Number)
                n.number = shift(e.number, e.style);
            if (e.slot == Slot::Formula) {
                FormulaRecord f = src.formulas[e.id];
                // A whole sheet copied: a result known in the source holds in the copy.
                f.fileResult = !f.stale && !f.uncalculable && f.cachedKind != ValueKind::Empty;
                if (f.cachedKind == ValueKind::Number)
                    f.cachedNumber = shift(f.cachedNumber, e.style);
                f.text = mapText(f.text);
                if (f.cachedKind == ValueKind::Text)
                    f.cachedText = mapText(f.cachedText);
                n.id = dst.NewFormula();
                dst.formulas[n.id] = f;
            }
            dst.Touched(row, n);
        }
    });
    dst.state = src.state;
    dst.defaultWidth = src.defaultWidth;
    dst.defaultHeight = src.defaultHeight;
    dst.baseWidth = src.baseWidth;
    dst.columns = src.columns;
    for (auto& c : dst.columns)
        c.info.style = static_cast<int>(mapStyle(static_cast<std::uint32_t>(c.info.style)));
    if (const WidthScale scale(src.owner, book); scale.Needed()) {
        dst.defaultWidth = src.defaultWidth >= 0
                               ? scale(src.defaultWidth)
                               : scale.FromBase(src.baseWidth >= 0 ? src.baseWidth : 8);
        for (auto& c : dst.columns)
            c.info.width = scale(c.info.width);
    }
    dst.merges = src.merges;
    dst.filter = src.filter;
    dst.arrays = src.arrays;
    dst.runs = src.runs;
    dst.links = src.links;
    dst.notes = src.notes;
    dst.kept = src.kept;
}

}  // namespace tabulon::spreadsheet
