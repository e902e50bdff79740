// Database functions: DSUM, DCOUNT, DGET and friends aggregate one field of the
// records (rows under a header row) that a criteria range selects.
#include <algorithm>
#include <cmath>
#include <optional>

#include "spreadsheet/formula/aggregate.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

// A criteria cell: text without an operator selects values that begin with it,
// as the application's filter reads criteria ("Ap" selects "Apple").
Criterion DatabaseCriterion(const Value& v, bool date1904) {
    if (v.IsText()) {
        const std::string& text = v.AsText();
        const bool hasOp = !text.empty() && (text[0] == '<' || text[0] == '>' || text[0] == '=');
        if (!hasOp && !TextToNumber(text, date1904) && text != "TRUE" && text != "FALSE")
            return Criterion(Value::Text(text + "*"), date1904);
    }
    return Criterion(v, date1904);
}

struct Table {
    int sheet = 0;
    RangeRef range;  // header row included
    std::vector<std::string> labels;
};

Table ReadTable(CallContext& call, std::size_t i) {
    const Area area = SingleArea(call.Arg(i));
    Table t;
    t.sheet = area.sheet;
    t.range = call.Eval().Clip(area.sheet, area.range);
    for (int c = t.range.first.col; c <= t.range.last.col; ++c) {
        Value v = call.Eval().CellValue(t.sheet, {t.range.first.row, c});
        t.labels.push_back(v.IsEmpty() || v.IsError() ? std::string() : ToText(v));
    }
    return t;
}

int ColumnOfLabel(const Table& t, std::string_view label) {
    for (std::size_t i = 0; i < t.labels.size(); ++i) {
        if (!label.empty() && EqualsNoCase(t.labels[i], label))
            return static_cast<int>(i);
    }
    return -1;
}

// The 0-based column of the field argument (label or 1-based number); nullopt
// when the argument is missing.
std::optional<int> FieldColumn(CallContext& call, const Table& db) {
    if (call.IsMissing(1))
        return std::nullopt;
    Value field = call.Scalar(1);
    if (field.IsError())
        Raise(field.AsError());
    int col = -1;
    if (field.IsNumber() || field.IsBoolean()) {
        col = TruncToInt(field.AsNumber()) - 1;
        if (col < 0 || col >= static_cast<int>(db.labels.size()))
            Raise(ErrorCode::Value);
        return col;
    }
    col = ColumnOfLabel(db, ToText(field));
    if (col < 0)
        Raise(ErrorCode::Value);
    return col;
}

// The values of `field` (or, with none, an empty value) in every record that
// some row of the criteria range selects: within a row, every condition holds.
std::vector<Value> SelectedValues(CallContext& call, bool fieldOptional) {
    Evaluation& eval = call.Eval();
    const bool date1904 = eval.Date1904();
    const Table db = ReadTable(call, 0);
    std::optional<int> field = FieldColumn(call, db);
    if (!field && !fieldOptional)
        Raise(ErrorCode::Value);
    const Table crit = ReadTable(call, 2);
    struct Condition {
        int column;  // in the database; -1: a label the database lacks
        Criterion criterion;
    };
    std::vector<std::vector<Condition>> alternatives;
    for (int r = crit.range.first.row + 1; r <= crit.range.last.row; ++r) {
        std::vector<Condition> row;
        for (std::size_t c = 0; c < crit.labels.size(); ++c) {
            Value v = eval.CellValue(crit.sheet, {r, crit.range.first.col + static_cast<int>(c)});
            if (v.IsEmpty())
                continue;
            row.push_back({ColumnOfLabel(db, crit.labels[c]), DatabaseCriterion(v, date1904)});
        }
        alternatives.push_back(std::move(row));
    }
    std::vector<Value> out;
    for (int r = db.range.first.row + 1; r <= db.range.last.row; ++r) {
        auto cell = [&](int column) {
            return eval.CellValue(db.sheet, {r, db.range.first.col + column});
        };
        const bool selected =
            std::any_of(alternatives.begin(), alternatives.end(), [&](const auto& conditions) {
                return std::all_of(conditions.begin(), conditions.end(), [&](const Condition& c) {
                    return c.column >= 0 && c.criterion.Matches(cell(c.column));
                });
            });
        if (selected)
            out.push_back(field ? cell(*field) : Value::Number(0));
    }
    return out;
}

std::vector<double> SelectedNumbers(CallContext& call) {
    std::vector<double> xs;
    for (const Value& v : SelectedValues(call, false)) {
        if (v.IsNumber())
            xs.push_back(v.AsNumber());
    }
    return xs;
}

Value Checked(double d) {
    if (!std::isfinite(d))
        return Value::Error(ErrorCode::Num);
    return Value::Number(d);
}

enum class DStat { Average, Max, Min, Product, StDev, StDevP, Sum, Var, VarP };

template <DStat S>
Operand DatabaseStat(CallContext& call) {
    const std::vector<double> xs = SelectedNumbers(call);
    double total = 0;
    for (double x : xs)
        total += x;
    switch (S) {
        case DStat::Sum:
            return Checked(total);
        case DStat::Average:
            return xs.empty() ? Value::Error(ErrorCode::Div0)
                              : Checked(total / static_cast<double>(xs.size()));
        case DStat::Max:
            return Value::Number(xs.empty() ? 0 : *std::max_element(xs.begin(), xs.end()));
        case DStat::Min:
            return Value::Number(xs.empty() ? 0 : *std::min_element(xs.begin(), xs.end()));
        case DStat::Product: {
            double p = xs.empty() ? 0 : 1;
            for (double x : xs)
                p *= x;
            return Checked(p);
        }
        case DStat::Var:
        case DStat::VarP:
            return VarianceOf(xs, S == DStat::Var);
        case DStat::StDev:
        case DStat::StDevP: {
            Value v = VarianceOf(xs, S == DStat::StDev);
            return v.IsError() ? v : Value::Number(std::sqrt(v.AsNumber()));
        }
    }
    return Value::Error(ErrorCode::Value);
}

// DCOUNT counts numbers of the field, DCOUNTA non-empty values; without a field
// both count the selected records.
template <bool A>
Operand DatabaseCount(CallContext& call) {
    const bool noField = call.IsMissing(1);
    double n = 0;
    for (const Value& v : SelectedValues(call, true)) {
        if (noField || (A ? !v.IsEmpty() : v.IsNumber()))
            ++n;
    }
    return Value::Number(n);
}

Operand DGet(CallContext& call) {
    const std::vector<Value> values = SelectedValues(call, false);
    if (values.empty())
        return Value::Error(ErrorCode::Value);
    if (values.size() > 1)
        return Value::Error(ErrorCode::Num);
    return values.front();
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"DAVERAGE", DatabaseStat<DStat::Average>, 3, 3},
    {"DCOUNT", DatabaseCount<false>, 3, 3},
    {"DCOUNTA", DatabaseCount<true>, 3, 3},
    {"DGET", DGet, 3, 3},
    {"DMAX", DatabaseStat<DStat::Max>, 3, 3},
    {"DMIN", DatabaseStat<DStat::Min>, 3, 3},
    {"DPRODUCT", DatabaseStat<DStat::Product>, 3, 3},
    {"DSTDEV", DatabaseStat<DStat::StDev>, 3, 3},
    {"DSTDEVP", DatabaseStat<DStat::StDevP>, 3, 3},
    {"DSUM", DatabaseStat<DStat::Sum>, 3, 3},
    {"DVAR", DatabaseStat<DStat::Var>, 3, 3},
    {"DVARP", DatabaseStat<DStat::VarP>, 3, 3},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> DatabaseFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
