// read(write(x)) == x over the corpus: every OOXML workbook our reader reads is
// written by our writer and read again, and the two models must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "spreadsheet/range_copy.h"
#include "spreadsheet/reader/workbook_reader.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/xlsx_writer.h"

namespace tabulon::spreadsheet {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> OoxmlCorpusFiles() {
    std::vector<fs::path> files;
    const fs::path root = TABULON_CORPUS_DIR;
    if (!fs::exists(root))
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (ext == ".xlsx" || ext == ".xlsm" || ext == ".xltx" || ext == ".xltm") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string Describe(const CellView& c, const Workbook& book) {
    std::ostringstream s;
    s << static_cast<int>(c.kind) << "/" << static_cast<int>(c.valueKind) << " n=" << c.number
      << " e=" << static_cast<int>(c.error) << " t=[" << c.text << "] f=[" << c.formula
      << "] stale=" << c.stale << " fmt=[" << book.Style(c.style).numberFormat << "]";
    return s.str();
}

std::string StyleDiff(const CellStyle& x, const CellStyle& y) {
    std::string d;
    if (x.numberFormat != y.numberFormat)
        d += " format";
    if (!(x.font == y.font)) {
        d += " font(" + x.font.name + "/" + y.font.name + " " + std::to_string(x.font.size) + "/" +
             std::to_string(y.font.size) + " u=" + x.font.underline + "/" + y.font.underline +
             " color=" + std::to_string(static_cast<int>(x.font.color.kind)) + ":" +
             std::to_string(x.font.color.argb) + "/" +
             std::to_string(static_cast<int>(y.font.color.kind)) + ":" +
             std::to_string(y.font.color.argb) + ")";
    }
    if (!(x.fill == y.fill)) {
        d += " fill(" + x.fill.pattern + "/" + y.fill.pattern + " fg " +
             std::to_string(static_cast<int>(x.fill.fg.kind)) + "/" +
             std::to_string(static_cast<int>(y.fill.fg.kind)) + " bg " +
             std::to_string(static_cast<int>(x.fill.bg.kind)) + "/" +
             std::to_string(static_cast<int>(y.fill.bg.kind)) + ")";
    }
    if (!(x.border == y.border))
        d += " border";
    if (!(x.alignment == y.alignment))
        d += " alignment";
    if (!(x.protection == y.protection))
        d += " protection";
    return d;
}

// The first difference between two workbooks, or "" when they agree.
std::string Compare(const Workbook& a, const Workbook& b) {
    if (a.SheetCount() != b.SheetCount())
        return "sheet count";
    if (a.Date1904() != b.Date1904())
        return "date system";
    if (a.DefinedNames() != b.DefinedNames())
        return "defined names";
    for (int i = 0; i < a.SheetCount(); ++i) {
        const Worksheet& x = a.Sheet(i);
        const Worksheet& y = b.Sheet(i);
        const std::string where = "sheet " + x.Name() + ": ";
        if (x.Name() != y.Name())
            return where + "name " + y.Name();
        if (x.State() != y.State())
            return where + "state";
        if (x.Kind() != SheetKind::Worksheet && x.Kind() != SheetKind::Macrosheet)
            continue;
        if (x.ColumnSpans() != y.ColumnSpans())
            return where + "columns";
        if (x.DefaultColumnWidth() != y.DefaultColumnWidth())
            return where + "default width";
        if (x.Merges() != y.Merges())
            return where + "merges";
        if (x.AutoFilter() != y.AutoFilter())
            return where + "auto filter";
        if (x.ArrayFormulas() != y.ArrayFormulas())
            return where + "array formulas";
        std::vector<std::pair<int, RowInfoView>> rowsX, rowsY;
        std::vector<CellView> cellsX, cellsY;
        x.ForEachRow([&](int r, const RowInfoView& p, const std::vector<CellView>& c) {
            rowsX.emplace_back(r, p);
            cellsX.insert(cellsX.end(), c.begin(), c.end());
        });
        y.ForEachRow([&](int r, const RowInfoView& p, const std::vector<CellView>& c) {
            rowsY.emplace_back(r, p);
            cellsY.insert(cellsY.end(), c.begin(), c.end());
        });
        if (cellsX.size() != cellsY.size()) {
            return where + "cell count " + std::to_string(cellsX.size()) + " vs " +
                   std::to_string(cellsY.size());
        }
        for (size_t k = 0; k < cellsX.size(); ++k) {
            const CellView& c = cellsX[k];
            const CellView& d = cellsY[k];
            const bool same = c.ref == d.ref && c.kind == d.kind && c.valueKind == d.valueKind &&
                              c.number == d.number && c.error == d.error && c.text == d.text &&
                              c.formula == d.formula && c.stale == d.stale &&
                              a.Style(c.style) == b.Style(d.style);
            if (!same) {
                return where + FormatCellRef(c.ref) + " " + Describe(c, a) + " became " +
                       FormatCellRef(d.ref) + " " + Describe(d, b) +
                       StyleDiff(a.Style(c.style), b.Style(d.style));
            }
        }
        for (size_t k = 0; k < std::min(rowsX.size(), rowsY.size()); ++k) {
            const auto& [r, p] = rowsX[k];
            const auto& [s, q] = rowsY[k];
            const bool same = r == s && p.height == q.height && p.hidden == q.hidden &&
                              p.customHeight == q.customHeight &&
                              a.Style(p.style) == b.Style(q.style);
            if (!same)
                return where + "row " + std::to_string(r);
        }
        if (rowsX.size() != rowsY.size())
            return where + "row count";
    }
    return {};
}

// Links to other workbooks are numbered in the file and named again on reading:
// file names, paths, quoted sheet names, 3-D and name references, defined names.
TEST(XlsxRoundTrip, LinksToOtherWorkbooksComeBackByName) {
    Workbook original;
    Worksheet& ws = original.AddSheet("Data");
    original.AddSheet("Second");
    const char* formulas[] = {
        "'[src.xlsx]Other'!A1",
        "SUM('[src.xlsx]Other'!A1:B2)*2",
        "'[src.xlsx]My Sheet'!$C$3+'[/srv/data/b.xlsx]Q'!A:A",
        "SUM('[src.xlsx]Jan:Mar'!B2)",
        "'[src.xlsx]Other'!Total",
        "'[other book.xlsx]1990'!A1&Second!B2",
        "[4]Unlinked!A1",
    };
    for (int i = 0; i < static_cast<int>(std::size(formulas)); ++i)
        ws.SetFormula({i + 1, 1}, formulas[i], Value::Number(i), false);
    original.Sheet(1).SetFormula({1, 1}, "'[src.xlsx]Other'!B1", Value::Text("cached"), false);
    original.AddDefinedName({"Rate", "'[/srv/data/b.xlsx]Q'!$A$1", -1, false});
    // What the workbook knows of them: cells last seen and the links' states.
    original.External("src.xlsx").Sheet("My Sheet").refreshError = true;
    original.External("/srv/data/b.xlsx").pathMissing = true;
    ExternalSheet& seen = original.External("src.xlsx").Sheet("Other");
    seen.cells[{1, 1}] = Value::Number(2.5);
    seen.cells[{1, 2}] = Value::Text("a <b> & c");
    seen.cells[{3, 1}] = Value::Error(ErrorCode::NA);
    seen.cells[{3, 4}] = Value::Boolean(true);

    const fs::path out = fs::path(TABULON_BINARY_DIR) / "round_trip_links.xlsx";
    WriteWorkbookFile(original, out.string());
    Workbook copy;
    auto builder = MakeWorkbookBuilder(copy);
    ReadWorkbookFile(out.string(), *builder);
    EXPECT_EQ(Compare(original, copy), "");
    const ExternalBook* src = copy.FindExternal("src.xlsx");
    const ExternalBook* b = copy.FindExternal("/srv/data/b.xlsx");
    ASSERT_TRUE(src && b && src->FindSheet("Other") && src->FindSheet("My Sheet"));
    EXPECT_EQ(src->FindSheet("Other")->cells, seen.cells);
    EXPECT_TRUE(src->FindSheet("My Sheet")->refreshError);
    EXPECT_FALSE(src->pathMissing);
    EXPECT_TRUE(b->pathMissing);
}

TEST(XlsxRoundTrip, CorpusWorkbooksSurviveWriteAndRead) {
    const auto files = OoxmlCorpusFiles();
    if (files.empty())
        GTEST_SKIP() << "corpus not present at " << TABULON_CORPUS_DIR;
    const fs::path out = fs::path(TABULON_BINARY_DIR) / "round_trip.xlsx";
    int checked = 0, unreadable = 0;
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        Workbook original;
        try {
            auto builder = MakeWorkbookBuilder(original);
            ReadWorkbookFile(file.string(), *builder);
        } catch (const ReadError&) {
            ++unreadable;
            continue;
        }
        // A file whose sheets are all hidden is written with its first sheet shown.
        bool anyVisible = false;
        for (int i = 0; i < original.SheetCount(); ++i) {
            anyVisible = anyVisible || original.Sheet(i).State() == SheetState::Visible;
        }
        if (!anyVisible && original.SheetCount() > 0) {
            original.Sheet(0).SetState(SheetState::Visible);
        }
        // Every cell's display text, for the number formats real files use.
        for (int i = 0; i < original.SheetCount(); ++i) {
            const Worksheet& ws = original.Sheet(i);
            ws.ForEachCell({{1, 1}, {kMaxRows, kMaxColumns}}, IterationOrder::RowByRow,
                           [&](const CellView& c) { (void)ws.DisplayText(c.ref); });
        }
        WriteWorkbookFile(original, out.string());
        Workbook copy;
        auto builder = MakeWorkbookBuilder(copy);
        ASSERT_NO_THROW(ReadWorkbookFile(out.string(), *builder));
        const std::string diff = Compare(original, copy);
        EXPECT_EQ(diff, "");
        ++checked;
    }
    std::printf("round trip: %d workbooks checked, %d not read\n", checked, unreadable);
    EXPECT_GT(checked, 0);
}

// A sheet larger than many pieces: texts that need escaping, every kind of
// value, styles, rows and merges, and a sheet with nothing in it.
void FillLargeMixed(Workbook& book) {
    CellStyle pct;
    pct.numberFormat = "0.0%";
    const int style = book.AddStyle(pct);
    Worksheet& ws = book.AddSheet("Data");
    for (int r = 1; r <= 3000; ++r) {
        ws.SetValue({r, 1}, Value::Text("key " + std::to_string(r % 700)));
        ws.SetValue({r, 2}, Value::Number(r * 1.25));
        ws.SetValue({r, 3}, Value::Text("a<b & \"c\" _x0041_ \t" + std::to_string(r)));
        ws.SetFormula({r, 4}, "B" + std::to_string(r) + "*2", Value::Number(r * 2.5), false);
        if (r % 7 == 0)
            ws.SetValue({r, 5}, Value::Boolean(true));
        if (r % 11 == 0)
            ws.SetValue({r, 6}, Value::Error(ErrorCode::Div0));
        if (r % 13 == 0)
            ws.SetFormula({r, 7}, "A" + std::to_string(r) + "&\"<\"", Value::Text("t&<"), false);
        if (r % 5 == 0)
            ws.SetStyle({r, 8}, style);
    }
    ws.SetRowHeight(10, 30);
    ws.AddMerge({{2995, 9}, {3000, 10}});
    ws.SetColumnWidth(1, 3, 20);
    book.AddSheet("Empty");
}

TEST(XlsxRoundTrip, PartsWrittenInManyPiecesReadBackTheSame) {
    Workbook original;
    FillLargeMixed(original);
    const fs::path dir = fs::path(TABULON_BINARY_DIR) / "round_trip_pieces";
    fs::create_directories(dir);
    for (std::size_t piece : {std::size_t{1}, std::size_t{4096}, std::size_t{0}}) {
        const fs::path out = dir / ("pieces" + std::to_string(piece) + ".xlsx");
        WriteOptions options;
        options.pieceBytes = piece;
        WriteWorkbookFile(original, out.string(), options);
        Workbook copy;
        auto builder = MakeWorkbookBuilder(copy);
        ReadWorkbookFile(out.string(), *builder);
        EXPECT_EQ(Compare(original, copy), "") << "pieces of " << piece;
    }
}

TEST(XlsxRoundTrip, SameWorkbookGivesSameBytes) {
    Workbook original;
    FillLargeMixed(original);
    const fs::path dir = fs::path(TABULON_BINARY_DIR) / "round_trip_same_bytes";
    fs::create_directories(dir);
    auto bytes = [&](const std::string& name, std::size_t piece) {
        WriteOptions options;
        options.pieceBytes = piece;
        WriteWorkbookFile(original, (dir / name).string(), options);
        std::ifstream in(dir / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(bytes("a.xlsx", 8192), bytes("b.xlsx", 8192));
    EXPECT_EQ(bytes("c.xlsx", 0), bytes("d.xlsx", 0));
}

// Texts copied from workbooks whose string pools number them differently keep
// their texts, in the cells and through the shared strings of the file.
TEST(XlsxRoundTrip, TextsCopiedFromSeveralWorkbooksKeepTheirTexts) {
    Workbook a, b, result;
    Worksheet& sa = a.AddSheet("A");
    sa.SetValue({1, 1}, Value::Text("apple"));
    sa.SetValue({1, 2}, Value::Text("pear"));
    sa.SetFormula({1, 3}, "A1&B1", Value::Text("applepear"), false);
    Worksheet& sb = b.AddSheet("B");
    sb.SetValue({1, 1}, Value::Text("pear"));  // id 0 here, 1 in `a`
    sb.SetValue({1, 2}, Value::Text("apple"));
    sb.SetValue({2, 1}, Value::Text("plum"));
    Worksheet& out = result.AddSheet("Out");
    out.SetValue({10, 1}, Value::Text("plum"));  // already in the result's pool
    CopyCells(sa, {{1, 1}, {1, 3}}, out, {1, 1});
    CopyCells(sb, {{1, 1}, {2, 2}}, out, {2, 1});
    CopyCells(sa, {{1, 1}, {1, 3}}, out, {4, 1}, kCopyValues);

    const fs::path file = fs::path(TABULON_BINARY_DIR) / "round_trip_pooled_texts.xlsx";
    WriteWorkbookFile(result, file.string());
    Workbook copy;
    auto builder = MakeWorkbookBuilder(copy);
    ReadWorkbookFile(file.string(), *builder);
    const Worksheet& back = copy.Sheet(0);
    EXPECT_EQ(back.GetValue({1, 1}), Value::Text("apple"));
    EXPECT_EQ(back.GetValue({1, 2}), Value::Text("pear"));
    EXPECT_EQ(back.GetValue({1, 3}), Value::Text("applepear"));
    EXPECT_EQ(back.GetValue({2, 1}), Value::Text("pear"));
    EXPECT_EQ(back.GetValue({2, 2}), Value::Text("apple"));
    EXPECT_EQ(back.GetValue({3, 1}), Value::Text("plum"));
    EXPECT_EQ(back.Cell({4, 3}).kind, CellKind::Text);
    EXPECT_EQ(back.GetValue({4, 3}), Value::Text("applepear"));
    EXPECT_EQ(back.GetValue({10, 1}), Value::Text("plum"));
}

}  // namespace
}  // namespace tabulon::spreadsheet
