// The Linux back end without a sound server.

#include <gtest/gtest.h>

#include "sound/LinuxAudioBackend.h"
#include "tests/common/TempFolder.h"
#include "tests/sound/WaveFile.h"

namespace mirel {
namespace {

// Without a sound server (the output is never started here) a sound still
// opens, and playing, stopping and closing it return at once.
TEST(LinuxAudioBackend, OpensAndPlaysWithoutAnyOutput) {
  TempFolder folder;
  test::WriteWave(folder.Path() / "Sound1.wav", {{440, 0.05}});
  test::WriteFile(folder.Path() / "Sound2.wav", "RIFF but not really");
  LinuxAudioBackend backend;
  EXPECT_TRUE(backend.Open("1", folder.Path() / "Sound1.wav"));
  EXPECT_FALSE(backend.Open("2", folder.Path() / "Sound2.wav"));
  backend.Play("1", true);
  backend.Stop("1");
  backend.Close("1");
}

}  // namespace
}  // namespace mirel
