// Recalculates a sheet of 1,000,000 formulas of the =A1*B1+C1 kind through an
// in-memory cell provider and prints cells per second; also the raw speed of
// reading formulas (tokenize + parse) and of moving them.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "spreadsheet/formula/engine.h"
#include "spreadsheet/formula/mover.h"
#include "spreadsheet/formula/parser.h"

using namespace tabulon::spreadsheet;
using namespace tabulon::spreadsheet::formula;

namespace {

constexpr int kRows = 1000000;

// Columns A-C hold numbers; D holds the formulas (read by the benchmark itself).
class GridCells : public ICellProvider {
  public:
    GridCells() : m_values(static_cast<std::size_t>(kRows) * 3) {
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < 3; ++c)
                m_values[Index(r + 1, c + 1)] = Value::Number(r + c * 0.5);
        }
    }
    int FindSheet(std::string_view name) const override { return name == "Sheet1" ? 0 : -1; }
    int SheetCount() const override { return 1; }
    std::string SheetName(int) const override { return "Sheet1"; }
    Value CellValue(int, CellRef cell) override {
        if (cell.row > kRows || cell.col > 3)
            return Value();
        return m_values[Index(cell.row, cell.col)];
    }
    void VisitCells(int, const RangeRef& range,
                    const std::function<void(CellRef, const Value&)>& visit) override {
        for (int r = range.first.row; r <= std::min(range.last.row, kRows); ++r)
            for (int c = range.first.col; c <= std::min(range.last.col, 3); ++c)
                visit(CellRef{r, c}, m_values[Index(r, c)]);
    }
    std::optional<RangeRef> UsedExtent(int) const override { return RangeRef{{1, 1}, {kRows, 3}}; }
    std::optional<std::string> DefinedName(std::string_view, int) const override {
        return std::nullopt;
    }
    bool Date1904() const override { return false; }

  private:
    static std::size_t Index(int row, int col) {
        return static_cast<std::size_t>(row - 1) * 3 + static_cast<std::size_t>(col - 1);
    }
    std::vector<Value> m_values;
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main() {
    GridCells cells;
    std::vector<std::string> formulas;
    formulas.reserve(kRows);
    for (int r = 1; r <= kRows; ++r) {
        std::string n = std::to_string(r);
        formulas.push_back("=A" + n + "*B" + n + "+C" + n);
    }

    FormulaEngine engine;
    auto start = std::chrono::steady_clock::now();
    double checksum = 0;
    for (int r = 1; r <= kRows; ++r) {
        Value v = engine.Evaluate(formulas[static_cast<std::size_t>(r - 1)], EvalOrigin{0, {r, 4}},
                                  cells);
        checksum += v.AsNumber();
    }
    double t = Seconds(start);
    std::printf(
        "recalculate %d formulas (=A1*B1+C1 filled down): %.3f s, %.0f cells/s, "
        "%zu parsed tree(s), checksum %.6g\n",
        kRows, t, kRows / t, engine.Cache().Size(), checksum);

    const char* samples[] = {
        "IF(COUNT(HQ8:HQ39,HQ52:HQ83)<>0,ROUND(AVERAGE(HQ8:HQ39,HQ52:HQ83),1),)",
        "VLOOKUP($A2,'Price list'!$A:$F,MATCH(B$1,'Price list'!$1:$1,0),FALSE)",
        "SUMIFS(Data!C:C,Data!A:A,\">=\"&DATE(2020,1,1),Data!B:B,\"x*\")",
    };
    constexpr int kParses = 200000;
    start = std::chrono::steady_clock::now();
    std::size_t nodes = 0;
    for (int i = 0; i < kParses; ++i)
        nodes += ParseFormula(samples[i % 3], CellRef{2, 2}).nodes.size();
    t = Seconds(start);
    std::printf("tokenize + parse %d formulas: %.3f s, %.0f formulas/s (%zu nodes)\n", kParses, t,
                kParses / t, nodes);

    start = std::chrono::steady_clock::now();
    std::size_t chars = 0;
    for (int i = 0; i < kParses; ++i)
        chars += MoveFormula(samples[i % 3], i % 7, i % 3).size();
    t = Seconds(start);
    std::printf("move %d formulas: %.3f s, %.0f formulas/s (%zu chars)\n", kParses, t, kParses / t,
                chars);
    return 0;
}
