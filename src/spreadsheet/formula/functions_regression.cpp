// LINEST and LOGEST: least-squares fits of a line (or exponential curve) in one
// or more x variables, with the regression statistics on request.
#include <cmath>
#include <memory>
#include <vector>

#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/evaluation.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

std::vector<double> NumbersStrict(const Matrix& m) {
    std::vector<double> out;
    for (const Value& v : m.cells) {
        if (v.IsError())
            Raise(v.AsError());
        if (!v.IsNumber())
            Raise(ErrorCode::Value);
        out.push_back(v.AsNumber());
    }
    return out;
}

// Inverts the p x p matrix `a` (row by row) in place by Gauss-Jordan elimination;
// false when it is singular.
bool Invert(std::vector<double>& a, std::size_t p) {
    std::vector<double> inv(p * p, 0);
    for (std::size_t i = 0; i < p; ++i)
        inv[i * p + i] = 1;
    for (std::size_t c = 0; c < p; ++c) {
        std::size_t pivot = c;
        for (std::size_t r = c + 1; r < p; ++r) {
            if (std::fabs(a[r * p + c]) > std::fabs(a[pivot * p + c]))
                pivot = r;
        }
        if (std::fabs(a[pivot * p + c]) < 1e-300)
            return false;
        for (std::size_t k = 0; k < p; ++k) {
            std::swap(a[c * p + k], a[pivot * p + k]);
            std::swap(inv[c * p + k], inv[pivot * p + k]);
        }
        const double d = a[c * p + c];
        for (std::size_t k = 0; k < p; ++k) {
            a[c * p + k] /= d;
            inv[c * p + k] /= d;
        }
        for (std::size_t r = 0; r < p; ++r) {
            if (r == c)
                continue;
            const double f = a[r * p + c];
            if (f == 0)
                continue;
            for (std::size_t k = 0; k < p; ++k) {
                a[r * p + k] -= f * a[c * p + k];
                inv[r * p + k] -= f * inv[c * p + k];
            }
        }
    }
    a = std::move(inv);
    return true;
}

Operand Estimate(CallContext& call, bool exponential) {
    Evaluation& eval = call.Eval();
    auto ysM = eval.ToMatrix(call.ArrayArg(0));
    std::vector<double> ys = NumbersStrict(*ysM);
    const std::size_t n = ys.size();
    if (exponential) {
        for (double& y : ys) {
            if (y <= 0)
                return Value::Error(ErrorCode::Num);
            y = std::log(y);
        }
    }
    // The x variables: columns of known_x's beside a column of y's, rows of it
    // beside a row of y's; a single variable in any shape of the same size.
    std::vector<std::vector<double>> vars;
    if (call.Count() < 2 || call.IsMissing(1)) {
        std::vector<double> seq(n);
        for (std::size_t i = 0; i < n; ++i)
            seq[i] = static_cast<double>(i + 1);
        vars.push_back(std::move(seq));
    } else {
        auto xsM = eval.ToMatrix(call.ArrayArg(1));
        const std::vector<double> xs = NumbersStrict(*xsM);
        if (xs.size() == n) {
            vars.push_back(xs);
        } else if (ysM->cols == 1 && xsM->rows == ysM->rows) {
            for (int c = 0; c < xsM->cols; ++c) {
                std::vector<double> v;
                for (int r = 0; r < xsM->rows; ++r)
                    v.push_back(xs[static_cast<std::size_t>(r) * xsM->cols + c]);
                vars.push_back(std::move(v));
            }
        } else if (ysM->rows == 1 && xsM->cols == ysM->cols) {
            for (int r = 0; r < xsM->rows; ++r) {
                vars.emplace_back(xs.begin() + static_cast<std::ptrdiff_t>(r) * xsM->cols,
                                  xs.begin() + static_cast<std::ptrdiff_t>(r + 1) * xsM->cols);
            }
        } else {
            return Value::Error(ErrorCode::Ref);
        }
    }
    const bool constant = call.Count() < 3 || call.IsMissing(2) || call.Boolean(2);
    const bool stats = call.Count() > 3 && !call.IsMissing(3) && call.Boolean(3);
    const std::size_t k = vars.size(), p = k + (constant ? 1 : 0);
    if (n == 0 || n < p)
        return Value::Error(ErrorCode::Num);
    // Normal equations over the columns [x1 .. xk, 1].
    auto column = [&](std::size_t j, std::size_t i) { return j < k ? vars[j][i] : 1.0; };
    std::vector<double> xtx(p * p, 0), xty(p, 0);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t a = 0; a < p; ++a) {
            xty[a] += column(a, i) * ys[i];
            for (std::size_t b = 0; b < p; ++b)
                xtx[a * p + b] += column(a, i) * column(b, i);
        }
    }
    if (!Invert(xtx, p))
        return Value::Error(ErrorCode::Num);
    std::vector<double> beta(p, 0);
    for (std::size_t a = 0; a < p; ++a) {
        for (std::size_t b = 0; b < p; ++b)
            beta[a] += xtx[a * p + b] * xty[b];
    }
    const double intercept = constant ? beta[k] : 0;
    auto out = std::make_shared<Matrix>(stats ? 5 : 1, static_cast<int>(k) + 1);
    auto shown = [&](double d) { return exponential ? std::exp(d) : d; };
    for (std::size_t j = 0; j < k; ++j)
        out->At(0, static_cast<int>(k - 1 - j)) = Value::Number(shown(beta[j]));
    out->At(0, static_cast<int>(k)) = Value::Number(shown(intercept));
    if (!stats)
        return Operand::Array(std::move(out));
    double mean = 0, ssresid = 0, sstotal = 0;
    for (double y : ys)
        mean += y;
    mean /= static_cast<double>(n);
    for (std::size_t i = 0; i < n; ++i) {
        double fitted = intercept;
        for (std::size_t j = 0; j < k; ++j)
            fitted += beta[j] * vars[j][i];
        ssresid += (ys[i] - fitted) * (ys[i] - fitted);
        sstotal += constant ? (ys[i] - mean) * (ys[i] - mean) : ys[i] * ys[i];
    }
    const double df = static_cast<double>(n - p);
    const double ssreg = sstotal - ssresid;
    const double sey2 = df > 0 ? ssresid / df : 0;
    for (int r = 2; r < 5; ++r) {
        for (int c = 2; c <= static_cast<int>(k); ++c)
            out->At(r, c) = Value::Error(ErrorCode::NA);
    }
    for (std::size_t j = 0; j < k; ++j)
        out->At(1, static_cast<int>(k - 1 - j)) = Value::Number(std::sqrt(sey2 * xtx[j * p + j]));
    out->At(1, static_cast<int>(k)) =
        constant ? Value::Number(std::sqrt(sey2 * xtx[k * p + k])) : Value::Error(ErrorCode::NA);
    out->At(2, 0) = sstotal == 0 ? Value::Error(ErrorCode::Num) : Value::Number(ssreg / sstotal);
    out->At(2, 1) = Value::Number(std::sqrt(sey2));
    out->At(3, 0) = ssresid == 0 || df == 0
                        ? Value::Error(ErrorCode::Num)
                        : Value::Number(ssreg / static_cast<double>(k) / (ssresid / df));
    out->At(3, 1) = Value::Number(df);
    out->At(4, 0) = Value::Number(ssreg);
    out->At(4, 1) = Value::Number(ssresid);
    return Operand::Array(std::move(out));
}

Operand Linest(CallContext& call) {
    return Estimate(call, false);
}

Operand Logest(CallContext& call) {
    return Estimate(call, true);
}

constexpr FunctionInfo kFunctions[] = {
    {"LINEST", Linest, 1, 4},
    {"LOGEST", Logest, 1, 4},
};

}  // namespace

std::span<const FunctionInfo> RegressionFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
