// Helpers for the task tests: workbooks written into a temporary folder, a task run to
// its end with its messages collected, and a result file read back.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/task.h"
#include "platform/notify.h"
#include "spreadsheet/import.h"
#include "spreadsheet/reader/workbook_reader.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/worksheet.h"
#include "spreadsheet/xlsx_writer.h"

namespace tabulon::engine::testing {

// A worksheet given as rows of cell texts: "" empty, "=..." a formula, a text that reads
// fully as a number a number, anything else text.
struct SheetContent {
    SheetContent(std::string sheetName, std::vector<std::vector<std::string>> cells,
                 double width = -1, std::string format = {})
        : name(std::move(sheetName)),
          rows(std::move(cells)),
          firstColumnWidth(width),
          firstColumnFormat(std::move(format)) {}
    std::string name;
    std::vector<std::vector<std::string>> rows;
    double firstColumnWidth = -1;   // set when >= 0
    std::string firstColumnFormat;  // number format of column A below row 1
};

inline void WriteBook(const std::string& path, const std::vector<SheetContent>& sheets) {
    using namespace spreadsheet;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    Workbook book;
    for (const SheetContent& content : sheets) {
        Worksheet& sheet = book.AddSheet(content.name);
        int style = 0;
        if (!content.firstColumnFormat.empty()) {
            CellStyle cellStyle;
            cellStyle.numberFormat = content.firstColumnFormat;
            style = book.AddStyle(cellStyle);
        }
        for (size_t r = 0; r < content.rows.size(); ++r) {
            for (size_t c = 0; c < content.rows[r].size(); ++c) {
                const std::string& text = content.rows[r][c];
                CellRef ref{static_cast<int>(r) + 1, static_cast<int>(c) + 1};
                if (text.empty())
                    continue;
                if (text[0] == '=') {
                    sheet.SetFormula(ref, text);
                } else {
                    char* end = nullptr;
                    double number = std::strtod(text.c_str(), &end);
                    sheet.SetValue(ref, *end == 0 ? Value::Number(number) : Value::Text(text));
                }
                if (c == 0 && r > 0 && style != 0)
                    sheet.SetStyle(ref, style);
            }
        }
        if (content.firstColumnWidth >= 0)
            sheet.SetColumnWidth(1, 1, content.firstColumnWidth);
    }
    WriteWorkbookFile(book, path);
}

inline std::unique_ptr<spreadsheet::Workbook> ReadBook(const std::string& path) {
    auto book = std::make_unique<spreadsheet::Workbook>();
    auto builder = spreadsheet::MakeWorkbookBuilder(*book);
    spreadsheet::ReadWorkbookFile(path, *builder);
    return book;
}

// The sheet names of a workbook in order.
inline std::vector<std::string> SheetNames(const spreadsheet::Workbook& book) {
    std::vector<std::string> names;
    for (int i = 0; i < book.SheetCount(); ++i)
        names.push_back(book.Sheet(i).Name());
    return names;
}

// What a cell shows for the tests: its formula as "=..." or its value as text.
inline std::string CellText(const spreadsheet::Worksheet& sheet, int row, int col) {
    spreadsheet::CellView cell = sheet.Cell({row, col});
    if (cell.kind == spreadsheet::CellKind::Formula)
        return "=" + std::string(cell.formula);
    return sheet.DisplayText({row, col});
}

struct TaskRun {
    std::vector<int> codes;
    std::vector<CString> lines;     // the texts of TN_TEXT and TN_FINISHED, in order
    std::vector<CString> progress;  // the texts of the progress records, in order
    CString FinalText() const { return lines.empty() ? CString() : lines.back(); }
};

inline TaskRun RunToEnd(std::unique_ptr<CTask> task, platform::CNotifyTarget& target) {
    auto control = CTask::Start(std::move(task));
    EXPECT_TRUE(control);
    if (control)
        control->WaitFinished();
    TaskRun run;
    for (platform::CNotifyMessage& message : target.Drain()) {
        run.codes.push_back(message.code);
        if (const CString* text = message.payload.Text())
            run.lines.push_back(*text);
        else if (const StringRecord* record = message.payload.Record();
                 record && message.code >= TN_PROGRESS_BEGIN && message.code <= TN_PROGRESS_END &&
                 record->size() == 2)
            run.progress.push_back((*record)[1]);
    }
    return run;
}

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace tabulon::engine::testing
