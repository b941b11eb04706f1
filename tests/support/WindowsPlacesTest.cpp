// Where the Windows build keeps the record file, and how it finds the folders.

#include <gtest/gtest.h>

#include "platform/ExecutableFolder.h"
#include "support/DataFolder.h"
#include "support/RecordPlace.h"
#include "tests/support/TestFolder.h"

namespace mirel {
namespace {

namespace fs = std::filesystem;

TEST(WindowsPlaces, TheDataFolderIsMirelInTheLocalApplicationData) {
  const std::optional<fs::path> folder = GameDataFolder();
  ASSERT_TRUE(folder);
  EXPECT_TRUE(folder->is_absolute());
  EXPECT_EQ(folder->filename(), "Mirel");
  EXPECT_TRUE(fs::is_directory(folder->parent_path()));
}

TEST(WindowsPlaces, AFolderIsWritableWhenAFileCanBeMadeThereAndNoneIsLeft) {
  test::TestFolder folder;
  EXPECT_TRUE(FolderIsWritable(folder.Path()));
  EXPECT_TRUE(fs::is_empty(folder.Path()));
  EXPECT_FALSE(FolderIsWritable(folder.Path() / "missing"));
}

TEST(WindowsPlaces, TheExecutableFolderHoldsTheRunningProgram) {
  EXPECT_TRUE(fs::exists(ExecutableFolder() / "support_tests.exe"));
}

}  // namespace
}  // namespace mirel
