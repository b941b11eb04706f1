#include "MixerBackend.h"

#include <memory>
#include <utility>

#include "SoundMixer.h"
#include "WaveDecoder.h"
#include "platform/Diagnostics.h"
#include "platform/Utf8Path.h"

namespace mirel {

bool MixerBackend::Open(const std::string& alias, const std::filesystem::path& file) {
  Result<std::shared_ptr<const PcmSound>> sound = DecodeWave(file);
  if (!sound) {
    Diagnose("the sound " + Utf8FromPath(file) + " is not played: " + sound.Why());
    return false;
  }
  Mixer().Add(alias, std::move(*sound));
  return true;
}

void MixerBackend::Play(const std::string& alias, bool loop) {
  Mixer().Play(alias, loop);
  Changed();
}

void MixerBackend::Stop(const std::string& alias) {
  Mixer().Stop(alias);
  Changed();
}

void MixerBackend::Close(const std::string& alias) {
  Mixer().Remove(alias);
  Changed();
}

}  // namespace mirel
