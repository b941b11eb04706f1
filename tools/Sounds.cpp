#include "tools/Sounds.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/HeightField.h"

namespace mirel::tools {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// A two-pole filter (the usual audio-cookbook band-pass and low-pass forms).
class Biquad {
 public:
  static Biquad BandPass(float centre, float q) {
    const float w = 2 * kPi * centre / kSampleRate;
    const float alpha = std::sin(w) / (2 * q);
    return Biquad(alpha, 0, -alpha, 1 + alpha, -2 * std::cos(w), 1 - alpha);
  }
  static Biquad LowPass(float corner, float q) {
    const float w = 2 * kPi * corner / kSampleRate;
    const float alpha = std::sin(w) / (2 * q);
    const float c = std::cos(w);
    return Biquad((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
  }
  float operator()(float x) {
    const float y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return y;
  }

 private:
  Biquad(float b0, float b1, float b2, float a0, float a1, float a2)
      : b0_(b0 / a0), b1_(b1 / a0), b2_(b2 / a0), a1_(a1 / a0), a2_(a2 / a0) {}
  float b0_, b1_, b2_, a1_, a2_;
  float x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Short raised-cosine fades at both ends so playback starts and stops without a click,
// then scaling to the common peak.
void FinishSound(std::vector<float>& s, float fadeInSeconds, float fadeOutSeconds) {
  const auto fadeIn = static_cast<std::size_t>(fadeInSeconds * kSampleRate);
  const auto fadeOut = static_cast<std::size_t>(fadeOutSeconds * kSampleRate);
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < fadeIn && i < n; ++i) {
    s[i] *= 0.5f - 0.5f * std::cos(kPi * static_cast<float>(i) / static_cast<float>(fadeIn));
  }
  for (std::size_t i = 0; i < fadeOut && i < n; ++i) {
    s[n - 1 - i] *= 0.5f - 0.5f * std::cos(kPi * static_cast<float>(i) / static_cast<float>(fadeOut));
  }
  float peak = 0;
  for (float v : s) peak = std::max(peak, std::abs(v));
  if (peak > 0) {
    for (float& v : s) v *= kPeak / peak;
  }
}

}  // namespace

std::vector<float> MakeSlideSound() {
  constexpr float kSeconds = 0.17f;
  const auto n = static_cast<std::size_t>(kSeconds * kSampleRate);
  std::vector<float> s(n);
  Random random(20240611u);
  Biquad scrape = Biquad::BandPass(1400.0f, 0.9f);
  Biquad body = Biquad::BandPass(380.0f, 1.4f);
  Biquad grainSmooth = Biquad::LowPass(1500.0f, 0.7f);
  Biquad dull = Biquad::LowPass(4500.0f, 0.7f);  // stone does not hiss
  float grain = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kSampleRate;
    // Grit: the surfaces catch and let go at random, every couple of milliseconds.
    if (random.Next() < 0.008f) grain = random.Between(0.2f, 1.0f);
    grain *= 0.993f;
    const float grit = 0.35f + grainSmooth(grain);
    // A firm push at once, then the slide dies away as the tile settles.
    const float envelope = std::min(1.0f, t / 0.006f) * std::exp(-t / 0.09f);
    const float noise = random.Between(-1.0f, 1.0f);
    s[i] = dull(envelope * grit * (scrape(noise) + 1.6f * body(noise)));
  }
  FinishSound(s, 0.003f, 0.025f);
  return s;
}

std::vector<float> MakeChimeSound() {
  constexpr float kSeconds = 1.6f;
  const auto n = static_cast<std::size_t>(kSeconds * kSampleRate);
  std::vector<float> s(n, 0.0f);
  // A rising major arpeggio, the last note held: C6 E6 G6 C7.
  struct Note {
    float start;
    float frequency;
    float decay;
  };
  constexpr Note kNotes[] = {
      {0.00f, 1046.50f, 0.35f}, {0.09f, 1318.51f, 0.35f}, {0.18f, 1567.98f, 0.40f}, {0.30f, 2093.00f, 0.60f}};
  // Bell-like partials: a slightly stretched overtone gives the shimmer.
  struct Partial {
    float ratio;
    float level;
    float decayScale;
  };
  constexpr Partial kPartials[] = {
      {1.0f, 1.0f, 1.0f}, {2.0f, 0.35f, 0.6f}, {3.01f, 0.18f, 0.4f}, {4.23f, 0.10f, 0.3f}};
  for (const Note& note : kNotes) {
    const auto first = static_cast<std::size_t>(note.start * kSampleRate);
    for (std::size_t i = first; i < n; ++i) {
      const float t = static_cast<float>(i - first) / kSampleRate;
      const float attack = std::min(1.0f, t / 0.002f);
      float v = 0;
      for (const Partial& p : kPartials) {
        v += p.level * std::exp(-t / (note.decay * p.decayScale)) *
             std::sin(2 * kPi * note.frequency * p.ratio * t);
      }
      s[i] += attack * v;
    }
  }
  FinishSound(s, 0.002f, 0.25f);
  return s;
}

}  // namespace mirel::tools
