// Helpers shared by the functions that run over ranges: the argument walk of
// SUM/COUNT/AVERAGE and the criteria of COUNTIF/SUMIFS and friends.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "spreadsheet/formula/evaluation.h"

namespace tabulon::spreadsheet::formula {

// Calls `visit(value, direct)` for every value the arguments from `from` on hold:
// every non-empty cell of a reference and every element of an array (direct =
// false), and each other argument's value (direct = true; a missing one is empty).
void ForEachArgValue(CallContext& call, std::size_t from,
                     const std::function<void(const Value&, bool direct)>& visit);

// The numbers SUM, AVERAGE, MIN, ... take: numbers in ranges and arrays (text,
// booleans and empties there ignored), numbers, booleans and numeric text given
// directly. Errors raise; non-numeric direct text raises #VALUE!.
std::vector<double> CollectNumbers(CallContext& call, std::size_t from = 0);

// The numbers of one argument evaluated as an array (a range, an array or a
// single value): numbers only from ranges and arrays, a single value coerced.
// Errors raise. For the functions that take data sets (PERCENTILE, IRR, ...).
std::vector<double> NumbersOf(CallContext& call, std::size_t i);

// Variance of `xs`, of a sample or of the whole population; #DIV/0! for too
// few values.
Value VarianceOf(const std::vector<double>& xs, bool sample);

// Interpolated percentile of `xs`: inclusive (rank p*(n-1)) or exclusive (rank
// p*(n+1)-1, #NUM! outside the data).
Value PercentileOf(std::vector<double> xs, double p, bool exclusive);

// The values occurring most often, in order of first occurrence; empty when no
// value repeats.
std::vector<double> ModesOf(const std::vector<double>& xs);

// A condition of COUNTIF and friends: "5", ">=5", "<>x", "a*b?", "=" (blank) ...
class Criterion {
  public:
    Criterion(const Value& criterion, bool date1904);
    bool Matches(const Value& v) const;

  private:
    enum class Op { Eq, Ne, Lt, Le, Gt, Ge };
    enum class Kind { Number, Text, Boolean, Error, Blank };
    Op m_op = Op::Eq;
    Kind m_kind = Kind::Text;
    double m_number = 0;
    std::string m_text;
    bool m_wildcards = false;
    bool m_emptyText = false;  // criterion "": blank cells and empty text both match
};

// The cells of a one-area reference argument; raises #VALUE! for anything else.
Area SingleArea(const Operand& operand);

// Runs over the positions of equally sized ranges (`ranges`, each with its
// criterion) where every criterion holds, and calls `visit` with the value of
// `target` (same offset; may be null) there. Positions where every range is empty
// are not visited one by one; their number is returned when they match.
long long ScanCriteria(Evaluation& eval, const std::vector<Area>& ranges,
                       const std::vector<Criterion>& criteria, const Area* target,
                       const std::function<void(const Value&)>& visit);

// The criteria_range, criterion pairs of a ...IFS function, from argument `first` to
// the end. With `sameShape`, nullopt at the first range not of its size.
struct CriteriaPairs {
    std::vector<Area> ranges;
    std::vector<Criterion> criteria;
};
std::optional<CriteriaPairs> ReadCriteriaPairs(CallContext& call, std::size_t first,
                                               const Area* sameShape = nullptr);

}  // namespace tabulon::spreadsheet::formula
