#pragma once
// The mixer behind the one output stream: every open device is a voice with a
// decoded sound and a cursor, and the output is the sum of the playing voices.
// Playing puts a voice's cursor back to 0, so a restart is exact and makes
// nothing new. Safe to call from the program's thread while the output's
// thread mixes.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace mirel {

// A sound decoded to the mixer's format: interleaved stereo 16-bit frames at
// the mixer's rate.
struct PcmSound {
  std::vector<std::int16_t> samples;
  std::size_t Frames() const { return samples.size() / 2; }
};

class SoundMixer {
 public:
  static constexpr int kRate = 48000;
  static constexpr int kChannels = 2;

  // Adds or replaces a device's sound; it stays silent until played.
  void Add(const std::string& alias, std::shared_ptr<const PcmSound> sound);
  void Remove(const std::string& alias);
  // From the beginning, once or round and round.
  void Play(const std::string& alias, bool loop);
  void Stop(const std::string& alias);
  void StopAll();
  bool AnyPlaying() const;

  // The next `frames` frames of output into `out` (2 samples a frame).
  void Mix(std::int16_t* out, std::size_t frames);

 private:
  struct Voice {
    std::shared_ptr<const PcmSound> sound;
    std::size_t cursor = 0;  // next frame
    bool playing = false;
    bool loop = false;
  };

  mutable std::mutex mutex_;
  std::map<std::string, Voice> voices_;
  std::vector<std::int32_t> sum_;  // the output thread's scratch
};

}  // namespace mirel
