// Logical functions and the IS... information functions.
#include "spreadsheet/formula/aggregate.h"
#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

// IF over an array of conditions (inside array evaluation): picks element by element.
Operand IfArray(CallContext& call, const Operand& condition) {
    Evaluation& eval = call.Eval();
    auto cond = eval.ToMatrix(condition);
    auto yes = eval.ToMatrix(call.Arg(1));
    auto no = eval.ToMatrix(call.Count() < 3 ? Operand(Value::Boolean(false)) : call.Arg(2));
    auto pick = [](const Matrix& m, int r, int c) -> Value {
        int rr = m.rows == 1 ? 0 : r;
        int cc = m.cols == 1 ? 0 : c;
        if (rr >= m.rows || cc >= m.cols)
            return Value::Error(ErrorCode::NA);
        return m.At(rr, cc);
    };
    auto out = std::make_shared<Matrix>(cond->rows, cond->cols);
    for (int r = 0; r < cond->rows; ++r) {
        for (int c = 0; c < cond->cols; ++c) {
            const Value& v = cond->At(r, c);
            if (v.IsError()) {
                out->At(r, c) = v;
                continue;
            }
            try {
                out->At(r, c) = ToBoolean(v) ? pick(*yes, r, c) : pick(*no, r, c);
            } catch (const ErrorSignal& e) {
                out->At(r, c) = Value::Error(e.code);
            }
        }
    }
    return Operand::Array(std::move(out));
}

Operand If(CallContext& call) {
    if (call.Eval().arrayMode > 0) {
        Operand condition = call.Arg(0);
        bool single = condition.IsScalar() || (condition.IsRef() && condition.areas.size() == 1 &&
                                               condition.areas[0].IsCell());
        if (!single)
            return IfArray(call, condition);
    }
    Value condition = call.Scalar(0);
    if (condition.IsError())
        return condition;
    if (ToBoolean(condition))
        return call.Arg(1);
    if (call.Count() < 3)
        return Value::Boolean(false);
    return call.Arg(2);
}

// IFERROR and IFNA: inside array evaluation an array (or range) of values is
// replaced element by element, each error caught taking the fallback's element.
template <bool OnlyNa>
Operand Catch(CallContext& call) {
    auto caught = [](const Value& v) {
        return v.IsError() && (!OnlyNa || v.AsError() == ErrorCode::NA);
    };
    Operand first = call.Arg(0);
    const bool single =
        first.IsScalar() || (first.IsRef() && first.areas.size() == 1 && first.areas[0].IsCell());
    if (call.Eval().arrayMode > 0 && !single) {
        Evaluation& eval = call.Eval();
        auto values = eval.ToMatrix(first);
        auto fallback = eval.ToMatrix(call.Arg(1));
        auto out = std::make_shared<Matrix>(*values);
        for (int r = 0; r < out->rows; ++r) {
            for (int c = 0; c < out->cols; ++c) {
                if (!caught(out->At(r, c)))
                    continue;
                const int fr = fallback->rows == 1 ? 0 : r, fc = fallback->cols == 1 ? 0 : c;
                out->At(r, c) = fr < fallback->rows && fc < fallback->cols
                                    ? fallback->At(fr, fc)
                                    : Value::Error(ErrorCode::NA);
            }
        }
        return Operand::Array(std::move(out));
    }
    Value v = first.IsScalar() ? first.value : call.Eval().Deref(first);
    if (caught(v))
        return call.Arg(1);
    return first;
}

// Calls `take` with each logical value of the arguments; #VALUE! when there is none.
template <typename Take>
void ForEachLogical(CallContext& call, Take take) {
    bool any = false;
    ForEachArgValue(call, 0, [&](const Value& v, bool direct) {
        if (v.IsError())
            Raise(v.AsError());
        if (v.IsNumber() || v.IsBoolean()) {
            take(v.AsNumber() != 0);
            any = true;
        } else if (direct && v.IsText()) {
            take(ToBoolean(v));
            any = true;
        }
    });
    if (!any)
        Raise(ErrorCode::Value);
}

Operand And(CallContext& call) {
    bool all = true;
    ForEachLogical(call, [&](bool b) { all = all && b; });
    return Value::Boolean(all);
}

Operand Or(CallContext& call) {
    bool any = false;
    ForEachLogical(call, [&](bool b) { any = any || b; });
    return Value::Boolean(any);
}

Operand Xor(CallContext& call) {
    bool odd = false;
    ForEachLogical(call, [&](bool b) { odd = odd != b; });
    return Value::Boolean(odd);
}

Operand Not(CallContext& call) {
    Value v = call.Scalar(0);
    if (v.IsError())
        return v;
    return Value::Boolean(!ToBoolean(v));
}

Operand True(CallContext&) {
    return Value::Boolean(true);
}
Operand False(CallContext&) {
    return Value::Boolean(false);
}
Operand Na(CallContext&) {
    return Value::Error(ErrorCode::NA);
}

template <bool (*Test)(const Value&)>
Operand Is(CallContext& call) {
    return Value::Boolean(Test(call.Scalar(0)));
}

bool NumberTest(const Value& v) {
    return v.IsNumber();
}
bool TextTest(const Value& v) {
    return v.IsText();
}
bool LogicalTest(const Value& v) {
    return v.IsBoolean();
}
bool ErrorTest(const Value& v) {
    return v.IsError();
}
bool ErrTest(const Value& v) {
    return v.IsError() && v.AsError() != ErrorCode::NA;
}
bool NaTest(const Value& v) {
    return v.IsError() && v.AsError() == ErrorCode::NA;
}

Operand IsBlank(CallContext& call) {
    if (call.IsMissing(0))
        return Value::Boolean(false);
    return Value::Boolean(call.Scalar(0).IsEmpty());
}

Operand N(CallContext& call) {
    Value v = call.Scalar(0);
    if (v.IsError())
        return v;
    if (v.IsNumber() || v.IsBoolean())
        return Value::Number(v.AsNumber());
    return Value::Number(0);
}

Operand T(CallContext& call) {
    Value v = call.Scalar(0);
    if (v.IsError() || v.IsText())
        return v;
    return Value::Text("");
}

Operand Type(CallContext& call) {
    Operand o = call.Arg(0);
    if (o.IsArray() || (o.IsRef() && !(o.areas.size() == 1 && o.areas[0].IsCell())))
        return Value::Number(64);
    Value v = call.Eval().Deref(o);
    switch (v.Kind()) {
        case ValueKind::Text:
            return Value::Number(2);
        case ValueKind::Boolean:
            return Value::Number(4);
        case ValueKind::Error:
            return Value::Number(16);
        default:
            return Value::Number(1);
    }
}

Operand ErrorType(CallContext& call) {
    Value v = call.Scalar(0);
    if (!v.IsError())
        return Value::Error(ErrorCode::NA);
    switch (v.AsError()) {
        case ErrorCode::Null:
            return Value::Number(1);
        case ErrorCode::Div0:
            return Value::Number(2);
        case ErrorCode::Value:
            return Value::Number(3);
        case ErrorCode::Ref:
            return Value::Number(4);
        case ErrorCode::Name:
            return Value::Number(5);
        case ErrorCode::Num:
            return Value::Number(6);
        case ErrorCode::NA:
            return Value::Number(7);
        case ErrorCode::GettingData:
            return Value::Number(8);
        default:
            return Value::Number(static_cast<double>(v.AsError()));
    }
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"AND", And, 1, kVariadic},
    {"ERROR.TYPE", ErrorType, 1, 1},
    {"FALSE", False, 0, 0},
    {"IF", If, 1, 3},
    {"IFERROR", Catch<false>, 2, 2},
    {"IFNA", Catch<true>, 2, 2},
    {"ISBLANK", IsBlank, 1, 1},
    {"ISERR", Is<ErrTest>, 1, 1},
    {"ISERROR", Is<ErrorTest>, 1, 1},
    {"ISLOGICAL", Is<LogicalTest>, 1, 1},
    {"ISNA", Is<NaTest>, 1, 1},
    {"ISNUMBER", Is<NumberTest>, 1, 1},
    {"ISTEXT", Is<TextTest>, 1, 1},
    {"N", N, 1, 1},
    {"NA", Na, 0, 0},
    {"NOT", Not, 1, 1},
    {"OR", Or, 1, kVariadic},
    {"T", T, 1, 1},
    {"TRUE", True, 0, 0},
    {"TYPE", Type, 1, 1},
    {"XOR", Xor, 1, kVariadic},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> LogicalInfoFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
