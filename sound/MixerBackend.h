#pragma once
// What the real back ends share: each sound is decoded once when opened, and
// play, stop and close act on the mixer. Only the output the mixer feeds
// differs from system to system.

#include <filesystem>
#include <string>

#include "AudioBackend.h"

namespace mirel {

class SoundMixer;

class MixerBackend : public AudioBackend {
 public:
  bool Open(const std::string& alias, const std::filesystem::path& file) override;
  void Play(const std::string& alias, bool loop) override;
  void Stop(const std::string& alias) override;
  void Close(const std::string& alias) override;

 protected:
  // The mixer the output plays from.
  virtual SoundMixer& Mixer() = 0;
  // A play or a stop came; an output that can be told is.
  virtual void Changed() {}
};

}  // namespace mirel
