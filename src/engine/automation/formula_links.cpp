#include "engine/automation/formula_links.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

#include "engine/automation/state.h"
#include "spreadsheet/formula/mover.h"

namespace tabulon::engine::detail {

using spreadsheet::CellRef;
using spreadsheet::RangeRef;
using spreadsheet::Worksheet;
namespace formula = spreadsheet::formula;

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return CString(a).CompareNoCase(b.c_str()) == 0;
}

// The source workbook as the copies' external references name it: by the full
// path of the file it was read from, so that the link finds it from the result
// wherever that is written.
std::string LinkName(const BookState& book) {
    const std::string& path =
        book.templatePath.IsEmpty() ? book.workbook->Path() : book.templatePath.Str();
    if (path.empty())
        return book.name.Str();
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.lexically_normal().string();
}

// The area a reference token reads; nullopt for 3-D references and #REF!.
std::optional<RangeRef> AreaOf(const formula::Token& t) {
    if (!t.prefix.sheetLast.empty())
        return std::nullopt;
    switch (t.shape) {
        case formula::RefShape::Cell:
            return RangeRef{{t.first.row, t.first.col}, {t.first.row, t.first.col}};
        case formula::RefShape::Area:
            return RangeRef{{std::min(t.first.row, t.last.row), std::min(t.first.col, t.last.col)},
                            {std::max(t.first.row, t.last.row), std::max(t.first.col, t.last.col)}};
        case formula::RefShape::Columns:
            return RangeRef{{1, std::min(t.first.col, t.last.col)},
                            {spreadsheet::kMaxRows, std::max(t.first.col, t.last.col)}};
        case formula::RefShape::Rows:
            return RangeRef{{std::min(t.first.row, t.last.row), 1},
                            {std::max(t.first.row, t.last.row), spreadsheet::kMaxColumns}};
        default:
            return std::nullopt;
    }
}

// Copies made into another workbook: the references they gain to the source
// workbook, the cells those read (kept in the destination, so that the result
// shows them with the source absent) and the workbook names they use.
class LinkWriter {
  public:
    LinkWriter(SheetState& from, SheetState& to, bool sheetCopy)
        : m_from(from), m_to(to), m_sheetCopy(sheetCopy), m_book(LinkName(*from.book)) {
        for (const spreadsheet::DefinedName& n : from.book->workbook->DefinedNames()) {
            if (n.localSheet < 0)
                m_globals.push_back(CString(n.name).MakeUpper().Str());
        }
    }

    const std::string& Book() const { return m_book; }

    // Remembers the source cells that the references of `text` to the source
    // workbook read.
    void CacheReadCells(const std::string& text) {
        try {
            formula::RewriteReferences(text, [&](formula::Token& t) {
                if (t.kind == formula::TokenKind::Reference && t.prefix.hasBook &&
                    t.prefix.book == m_book)
                    Cache(t);
                return false;
            });
        } catch (const std::exception&) {
        }
    }

    // Gives the destination the source's workbook names that `text` uses and it
    // lacks, pointing where they point: at the copy for the copied sheet, else
    // into the source workbook.
    void CarryNames(const std::string& text) {
        // Most formulas use no name: a look at the text tells, before any parse.
        const std::string upper = CString(text).MakeUpper().Str();
        if (std::none_of(m_globals.begin(), m_globals.end(),
                         [&](const std::string& n) { return upper.find(n) != std::string::npos; }))
            return;
        std::vector<std::string> used;
        try {
            formula::RewriteReferences(text, [&](formula::Token& t) {
                if (t.kind == formula::TokenKind::Name && !t.prefix.present)
                    used.push_back(t.text);
                return false;
            });
        } catch (const std::exception&) {
            return;
        }
        spreadsheet::Workbook& source = *m_from.book->workbook;
        spreadsheet::Workbook& target = *m_to.book->workbook;
        for (const std::string& name : used) {
            if (!m_names.insert(CString(name).MakeUpper().Str()).second)
                continue;
            const spreadsheet::DefinedName* own = source.FindDefinedName(name, m_from.Index());
            if (!own || own->localSheet >= 0 || target.FindDefinedName(name, m_to.Index()))
                continue;
            std::string pointed = own->formula;
            try {
                pointed = formula::RewriteSheets(own->formula, [&](formula::SheetPrefix& p) {
                    if (!p.present || p.hasBook)
                        return;
                    if (m_sheetCopy && p.sheetLast.empty() &&
                        SameName(p.sheet, m_from.Sheet().Name())) {
                        p.sheet = m_to.Sheet().Name();
                    } else {
                        p.hasBook = true;
                        p.book = m_book;
                    }
                });
            } catch (const std::exception&) {
                continue;  // a name we cannot read is not carried
            }
            target.AddDefinedName({own->name, pointed, -1, own->hidden});
            CacheReadCells(pointed);
        }
    }

  private:
    void Cache(const formula::Token& t) {
        const auto area = AreaOf(t);
        if (!area)
            return;
        spreadsheet::Workbook& source = *m_from.book->workbook;
        const int index = source.FindSheet(t.prefix.sheet);
        if (index < 0)
            return;
        const auto key = std::make_tuple(index, area->first.row, area->first.col, area->last.row,
                                         area->last.col);
        if (!m_cached.insert(key).second)
            return;
        auto state = m_from.book->StateAt(index);
        const auto used = ClipToUsed(state->Sheet(), *area);
        if (!used)
            return;
        CalculateStale(*state, *used, false);
        spreadsheet::ExternalSheet& cache =
            m_to.book->workbook->External(m_book).Sheet(state->Sheet().Name());
        state->Sheet().ForEachCell(*used, spreadsheet::IterationOrder::RowByRow,
                                   [&](const spreadsheet::CellView& view) {
                                       spreadsheet::Value value = view.ToValue();
                                       if (!value.IsEmpty())
                                           cache.cells[view.ref] = std::move(value);
                                   });
    }

    SheetState& m_from;
    SheetState& m_to;
    const bool m_sheetCopy;
    const std::string m_book;
    std::set<std::tuple<int, int, int, int, int>> m_cached;
    std::vector<std::string> m_globals;  // the source's workbook names, upper case
    std::set<std::string> m_names;       // those looked at already
};

}  // namespace

void RelinkCopiedFormulas(SheetState& from, SheetState& to, const spreadsheet::RangeRef& area,
                          bool sheetCopy) {
    const bool otherBook = from.book != to.book;
    Worksheet& target = to.Sheet();
    const Worksheet& source = from.Sheet();
    if (target.FormulaCount() == 0)
        return;  // no formula arrived
    const std::string sourceName = source.Name();
    const std::string copyName = target.Name();
    std::vector<CellRef> cells;
    target.ForEachCell(area, spreadsheet::IterationOrder::RowByRow,
                       [&](const spreadsheet::CellView& view) {
                           if (view.kind == spreadsheet::CellKind::Formula)
                               cells.push_back(view.ref);
                       });
    std::optional<LinkWriter> links;
    if (otherBook && !cells.empty())
        links.emplace(from, to, sheetCopy);
    for (CellRef cell : cells) {
        spreadsheet::CellView view = target.Cell(cell);
        const std::string formula(view.formula);
        bool linked = false;
        std::string rewritten;
        // A formula that names no sheet has nothing to relink and is not read at all.
        if (formula.find('!') == std::string::npos) {
            rewritten = formula;
        } else {
            try {
                rewritten = spreadsheet::formula::RewriteSheets(
                    formula, [&](spreadsheet::formula::SheetPrefix& prefix) {
                        if (!prefix.present || prefix.hasBook)
                            return;
                        bool own = prefix.sheetLast.empty() && SameName(prefix.sheet, sourceName);
                        if (sheetCopy && own) {
                            prefix.sheet = copyName;  // the copy refers to itself
                        } else if (otherBook) {
                            prefix.hasBook = true;
                            prefix.book = links->Book();
                            linked = true;
                        }
                    });
            } catch (const std::exception&) {
                continue;  // a formula we cannot read stays as it was written
            }
        }
        if (links) {
            if (linked)
                links->CacheReadCells(rewritten);
            links->CarryNames(rewritten);
        }
        // The same cells under another name: the result, if any, still holds.
        if (rewritten != formula)
            target.ReplaceFormulaText(cell, rewritten);
    }
}

}  // namespace tabulon::engine::detail
