// The two-file modes on real-sized data: two workbooks of 100,000 rows each are written
// into a temporary folder, then intersection, difference and merge columns run on them
// as the command line runs them (one key lookup per row of worksheet 1). Worksheet 1 has
// 50,000 distinct keys, each twice; worksheet 2 holds half of them. Prints the time of
// each run, the writing of the result included.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/tasks/difference_task.h"
#include "engine/tasks/intersection_task.h"
#include "engine/tasks/merge_cols_task.h"
#include "platform/notify.h"
#include "platform/scripted_prompt.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/worksheet.h"
#include "spreadsheet/xlsx_writer.h"

using namespace tabulon;

namespace {

constexpr int kRows = 100000;
constexpr int kKeys = 50000;

// Keys K<first + (i * step) mod span> for rows 1..kRows, a number and a text beside.
void WriteKeyBook(const std::string& path, const char* sheetName, int first, int span, int step) {
    spreadsheet::Workbook book;
    spreadsheet::Worksheet& sheet = book.AddSheet(sheetName);
    for (int i = 1; i <= kRows; ++i) {
        const long long key = first + (static_cast<long long>(i) * step) % span;
        // snprintf rather than "K" + to_string: no false -Wrestrict in release builds.
        char text[32];
        std::snprintf(text, sizeof text, "K%lld", key);
        sheet.SetValue({i, 1}, spreadsheet::Value::Text(text));
        sheet.SetValue({i, 2}, spreadsheet::Value::Number(i));
        std::snprintf(text, sizeof text, "row %d", i);
        sheet.SetValue({i, 3}, spreadsheet::Value::Text(text));
    }
    spreadsheet::WriteWorkbookFile(book, path);
}

template <class Task>
void Time(const char* name, const std::string& one, const std::string& two,
          const std::string& result) {
    platform::CNotifyTarget target;
    auto task = std::make_unique<Task>(target.Handle(), one.c_str(), "One", two.c_str(), "Two", 1,
                                       1, 0, result.c_str());
    const auto start = std::chrono::steady_clock::now();
    auto control = engine::CTask::Start(std::move(task));
    control->WaitFinished();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    CString last;
    for (platform::CNotifyMessage& message : target.Drain())
        if (message.code == TN_FINISHED)
            last = *message.payload.Text();
    std::printf("two-file: %s of %d rows against %d rows: %.2f s (%s)\n", name, kRows, kRows,
                seconds, last.GetString());
    std::filesystem::remove(result);
}

}  // namespace

int main() {
    char pattern[] = "/tmp/bench_two_file_XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const std::string folder = pattern;
    const std::string one = folder + "/one.xlsx", two = folder + "/two.xlsx";
    const std::string result = folder + "/result.xlsx";
    WriteKeyBook(one, "One", 0, kKeys, 7919);              // K0..K49999, each twice
    WriteKeyBook(two, "Two", kKeys / 2, 2 * kKeys, 7907);  // K25000..K124999, once each

    auto prompts = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(prompts);  // No to opening the result
    Time<engine::CIntersectionTask>("intersection", one, two, result);
    Time<engine::CDifferenceTask>("difference", one, two, result);
    Time<engine::CMergeColsTask>("merge-cols", one, two, result);
    std::filesystem::remove_all(folder);
    return 0;
}
