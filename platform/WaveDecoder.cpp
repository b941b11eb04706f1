#include "WaveDecoder.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace mirel {

std::shared_ptr<const PcmSound> DecodeWave(const std::filesystem::path& file) {
  // A file cut short is damaged, not a shorter sound.
  SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "verystrict");
  SDL_RWops* in = SDL_RWFromFile(file.c_str(), "rb");
  if (!in) return nullptr;
  SDL_AudioSpec spec{};
  Uint8* data = nullptr;
  Uint32 length = 0;
  if (!SDL_LoadWAV_RW(in, 1, &spec, &data, &length)) return nullptr;

  // One conversion of the whole sound, so nothing stays in a converter's
  // buffers at either end.
  std::shared_ptr<PcmSound> sound;
  SDL_AudioCVT convert{};
  if (SDL_BuildAudioCVT(&convert, spec.format, spec.channels, spec.freq, AUDIO_S16SYS, SoundMixer::kChannels,
                        SoundMixer::kRate) >= 0) {
    std::vector<Uint8> buffer(std::size_t(length) * std::size_t(std::max(convert.len_mult, 1)));
    std::memcpy(buffer.data(), data, length);
    convert.buf = buffer.data();
    convert.len = int(length);
    if (SDL_ConvertAudio(&convert) == 0) {
      sound = std::make_shared<PcmSound>();
      const std::size_t frames =
          std::size_t(convert.len_cvt) / (sizeof(std::int16_t) * SoundMixer::kChannels);
      sound->samples.resize(frames * SoundMixer::kChannels);
      std::memcpy(sound->samples.data(), buffer.data(), sound->samples.size() * sizeof(std::int16_t));
    }
  }
  SDL_FreeWAV(data);
  return sound;
}

}  // namespace mirel
