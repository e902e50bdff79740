#include "spreadsheet/formula/function_table.h"

#include <algorithm>
#include <vector>

#include "spreadsheet/formula/coerce.h"

namespace tabulon::spreadsheet::formula {

namespace {

const std::vector<FunctionInfo>& SortedTable() {
    static const std::vector<FunctionInfo> table = [] {
        std::vector<FunctionInfo> all;
        for (auto family : {MathFunctions(), StatisticalFunctions(), LogicalInfoFunctions(),
                            LookupFunctions(), TextFunctions(), DateFunctions()}) {
            all.insert(all.end(), family.begin(), family.end());
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

const FunctionInfo& FunctionAt(int index) {
    return SortedTable()[static_cast<std::size_t>(index)];
}

}  // namespace tabulon::spreadsheet::formula
