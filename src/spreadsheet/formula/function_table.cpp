#include "spreadsheet/formula/function_table.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "spreadsheet/formula/coerce.h"

namespace tabulon::spreadsheet::formula {

namespace {

// Functions of single values, applied element by element to arrays inside array
// evaluation (IF does so itself; aggregates and lookups take whole arrays).
constexpr std::string_view kElementWise[] = {
    "ABS",
    "CEILING",
    "CHAR",
    "CODE",
    "DATE",
    "DATEVALUE",
    "DAY",
    "EDATE",
    "EOMONTH",
    "ERROR.TYPE",
    "EXACT",
    "EXP",
    "FIND",
    "FLOOR",
    "HOUR",
    "INT",
    "ISBLANK",
    "ISERR",
    "ISERROR",
    "ISLOGICAL",
    "ISNA",
    "ISNUMBER",
    "ISTEXT",
    "LEFT",
    "LEN",
    "LN",
    "LOG",
    "LOG10",
    "LOWER",
    "MID",
    "MINUTE",
    "MOD",
    "MONTH",
    "N",
    "NOT",
    "POWER",
    "PROPER",
    "REPLACE",
    "REPT",
    "RIGHT",
    "ROUND",
    "ROUNDDOWN",
    "ROUNDUP",
    "SEARCH",
    "SECOND",
    "SIGN",
    "SQRT",
    "SUBSTITUTE",
    "T",
    "TEXT",
    "TIME",
    "TIMEVALUE",
    "TRIM",
    "TRUNC",
    "UPPER",
    "VALUE",
    "WEEKDAY",
    "YEAR",
    // Added with the trigonometric, integer and text families.
    "ACOS",
    "ACOSH",
    "ASIN",
    "ASINH",
    "ATAN",
    "ATAN2",
    "ATANH",
    "COS",
    "COSH",
    "DEGREES",
    "EVEN",
    "ODD",
    "QUOTIENT",
    "MROUND",
    "RADIANS",
    "SIN",
    "SINH",
    "TAN",
    "TANH",
    "FACT",
    "COMBIN",
    "CEILING.MATH",
    "FLOOR.MATH",
    "ISEVEN",
    "ISODD",
    "CLEAN",
    "UNICHAR",
    "UNICODE",
    "FIXED",
    "DOLLAR",
    "NUMBERVALUE",
    "TEXTBEFORE",
    "TEXTAFTER",
    "WEEKNUM",
    "ISOWEEKNUM",
    "DAYS",
    "DAYS360",
    "YEARFRAC",
    "NORM.DIST",
    "NORM.INV",
    "NORM.S.DIST",
    "NORM.S.INV",
};

constexpr std::string_view kPerArea[] = {
    "AVERAGEIF", "AVERAGEIFS", "COUNTIF", "COUNTIFS", "MAXIFS", "MINIFS", "SUMIF", "SUMIFS",
};

// Names that behave exactly as another function here: the byte-counting text
// functions count characters in the single-byte languages we follow, and ASC
// (full-width to half-width) leaves such text as it is.
constexpr std::pair<std::string_view, std::string_view> kAliases[] = {
    {"FINDB", "FIND"},       {"LEFTB", "LEFT"},   {"LENB", "LEN"},       {"MIDB", "MID"},
    {"REPLACEB", "REPLACE"}, {"RIGHTB", "RIGHT"}, {"SEARCHB", "SEARCH"}, {"ASC", "T"},
};

const std::vector<FunctionInfo>& SortedTable() {
    static const std::vector<FunctionInfo> table = [] {
        std::vector<FunctionInfo> all;
        for (auto family : {MathFunctions(),
                            StatisticalFunctions(),
                            LogicalInfoFunctions(),
                            LookupFunctions(),
                            TextFunctions(),
                            DateFunctions(),
                            ArrayFunctions(),
                            FinancialFunctions(),
                            MoreMathFunctions(),
                            MoreStatisticalFunctions(),
                            DistributionFunctions(),
                            MoreLookupFunctions(),
                            MoreDateFunctions(),
                            MoreTextFunctions(),
                            SubtotalFunctions(),
                            DatabaseFunctions(),
                            EngineeringFunctions(),
                            ComplexFunctions(),
                            TestDistributionFunctions(),
                            UnitFunctions(),
                            InfoFunctions(),
                            RegressionFunctions(),
                            SecuritiesFunctions()}) {
            all.insert(all.end(), family.begin(), family.end());
        }
        for (FunctionInfo& f : all) {
            f.elementWise = std::find(std::begin(kElementWise), std::end(kElementWise), f.name) !=
                            std::end(kElementWise);
            f.perArea =
                std::find(std::begin(kPerArea), std::end(kPerArea), f.name) != std::end(kPerArea);
        }
        for (const auto& [alias, target] : kAliases) {
            auto it = std::find_if(all.begin(), all.end(),
                                   [&](const FunctionInfo& f) { return f.name == target; });
            if (it != all.end()) {
                FunctionInfo copy = *it;
                copy.name = alias;
                all.push_back(copy);
            }
        }
        std::sort(all.begin(), all.end(),
                  [](const FunctionInfo& a, const FunctionInfo& b) { return a.name < b.name; });
        return all;
    }();
    return table;
}

}  // namespace

int FindFunction(std::string_view name) {
    std::string upper = ToUpperAscii(name);
    std::string_view key = upper;
    for (std::string_view prefix : {"_XLFN.", "_XLWS."}) {
        if (key.substr(0, prefix.size()) == prefix)
            key.remove_prefix(prefix.size());
    }
    const auto& table = SortedTable();
    auto it =
        std::lower_bound(table.begin(), table.end(), key,
                         [](const FunctionInfo& f, std::string_view k) { return f.name < k; });
    if (it == table.end() || it->name != key)
        return -1;
    return static_cast<int>(it - table.begin());
}

int FunctionCount() {
    return static_cast<int>(SortedTable().size());
}

const FunctionInfo& FunctionAt(int index) {
    return SortedTable()[static_cast<std::size_t>(index)];
}

}  // namespace tabulon::spreadsheet::formula
