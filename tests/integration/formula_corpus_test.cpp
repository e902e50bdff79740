// Recalculates every formula of the corpus workbooks and compares the result with the
// value the application that saved the file cached for it.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "corpus_files.h"
#include "spreadsheet/formula/engine.h"
#include "spreadsheet/formula/mover.h"
#include "spreadsheet/formula/parser.h"
#include "spreadsheet/reader/formula_shifter.h"
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
    std::string upper(formula);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* name :
         {"TODAY(", "NOW(", "RAND(", "RANDBETWEEN(", "RANDARRAY(", "INFO(", "CELL("}) {
        if (upper.find(name) != std::string::npos)
            return true;
    }
    return false;
}

// Cells whose cached result is not what the application computes, with the reason.
struct KnownDifference {
    const char* file;
    const char* cell;  // Sheet!A1
    const char* reason;
};
constexpr KnownDifference kKnownDifferences[] = {
    {"phpspreadsheet/Reader/XLSX/issue.2301.xlsx", "HS1-XYZ!K57",
     "stale cache: AO56 is blank and AM57 is 38980, so the condition holds and gives \"M\""},
    {"phpspreadsheet/Reader/XLSX/issue.2301.xlsx", "HS1-XYZ!AN56", "reads K57 above"},
    {"readxl/dates-leap-year-1900-xlsx.xlsx", "for_human_eyes!B4",
     "serial 0.33 shows as 1900-01-00 in the application; the file was written by another"},
    {"sheetjs/LONumbers.xlsx", "Sheet1!C38", "the writer cached empty text for numbers"},
    {"sheetjs/LONumbers.xlsx", "Sheet1!D38", "the writer cached empty text for numbers"},
    {"sheetjs/LONumbers.xlsx", "Sheet1!E38", "the writer cached empty text for numbers"},
    {"sheetjs/LONumbers.xlsx", "Sheet1!F38", "the writer cached empty text for numbers"},
    {"sheetjs/LONumbers.xlsx", "Sheet1!G38", "the writer cached empty text for numbers"},
    {"sheetjs/LONumbers.xlsx", "Sheet1!H38", "the writer cached empty text for numbers"},
    {"sheetjs/LONumbers.xlsx", "Sheet1!I38", "the writer cached empty text for numbers"},
    {"sheetjs/LONumbers.xlsx", "Sheet1!J38", "the writer cached empty text for numbers"},
    {"sheetjs/formula_stress_test.xlsx", "Text!B20",
     "saved on a Mac: CHAR there reads Mac Roman, here Windows-1252"},
    {"sheetjs/formula_stress_test.xlsx", "Text!B21",
     "saved on a Mac: CODE there reads Mac Roman, here Windows-1252"},
    {"sheetjs/metadata_2019.xlsx", "Sheet1!C13",
     "a dynamic array blocked from spilling (#SPILL!, saved as #VALUE!); the file's range "
     "is one cell, which a legacy array formula fills with the first element"},
    {"xlsxwriter/dynamic_array01.xlsx", "Sheet1!A1", "the writer cached a placeholder 0"},
    {"sheetjs/formula_stress_test.xlsx", "Finance!B11",
     "XIRR: the application stops at a looser tolerance (its XNPV of its result is -6e-6); "
     "ours solves to full precision, agreeing to 8 digits"},
    {"sheetjs/formula_stress_test.xlsx", "Finance!B12", "XNPV at the XIRR above"},
    {"sheetjs/artifacts/quattro/write_57.xls", "A!A2", "Quattro Pro caches TRUE() as the number 1"},
    {"sheetjs/artifacts/quattro/write_57.xls", "A!B2",
     "Quattro Pro caches FALSE() as the number 0"},
};

// Functions the engine deliberately does not have, with the reason. Formulas
// calling them keep the result their file cached.
struct LeftOutFunction {
    const char* name;  // as WhyNotEvaluable names it
    const char* reason;
};
constexpr LeftOutFunction kLeftOutFunctions[] = {
    {"DOFMT", "a macro function of its workbook"},
    {"NUMFMT", "a macro function of its workbook"},
    {"EVALUATE", "a macro-sheet function, not available in cells"},
    {"_FV", "reads fields of linked data types (stocks, geography) from an online service"},
    {"_XLFN.FIELDVALUE", "reads fields of linked data types from an online service"},
    {"GETPIVOTDATA", "reads pivot table caches, which the model does not hold"},
    {"JIS", "full-width conversion for double-byte languages; the file itself cached #NAME?"},
    {"YEN", "not a function of the application; the file itself cached #NAME?"},
    {"PHONETIC", "reads furigana runs of East Asian text, which the model does not hold"},
    {"AMORDEGRC", "French depreciation rules with coefficients by period; rarely used"},
    {"AMORLINC", "French depreciation rules by period; rarely used"},
    {"ODDFPRICE", "odd first coupon period bonds; rarely used"},
    {"ODDFYIELD", "odd first coupon period bonds; rarely used"},
    {"ODDLPRICE", "odd last coupon period bonds; rarely used"},
    {"ODDLYIELD", "odd last coupon period bonds; rarely used"},
};

const char* LeftOutReason(const std::string& why) {
    for (const auto& f : kLeftOutFunctions) {
        if (why == std::string("function ") + f.name)
            return f.reason;
    }
    return nullptr;
}

bool IsKnownDifference(const std::string& file, const std::string& cell) {
    for (const auto& k : kKnownDifferences) {
        if (file == k.file && cell == k.cell)
            return true;
    }
    return false;
}

// A cell whose file cached a result for a formula: a formula cell, or a cell of
// an array formula's range.
struct Expected {
    int sheet;
    CellRef ref;
    std::string formula;
    Value cached;
};

// Every formula with a cached result is calculated again through the workbook
// model, dependencies first, and must come back with that result. Left out:
// volatile formulas and formulas the engine declines (links to other workbooks,
// tables, the functions listed above), each counted by reason.
TEST(FormulaCorpus, RecalculatedResultsMatchTheCachedOnes) {
    int total = 0, excluded = 0, matched = 0;
    std::map<std::string, int> reasons;
    std::set<std::string> unlisted;  // functions left out without a reason given above
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
        std::vector<Expected> expected;
        for (int s = 0; s < book.SheetCount(); ++s) {
            const Worksheet& sheet = book.Sheet(s);
            auto extent = sheet.UsedExtent(false);
            if (!extent)
                continue;
            sheet.ForEachCell(*extent, IterationOrder::RowByRow, [&](const CellView& cell) {
                if (cell.kind == CellKind::Formula && !cell.stale)
                    expected.push_back({s, cell.ref, std::string(cell.formula), cell.ToValue()});
            });
            for (const ArrayFormula& a : sheet.ArrayFormulas()) {
                sheet.ForEachCell(a.range, IterationOrder::RowByRow, [&](const CellView& cell) {
                    if (cell.ref != a.range.first && cell.kind != CellKind::Formula)
                        expected.push_back({s, cell.ref, a.formula, cell.ToValue()});
                });
            }
        }
        cells.CalculateAll();
        for (const Expected& e : expected) {
            ++total;
            const Worksheet& sheet = book.Sheet(e.sheet);
            if (IsVolatile(e.formula)) {
                ++excluded;
                ++reasons["volatile"];
                continue;
            }
            if (!engine.IsEvaluable(e.formula, cells, e.sheet)) {
                ++excluded;
                const std::string why = formula::WhyNotEvaluable(e.formula);
                const char* reason = LeftOutReason(why);
                if (why.rfind("function ", 0) == 0 && !reason)
                    unlisted.insert(why);
                ++reasons[reason ? why + ": " + reason : why];
                continue;
            }
            const Value ours = sheet.GetValue(e.ref);
            const std::string where = sheet.Name() + "!" + FormatCellRef(e.ref);
            if (IsKnownDifference(file.name, where)) {
                ++excluded;
                ++reasons["a known difference (listed above)"];
                continue;
            }
            if (SameResult(ours, e.cached)) {
                ++matched;
            } else if (mismatches.size() < 200) {
                mismatches.push_back(file.name + " " + sheet.Name() + "!" + FormatCellRef(e.ref) +
                                     " =" + e.formula + ": ours " + Show(ours) + ", cached " +
                                     Show(e.cached));
            }
        }
    }
    const int compared = total - excluded;
    const double rate = compared ? 100.0 * matched / compared : 0;
    std::cout << "corpus formula cells with a cached result: " << total
              << ", left out: " << excluded << ", recalculated to the cached result: " << matched
              << " of " << compared << " (" << rate << "%)\n";
    for (const auto& [reason, count] : reasons)
        std::cout << "  left out (" << count << "): " << reason << "\n";
    for (const auto& m : mismatches)
        std::cout << "  differs: " << m << "\n";
    EXPECT_GT(compared, 5000);
    EXPECT_GE(rate, 99.8);
    for (const auto& why : unlisted)
        ADD_FAILURE() << "left out without a reason listed: " << why;
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

// The reader fills shared formulas into their cells with its own fast shifter;
// copies move formulas with the formula engine's mover. The two must write the
// same text: every formula of the corpus (shared ones arrive already filled in,
// so each of their cells counts) is moved both ways by a set of offsets,
// including ones that push references off the grid.
TEST(FormulaCorpus, ReaderShifterAndFormulaMoverAgree) {
    const std::pair<int, int> offsets[] = {{1, 0},  {0, 1},       {7, -2},       {-1, 0},
                                           {0, -1}, {-100, -100}, {kMaxRows, 0}, {0, kMaxColumns}};
    std::set<std::string> formulas;
    for (const auto& file : testing::ListCorpus()) {
        Workbook book;
        try {
            auto builder = MakeWorkbookBuilder(book);
            ReadWorkbookFile(file.path, *builder);
        } catch (const std::exception&) {
            continue;
        }
        for (int s = 0; s < book.SheetCount(); ++s) {
            for (CellRef ref : book.Sheet(s).FormulaCells())
                formulas.insert(std::string(book.Sheet(s).Cell(ref).formula));
        }
    }
    int compared = 0;
    std::vector<std::string> differences;
    for (const std::string& f : formulas) {
        for (auto [rows, cols] : offsets) {
            std::string moved;
            try {
                moved = formula::MoveFormula(f, rows, cols);
            } catch (const std::exception&) {
                continue;  // unreadable formulas are kept as written by both
            }
            ++compared;
            const std::string shifted = ShiftFormula(f, rows, cols);
            if (shifted != moved && differences.size() < 50)
                differences.push_back(f + " by (" + std::to_string(rows) + "," +
                                      std::to_string(cols) + "): shifter " + shifted + ", mover " +
                                      moved);
        }
    }
    std::cout << "distinct corpus formulas: " << formulas.size() << ", moves compared: " << compared
              << ", different: " << differences.size() << "\n";
    for (const auto& d : differences)
        std::cout << "  " << d << "\n";
    EXPECT_GT(formulas.size(), 3000u);
    EXPECT_TRUE(differences.empty());
}

}  // namespace
}  // namespace tabulon::spreadsheet
