// Information about cells and the environment: CELL and INFO; the entries of
// LET and LAMBDA (the evaluator handles them itself: their names are not values).
#include <string>

#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/evaluation.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

// CELL(info_type, [reference]) for the types that do not depend on how the
// sheet is displayed or where the file lies: "address", "col", "row",
// "contents" and "type"; others answer #VALUE!. Without a reference the
// formula's own cell is described.
Operand Cell(CallContext& call) {
    const std::string type = ToUpperAscii(call.Text(0));
    Evaluation& eval = call.Eval();
    int sheet = eval.Origin().sheet;
    CellRef cell = eval.Origin().cell;
    if (call.Count() > 1 && !call.IsMissing(1)) {
        Operand ref = call.Arg(1);
        if (!ref.IsRef())
            return Value::Error(ErrorCode::Value);
        sheet = ref.areas.front().sheet;
        cell = ref.areas.front().range.first;
    }
    if (type == "ADDRESS") {
        std::string text = FormatCellRef(cell, true);
        if (sheet != eval.Origin().sheet)
            text = eval.Cells().SheetName(sheet) + "!" + text;
        return Value::Text(text);
    }
    if (type == "COL")
        return Value::Number(cell.col);
    if (type == "ROW")
        return Value::Number(cell.row);
    if (type == "CONTENTS")
        return eval.CellValue(sheet, cell);
    if (type == "TYPE") {
        const Value v = eval.CellValue(sheet, cell);
        return Value::Text(v.IsEmpty() ? "b" : v.IsText() ? "l" : "v");
    }
    return Value::Error(ErrorCode::Value);
}

// INFO(type_text) for the answers that do not depend on the machine.
Operand Info(CallContext& call) {
    const std::string type = ToUpperAscii(call.Text(0));
    if (type == "NUMFILE")
        return Value::Number(call.Eval().Cells().SheetCount());
    if (type == "RECALC")
        return Value::Text("Automatic");
    if (type == "SYSTEM")
        return Value::Text("pcdos");
    if (type == "ORIGIN")
        return Value::Text("$A:$A$1");
    if (type == "DIRECTORY" || type == "OSVERSION" || type == "RELEASE")
        return Value::Error(ErrorCode::NA);
    return Value::Error(ErrorCode::Value);
}

Operand Let(CallContext&) {
    return Value::Error(ErrorCode::Value);  // evaluated by Evaluation::EvalLet
}

// A LAMBDA is called through the name a LET gives it (Evaluation::CallLambda);
// one standing as a value has no result.
Operand Lambda(CallContext&) {
    return Value::Error(ErrorCode::Calc);
}

// clang-format off
constexpr FunctionInfo kFunctions[] = {
    {"CELL", Cell, 1, 2},
    {"INFO", Info, 1, 1},
    {"LAMBDA", Lambda, 1, kVariadic},
    {"LET", Let, 3, kVariadic},
};
// clang-format on

}  // namespace

std::span<const FunctionInfo> InfoFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
