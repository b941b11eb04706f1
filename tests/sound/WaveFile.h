#pragma once
// Writes small WAV files for the sound tests: tones made of pieces of given
// frequencies, 16-bit mono PCM, and damaged variants of the header.

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace mirel::test {

struct Tone {
  double hertz;
  double seconds;
};

inline void PutU16(std::string& out, std::uint16_t v) {
  out += char(v & 0xFF);
  out += char(v >> 8);
}
inline void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += char((v >> (8 * i)) & 0xFF);
}

// The bytes of a WAV file; formatTag 1 is PCM, anything else a compressed kind.
inline std::string WaveBytes(const std::vector<Tone>& tones, int rate = 44100, std::uint16_t formatTag = 1,
                             std::uint16_t bits = 16) {
  std::string samples;
  double phase = 0;
  for (const Tone& tone : tones) {
    const int count = int(tone.seconds * rate);
    for (int i = 0; i < count; ++i) {
      const double value = 0.5 * std::sin(phase);
      phase += 2 * std::numbers::pi * tone.hertz / rate;
      if (bits == 8) {
        samples += char(std::lround(128 + value * 127));  // 8-bit PCM is unsigned
      } else {
        PutU16(samples, std::uint16_t(std::int16_t(std::lround(value * 32767))));
      }
    }
  }
  std::string out = "RIFF";
  PutU32(out, std::uint32_t(36 + samples.size()));
  out += "WAVEfmt ";
  PutU32(out, 16);
  PutU16(out, formatTag);
  PutU16(out, 1);  // mono
  PutU32(out, std::uint32_t(rate));
  PutU32(out, std::uint32_t(rate * bits / 8));
  PutU16(out, std::uint16_t(bits / 8));
  PutU16(out, bits);
  out += "data";
  PutU32(out, std::uint32_t(samples.size()));
  return out + samples;
}

inline void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

inline void WriteWave(const std::filesystem::path& file, const std::vector<Tone>& tones) {
  WriteFile(file, WaveBytes(tones));
}

}  // namespace mirel::test
