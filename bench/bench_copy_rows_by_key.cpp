// The copy-rows-by-key task on real-sized data: one workbook of 100,000 rows with 50,000
// distinct keys (each twice, scrambled), written with the project's writer into a
// temporary folder, consolidated by the task as the command line runs it. Prints the
// time of the whole run and rows per second, then checks the result read back.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "engine/tasks/copy_rows_by_key_task.h"
#include "platform/notify.h"
#include "platform/scripted_prompt.h"
#include "spreadsheet/import.h"
#include "spreadsheet/reader/workbook_reader.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/worksheet.h"
#include "spreadsheet/xlsx_writer.h"

using namespace tabulon;

namespace {

constexpr int kRows = 100000;
constexpr int kKeys = 50000;

void WriteSource(const std::string& path) {
    spreadsheet::Workbook book;
    spreadsheet::Worksheet& sheet = book.AddSheet("Data");
    sheet.SetValue({1, 1}, spreadsheet::Value::Text("Key"));
    sheet.SetValue({1, 2}, spreadsheet::Value::Text("Units"));
    sheet.SetValue({1, 3}, spreadsheet::Value::Text("Amount"));
    for (int i = 1; i <= kRows; ++i) {
        int key = static_cast<int>((static_cast<long long>(i) * 7919) % kKeys);
        char text[16];  // snprintf: no false -Wrestrict of string concatenation in release
        std::snprintf(text, sizeof text, "K%d", key);
        sheet.SetValue({i + 1, 1}, spreadsheet::Value::Text(text));
        sheet.SetValue({i + 1, 2}, spreadsheet::Value::Number(1));
        sheet.SetValue({i + 1, 3}, spreadsheet::Value::Number(i % 10));
    }
    spreadsheet::WriteWorkbookFile(book, path);
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

}  // namespace

int main() {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("bench_copy_rows_by_key_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "in");
    WriteSource((folder / "in" / "data.xlsx").string());
    const std::string result = (folder / "result.xlsx").string();

    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);
    platform::CNotifyTarget target;
    const auto start = std::chrono::steady_clock::now();
    auto control = engine::CTask::Start(std::make_unique<engine::CCopyRowsByKeyColTask>(
        CString((folder / "in").string()), engine::SheetSelection{}, 1, 2, 1, target.Handle(), 1,
        CString(result)));
    control->WaitFinished();
    const double total = Seconds(std::chrono::steady_clock::now() - start);
    const size_t messages = target.Drain().size();
    std::printf(
        "copy-rows-by-key: %d rows, %d keys: %.2f s for the whole run (%.0f rows per "
        "second, %zu messages)\n",
        kRows, kKeys, total, kRows / total, messages);

    spreadsheet::Workbook book;
    auto builder = spreadsheet::MakeWorkbookBuilder(book);
    spreadsheet::ReadWorkbookFile(result, *builder);
    const spreadsheet::Worksheet& sheet = book.Sheet(0);
    const bool ok =
        sheet.DisplayText({kKeys, 2}) == "2" && sheet.DisplayText({kKeys + 1, 1}).empty();
    std::printf("copy-rows-by-key: result has %s\n",
                ok ? "50,000 rows of summed pairs" : "UNEXPECTED content");
    std::filesystem::remove_all(folder);
    return ok ? 0 : 1;
}
