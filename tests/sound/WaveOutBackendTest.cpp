// The waveOut back end, whether or not the machine has a sound device.

#include <gtest/gtest.h>

#include "sound/WaveOutBackend.h"
#include "tests/common/TempFolder.h"
#include "tests/sound/WaveFile.h"

namespace mirel {
namespace {

// Every call returns at once before the output opens, and ending the back end
// while its output is still opening (or has failed to) neither hangs nor
// leaves the feeding thread on freed memory.
TEST(WaveOutBackend, PlaysBeforeItsOutputAndEndsWhileItOpens) {
  TempFolder folder;
  test::WriteWave(folder.Path() / "Sound1.wav", {{440, 0.05}});
  test::WriteFile(folder.Path() / "Sound2.wav", "RIFF but not really");
  for (int round = 0; round < 3; ++round) {
    WaveOutBackend backend;
    EXPECT_TRUE(backend.Open("1", folder.Path() / "Sound1.wav"));
    EXPECT_FALSE(backend.Open("2", folder.Path() / "Sound2.wav"));
    backend.Play("1", false);
    backend.Stop("1");
    backend.Close("1");
    backend.StartOutput();
  }
}

}  // namespace
}  // namespace mirel
