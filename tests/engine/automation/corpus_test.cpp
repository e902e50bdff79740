// Every corpus workbook through the objects the tasks use: loaded as a new
// workbook, each worksheet's content copied as values and as a whole sheet into a
// result that is saved and read back. Files we cannot read must fail with a
// ComError naming them, and no source file may change.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/sheet/sheet_helpers.h"
#include "platform/temp_folder.h"

namespace tabulon::engine {
namespace {

using platform::testing::ReadFile;
using platform::testing::TempFolder;

std::vector<std::string> CorpusFiles() {
    std::ifstream manifest(TABULON_CORPUS_DIR "/MANIFEST.tsv");
    std::vector<std::string> files;
    std::string line;
    std::getline(manifest, line);  // header
    while (std::getline(manifest, line)) {
        std::string path = line.substr(0, line.find('\t'));
        if (!path.empty())
            files.push_back(std::string(TABULON_CORPUS_DIR) + "/" + path);
    }
    return files;
}

TEST(AutomationCorpus, WorkbooksLoadCopyAndSaveWithoutTouchingTheirSources) {
    const auto files = CorpusFiles();
    ASSERT_GT(files.size(), 100u);
    TempFolder out;
    _Application app = _Application::Create();
    int loaded = 0;
    for (const auto& path : files) {
        const std::string before = ReadFile(path);
        _Workbook source;
        try {
            source = app.GetWorkbooks().Add(COleVariant(CString(path)));
        } catch (const ComError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
            continue;
        }
        ++loaded;
        _Workbook result = NewWorkbook(app.GetWorkbooks(), 1);
        Sheets sheets = source.GetSheets();
        for (long i = 1; i <= sheets.GetCount(); ++i) {
            _Worksheet ws = sheets.GetItem(COleVariant(i));
            if (ws.IsEmpty())
                continue;
            Range data = GetDataRange(ws);
            _Worksheet values = AddSheetWithValues(result, ws);
            // Values of formulas we cannot calculate are left out (and reported).
            const bool unknown = !app.TakeUncalculatedCells().empty();
            if (!data.IsEmpty()) {
                if (!unknown) {
                    EXPECT_EQ(GetRangeAddress(GetDataRange(values)), GetRangeAddress(data)) << path;
                }
                FindKey(data.GetColumns().GetItem(COleVariant(1)),
                        data.GetItem(COleVariant(1)).GetValue());
            }
            CopySheetToEnd(ws, result);
        }
        const std::string target = out / "result.xlsx";
        result.SaveCopyAs(CString(target));
        result.SetSaved(true);
        result.Close();
        source.Close();
        _Workbook back = app.GetWorkbooks().Add(COleVariant(CString(target)));
        back.Close();
        EXPECT_EQ(ReadFile(path), before) << path;
    }
    EXPECT_GT(loaded, 100);
    EXPECT_EQ(app.GetWorkbooks().GetCount(), 0);
}

}  // namespace
}  // namespace tabulon::engine
