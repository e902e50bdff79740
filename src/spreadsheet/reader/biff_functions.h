// The built-in functions of BIFF formulas by their index in the function
// table: name and, for functions of a fixed argument count, that count.
#pragma once

namespace tabulon::spreadsheet {

struct BiffFunction {
    const char* name;  // nullptr: no function of that index
    int args;          // -1: variable, given by the token
};

// The function of index `index`; its name is nullptr when there is none.
// Index 255 calls the function named by its first argument (add-ins).
BiffFunction BiffFunctionByIndex(unsigned index);

}  // namespace tabulon::spreadsheet
