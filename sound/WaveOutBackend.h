#pragma once
// The audio back end of the Windows program. Each sound is decoded once, when
// its device opens. One waveOut output, opened in the background once the
// window shows, is fed by the same small mixer as on Linux: a play puts the
// device's cursor back to 0, so a restart is exact. A thread of its own
// refills a few short buffers in turn as the system hands them back, so a
// blocked main thread (a pause, a modal box) never starves a sound. After two
// seconds of silence the output is closed, and the next play opens it again.
//
// Without a sound device every call still returns at once, nothing is heard,
// and one line says why. Calls may come from more than one thread: each goes
// through the mixer's lock.

#include <memory>
#include <string>

#include "MixerBackend.h"

namespace mirel {

class WaveOutBackend : public MixerBackend {
 public:
  WaveOutBackend();
  // Ends a sound still playing at once and closes the output, waiting a
  // little for an output still being opened.
  ~WaveOutBackend() override;
  WaveOutBackend(const WaveOutBackend&) = delete;
  WaveOutBackend& operator=(const WaveOutBackend&) = delete;

  // Opens the output on a thread of its own and returns at once. Plays
  // before the output is open start when it opens.
  void StartOutput();

 private:
  SoundMixer& Mixer() override;
  void Changed() override;

  struct Output;
  // Shared with the feeding thread, which a driver that never answers can
  // keep waiting past the end of the back end.
  std::shared_ptr<Output> output_;
};

}  // namespace mirel
