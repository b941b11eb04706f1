#include "SoundMixer.h"

#include <algorithm>
#include <utility>

namespace mirel {

void SoundMixer::Add(const std::string& alias, std::shared_ptr<const PcmSound> sound) {
  const std::lock_guard lock(mutex_);
  voices_[alias] = Voice{std::move(sound)};
}

void SoundMixer::Remove(const std::string& alias) {
  std::shared_ptr<const PcmSound> last;  // freed outside the lock
  const std::lock_guard lock(mutex_);
  const auto it = voices_.find(alias);
  if (it == voices_.end()) return;
  last = std::move(it->second.sound);
  voices_.erase(it);
}

void SoundMixer::Play(const std::string& alias, bool loop) {
  const std::lock_guard lock(mutex_);
  const auto it = voices_.find(alias);
  if (it == voices_.end()) return;
  it->second.cursor = 0;
  it->second.playing = it->second.sound->Frames() > 0;
  it->second.loop = loop;
}

void SoundMixer::Stop(const std::string& alias) {
  const std::lock_guard lock(mutex_);
  const auto it = voices_.find(alias);
  if (it != voices_.end()) it->second.playing = false;
}

void SoundMixer::StopAll() {
  const std::lock_guard lock(mutex_);
  for (auto& [alias, voice] : voices_) voice.playing = false;
}

bool SoundMixer::AnyPlaying() const {
  const std::lock_guard lock(mutex_);
  return std::any_of(voices_.begin(), voices_.end(), [](const auto& v) { return v.second.playing; });
}

void SoundMixer::Mix(std::int16_t* out, std::size_t frames) {
  const std::size_t samples = frames * kChannels;
  const std::lock_guard lock(mutex_);
  sum_.assign(samples, 0);
  for (auto& [alias, voice] : voices_) {
    const std::vector<std::int16_t>& source = voice.sound->samples;
    const std::size_t length = voice.sound->Frames();
    std::size_t done = 0;
    while (voice.playing && done < frames) {
      const std::size_t take = std::min(frames - done, length - voice.cursor);
      const std::int16_t* from = source.data() + voice.cursor * kChannels;
      std::int32_t* to = sum_.data() + done * kChannels;
      for (std::size_t i = 0; i < take * kChannels; ++i) to[i] += from[i];
      done += take;
      voice.cursor += take;
      if (voice.cursor == length) {
        voice.cursor = 0;
        voice.playing = voice.loop;
      }
    }
  }
  for (std::size_t i = 0; i < samples; ++i) out[i] = std::int16_t(std::clamp(sum_[i], -32768, 32767));
}

}  // namespace mirel
