#include "SdlAudioBackend.h"

#include <SDL.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SoundMixer.h"
#include "WaveDecoder.h"

namespace mirel {
namespace {

// About 11 ms a period: short enough for a press to be heard at once, long
// enough not to break up on a busy machine.
constexpr Uint16 kPeriodFrames = 512;

// How long the end of the program waits for a stream still being opened.
constexpr auto kOpeningGrace = std::chrono::milliseconds(500);

void Fill(void* mixer, Uint8* stream, int bytes) {
  static_cast<SoundMixer*>(mixer)->Mix(reinterpret_cast<std::int16_t*>(stream),
                                       std::size_t(bytes) / (sizeof(std::int16_t) * SoundMixer::kChannels));
}

// The stream at SDL's end, or 0 with `why` filled in.
SDL_AudioDeviceID OpenStream(SoundMixer& mixer, std::string& why) {
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Mirel");
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Sound effects");
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "game");
  // The sound servers of a desktop (PipeWire serves the first too). Other
  // drivers print screens of errors on a machine without sound; a player who
  // wants one names it in SDL_AUDIODRIVER.
  const std::vector<const char*> drivers = std::getenv("SDL_AUDIODRIVER")
                                               ? std::vector<const char*>{nullptr}
                                               : std::vector<const char*>{"pulseaudio", "pipewire"};
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
    want.userdata = &mixer;
    // No changes allowed: SDL converts to whatever the server runs at.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device != 0) return device;
    why = SDL_GetError();
    SDL_AudioQuit();
  }
  return 0;
}

}  // namespace

struct SdlAudioBackend::Output {
  SoundMixer mixer;
  std::mutex mutex;
  std::condition_variable settled;
  bool opening = false;
  bool abandoned = false;  // the back end is gone: no sound may start now
  SDL_AudioDeviceID device = 0;
};

SdlAudioBackend::SdlAudioBackend() : output_(std::make_shared<Output>()) {}

SdlAudioBackend::~SdlAudioBackend() {
  std::unique_lock lock(output_->mutex);
  // A server that never brings the stream up would hold the end forever.
  output_->settled.wait_for(lock, kOpeningGrace, [this] { return !output_->opening; });
  output_->abandoned = true;
  if (output_->device != 0) {
    // Pausing waits for a mix in progress and stops further ones; the sound
    // ends with its last period. The stream itself is left to the end of the
    // process: closing it waits for the server to drain it, which some
    // servers make take two seconds.
    SDL_PauseAudioDevice(output_->device, 1);
  }
}

bool SdlAudioBackend::Open(const std::string& alias, const std::filesystem::path& file) {
  std::shared_ptr<const PcmSound> sound = DecodeWave(file);
  if (!sound) return false;
  output_->mixer.Add(alias, std::move(sound));
  return true;
}

void SdlAudioBackend::Play(const std::string& alias, bool loop) { output_->mixer.Play(alias, loop); }

void SdlAudioBackend::Stop(const std::string& alias) { output_->mixer.Stop(alias); }

void SdlAudioBackend::Close(const std::string& alias) { output_->mixer.Remove(alias); }

bool SdlAudioBackend::OutputOpen() const {
  const std::lock_guard lock(output_->mutex);
  return output_->device != 0;
}

void SdlAudioBackend::StartOutput() {
  {
    const std::lock_guard lock(output_->mutex);
    if (output_->opening || output_->device != 0) return;
    output_->opening = true;
  }
  // Detached: the thread keeps the output alive for as long as it needs it.
  std::thread([output = output_] {
    std::string why;
    const SDL_AudioDeviceID device = OpenStream(output->mixer, why);
    const std::lock_guard lock(output->mutex);
    output->opening = false;
    if (device != 0) {
      if (output->abandoned) {
        // Opened after the end: stays paused, so the mixer is never called
        // while the program tears down.
        output->device = 0;
      } else {
        SDL_PauseAudioDevice(device, 0);
        output->device = device;
      }
    } else {
      std::fprintf(stderr, "mirel: no sound output, the game stays silent (%s)\n", why.c_str());
    }
    output->settled.notify_all();
  }).detach();
}

}  // namespace mirel
