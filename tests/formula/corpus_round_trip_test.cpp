// Every formula stored in the corpus workbooks must read and print back unchanged.
// The formulas are pulled out of the files by a small script (standard Python only),
// so this test does not depend on our own workbook reader.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/engine.h"
#include "spreadsheet/formula/lexer.h"
#include "spreadsheet/formula/parser.h"
#include "spreadsheet/formula/printer.h"

namespace tabulon::spreadsheet::formula {
namespace {

std::string Unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        char c = s[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

TEST(CorpusFormulas, ParseAndPrintAreTheIdentity) {
    const std::string tsv = std::string(TABULON_BINARY_DIR) + "/corpus_formulas.tsv";
    const std::string command = "python3 '" + std::string(TABULON_SOURCE_DIR) +
                                "/tests/formula/extract_corpus_formulas.py' '" +
                                TABULON_CORPUS_DIR + "' '" + tsv + "'";
    if (std::system(command.c_str()) != 0)
        GTEST_SKIP() << "could not extract corpus formulas";
    std::ifstream in(tsv);
    ASSERT_TRUE(in) << tsv;
    std::size_t total = 0, identical = 0, unevaluable = 0;
    std::string line;
    while (std::getline(in, line)) {
        std::size_t tab = line.rfind('\t');
        if (tab == std::string::npos)
            continue;
        std::string formula = Unescape(line.substr(tab + 1));
        ++total;
        try {
            TokenList tokens = Tokenize(formula);
            Parse(tokens, CellRef{1, 1});
            std::string rebuilt;
            for (const Token& t : tokens)
                rebuilt += FormatToken(t);
            bool same =
                PrintTokens(tokens) == formula && ToUpperAscii(rebuilt) == ToUpperAscii(formula);
            if (same) {
                ++identical;
            } else {
                ADD_FAILURE() << line.substr(0, tab) << ": printed differently: " << formula;
            }
            if (!IsEvaluable(formula))
                ++unevaluable;
        } catch (const FormulaSyntaxError& e) {
            ADD_FAILURE() << line.substr(0, tab) << ": " << e.what() << ": " << formula;
        }
    }
    std::cout << "corpus formulas: " << total << ", identical after parse and print: " << identical
              << " (" << (total ? 100.0 * identical / total : 100.0)
              << "%), not evaluable here: " << unevaluable << "\n";
    EXPECT_GT(total, 0u);
}

}  // namespace
}  // namespace tabulon::spreadsheet::formula
