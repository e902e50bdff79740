// The catalogue of built-in functions: each family file contributes a table of
// entries; one name-sorted table over all of them answers lookups.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "spreadsheet/formula/operand.h"

namespace tabulon::spreadsheet::formula {

class CallContext;

using FunctionImpl = Operand (*)(CallContext&);

struct FunctionInfo {
    std::string_view name;  // upper case, without _xlfn. / _xlws. prefixes
    FunctionImpl impl;
    int minArgs;
    int maxArgs;  // kVariadic: no upper limit beyond the file format's 255
    // Takes single values only, so that inside array evaluation it is applied to
    // each element of array arguments (set from the table in function_table.cpp).
    bool elementWise = false;
    // Takes ranges (SUMIF and friends): given a reference of several areas, such
    // as INDIRECT of an array of texts makes, it runs once per area and answers a
    // column of the results.
    bool perArea = false;
};

constexpr int kVariadic = 255;

// Index of a function by name (any case; _xlfn., _xlws. prefixes ignored), or -1.
int FindFunction(std::string_view name);
const FunctionInfo& FunctionAt(int index);
int FunctionCount();

// The family tables, defined in functions_<family>.cpp.
std::span<const FunctionInfo> MathFunctions();
std::span<const FunctionInfo> StatisticalFunctions();
std::span<const FunctionInfo> LogicalInfoFunctions();
std::span<const FunctionInfo> LookupFunctions();
std::span<const FunctionInfo> TextFunctions();
std::span<const FunctionInfo> DateFunctions();
std::span<const FunctionInfo> ArrayFunctions();
std::span<const FunctionInfo> FinancialFunctions();
std::span<const FunctionInfo> MoreMathFunctions();
std::span<const FunctionInfo> MoreStatisticalFunctions();
std::span<const FunctionInfo> DistributionFunctions();
std::span<const FunctionInfo> MoreLookupFunctions();
std::span<const FunctionInfo> MoreDateFunctions();
std::span<const FunctionInfo> MoreTextFunctions();
std::span<const FunctionInfo> SubtotalFunctions();
std::span<const FunctionInfo> DatabaseFunctions();
std::span<const FunctionInfo> EngineeringFunctions();
std::span<const FunctionInfo> ComplexFunctions();
std::span<const FunctionInfo> TestDistributionFunctions();
std::span<const FunctionInfo> UnitFunctions();
std::span<const FunctionInfo> InfoFunctions();
std::span<const FunctionInfo> RegressionFunctions();
std::span<const FunctionInfo> SecuritiesFunctions();

}  // namespace tabulon::spreadsheet::formula
