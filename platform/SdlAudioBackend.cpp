#include "SdlAudioBackend.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "WaveDecoder.h"

namespace mirel {
namespace {

// About 11 ms a period: short enough for a press to be heard at once, long
// enough not to break up on a busy machine.
constexpr Uint16 kPeriodFrames = 512;

void Fill(void* mixer, Uint8* stream, int bytes) {
  static_cast<SoundMixer*>(mixer)->Mix(reinterpret_cast<std::int16_t*>(stream),
                                       std::size_t(bytes) / (sizeof(std::int16_t) * SoundMixer::kChannels));
}

}  // namespace

SdlAudioBackend::~SdlAudioBackend() {
  if (opener_.joinable()) opener_.join();
  if (device_ != 0) {
    // Pausing waits for a mix in progress and stops further ones, so the
    // mixer is not used after this; the sound ends with its last period.
    // The stream itself is left to the end of the process: closing it waits
    // for the server to drain it, which some servers make take two seconds.
    SDL_PauseAudioDevice(device_, 1);
  }
}

bool SdlAudioBackend::Open(const std::string& alias, const std::filesystem::path& file) {
  std::shared_ptr<const PcmSound> sound = DecodeWave(file);
  if (!sound) return false;
  mixer_.Add(alias, std::move(sound));
  return true;
}

void SdlAudioBackend::Play(const std::string& alias, bool loop) { mixer_.Play(alias, loop); }

void SdlAudioBackend::Stop(const std::string& alias) { mixer_.Stop(alias); }

void SdlAudioBackend::Close(const std::string& alias) { mixer_.Remove(alias); }

void SdlAudioBackend::StartOutput() {
  if (opener_.joinable() || device_ != 0) return;
  opener_ = std::thread([this] { OpenOutput(); });
}

void SdlAudioBackend::OpenOutput() {
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Mirel");
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Sound effects");
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "game");
  // The sound servers of a desktop (PipeWire serves the first too). Other
  // drivers print screens of errors on a machine without sound; a player who
  // wants one names it in SDL_AUDIODRIVER.
  const std::vector<const char*> drivers = std::getenv("SDL_AUDIODRIVER")
                                               ? std::vector<const char*>{nullptr}
                                               : std::vector<const char*>{"pulseaudio", "pipewire"};
  std::string why;
  for (const char* driver : drivers) {
    if (SDL_AudioInit(driver) != 0) {
      if (why.empty()) why = SDL_GetError();
      continue;
    }
    SDL_AudioSpec want{};
    want.freq = SoundMixer::kRate;
    want.format = AUDIO_S16SYS;
    want.channels = SoundMixer::kChannels;
    want.samples = kPeriodFrames;
    want.callback = Fill;
    want.userdata = &mixer_;
    // No changes allowed: SDL converts to whatever the server runs at.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device != 0) {
      SDL_PauseAudioDevice(device, 0);
      device_ = device;
      return;
    }
    why = SDL_GetError();
    SDL_AudioQuit();
  }
  std::fprintf(stderr, "mirel: no sound output, the game stays silent (%s)\n", why.c_str());
}

}  // namespace mirel
