// The two sound files: plain 16-bit PCM the sound device opens, short enough
// for their moments, peaks near -3 dBFS and no click at either end.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "tests/assets/AssetFiles.h"

namespace mirel::test {
namespace {

struct Wave {
  int channels = 0;
  int rate = 0;
  int bits = 0;
  std::vector<std::int16_t> samples;
  double Seconds() const { return static_cast<double>(samples.size()) / channels / rate; }
};

// Walks the chunks; a format other than PCM fails the test.
Wave ReadWave(const std::filesystem::path& path) {
  const Bytes b = ReadFile(path);
  Wave w;
  EXPECT_GE(b.size(), 44u);
  if (b.size() < 44) return w;
  EXPECT_EQ(Tag(b, 0), "RIFF");
  EXPECT_EQ(U32(b, 4), b.size() - 8);
  EXPECT_EQ(Tag(b, 8), "WAVE");
  for (std::size_t at = 12; at + 8 <= b.size();) {
    const std::string id = Tag(b, at);
    const std::size_t size = U32(b, at + 4);
    const std::size_t body = at + 8;
    if (id == "fmt ") {
      EXPECT_EQ(U16(b, body), 1u) << "PCM";
      w.channels = static_cast<int>(U16(b, body + 2));
      w.rate = static_cast<int>(U32(b, body + 4));
      w.bits = static_cast<int>(U16(b, body + 14));
      EXPECT_EQ(U32(b, body + 8), static_cast<std::uint32_t>(w.rate * w.channels * 2));
      EXPECT_EQ(U16(b, body + 12), static_cast<std::uint32_t>(w.channels * 2));
    } else if (id == "data") {
      EXPECT_LE(body + size, b.size());
      for (std::size_t i = body; i + 1 < body + size && i + 1 < b.size(); i += 2) {
        w.samples.push_back(static_cast<std::int16_t>(U16(b, i)));
      }
    }
    at = body + size + (size & 1);
  }
  return w;
}

struct SoundCase {
  const char* name;
  double minSeconds;
  double maxSeconds;
};

void PrintTo(const SoundCase& c, std::ostream* os) { *os << c.name; }

class Sound : public ::testing::TestWithParam<SoundCase> {};

TEST_P(Sound, FormatLengthLevelAndQuietEnds) {
  const SoundCase c = GetParam();
  const Wave w = ReadWave(SourceAssets() / "sounds" / c.name);
  EXPECT_EQ(w.bits, 16);
  EXPECT_EQ(w.channels, 1);
  EXPECT_EQ(w.rate, 44100);
  ASSERT_FALSE(w.samples.empty());
  EXPECT_GE(w.Seconds(), c.minSeconds);
  EXPECT_LE(w.Seconds(), c.maxSeconds);

  int peak = 0;
  for (std::int16_t s : w.samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
  const double peakDb = 20.0 * std::log10(peak / 32768.0);
  EXPECT_GT(peakDb, -4.0);
  EXPECT_LT(peakDb, -2.0);

  // Starts and ends at rest, and stays near it over the first and last millisecond.
  EXPECT_LE(std::abs(w.samples.front()), 16);
  EXPECT_LE(std::abs(w.samples.back()), 16);
  const std::size_t ms = 44;
  for (std::size_t i = 0; i < ms; ++i) {
    EXPECT_LE(std::abs(w.samples[i]), peak / 4) << "sample " << i;
    EXPECT_LE(std::abs(w.samples[w.samples.size() - 1 - i]), peak / 4) << "sample from end " << i;
  }
}

// The slide plays on every move, so it must be over before the next press; the
// completion sound is a short flourish.
INSTANTIATE_TEST_SUITE_P(Game, Sound,
                         ::testing::Values(SoundCase{"Sound1.wav", 0.05, 0.3},
                                           SoundCase{"Sound2.wav", 1.0, 2.0}),
                         [](const auto& test) { return std::string(test.param.name).substr(0, 6); });

// The game opens its sounds from its own folder, so the build puts them there.
TEST(SoundFiles, AreCopiedBesideTheProgram) {
  for (const char* name : {"Sound1.wav", "Sound2.wav"}) {
    const Bytes copied = ReadFile(std::filesystem::path(MIREL_PROGRAM_FOLDER) / name);
    EXPECT_FALSE(copied.empty()) << name;
    EXPECT_EQ(copied, ReadFile(SourceAssets() / "sounds" / name)) << name;
  }
}

}  // namespace
}  // namespace mirel::test
