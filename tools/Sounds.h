#pragma once
// The two sound effects, synthesised: mono samples in [-1, 1] at kSampleRate.

#include <vector>

namespace mirel::tools {

inline constexpr int kSampleRate = 44100;
// Peak level of both sounds: -3 dBFS.
inline constexpr float kPeak = 0.708f;

std::vector<float> MakeSlideSound();  // a tile sliding: short, dry stone on stone
std::vector<float> MakeChimeSound();  // the picture restored: a bright chime

}  // namespace mirel::tools
