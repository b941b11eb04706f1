#pragma once
// What the multimedia command interpreter drives: named devices that play a
// sound file asynchronously. The real ones (MixerBackend) mix them into one
// output stream: the sound server's or SDL's on Linux (LinuxAudioBackend),
// waveOut on Windows (WaveOutBackend).

#include <filesystem>
#include <string>

namespace mirel {

class AudioBackend {
 public:
  virtual ~AudioBackend() = default;
  // Prepares a device for the file, which exists and is readable; false when
  // it is not a sound this back end can play. Must return at once: no audio
  // system is touched here.
  virtual bool Open(const std::string& alias, const std::filesystem::path& file) = 0;
  // Starts from the beginning (restarting a device that is still playing),
  // once or in an endless loop. Returns at once.
  virtual void Play(const std::string& alias, bool loop) = 0;
  virtual void Stop(const std::string& alias) = 0;
  // Stops and forgets the device; the alias may be opened again afterwards.
  virtual void Close(const std::string& alias) = 0;
};

// Accepts everything and plays nothing: for tests and machines without sound.
class SilentAudioBackend : public AudioBackend {
 public:
  bool Open(const std::string&, const std::filesystem::path&) override { return true; }
  void Play(const std::string&, bool) override {}
  void Stop(const std::string&) override {}
  void Close(const std::string&) override {}
};

}  // namespace mirel
