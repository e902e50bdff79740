// Functions of whole arrays: matrix algebra, reshaping, and the dynamic-array
// functions that filter, sort and generate arrays.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "spreadsheet/formula/aggregate.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/function_table.h"
#include "spreadsheet/formula/random.h"

namespace tabulon::spreadsheet::formula {

namespace {

constexpr long long kMaxResultCells = 16LL * 1024 * 1024;

using MatrixPtr = std::shared_ptr<const Matrix>;

// An argument as an array: ranges keep their shape, operators inside work
// element by element.
MatrixPtr ArrayOf(CallContext& call, std::size_t i) {
    return call.Eval().ToMatrix(call.ArrayArg(i));
}

std::shared_ptr<Matrix> NewMatrix(double rows, double cols) {
    rows = std::trunc(rows);
    cols = std::trunc(cols);
    if (rows < 1 || cols < 1)
        Raise(ErrorCode::Calc);
    if (rows * cols > static_cast<double>(kMaxResultCells))
        Raise(ErrorCode::Num);
    return std::make_shared<Matrix>(static_cast<int>(rows), static_cast<int>(cols));
}

// Every element as a number: an error raises itself; empty cells, text and
// booleans raise #VALUE!, as the matrix functions answer.
std::vector<double> Numbers(const Matrix& m) {
    std::vector<double> out;
    out.reserve(m.cells.size());
    for (const Value& v : m.cells) {
        if (v.IsError())
            Raise(v.AsError());
        if (!v.IsNumber())
            Raise(ErrorCode::Value);
        out.push_back(v.AsNumber());
    }
    return out;
}

Operand Result(std::shared_ptr<Matrix> m) {
    for (Value& v : m->cells) {
        if (v.IsNumber() && !std::isfinite(v.AsNumber()))
            v = Value::Error(ErrorCode::Num);
    }
    return Operand::Array(std::move(m));
}

Operand MMult(CallContext& call) {
    MatrixPtr a = ArrayOf(call, 0);
    MatrixPtr b = ArrayOf(call, 1);
    std::vector<double> x = Numbers(*a);
    std::vector<double> y = Numbers(*b);
    if (a->cols != b->rows)
        return Value::Error(ErrorCode::Value);
    auto out = NewMatrix(a->rows, b->cols);
    for (int r = 0; r < a->rows; ++r) {
        for (int c = 0; c < b->cols; ++c) {
            double sum = 0;
            for (int k = 0; k < a->cols; ++k)
                sum += x[static_cast<std::size_t>(r) * a->cols + k] *
                       y[static_cast<std::size_t>(k) * b->cols + c];
            out->At(r, c) = Value::Number(sum);
        }
    }
    return Result(std::move(out));
}

// LU decomposition with partial pivoting of the square matrix `a` (n x n, in
// place); the determinant's sign from the row swaps is returned, 0 when singular.
int Decompose(std::vector<double>& a, int n, std::vector<int>& perm) {
    perm.resize(static_cast<std::size_t>(n));
    std::iota(perm.begin(), perm.end(), 0);
    int sign = 1;
    auto at = [&](int r, int c) -> double& { return a[static_cast<std::size_t>(r) * n + c]; };
    for (int k = 0; k < n; ++k) {
        int pivot = k;
        for (int r = k + 1; r < n; ++r) {
            if (std::fabs(at(r, k)) > std::fabs(at(pivot, k)))
                pivot = r;
        }
        if (at(pivot, k) == 0)
            return 0;
        if (pivot != k) {
            for (int c = 0; c < n; ++c)
                std::swap(at(k, c), at(pivot, c));
            std::swap(perm[static_cast<std::size_t>(k)], perm[static_cast<std::size_t>(pivot)]);
            sign = -sign;
        }
        for (int r = k + 1; r < n; ++r) {
            at(r, k) /= at(k, k);
            for (int c = k + 1; c < n; ++c)
                at(r, c) -= at(r, k) * at(k, c);
        }
    }
    return sign;
}

Operand MDeterm(CallContext& call) {
    MatrixPtr m = ArrayOf(call, 0);
    std::vector<double> a = Numbers(*m);
    if (m->rows != m->cols)
        return Value::Error(ErrorCode::Value);
    std::vector<int> perm;
    int sign = Decompose(a, m->rows, perm);
    double det = sign;
    for (int k = 0; k < m->rows && sign != 0; ++k)
        det *= a[static_cast<std::size_t>(k) * m->rows + k];
    if (!std::isfinite(det))
        return Value::Error(ErrorCode::Num);
    return Value::Number(sign == 0 ? 0 : Round15(det));
}

Operand MInverse(CallContext& call) {
    MatrixPtr m = ArrayOf(call, 0);
    std::vector<double> a = Numbers(*m);
    const int n = m->rows;
    if (n != m->cols)
        return Value::Error(ErrorCode::Value);
    std::vector<int> perm;
    if (Decompose(a, n, perm) == 0)
        return Value::Error(ErrorCode::Num);
    auto out = NewMatrix(n, n);
    std::vector<double> col(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j) {
        // Solve L U x = P e_j.
        for (int i = 0; i < n; ++i) {
            double s = perm[static_cast<std::size_t>(i)] == j ? 1.0 : 0.0;
            for (int k = 0; k < i; ++k)
                s -= a[static_cast<std::size_t>(i) * n + k] * col[static_cast<std::size_t>(k)];
            col[static_cast<std::size_t>(i)] = s;
        }
        for (int i = n - 1; i >= 0; --i) {
            double s = col[static_cast<std::size_t>(i)];
            for (int k = i + 1; k < n; ++k)
                s -= a[static_cast<std::size_t>(i) * n + k] * col[static_cast<std::size_t>(k)];
            col[static_cast<std::size_t>(i)] = s / a[static_cast<std::size_t>(i) * n + i];
        }
        for (int i = 0; i < n; ++i)
            out->At(i, j) = Value::Number(Round15(col[static_cast<std::size_t>(i)]));
    }
    return Result(std::move(out));
}

Operand Transpose(CallContext& call) {
    MatrixPtr m = ArrayOf(call, 0);
    auto out = NewMatrix(m->cols, m->rows);
    for (int r = 0; r < m->rows; ++r) {
        for (int c = 0; c < m->cols; ++c)
            out->At(c, r) = m->At(r, c).IsEmpty() ? Value::Number(0) : m->At(r, c);
    }
    return Operand::Array(std::move(out));
}

Operand Sequence(CallContext& call) {
    double rows = call.Number(0);
    double cols = call.Number(1, 1);
    double start = call.Number(2, 1);
    double step = call.Number(3, 1);
    if (rows < 0 || cols < 0)
        return Value::Error(ErrorCode::Value);
    auto out = NewMatrix(rows, cols);
    for (std::size_t i = 0; i < out->cells.size(); ++i)
        out->cells[i] = Value::Number(start + step * static_cast<double>(i));
    return Result(std::move(out));
}

Operand RandArray(CallContext& call) {
    double rows = call.Number(0, 1);
    double cols = call.Number(1, 1);
    double low = call.Number(2, 0);
    double high = call.Number(3, 1);
    bool whole = call.Boolean(4, false);
    if (rows < 0 || cols < 0 || high < low)
        return Value::Error(ErrorCode::Value);
    if (whole && (low != std::floor(low) || high != std::floor(high)))
        return Value::Error(ErrorCode::Value);
    auto out = NewMatrix(rows, cols);
    for (Value& v : out->cells) {
        double u = RandomUnit();
        v = Value::Number(whole ? low + std::floor(u * (high - low + 1)) : low + u * (high - low));
    }
    return Operand::Array(std::move(out));
}

// A row (or, by columns, a column) of `m` as a list of values.
std::vector<Value> Line(const Matrix& m, int index, bool byCol) {
    std::vector<Value> out;
    if (byCol) {
        for (int r = 0; r < m.rows; ++r)
            out.push_back(m.At(r, index));
    } else {
        for (int c = 0; c < m.cols; ++c)
            out.push_back(m.At(index, c));
    }
    return out;
}

bool SameLine(const std::vector<Value>& a, const std::vector<Value>& b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].IsError() || b[i].IsError()) {
            if (!(a[i] == b[i]))
                return false;
        } else if (a[i].Kind() != b[i].Kind() && !(a[i].IsEmpty() || b[i].IsEmpty())) {
            return false;
        } else if (CompareValues(a[i], b[i]) != 0) {
            return false;
        }
    }
    return true;
}

// Builds an array of the chosen rows (or columns) of `m`, in the order given.
Operand Pick(const Matrix& m, const std::vector<int>& lines, bool byCol) {
    auto out = byCol ? NewMatrix(m.rows, static_cast<double>(lines.size()))
                     : NewMatrix(static_cast<double>(lines.size()), m.cols);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int from = lines[i];
        if (byCol) {
            for (int r = 0; r < m.rows; ++r)
                out->At(r, static_cast<int>(i)) = m.At(r, from);
        } else {
            for (int c = 0; c < m.cols; ++c)
                out->At(static_cast<int>(i), c) = m.At(from, c);
        }
    }
    for (Value& v : out->cells) {
        if (v.IsEmpty())
            v = Value::Number(0);
    }
    return Operand::Array(std::move(out));
}

Operand Unique(CallContext& call) {
    MatrixPtr m = ArrayOf(call, 0);
    bool byCol = call.Boolean(1, false);
    bool exactlyOnce = call.Boolean(2, false);
    const int count = byCol ? m->cols : m->rows;
    std::vector<std::vector<Value>> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back(Line(*m, i, byCol));
    std::vector<int> keep;
    for (int i = 0; i < count; ++i) {
        int seen = 0;
        bool earlier = false;
        for (int j = 0; j < count; ++j) {
            if (SameLine(lines[static_cast<std::size_t>(i)], lines[static_cast<std::size_t>(j)])) {
                ++seen;
                earlier = earlier || j < i;
            }
        }
        if (!earlier && (!exactlyOnce || seen == 1))
            keep.push_back(i);
    }
    if (keep.empty())
        return Value::Error(ErrorCode::Calc);
    return Pick(*m, keep, byCol);
}

Operand Filter(CallContext& call) {
    MatrixPtr m = ArrayOf(call, 0);
    MatrixPtr include = ArrayOf(call, 1);
    bool byCol;
    if (include->cols == 1 && include->rows == m->rows && (m->rows > 1 || include->rows == 1)) {
        byCol = false;
    } else if (include->rows == 1 && include->cols == m->cols) {
        byCol = true;
    } else {
        return Value::Error(ErrorCode::Value);
    }
    std::vector<int> keep;
    for (std::size_t i = 0; i < include->cells.size(); ++i) {
        const Value& v = include->cells[i];
        if (v.IsError())
            return v;
        if (v.IsText())
            return Value::Error(ErrorCode::Value);
        if (!v.IsEmpty() && v.AsNumber() != 0)
            keep.push_back(static_cast<int>(i));
    }
    if (keep.empty()) {
        if (call.IsMissing(2))
            return Value::Error(ErrorCode::Calc);
        return call.Arg(2);
    }
    return Pick(*m, keep, byCol);
}

// The order SORT puts values in: numbers, text, booleans, errors, then blanks.
int SortCompare(const Value& a, const Value& b) {
    auto rank = [](const Value& v) {
        switch (v.Kind()) {
            case ValueKind::Number:
                return 0;
            case ValueKind::Text:
                return 1;
            case ValueKind::Boolean:
                return 2;
            case ValueKind::Error:
                return 3;
            case ValueKind::Empty:
                return 4;
        }
        return 4;
    };
    int ra = rank(a), rb = rank(b);
    if (ra != rb || ra >= 3)
        return ra < rb ? -1 : (ra > rb ? 1 : 0);
    return CompareValues(a, b);
}

struct SortKey {
    std::vector<Value> values;  // one per line being sorted
    bool descending = false;
};

Operand SortLines(const Matrix& m, bool byCol, const std::vector<SortKey>& keys) {
    const int count = byCol ? m.cols : m.rows;
    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        for (const SortKey& k : keys) {
            const Value& a = k.values[static_cast<std::size_t>(x)];
            const Value& b = k.values[static_cast<std::size_t>(y)];
            int c = SortCompare(a, b);
            if (c != 0) {
                bool blank = a.IsEmpty() || b.IsEmpty();  // blanks stay last
                return (k.descending && !blank) ? c > 0 : c < 0;
            }
        }
        return false;
    });
    return Pick(m, order, byCol);
}

bool Descending(double order) {
    if (order == 1)
        return false;
    if (order == -1)
        return true;
    Raise(ErrorCode::Value);
}

Operand Sort(CallContext& call) {
    MatrixPtr m = ArrayOf(call, 0);
    int index = TruncToInt(call.Number(1, 1));
    bool descending = Descending(call.Number(2, 1));
    bool byCol = call.Boolean(3, false);
    const int across = byCol ? m->rows : m->cols;
    if (index < 1 || index > across)
        return Value::Error(ErrorCode::Value);
    SortKey key;
    key.descending = descending;
    const int count = byCol ? m->cols : m->rows;
    for (int i = 0; i < count; ++i)
        key.values.push_back(byCol ? m->At(index - 1, i) : m->At(i, index - 1));
    return SortLines(*m, byCol, {key});
}

Operand SortBy(CallContext& call) {
    MatrixPtr m = ArrayOf(call, 0);
    std::vector<SortKey> keys;
    std::optional<bool> byCol;
    for (std::size_t i = 1; i < call.Count(); i += 2) {
        MatrixPtr by = ArrayOf(call, i);
        bool col;
        if (by->cols == 1 && by->rows == m->rows) {
            col = false;
        } else if (by->rows == 1 && by->cols == m->cols) {
            col = true;
        } else {
            return Value::Error(ErrorCode::Value);
        }
        if (byCol && *byCol != col)
            return Value::Error(ErrorCode::Value);
        byCol = col;
        SortKey key;
        key.values = by->cells;
        key.descending = i + 1 < call.Count() && Descending(call.Number(i + 1, 1));
        keys.push_back(std::move(key));
    }
    return SortLines(*m, byCol.value_or(false), keys);
}

// FREQUENCY(data, bins): how many data values fall at or below each bin and above
// the one before, plus one more count for the values above the last bin.
Operand Frequency(CallContext& call) {
    std::vector<double> data, bins;
    for (std::size_t i = 0; i < 2; ++i) {
        MatrixPtr m = ArrayOf(call, i);
        for (const Value& v : m->cells) {
            if (v.IsError())
                Raise(v.AsError());
            if (v.IsNumber())
                (i == 0 ? data : bins).push_back(v.AsNumber());
        }
    }
    std::vector<std::size_t> byValue(bins.size());
    std::iota(byValue.begin(), byValue.end(), 0);
    std::stable_sort(byValue.begin(), byValue.end(),
                     [&](std::size_t a, std::size_t b) { return bins[a] < bins[b]; });
    auto out = NewMatrix(static_cast<double>(bins.size()) + 1, 1);
    std::vector<double> counts(bins.size() + 1, 0);
    for (double d : data) {
        std::size_t slot = bins.size();
        for (std::size_t k : byValue) {
            if (d <= bins[k]) {
                slot = k;
                break;
            }
        }
        counts[slot] += 1;
    }
    for (std::size_t i = 0; i < counts.size(); ++i)
        out->cells[i] = Value::Number(counts[i]);
    return Operand::Array(std::move(out));
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"FILTER", Filter, 2, 3},
    {"FREQUENCY", Frequency, 2, 2},
    {"MDETERM", MDeterm, 1, 1},
    {"MINVERSE", MInverse, 1, 1},
    {"MMULT", MMult, 2, 2},
    {"RANDARRAY", RandArray, 0, 5},
    {"SEQUENCE", Sequence, 1, 4},
    {"SORT", Sort, 1, 4},
    {"SORTBY", SortBy, 2, kVariadic},
    {"TRANSPOSE", Transpose, 1, 1},
    {"UNIQUE", Unique, 1, 3},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> ArrayFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
