#pragma once
// The audio back end of the program on Linux. Each sound is decoded once,
// when its device opens. One output stream, opened in the background once the
// window shows and kept for the whole run, is fed by a small mixer, so the
// first press needs no set-up and a restart is exact. The stream is the sound
// server's own (sound/PulseOutput.h): a play is mixed into what the server has
// queued, heard within milliseconds, and the stream is corked while the game
// is silent. Without such a server, SDL's audio (PipeWire's protocol, then
// ALSA) plays it. Either runs on a thread of its own, loaded only as the
// stream opens, so a blocked main thread (a pause, a modal box) never starves
// a sound.
//
// Without a sound server every call still returns at once, nothing is heard,
// and one line says why. Calls may come from more than one thread (the start
// opens the sounds on its reading thread): each goes through the mixer's lock.

#include <filesystem>
#include <memory>
#include <string>

#include "MixerBackend.h"

namespace mirel {

class LinuxAudioBackend : public MixerBackend {
 public:
  LinuxAudioBackend();
  // Ends a sound still playing at once. The stream goes with the process,
  // which ends next: the back end lives as long as the program.
  ~LinuxAudioBackend() override;
  LinuxAudioBackend(const LinuxAudioBackend&) = delete;
  LinuxAudioBackend& operator=(const LinuxAudioBackend&) = delete;

  // Opens the output stream on a thread of its own and returns at once. Plays
  // before the stream is open start when it opens.
  void StartOutput();

 private:
  SoundMixer& Mixer() override;
  void Changed() override;

  struct Output;
  // Shared with the thread that opens the stream, which a server that never
  // answers can keep waiting past the end of the back end.
  std::shared_ptr<Output> output_;
};

}  // namespace mirel
