#pragma once
// The audio back end of the program. Each sound is decoded once, when its
// device opens. One output stream, opened in the background once the window
// shows and kept open for the whole run, is fed by a small mixer: a play puts
// the device's cursor back to 0, so the first press needs no set-up and a
// restart is exact. SDL's audio, loaded only as the stream opens, plays it on
// a thread of its own, so a blocked main thread (a pause, a modal box) never
// starves a sound.
//
// Without a sound server every call still returns at once, nothing is heard,
// and one line says why. Calls may come from more than one thread (the start
// opens the sounds on its reading thread): each goes through the mixer's lock.

#include <filesystem>
#include <memory>
#include <string>

#include "MixerBackend.h"

namespace mirel {

class SdlAudioBackend : public MixerBackend {
 public:
  SdlAudioBackend();
  // Ends a sound still playing at once. The stream goes with the process,
  // which ends next: the back end lives as long as the program.
  ~SdlAudioBackend() override;
  SdlAudioBackend(const SdlAudioBackend&) = delete;
  SdlAudioBackend& operator=(const SdlAudioBackend&) = delete;

  // Opens the output stream on a thread of its own and returns at once. Plays
  // before the stream is open start when it opens.
  void StartOutput();

 private:
  SoundMixer& Mixer() override;

  struct Output;
  // Shared with the thread that opens the stream, which a server that never
  // answers can keep waiting past the end of the back end.
  std::shared_ptr<Output> output_;
};

}  // namespace mirel
