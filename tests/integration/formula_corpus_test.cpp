// Recalculates every formula of the corpus workbooks and compares the result with the
// value the application that saved the file cached for it.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "corpus_files.h"
#include "spreadsheet/formula/engine.h"
#include "spreadsheet/formula/parser.h"
#include "spreadsheet/reader/workbook_reader.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/workbook_cells.h"

namespace tabulon::spreadsheet {
namespace {

bool SameResult(const Value& ours, const Value& cached) {
    if (ours.Kind() != cached.Kind())
        return false;
    if (ours.IsNumber()) {
        const double a = ours.AsNumber(), b = cached.AsNumber();
        return std::fabs(a - b) <= 1e-9 * std::max({1.0, std::fabs(a), std::fabs(b)});
    }
    return ours == cached;
}

std::string Show(const Value& v) {
    switch (v.Kind()) {
        case ValueKind::Empty:
            return "(empty)";
        case ValueKind::Number:
            return std::to_string(v.AsNumber());
        case ValueKind::Text:
            return "\"" + v.AsText() + "\"";
        case ValueKind::Boolean:
            return v.AsBoolean() ? "TRUE" : "FALSE";
        case ValueKind::Error:
            return std::string(ErrorText(v.AsError()));
    }
    return "?";
}

// Results that legitimately differ from the cached ones: the clock and chance.
bool IsVolatile(std::string_view formula) {
    for (const char* name : {"TODAY(", "NOW(", "RAND(", "RANDBETWEEN(", "INFO(", "CELL("}) {
        std::string upper(formula);
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper.find(name) != std::string::npos)
            return true;
    }
    return false;
}

TEST(FormulaCorpus, RecalculatedResultsMatchTheCachedOnes) {
    int total = 0, supported = 0, matched = 0;
    std::vector<std::string> mismatches;
    for (const auto& file : testing::ListCorpus()) {
        Workbook book;
        try {
            auto builder = MakeWorkbookBuilder(book);
            ReadWorkbookFile(file.path, *builder);
        } catch (const std::exception&) {
            continue;  // refused files are the reader tests' business
        }
        formula::FormulaEngine engine;
        WorkbookCells cells(book, &engine);
        for (int s = 0; s < book.SheetCount(); ++s) {
            const Worksheet& sheet = book.Sheet(s);
            auto extent = sheet.UsedExtent(false);
            if (!extent)
                continue;
            std::vector<ArrayFormula> arrays = sheet.ArrayFormulas();
            sheet.ForEachCell(*extent, IterationOrder::RowByRow, [&](const CellView& cell) {
                if (cell.kind != CellKind::Formula || cell.stale)
                    return;
                for (const auto& a : arrays) {
                    if (a.range.Contains(cell.ref))
                        return;  // array results need the whole array
                }
                ++total;
                if (!engine.IsEvaluable(cell.formula) || IsVolatile(cell.formula))
                    return;
                ++supported;
                const Value cached = cell.ToValue();
                auto ours = engine.TryEvaluate(cell.formula, {s, cell.ref}, cells);
                if (ours && SameResult(*ours, cached)) {
                    ++matched;
                } else if (mismatches.size() < 60) {
                    mismatches.push_back(
                        file.name + " " + sheet.Name() + "!" + FormatCellRef(cell.ref) + " =" +
                        std::string(cell.formula) + ": ours " +
                        (ours ? Show(*ours) : "(not evaluable)") + ", cached " + Show(cached));
                }
            });
        }
    }
    const double rate = supported ? 100.0 * matched / supported : 0;
    std::cout << "corpus formulas: " << total << ", evaluable here: " << supported
              << ", same result as cached: " << matched << " (" << rate << "%)\n";
    for (const auto& m : mismatches)
        std::cout << "  differs: " << m << "\n";
    EXPECT_GT(supported, 1000);
    EXPECT_GE(rate, 99.0);
}

// Formulas of .xls files are spelled by our own token decoder: every one must
// parse, and recalculate to its cached result as often as .xlsx formulas do.
// Listed: results that differ for a reason of the file's own.
TEST(FormulaCorpus, XlsFormulasParseAndRecalculate) {
    const std::set<std::string> known = {
        // Quattro Pro caches TRUE() and FALSE() as the numbers 1 and 0.
        "sheetjs/artifacts/quattro/write_57.xls A!A2",
        "sheetjs/artifacts/quattro/write_57.xls A!B2",
    };
    int total = 0, parsed = 0, evaluable = 0, matched = 0;
    std::vector<std::string> problems;
    for (const auto& file : testing::ListCorpus()) {
        if (file.format.rfind("xls (", 0) != 0 && file.format.rfind("xls BIFF", 0) != 0)
            continue;
        Workbook book;
        try {
            auto builder = MakeWorkbookBuilder(book);
            ReadWorkbookFile(file.path, *builder);
        } catch (const std::exception&) {
            continue;
        }
        formula::FormulaEngine engine;
        WorkbookCells cells(book, &engine);
        for (int s = 0; s < book.SheetCount(); ++s) {
            const Worksheet& sheet = book.Sheet(s);
            auto extent = sheet.UsedExtent(false);
            if (!extent)
                continue;
            sheet.ForEachCell(*extent, IterationOrder::RowByRow, [&](const CellView& cell) {
                if (cell.kind != CellKind::Formula)
                    return;
                ++total;
                const std::string where =
                    file.name + " " + sheet.Name() + "!" + FormatCellRef(cell.ref);
                try {
                    formula::ParseFormula(cell.formula, cell.ref);
                    ++parsed;
                } catch (const std::exception& e) {
                    problems.push_back(where + " =" + std::string(cell.formula) +
                                       ": does not parse: " + e.what());
                    return;
                }
                if (!engine.IsEvaluable(cell.formula) || IsVolatile(cell.formula) ||
                    known.count(where))
                    return;
                ++evaluable;
                const Value cached = cell.ToValue();
                auto ours = engine.TryEvaluate(cell.formula, {s, cell.ref}, cells);
                if (ours && SameResult(*ours, cached))
                    ++matched;
                else
                    problems.push_back(where + " =" + std::string(cell.formula) + ": ours " +
                                       (ours ? Show(*ours) : "(not evaluable)") + ", cached " +
                                       Show(cached));
            });
        }
    }
    std::cout << ".xls formulas: " << total << ", parsed: " << parsed
              << ", evaluable here: " << evaluable << ", same result as cached: " << matched
              << "\n";
    for (const auto& p : problems)
        std::cout << "  " << p << "\n";
    EXPECT_GT(total, 400);
    EXPECT_EQ(parsed, total);
    EXPECT_EQ(matched, evaluable);
}

}  // namespace
}  // namespace tabulon::spreadsheet
