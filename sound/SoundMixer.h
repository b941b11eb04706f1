#pragma once
// The mixer behind the one output stream: every open device is a voice with a
// decoded sound, placed on the output's timeline where its play began, and
// the output is the sum of the voices audible there. What is mixed is a pure
// function of that timeline, so an output may go back over what it queued but
// the listener has not yet heard and mix it again, with a new play starting
// earlier than the queue would have let it. Playing starts a voice afresh, so
// a restart is exact and makes nothing new. Safe to call from the program's
// thread while the output's thread mixes.

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
  // From the beginning, once or round and round, from the next frame mixed.
  void Play(const std::string& alias, bool loop);
  // Silent from the next frame mixed.
  void Stop(const std::string& alias);
  void StopAll();
  // Whether anything is to be heard from the next frame mixed on.
  bool AnyPlaying() const;

  // The next `frames` frames of output into `out` (2 samples a frame).
  void Mix(std::int16_t* out, std::size_t frames);
  // How many frames were mixed: where the next one lies on the timeline.
  std::uint64_t Position() const;
  // To another place on the timeline: back, to mix again from there what was
  // mixed before, or on, past frames never mixed. Plays and stops not yet
  // mixed take effect there.
  void MoveTo(std::uint64_t position);

 private:
  static constexpr std::uint64_t kNever = ~std::uint64_t(0);

  struct Voice {
    std::shared_ptr<const PcmSound> sound;
    bool pending = false;          // played, to start at the next frame mixed
    bool stopping = false;         // stopped, from the next frame mixed
    std::uint64_t start = kNever;  // where its first frame lies
    std::uint64_t stop = kNever;   // where it falls silent, loop or not
    bool loop = false;
    // Where it has nothing more to be heard.
    std::uint64_t End() const;
  };

  void Settle();

  mutable std::mutex mutex_;
  std::map<std::string, Voice> voices_;
  std::uint64_t position_ = 0;
  std::vector<std::int32_t> sum_;  // the output thread's scratch
};

}  // namespace mirel
