#include "MixerBackend.h"

#include <memory>
#include <utility>

#include "SoundMixer.h"
#include "WaveDecoder.h"

namespace mirel {

bool MixerBackend::Open(const std::string& alias, const std::filesystem::path& file) {
  std::shared_ptr<const PcmSound> sound = SoundToPlay(file);
  if (!sound) return false;
  Mixer().Add(alias, std::move(sound));
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
