#include "SoundMixer.h"

#include <algorithm>
#include <utility>

namespace mirel {

std::uint64_t SoundMixer::Voice::End() const {
  if (pending) return kNever;
  if (start == kNever || sound->Frames() == 0) return 0;
  return std::min(stop, loop ? kNever : start + sound->Frames());
}

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
  it->second.pending = true;
  it->second.stopping = false;
  it->second.loop = loop;
}

void SoundMixer::Stop(const std::string& alias) {
  const std::lock_guard lock(mutex_);
  const auto it = voices_.find(alias);
  if (it == voices_.end()) return;
  it->second.pending = false;  // a play not yet begun never begins
  it->second.stopping = true;
}

void SoundMixer::StopAll() {
  const std::lock_guard lock(mutex_);
  for (auto& [alias, voice] : voices_) {
    voice.pending = false;
    voice.stopping = true;
  }
}

bool SoundMixer::AnyPlaying() const {
  const std::lock_guard lock(mutex_);
  return std::any_of(voices_.begin(), voices_.end(),
                     [this](const auto& v) { return !v.second.stopping && v.second.End() > position_; });
}

std::uint64_t SoundMixer::Position() const {
  const std::lock_guard lock(mutex_);
  return position_;
}

void SoundMixer::MoveTo(std::uint64_t position) {
  const std::lock_guard lock(mutex_);
  position_ = position;
}

// Plays and stops take their place on the timeline where mixing goes on.
void SoundMixer::Settle() {
  for (auto& [alias, voice] : voices_) {
    if (voice.pending) {
      voice.start = position_;
      voice.stop = kNever;
      voice.pending = false;
    }
    if (voice.stopping) {
      voice.stop = std::min(voice.stop, position_);
      voice.stopping = false;
    }
  }
}

void SoundMixer::Mix(std::int16_t* out, std::size_t frames) {
  const std::size_t samples = frames * kChannels;
  const std::lock_guard lock(mutex_);
  Settle();
  sum_.assign(samples, 0);
  const std::uint64_t from = position_, to = position_ + frames;
  for (const auto& [alias, voice] : voices_) {
    const std::uint64_t length = voice.sound->Frames();
    const std::uint64_t begin = std::max(from, voice.start), end = std::min(to, voice.End());
    for (std::uint64_t at = begin; at < end;) {
      const std::uint64_t cursor = (at - voice.start) % length;
      const std::uint64_t take = std::min(end - at, length - cursor);
      const std::int16_t* source = voice.sound->samples.data() + cursor * kChannels;
      std::int32_t* sum = sum_.data() + (at - from) * kChannels;
      for (std::size_t i = 0; i < take * kChannels; ++i) sum[i] += source[i];
      at += take;
    }
  }
  position_ = to;
  for (std::size_t i = 0; i < samples; ++i) out[i] = std::int16_t(std::clamp(sum_[i], -32768, 32767));
}

}  // namespace mirel
