// Recalculates the formulas of the corpus workbooks and compares the results with
// the values the files carry. The cells are pulled out of the files by a small
// script (standard Python only), independent of our own workbook reader.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "memory_cells.h"
#include "spreadsheet/formula/mover.h"

namespace tabulon::spreadsheet::formula::testing {
namespace {

std::vector<std::string> SplitEscaped(const std::string& line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            char n = line[++i];
            fields.back() += n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

struct FormulaCell {
    int sheet;
    CellRef cell;
    std::string formula;
    Value cached;
};

struct Book {
    std::string path;
    std::vector<std::string> sheets;
    std::vector<std::vector<std::string>> names;
    std::vector<std::vector<std::string>> cells;
    bool date1904 = false;
};

Value CachedValue(const std::string& kind, const std::string& text) {
    if (kind == "n")
        return Value::Number(std::strtod(text.c_str(), nullptr));
    if (kind == "s")
        return Value::Text(text);
    if (kind == "b")
        return Value::Boolean(text == "1");
    if (kind == "e")
        return Value::Error(ParseErrorText(text).value_or(ErrorCode::Value));
    return Value();
}

bool Close(const Value& got, const Value& want) {
    if (got.IsNumber() && want.IsNumber()) {
        double a = got.AsNumber(), b = want.AsNumber();
        return std::fabs(a - b) <= 1e-9 * std::max({1.0, std::fabs(a), std::fabs(b)});
    }
    return got == want;
}

bool Volatile(const std::string& formula) {
    std::string upper = ToUpperAscii(formula);
    for (const char* name : {"NOW(", "TODAY(", "RAND(", "RANDBETWEEN(", "INFO(", "CELL("}) {
        if (upper.find(name) != std::string::npos)
            return true;
    }
    return false;
}

struct Tally {
    std::size_t formulas = 0, arrays = 0, unevaluable = 0, volatiles = 0, compared = 0, matched = 0,
                arraysCompared = 0, arraysMatched = 0;
};

void Check(const Book& book, Tally& tally) {
    MemoryCells cells;
    cells.SetSheets(book.sheets);
    cells.SetDate1904(book.date1904);
    for (const auto& n : book.names)
        cells.DefineName(n[2], n[3], std::stoi(n[1]));
    std::map<std::pair<int, std::string>, std::pair<CellRef, std::string>> shared;
    std::vector<FormulaCell> formulas;
    std::vector<FormulaCell> arrays;
    for (const auto& c : book.cells) {
        int sheet = std::stoi(c[1]);
        CellRef ref = *ParseCellRef(c[2]);
        Value cached = CachedValue(c[3], c[4]);
        const std::string& ftype = c[5];
        std::string formula = c[7];
        if (ftype == "shared") {
            auto key = std::make_pair(sheet, c[6]);
            if (!formula.empty()) {
                shared[key] = {ref, formula};
            } else if (auto it = shared.find(key); it != shared.end()) {
                formula = MoveFormula(it->second.second, ref.row - it->second.first.row,
                                      ref.col - it->second.first.col);
            }
        }
        if (ftype.empty() || formula.empty()) {
            cells.Set(c[2], cached, sheet);
            continue;
        }
        ++tally.formulas;
        if (ftype == "array") {
            // Recalculated apart (top-left cell only); other formulas read the stored values.
            ++tally.arrays;
            cells.Set(c[2], cached, sheet);
            arrays.push_back({sheet, ref, formula, cached});
            continue;
        }
        // Like the workbook model, keep the stored result of a formula we cannot
        // (or should not) recalculate, so that formulas reading it see that value.
        if (cells.Engine().IsEvaluable(formula, cells, sheet) && !Volatile(formula)) {
            cells.SetFormula(c[2], formula, sheet);
        } else {
            cells.Set(c[2], cached, sheet);
        }
        formulas.push_back({sheet, ref, formula, cached});
    }
    int shown = 0;
    for (const FormulaCell& f : arrays) {
        if (!cells.Engine().IsEvaluable(f.formula, cells, f.sheet) || Volatile(f.formula))
            continue;
        ++tally.arraysCompared;
        Value got = cells.Engine().EvaluateArray(f.formula, EvalOrigin{f.sheet, f.cell}, cells);
        if (Close(got, f.cached)) {
            ++tally.arraysMatched;
        } else if (shown++ < 10) {
            std::cout << book.path << " {=" << f.formula << "}: got " << Show(got) << ", file has "
                      << Show(f.cached) << "\n";
        }
    }
    for (const FormulaCell& f : formulas) {
        if (!cells.Engine().IsEvaluable(f.formula, cells, f.sheet)) {
            ++tally.unevaluable;
            continue;
        }
        if (Volatile(f.formula)) {
            ++tally.volatiles;
            continue;
        }
        ++tally.compared;
        Value got = cells.CellValue(f.sheet, f.cell);
        if (Close(got, f.cached)) {
            ++tally.matched;
        } else if (shown++ < 10) {
            std::cout << book.path << " " << book.sheets[static_cast<std::size_t>(f.sheet)] << "!"
                      << FormatCellRef(f.cell) << " =" << f.formula << ": got " << Show(got)
                      << ", file has " << Show(f.cached) << "\n";
        }
    }
}

TEST(CorpusValues, RecalculatedFormulasMatchTheStoredResults) {
    const std::string tsv = std::string(TABULON_BINARY_DIR) + "/corpus_cells.tsv";
    const std::string command = "python3 '" + std::string(TABULON_SOURCE_DIR) +
                                "/tests/formula/extract_corpus_cells.py' '" + TABULON_CORPUS_DIR +
                                "' '" + tsv + "'";
    if (std::system(command.c_str()) != 0)
        GTEST_SKIP() << "could not extract corpus cells";
    std::ifstream in(tsv);
    ASSERT_TRUE(in) << tsv;
    Tally tally;
    std::unique_ptr<Book> book;
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> f = SplitEscaped(line);
        if (f[0] == "B") {
            if (book)
                Check(*book, tally);
            book = std::make_unique<Book>();
            book->path = f[1];
        } else if (!book) {
            continue;
        } else if (f[0] == "D") {
            book->date1904 = true;
        } else if (f[0] == "S") {
            book->sheets.push_back(f[2]);
        } else if (f[0] == "N" && f.size() >= 4) {
            book->names.push_back(f);
        } else if (f[0] == "C" && f.size() >= 8) {
            book->cells.push_back(f);
        }
    }
    if (book)
        Check(*book, tally);
    std::cout << "corpus formula cells: " << tally.formulas << ", array formulas: " << tally.arrays
              << ", not evaluable here: " << tally.unevaluable << ", volatile: " << tally.volatiles
              << ", recalculated: " << tally.compared
              << ", equal to the stored value: " << tally.matched << " ("
              << (tally.compared ? 100.0 * tally.matched / tally.compared : 100.0)
              << "%); array formulas recalculated: " << tally.arraysCompared
              << ", equal: " << tally.arraysMatched << "\n";
    EXPECT_GT(tally.compared, 0u);
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing
