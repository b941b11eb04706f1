#include "WaveDecoder.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Diagnostics.h"
#include "platform/FileBytes.h"
#include "platform/Utf8Path.h"

// The format is small and fixed, so it is read here rather than through the
// audio library: that library is loaded only once the window shows, and the
// sounds are decoded before.

namespace mirel {
namespace {

constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kExtensible = 0xFFFE;
// No sound effect comes near this; a bigger file is not one of ours.
constexpr std::size_t kMaxFileBytes = std::size_t(64) << 20;
// Longer or coarser than any sound effect: at the mixer's rate such a file
// would cost gigabytes before the window shows.
constexpr std::size_t kMaxSeconds = 30;
constexpr int kMinRate = 8000;

std::uint32_t U32(std::string_view b, std::size_t at) {
  return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 |
         std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}
std::uint16_t U16(std::string_view b, std::size_t at) {
  return std::uint16_t(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8);
}

struct Format {
  int channels = 0;
  int rate = 0;
  int bytesPerSample = 0;
};

// One sample as 16 bits: 8-bit PCM is unsigned, wider PCM keeps its top bits.
std::int16_t Sample(const char* at, int bytes) {
  const auto byte = [at](int i) { return static_cast<unsigned>(static_cast<unsigned char>(at[i])); };
  if (bytes == 1) return static_cast<std::int16_t>((static_cast<int>(byte(0)) - 128) * 256);
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(byte(bytes - 2) | byte(bytes - 1) << 8));
}

}  // namespace

Result<std::shared_ptr<const PcmSound>> DecodeWaveBytes(std::string_view b) {
  using Decoded = Result<std::shared_ptr<const PcmSound>>;
  const auto notPcm = [] { return Decoded::Failed("not a WAV sound of 8- to 32-bit PCM, mono or stereo"); };
  if (b.size() < 12 || b.substr(0, 4) != "RIFF" || b.substr(8, 4) != "WAVE") return notPcm();
  std::optional<Format> format;
  std::string_view data;
  bool haveData = false;
  for (std::size_t at = 12; at + 8 <= b.size() && !haveData;) {
    const std::string_view id = b.substr(at, 4);
    const std::size_t size = U32(b, at + 4);
    const std::size_t body = at + 8;
    // Every chunk whole: a file cut short is damaged, not a shorter sound.
    if (size > b.size() - body) return Decoded::Failed("cut short");
    if (id == "fmt ") {
      if (size < 16) return notPcm();
      std::uint16_t tag = U16(b, body);
      if (tag == kExtensible && size >= 40) tag = U16(b, body + 24);  // the sub-format's first two bytes
      const int channels = U16(b, body + 2);
      const int rate = int(U32(b, body + 4));
      const int bits = U16(b, body + 14);
      if (tag != kPcm || channels < 1 || channels > 2 || rate < 1 || rate > 384000 ||
          (bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return notPcm();
      if (rate < kMinRate) return Decoded::Failed("sampled at under " + std::to_string(kMinRate) + " Hz");
      format = Format{channels, rate, bits / 8};
    } else if (id == "data") {
      data = b.substr(body, size);
      haveData = true;
    }
    at = body + size + (size & 1);  // chunks are padded to even sizes
  }
  if (!format || !haveData) return notPcm();

  const std::size_t frameBytes = std::size_t(format->channels * format->bytesPerSample);
  const std::size_t frames = data.size() / frameBytes;
  if (frames > kMaxSeconds * std::size_t(format->rate))
    return Decoded::Failed("longer than " + std::to_string(kMaxSeconds) + " s");
  // The mixer's rate, by linear interpolation between the file's frames. Output
  // frame i lies i * rate / kRate frames in, kept as a whole frame and a part
  // in 1/kRate frames: exact, and cheap while the program starts.
  const std::int64_t rate = format->rate, outRate = SoundMixer::kRate;
  const std::size_t outFrames = frames == 0 ? 0 : std::size_t(std::int64_t(frames - 1) * outRate / rate) + 1;
  auto sound = std::make_shared<PcmSound>();
  sound->samples.resize(outFrames * SoundMixer::kChannels);
  const auto at = [&](std::size_t frame, int channel) {
    return std::int64_t(
        Sample(data.data() + frame * frameBytes + std::size_t(channel * format->bytesPerSample),
               format->bytesPerSample));
  };
  std::int16_t* out = sound->samples.data();
  std::size_t left = 0;
  std::int64_t part = 0;
  for (std::size_t i = 0; i < outFrames; ++i) {
    const std::size_t right = std::min(left + 1, frames - 1);
    for (int c = 0; c < SoundMixer::kChannels; ++c) {
      if (c >= format->channels) {  // mono goes to both sides
        out[c] = out[c - 1];
        continue;
      }
      const std::int64_t sum = at(left, c) * (outRate - part) + at(right, c) * part;
      // Rounded half away from zero.
      out[c] = std::int16_t(sum < 0 ? -((outRate / 2 - sum) / outRate) : (sum + outRate / 2) / outRate);
    }
    out += SoundMixer::kChannels;
    part += rate;
    left += std::size_t(part / outRate);
    part %= outRate;
  }
  return std::shared_ptr<const PcmSound>(std::move(sound));
}

Result<std::shared_ptr<const PcmSound>> DecodeWave(const std::filesystem::path& file) {
  using Decoded = Result<std::shared_ptr<const PcmSound>>;
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return Decoded::Failed("not there");
  const std::optional<std::string> bytes = ReadFileBytes(file, kMaxFileBytes);
  if (!bytes)
    return Decoded::Failed("unreadable, or larger than " + std::to_string(kMaxFileBytes >> 20) + " MB");
  return DecodeWaveBytes(*bytes);
}

std::shared_ptr<const PcmSound> SoundToPlay(const std::filesystem::path& file) {
  Result<std::shared_ptr<const PcmSound>> sound = DecodeWave(file);
  if (sound) return std::move(*sound);
  Diagnose("the sound " + Utf8FromPath(file) + " is not played: " + sound.Why());
  return nullptr;
}

}  // namespace mirel
