// What the back ends take as a sound, and what the mixer makes of it: decoded
// once to the mixer's format, restarted exactly, stopped, looped.

#include <gtest/gtest.h>

#include <algorithm>

#include "sound/SoundMixer.h"
#include "sound/WaveDecoder.h"
#include "tests/common/TempFolder.h"
#include "tests/sound/WaveFile.h"

namespace mirel {
namespace {

TEST(WaveDecoder, DecodesPcmWavesToTheMixersFormatAndRefusesTheRest) {
  TempFolder folder;
  const auto file = [&](const std::string& name, const std::string& bytes) {
    test::WriteFile(folder.Path() / name, bytes);
    return folder.Path() / name;
  };
  const std::string good = test::WaveBytes({{440, 0.5}});

  // Half a second at any rate and width comes out as half a second of stereo at the mixer's rate.
  for (const auto& path : {file("16.wav", good), file("8.wav", test::WaveBytes({{440, 0.5}}, 22050, 1, 8)),
                           file("音 1", good)}) {
    const auto decoded = DecodeWave(path);
    ASSERT_TRUE(decoded) << path;
    const std::shared_ptr<const PcmSound>& sound = *decoded;
    EXPECT_NEAR(double(sound->Frames()), 0.5 * SoundMixer::kRate, 64) << path;
    const auto [low, high] = std::minmax_element(sound->samples.begin(), sound->samples.end());
    EXPECT_GT(*high, 14000) << path;  // the tone peaks at half of full scale
    EXPECT_LT(*low, -14000) << path;
    EXPECT_EQ(sound->samples[200], sound->samples[201]) << "mono goes to both channels";
  }

  EXPECT_FALSE(DecodeWave(file("12bit.wav", test::WaveBytes({{440, 0.05}}, 44100, 1, 12))));
  EXPECT_FALSE(DecodeWave(file("text.wav", "just some words, no sound")));
  EXPECT_FALSE(DecodeWave(file("empty.wav", "")));
  EXPECT_FALSE(DecodeWave(file("header.wav", good.substr(0, 12))));
  EXPECT_FALSE(DecodeWave(file("cut.wav", good.substr(0, good.size() / 2))));
  EXPECT_FALSE(DecodeWave(folder.Path() / "missing.wav"));
  EXPECT_FALSE(DecodeWave(folder.Path()));
  // Guards: a long or coarse file was stretched to the mixer's rate in memory, gigabytes before the window.
  EXPECT_EQ(DecodeWave(file("coarse.wav", test::WaveBytes({{440, 0.05}}, 4000, 1, 8))).Why(),
            "sampled at under 8000 Hz");
  EXPECT_EQ(DecodeWave(file("long.wav", test::WaveBytes({{440, 31}}, 8000, 1, 8))).Why(), "longer than 30 s");
}

// One channel of a mono test sound, as the mixer puts it out.
std::vector<std::int16_t> Left(SoundMixer& mixer, std::size_t frames) {
  std::vector<std::int16_t> out(frames * 2);
  mixer.Mix(out.data(), frames);
  std::vector<std::int16_t> left;
  for (std::size_t i = 0; i < out.size(); i += 2) left.push_back(out[i]);
  return left;
}

std::shared_ptr<const PcmSound> Ramp(std::int16_t from, std::size_t frames) {
  auto sound = std::make_shared<PcmSound>();
  for (std::size_t i = 0; i < frames; ++i)
    sound->samples.insert(sound->samples.end(), 2, std::int16_t(from + int(i)));
  return sound;
}

TEST(SoundMixer, PlayStartsFromTheBeginningStopSilencesAndLoopsWrap) {
  SoundMixer mixer;
  mixer.Add("1", Ramp(1, 4));
  mixer.Add("2", Ramp(100, 3));
  EXPECT_EQ(Left(mixer, 3), (std::vector<std::int16_t>{0, 0, 0})) << "opened, not played";

  mixer.Play("1", false);
  EXPECT_EQ(Left(mixer, 2), (std::vector<std::int16_t>{1, 2}));
  mixer.Play("1", false);  // a restart while playing: from its first frame again
  EXPECT_EQ(Left(mixer, 6), (std::vector<std::int16_t>{1, 2, 3, 4, 0, 0}));
  EXPECT_FALSE(mixer.AnyPlaying()) << "played once, it ended";

  mixer.Play("2", true);
  mixer.Play("1", false);
  EXPECT_EQ(Left(mixer, 8), (std::vector<std::int16_t>{101, 103, 105, 104, 101, 102, 100, 101}));
  mixer.Stop("2");
  EXPECT_EQ(Left(mixer, 2), (std::vector<std::int16_t>{0, 0}));

  // Loud voices together clip instead of wrapping round.
  mixer.Add("3", Ramp(30000, 1));
  mixer.Add("4", Ramp(30000, 1));
  mixer.Play("3", false);
  mixer.Play("4", false);
  EXPECT_EQ(Left(mixer, 1), (std::vector<std::int16_t>{32767}));

  mixer.Play("2", true);
  mixer.Remove("2");
  EXPECT_EQ(Left(mixer, 2), (std::vector<std::int16_t>{0, 0})) << "a closed device is gone";
}

// An output goes back over what it queued to start a press sooner: the
// mixing again keeps what was playing and starts the press where it went back.
TEST(SoundMixer, MixingAgainFromEarlierStartsAPlayThere) {
  SoundMixer mixer;
  mixer.Add("1", Ramp(1, 6));
  mixer.Add("2", Ramp(100, 2));
  mixer.Play("1", false);
  EXPECT_EQ(Left(mixer, 4), (std::vector<std::int16_t>{1, 2, 3, 4}));
  mixer.Play("2", false);
  mixer.MoveTo(mixer.Position() - 2);
  EXPECT_EQ(Left(mixer, 4), (std::vector<std::int16_t>{103, 105, 5, 6}));
  mixer.Stop("1");
  mixer.MoveTo(1);
  EXPECT_EQ(Left(mixer, 3), (std::vector<std::int16_t>{0, 100, 101})) << "stopped where mixing went back to";
  EXPECT_FALSE(mixer.AnyPlaying());
}

}  // namespace
}  // namespace mirel
