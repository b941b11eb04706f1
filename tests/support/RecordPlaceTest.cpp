// The record store read from one file and saved to another: an installed game
// starts from the copy shipped beside it and keeps the player's own elsewhere.

#include <gtest/gtest.h>

#include "platform/AudioBackend.h"
#include "platform/Mci.h"
#include "support/Zentik11.h"
#include "tests/support/TestFolder.h"

namespace mirel {
namespace {

TEST(RecordPlace, LoadsTheShippedCopySavesToTheOwnFileAndLeavesTheCopy) {
  test::TestFolder shipped, own;
  const std::string copy = "\"7/1/x\"\r\n\"8/2/y\"\r\n";
  test::Spit(shipped.RecordFile(), copy);
  SilentAudioBackend backend;
  MciInterpreter mci(backend);
  {
    Zentik11 lib(mci, own.RecordFile(), shipped.RecordFile());
    EXPECT_EQ(lib.ReadText("2", false), "8");
  }
  EXPECT_EQ(test::Slurp(own.RecordFile()), copy);
  EXPECT_EQ(test::Slurp(shipped.RecordFile()), copy);
  EXPECT_FALSE(std::filesystem::exists(shipped.Backup()));
  EXPECT_FALSE(std::filesystem::exists(own.Backup()));
}

}  // namespace
}  // namespace mirel
