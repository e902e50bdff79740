// The small workbook most evaluator tests read.
//   Sheet1: A1:A5 = 1..5; B1 "10" (text), B2 TRUE, B3 blank, B4 "apple", B5 2.5;
//           C1 #N/A; D1:D4 "apple", "Banana", "cherry", "apple pie"; E1:E4 = 10..40;
//           F1 0.1, F2 0.2; G1 =A1*2, G2 =G3, G3 =G2 (a cycle);
//           H1:J4 a lookup table: 1/3/5/7, "one"/"three"/"five"/"seven", "a".."d".
//   'Data 2': A1 100, A2 200.
//   Names: Rate 0.5, Items Sheet1!$A$1:$A$5, Loop (refers to itself), Local (Sheet1 only).
#pragma once

#include "memory_cells.h"

namespace tabulon::spreadsheet::formula::testing {

class SampleBook : public MemoryCells {
  public:
    SampleBook() : MemoryCells({"Sheet1", "Data 2"}) { Fill(*this); }

  private:
    static void Fill(MemoryCells& book) {
        for (int i = 1; i <= 5; ++i)
            book.Set("A" + std::to_string(i), N(i));
        book.Set("B1", S("10"));
        book.Set("B2", B(true));
        book.Set("B4", S("apple"));
        book.Set("B5", N(2.5));
        book.Set("C1", E(ErrorCode::NA));
        const char* fruits[] = {"apple", "Banana", "cherry", "apple pie"};
        for (int i = 0; i < 4; ++i) {
            book.Set("D" + std::to_string(i + 1), S(fruits[i]));
            book.Set("E" + std::to_string(i + 1), N(10.0 * (i + 1)));
        }
        book.Set("F1", N(0.1));
        book.Set("F2", N(0.2));
        book.SetFormula("G1", "=A1*2");
        book.SetFormula("G2", "=G3");
        book.SetFormula("G3", "=G2");
        const char* words[] = {"one", "three", "five", "seven"};
        const char* letters[] = {"a", "b", "c", "d"};
        for (int i = 0; i < 4; ++i) {
            std::string row = std::to_string(i + 1);
            book.Set("H" + row, N(2 * i + 1));
            book.Set("I" + row, S(words[i]));
            book.Set("J" + row, S(letters[i]));
        }
        book.Set("A1", N(100), 1);
        book.Set("A2", N(200), 1);
        book.DefineName("Rate", "0.5");
        book.DefineName("Items", "Sheet1!$A$1:$A$5");
        book.DefineName("Loop", "Loop+1");
        book.DefineName("Local", "42", 0);
    }
};

}  // namespace tabulon::spreadsheet::formula::testing
