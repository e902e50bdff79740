// Writes the benchmark datasets with our own writer:
//   S/  200 workbooks in nested folders, 2 worksheets ("January", "February") of 2,000 rows x 12
//       columns each: a text key (5,000 keys), 8 numbers, a date, a short text, =C*D with its
//       cached value; row 1 holds the headings.
//   L/  one workbook, one worksheet of 1,000,000 rows x 10 columns.
//   K/  20 workbooks of 50,000 rows (key, 3 numbers) under a heading row, 100,000 distinct keys
//       in all.
//   T/  one.xlsx and two.xlsx: 100,000 rows each (key, number, text), half the keys shared.
//   template.xlsx  the layout of an S worksheet, for check-same-format.
//   many/  N small workbooks (one worksheet of 10 x 5), only with --many N.
// --scale N divides the rows of every worksheet and the workbooks of S and K by N (at least one
// data row, one workbook), for small instances of the same shapes (the tests use --scale 100).
// Usage: make_datasets DIR [--only S,L,K,T,many] [--many N] [--scale N]
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "spreadsheet/workbook.h"
#include "spreadsheet/worksheet.h"
#include "spreadsheet/xlsx_writer.h"

namespace fs = std::filesystem;
using namespace tabulon::spreadsheet;

namespace {

int g_scale = 1;

// n divided by the scale, at least `least`.
int Scaled(int n, int least = 1) {
    return std::max(least, n / g_scale);
}

// A small deterministic generator, so every run compares the same files.
struct Lcg {
    unsigned long long state;
    unsigned Next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(state >> 33);
    }
};

std::string Key(const char* prefix, unsigned n) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%05u", prefix, n);
    return text;
}

int DateStyle(Workbook& book) {
    CellStyle style;
    style.numberFormat = "yyyy-mm-dd";
    return book.AddStyle(style);
}

void FillSalesSheet(Worksheet& ws, int dateStyle, Lcg& rng, int rows) {
    static const char* const kHeadings[] = {"Key",  "Units", "Price", "Cost", "Tax",  "Freight",
                                            "Disc", "Net",   "Gross", "Date", "Note", "Amount"};
    for (int c = 1; c <= 12; ++c)
        ws.SetValue({1, c}, Value::Text(kHeadings[c - 1]));
    static const char* const kNotes[] = {"ok", "late", "paid", "open", "hold"};
    for (int r = 2; r <= rows; ++r) {
        ws.SetValue({r, 1},
                    Value::Text(Key("K", rng.Next() % static_cast<unsigned>(Scaled(5000)))));
        double c = 0, d = 0;
        for (int col = 2; col <= 9; ++col) {
            const double v = static_cast<double>(rng.Next() % 100000) / 100.0;
            ws.SetValue({r, col}, Value::Number(v));
            if (col == 3)
                c = v;
            if (col == 4)
                d = v;
        }
        ws.SetValue({r, 10}, Value::Number(44000 + rng.Next() % 1000));
        ws.SetStyle({r, 10}, dateStyle);
        ws.SetValue({r, 11}, Value::Text(kNotes[rng.Next() % 5]));
        char formula[32];
        std::snprintf(formula, sizeof formula, "C%d*D%d", r, r);
        ws.SetFormula({r, 12}, formula, Value::Number(c * d), false);
    }
}

void MakeS(const fs::path& dir) {
    Lcg rng{1};
    for (int i = 0; i < Scaled(200, 4); ++i) {
        const fs::path folder =
            dir / ("region-" + std::to_string(i % 5)) / ("year-" + std::to_string(2020 + i % 4));
        fs::create_directories(folder);
        Workbook book;
        const int dateStyle = DateStyle(book);
        FillSalesSheet(book.AddSheet("January"), dateStyle, rng, Scaled(2000, 2));
        FillSalesSheet(book.AddSheet("February"), dateStyle, rng, Scaled(2000, 2));
        char name[32];
        std::snprintf(name, sizeof name, "book-%03d.xlsx", i);
        WriteWorkbookFile(book, (folder / name).string());
    }
}

void MakeTemplate(const fs::path& path) {
    Lcg rng{7};
    Workbook book;
    FillSalesSheet(book.AddSheet("January"), DateStyle(book), rng, Scaled(2000, 2));
    WriteWorkbookFile(book, path.string());
}

void MakeL(const fs::path& dir) {
    fs::create_directories(dir);
    Lcg rng{2};
    Workbook book;
    Worksheet& ws = book.AddSheet("Data");
    for (int r = 1; r <= Scaled(1000000); ++r) {
        ws.SetValue({r, 1}, Value::Text(Key("L", rng.Next() % 50000)));
        for (int c = 2; c <= 9; ++c)
            ws.SetValue({r, c}, Value::Number(static_cast<double>(rng.Next() % 1000000) / 100.0));
        ws.SetValue({r, 10}, Value::Text(r % 2 ? "even" : "odd"));
    }
    WriteWorkbookFile(book, (dir / "large.xlsx").string());
}

void MakeK(const fs::path& dir) {
    fs::create_directories(dir);
    Lcg rng{3};
    for (int i = 0; i < Scaled(20, 2); ++i) {
        Workbook book;
        Worksheet& ws = book.AddSheet("Data");
        static const char* const kHeadings[] = {"Key", "Units", "Price", "Cost"};
        for (int c = 1; c <= 4; ++c)
            ws.SetValue({1, c}, Value::Text(kHeadings[c - 1]));
        for (int r = 2; r <= Scaled(50000) + 1; ++r) {
            // Every workbook holds 50,000 of the 100,000 keys: keys recur across workbooks.
            const unsigned key = (static_cast<unsigned>(r - 1) * 2 + static_cast<unsigned>(i % 2)) %
                                 static_cast<unsigned>(Scaled(100000));
            ws.SetValue({r, 1}, Value::Text(Key("K", key)));
            for (int c = 2; c <= 4; ++c)
                ws.SetValue({r, c}, Value::Number(rng.Next() % 1000));
        }
        char name[32];
        std::snprintf(name, sizeof name, "part-%02d.xlsx", i);
        WriteWorkbookFile(book, (dir / name).string());
    }
}

void MakeTwoFiles(const fs::path& dir) {
    fs::create_directories(dir);
    for (int f = 0; f < 2; ++f) {
        Lcg rng{static_cast<unsigned long long>(10 + f)};
        Workbook book;
        Worksheet& ws = book.AddSheet("Data");
        const unsigned half = static_cast<unsigned>(Scaled(50000));
        for (int r = 1; r <= 2 * static_cast<int>(half); ++r) {
            // File one holds keys 0..99,999; file two 50,000..149,999.
            ws.SetValue({r, 1}, Value::Text(Key("T", static_cast<unsigned>(r - 1) + f * half)));
            ws.SetValue({r, 2}, Value::Number(rng.Next() % 10000));
            ws.SetValue({r, 3}, Value::Text(f ? "second" : "first"));
        }
        WriteWorkbookFile(book, (dir / (f ? "two.xlsx" : "one.xlsx")).string());
    }
}

void MakeMany(const fs::path& dir, int count) {
    Lcg rng{4};
    for (int i = 0; i < count; ++i) {
        const fs::path folder = dir / ("batch-" + std::to_string(i / 1000));
        fs::create_directories(folder);
        Workbook book;
        Worksheet& ws = book.AddSheet("Data");
        for (int r = 1; r <= 10; ++r)
            for (int c = 1; c <= 5; ++c)
                ws.SetValue({r, c}, Value::Number(rng.Next() % 100));
        char name[32];
        std::snprintf(name, sizeof name, "small-%05d.xlsx", i);
        WriteWorkbookFile(book, (folder / name).string());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: make_datasets DIR [--only S,L,K,T,many] [--many N] [--scale N]\n");
        return 2;
    }
    const fs::path dir = argv[1];
    std::string only = "S,L,K,T";
    int many = 0;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--only") == 0)
            only = argv[i + 1];
        else if (std::strcmp(argv[i], "--many") == 0)
            many = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--scale") == 0)
            g_scale = std::max(1, std::atoi(argv[i + 1]));
    }
    const auto wanted = [&](const char* what) {
        std::string list = ",";
        list.append(only).append(",");
        std::string item = ",";
        item.append(what).append(",");
        return list.find(item) != std::string::npos;
    };
    try {
        if (wanted("S")) {
            MakeS(dir / "S");
            MakeTemplate(dir / "template.xlsx");
        }
        if (wanted("L"))
            MakeL(dir / "L");
        if (wanted("K"))
            MakeK(dir / "K");
        if (wanted("T"))
            MakeTwoFiles(dir / "T");
        if (wanted("many") && many > 0)
            MakeMany(dir / "many", many);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_datasets: %s\n", e.what());
        return 1;
    }
    return 0;
}
