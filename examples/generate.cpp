// Writes the example workbooks of the bundled demo: the monthly sales of a few branches,
// one workbook per branch, one worksheet per month, the older branch in a subfolder.
//
//   tabulon_examples <folder> [<template folder>]
//
// The committed copies live in examples/sales and examples/templates. The template
// folder receives totals.xlsx, whose worksheet Totals marks with "(SUM)" the units and
// revenue of the first seven sales lines of a month, for add-cell-by-cell.
//
// Every value comes from a fixed sequence, so the files only change when this does.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "spreadsheet/workbook.h"
#include "spreadsheet/worksheet.h"
#include "spreadsheet/xlsx_writer.h"

using namespace tabulon::spreadsheet;

namespace {

struct Branch {
    const char* file;  // relative to the output folder
    const char* city;
    int rows;
};

const Branch kBranches[] = {
    {"north.xlsx", "Oslo", 12},
    {"south.xlsx", "Seville", 9},
    {"east.xlsx", "Vienna", 14},
    {"archive/west-2023.xlsx", "Lisbon", 7},
};

const char* const kProducts[] = {"Desk lamp",    "Office chair", "Notebook A5",
                                 "Fountain pen", "Monitor arm",  "Paper tray"};
const double kPrices[] = {24.5, 189.0, 3.2, 42.0, 65.9, 12.75};

const char* const kMonths[] = {"January", "February", "March"};
const double kFirstOfMonth[] = {45292, 45323, 45352};  // 2024-01-01, -02-01, -03-01

// A small linear congruential sequence: the same numbers on every platform.
unsigned Next(unsigned& state) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7fff;
}

struct Styles {
    int header, text, date, count, money;
};

Styles AddStyles(Workbook& book) {
    CellStyle header;
    header.font.bold = true;
    CellStyle date;
    date.numberFormat = "yyyy-mm-dd";
    CellStyle count;
    count.numberFormat = "0";
    CellStyle money;
    money.numberFormat = "#,##0.00";
    return {book.AddStyle(header), 0, book.AddStyle(date), book.AddStyle(count),
            book.AddStyle(money)};
}

void FillMonth(Worksheet& sheet, const Styles& styles, int month, int rows, unsigned& seed) {
    const char* headers[] = {"Date", "Product", "Units", "Unit price", "Revenue"};
    for (int col = 1; col <= 5; ++col) {
        sheet.SetValue({1, col}, Value::Text(headers[col - 1]));
        sheet.SetStyle({1, col}, styles.header);
    }
    for (int i = 0; i < rows; ++i) {
        int row = i + 2;
        int product = static_cast<int>(Next(seed) % 6);
        int units = 1 + static_cast<int>(Next(seed) % 40);
        double price = kPrices[product];
        sheet.SetValue({row, 1}, Value::Number(kFirstOfMonth[month] + 2 * i));
        sheet.SetStyle({row, 1}, styles.date);
        sheet.SetValue({row, 2}, Value::Text(kProducts[product]));
        sheet.SetValue({row, 3}, Value::Number(units));
        sheet.SetStyle({row, 3}, styles.count);
        sheet.SetValue({row, 4}, Value::Number(price));
        sheet.SetStyle({row, 4}, styles.money);
        char formula[32];
        std::snprintf(formula, sizeof formula, "C%d*D%d", row, row);
        sheet.SetFormula({row, 5}, formula, Value::Number(units * price), false);
        sheet.SetStyle({row, 5}, styles.money);
    }
    sheet.SetColumnWidth(1, 1, 12);
    sheet.SetColumnWidth(2, 2, 16);
    sheet.SetColumnWidth(3, 3, 8);
    sheet.SetColumnWidth(4, 5, 12);
}

// Totals: the month header, then "(SUM)" under Units and Revenue for seven lines.
void WriteTotalsTemplate(const std::filesystem::path& folder) {
    Workbook book;
    Styles styles = AddStyles(book);
    Worksheet& sheet = book.AddSheet("Totals");
    const char* headers[] = {"Line", "", "Units", "", "Revenue"};
    for (int col = 1; col <= 5; ++col) {
        if (*headers[col - 1] != 0)
            sheet.SetValue({1, col}, Value::Text(headers[col - 1]));
        sheet.SetStyle({1, col}, styles.header);
    }
    for (int row = 2; row <= 8; ++row) {
        sheet.SetValue({row, 1}, Value::Number(row - 1));
        sheet.SetValue({row, 3}, Value::Text("(SUM)"));
        sheet.SetStyle({row, 3}, styles.count);
        sheet.SetValue({row, 5}, Value::Text(row % 2 == 0 ? "(SUM)" : "(sum)"));
        sheet.SetStyle({row, 5}, styles.money);
    }
    sheet.SetColumnWidth(1, 5, 12);
    std::filesystem::create_directories(folder);
    const std::filesystem::path path = folder / "totals.xlsx";
    WriteWorkbookFile(book, path.string());
    std::printf("%s\n", path.string().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: tabulon_examples <folder> [<template folder>]\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    unsigned seed = 20240101;
    try {
        for (const Branch& branch : kBranches) {
            Workbook book;
            Styles styles = AddStyles(book);
            for (int month = 0; month < 3; ++month) {
                Worksheet& sheet = book.AddSheet(kMonths[month]);
                FillMonth(sheet, styles, month, branch.rows + month, seed);
            }
            Worksheet& notes = book.AddSheet("Notes");
            notes.SetValue({1, 1}, Value::Text(std::string("Branch: ") + branch.city));
            notes.SetValue({2, 1}, Value::Text("Prices include VAT."));
            notes.SetColumnWidth(1, 1, 30);
            std::filesystem::path path = folder / branch.file;
            std::filesystem::create_directories(path.parent_path());
            WriteWorkbookFile(book, path.string());
            std::printf("%s\n", path.string().c_str());
        }
        if (argc == 3)
            WriteTotalsTemplate(argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tabulon_examples: %s\n", e.what());
        return 1;
    }
    return 0;
}
