#include "engine/file_walker.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/temp_folder.h"

namespace tabulon::engine {
namespace {

using platform::testing::TempFolder;

class RecordingWalker : public CFileWalker {
  public:
    RecordingWalker(const CString& folder, int stopAfter = -1)
        : CFileWalker({}, folder, "*.xls;*.xlsx"), m_stopAfter(stopAfter) {}
    std::vector<CString> files;

  protected:
    int Run() override { return Walk(); }
    int ProcessFile(const CString& path) override {
        files.push_back(path);
        return static_cast<int>(files.size()) != m_stopAfter;
    }

  private:
    int m_stopAfter;
};

TEST(FileWalker, WalksDepthFirstInNameOrderAndMatchesWithoutCase) {
    TempFolder root;
    for (const char* name : {"b.xlsx", "a/z.XLS", "a/notes.txt", "C.xls", "a/b/c.xlsx"}) {
        std::filesystem::create_directories(std::filesystem::path(root / name).parent_path());
        root.Write(name, "x");
    }
    std::filesystem::create_directory_symlink(root / "a", root / "loop");

    RecordingWalker walker(CString(root.Path()) + "/");  // a trailing '/' walks the same
    EXPECT_EQ(walker.Walk(), 1);
    const std::vector<CString> expected = {CString(root / "C.xls"), CString(root / "a/b/c.xlsx"),
                                           CString(root / "a/z.XLS"), CString(root / "b.xlsx")};
    EXPECT_EQ(walker.files, expected);  // byte order; linked folders are not walked
    EXPECT_EQ(walker.GetFileCount(), 4);
    EXPECT_EQ(walker.ListFiles(), expected);  // the listing a read-ahead works from
}

TEST(FileWalker, StopsAtTheFirstRefusedFileAndToleratesAMissingFolder) {
    TempFolder root;
    root.Write("1.xls", "x");
    root.Write("2.xls", "x");
    RecordingWalker stopping(root.Path().c_str(), 1);
    EXPECT_EQ(stopping.Walk(), 0);
    EXPECT_EQ(stopping.files.size(), 1u);
    EXPECT_EQ(stopping.GetFileCount(), 0);

    RecordingWalker missing(CString(root / "none"));
    EXPECT_EQ(missing.Walk(), 1);
    EXPECT_TRUE(missing.files.empty());
}

}  // namespace
}  // namespace tabulon::engine
