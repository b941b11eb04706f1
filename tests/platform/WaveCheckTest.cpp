// Which files the Qt back end takes as sounds, and that it needs nothing of
// the audio system to open them or, before an application exists, to be told
// to play them.

#include <gtest/gtest.h>

#include "platform/Mci.h"
#include "platform/QtAudioBackend.h"
#include "tests/common/TempFolder.h"
#include "tests/platform/WaveFile.h"

namespace mirel {
namespace {

TEST(QtAudioBackend, TakesUncompressedWavesAndNothingElse) {
  TempFolder folder;
  const auto file = [&](const std::string& name, const std::string& bytes) {
    test::WriteFile(folder.Path() / name, bytes);
    return folder.Path() / name;
  };
  const std::string good = test::WaveBytes({{440, 0.05}});

  EXPECT_TRUE(QtAudioBackend::IsPlayableWave(file("16.wav", good)));
  EXPECT_TRUE(QtAudioBackend::IsPlayableWave(file("8.wav", test::WaveBytes({{440, 0.05}}, 22050, 1, 8))));
  EXPECT_TRUE(QtAudioBackend::IsPlayableWave(file("音 1.wav", good)));
  EXPECT_TRUE(QtAudioBackend::IsPlayableWave(file("no-extension", good)));

  EXPECT_FALSE(
      QtAudioBackend::IsPlayableWave(file("float.wav", test::WaveBytes({{440, 0.05}}, 44100, 3, 32))));
  EXPECT_FALSE(
      QtAudioBackend::IsPlayableWave(file("12bit.wav", test::WaveBytes({{440, 0.05}}, 44100, 1, 12))));
  EXPECT_FALSE(QtAudioBackend::IsPlayableWave(file("text.wav", "just some words, no sound")));
  EXPECT_FALSE(QtAudioBackend::IsPlayableWave(file("empty.wav", "")));
  EXPECT_FALSE(QtAudioBackend::IsPlayableWave(file("header.wav", good.substr(0, 12))));
  EXPECT_FALSE(QtAudioBackend::IsPlayableWave(file("cut.wav", good.substr(0, good.size() / 2))));
  std::string formatOnly = good.substr(0, 36);  // RIFF header and format chunk, no data chunk
  formatOnly[4] = 28;
  formatOnly[5] = formatOnly[6] = formatOnly[7] = 0;
  EXPECT_FALSE(QtAudioBackend::IsPlayableWave(file("no-data.wav", formatOnly)));
  EXPECT_FALSE(QtAudioBackend::IsPlayableWave(folder.Path() / "missing.wav"));
  EXPECT_FALSE(QtAudioBackend::IsPlayableWave(folder.Path()));
}

TEST(QtAudioBackend, OpensAndIsToldToPlayWithoutAnApplicationOrAudioSystem) {
  TempFolder folder;
  test::WriteWave(folder.Path() / "Sound1.wav", {{440, 0.05}});
  test::WriteFile(folder.Path() / "Sound2.wav", "RIFF but not really");
  QtAudioBackend backend;
  MciInterpreter mci(backend);
  const std::string one = (folder.Path() / "Sound1.wav").string();
  const std::string two = (folder.Path() / "Sound2.wav").string();

  EXPECT_EQ(mci.SendString("open \"" + one + "\" alias 1"), MCI_OK);
  EXPECT_EQ(mci.SendString("open \"" + two + "\" alias 2"), MCIERR_INVALID_FILE);
  EXPECT_EQ(mci.SendString("open \"" + one + "\" alias 3 type mpegvideo"), MCI_OK);
  // Silent, as no application object exists to play in.
  EXPECT_EQ(mci.SendString("play \"1\" from 0 notify"), MCI_OK);
  EXPECT_EQ(mci.SendString("play \"3\" repeat"), MCI_OK);
  EXPECT_EQ(mci.SendString("stop \"1\" notify"), MCI_OK);
  EXPECT_EQ(mci.SendString("close \"1\""), MCI_OK);
  EXPECT_EQ(mci.SendString("close \"3\""), MCI_OK);
}

}  // namespace
}  // namespace mirel
