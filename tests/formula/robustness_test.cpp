// Arbitrary text must never crash the engine: reading either succeeds or throws
// FormulaSyntaxError, and evaluating and moving always give an answer.
#include <gtest/gtest.h>

#include <random>

#include "sample_book.h"
#include "spreadsheet/formula/function_table.h"
#include "spreadsheet/formula/lexer.h"
#include "spreadsheet/formula/mover.h"
#include "spreadsheet/formula/parser.h"

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(FormulaRobustness, RandomTextNeverCrashes) {
    // Pieces that make the grammar's interesting paths likely.
    const char* const pieces[] = {
        "A1", "$B$2", ":",     "C:C",      "3:4",       "Sheet1!",    "'a b'!", "[1]",  "(",  ")",
        ",",  " ",    "+",     "-",        "*",         "/",          "^",      "&",    "%",  "=",
        "<>", "<=",   "1",     "2.5",      "1E+3",      "\"x\"",      "\"",     "'",    "{",  "}",
        ";",  "#N/A", "#REF!", "SUM(",     "IF(",       "INDEX(",     "Name",   "TRUE", "T[", "]",
        "!",  "$",    "[@c]",  "VLOOKUP(", "INDIRECT(", "XFD1048576", "A0",     "\n"};
    std::mt19937 rng(20261206);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(1, 12);
    MemoryCells book;
    book.Set("A1", N(1));
    book.SetFormula("B1", "=A1+1");
    int parsed = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string text;
        for (int n = length(rng); n > 0; --n)
            text += pieces[piece(rng)];
        try {
            ParseFormula(text, CellRef{3, 3});
            ++parsed;
            MoveFormula(text, -2, 5);
        } catch (const FormulaSyntaxError&) {
        }
        book.Eval(text, "C3");
        book.Engine().IsEvaluable(text);
    }
    EXPECT_GT(parsed, 100);  // the generator does reach the evaluator
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing

namespace tabulon::spreadsheet::formula::testing {
namespace {

TEST(FormulaRobustness, EveryFunctionTakesAnyArguments) {
    const char* const args[] = {
        "A1:B5", "C1",    "\"x\"", "1E+300", "-1",           "0",     "TRUE",    "{1,2;3,4}",
        "",      "D1:D4", "A:A",   "#N/A",   "\"1/2/2020\"", "2.5",   "(A1,B2)", "'Data 2'!A1:A3",
        "1:1",   "Items", "1/0",   "-{1,2}", "G2",           "H1:J4", "\"*a?\"", "\">2\"",
        "-0.5"};
    SampleBook book;
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(args) - 1);
    for (int f = 0; f < FunctionCount(); ++f) {
        const FunctionInfo& info = FunctionAt(f);
        for (int round = 0; round < 40; ++round) {
            int count = std::min(info.maxArgs, info.minArgs + round % 4);
            std::string text = std::string(info.name) + "(";
            for (int i = 0; i < count; ++i)
                text += (i ? "," : "") + std::string(args[pick(rng)]);
            text += ")";
            SCOPED_TRACE(text);
            book.Eval(text, "C3");
            book.Engine().EvaluateArray(text, EvalOrigin{0, CellRef{3, 3}}, book, 1, 1);
        }
    }
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula::testing
