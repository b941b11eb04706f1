#include "LinuxAudioBackend.h"

#include <SDL.h>
#include <dlfcn.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "PulseOutput.h"
#include "SoundMixer.h"
#include "platform/Diagnostics.h"

namespace mirel {
namespace {

// About 32 ms a period, which is also all the stream keeps queued at the
// server. At 11 ms the stream ran dry now and then while two builds shared the
// machine (the server logged underruns, heard as dips in a sound), and 21 ms
// fared no better under memory pressure; 32 ms held. A press is heard about
// 40 ms later, within what players take as the sound of what they see.
constexpr Uint16 kPeriodFrames = 1536;

// How long the end of the program waits for a stream still being opened.
constexpr auto kOpeningGrace = std::chrono::milliseconds(500);

void Fill(void* mixer, Uint8* stream, int bytes) {
  static_cast<SoundMixer*>(mixer)->Mix(reinterpret_cast<std::int16_t*>(stream),
                                       std::size_t(bytes) / (sizeof(std::int16_t) * SoundMixer::kChannels));
}

// The few SDL calls the output needs. The library is loaded only when the
// stream opens, on its own thread, so the start of the program neither loads
// it nor the sound and display libraries it brings.
struct Sdl {
  decltype(&SDL_SetHint) SetHint;
  decltype(&SDL_GetError) GetError;
  decltype(&SDL_AudioInit) AudioInit;
  decltype(&SDL_AudioQuit) AudioQuit;
  decltype(&SDL_OpenAudioDevice) OpenAudioDevice;
  decltype(&SDL_PauseAudioDevice) PauseAudioDevice;
};

// Loaded once and kept for the rest of the process; nothing when it is not there.
const Sdl* LoadSdl(std::string& why) {
  static const Sdl* const loaded = []() -> const Sdl* {
    void* library = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) return nullptr;
    static Sdl sdl;
    const auto find = [library](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
      return function != nullptr;
    };
    const bool all = find(sdl.SetHint, "SDL_SetHint") && find(sdl.GetError, "SDL_GetError") &&
                     find(sdl.AudioInit, "SDL_AudioInit") && find(sdl.AudioQuit, "SDL_AudioQuit") &&
                     find(sdl.OpenAudioDevice, "SDL_OpenAudioDevice") &&
                     find(sdl.PauseAudioDevice, "SDL_PauseAudioDevice");
    return all ? &sdl : nullptr;
  }();
  if (!loaded) why = "the SDL 2 library (libSDL2-2.0.so.0) could not be loaded";
  return loaded;
}

// ALSA's library reports each card or device it cannot find on standard
// error, screens of it on a machine without sound. Quiet while SDL tries ALSA,
// so such a machine still gets the one line saying the game stays silent; the
// default reporting comes back afterwards.
class QuietAlsa {
 public:
  QuietAlsa() {
    if (SetHandler set = Setter()) set(Ignore);
  }
  ~QuietAlsa() {
    if (SetHandler set = Setter()) set(nullptr);
  }
  QuietAlsa(const QuietAlsa&) = delete;
  QuietAlsa& operator=(const QuietAlsa&) = delete;

 private:
  // snd_lib_error_handler_t and snd_lib_error_set_handler, from <alsa/error.h>.
  using Handler = void (*)(const char* file, int line, const char* function, int error, const char* format,
                           ...);
  using SetHandler = int (*)(Handler);

  static void Ignore(const char*, int, const char*, int, const char*, ...) {}

  // The library SDL's driver loads too (one copy a process), kept loaded.
  static SetHandler Setter() {
    static const SetHandler set = []() -> SetHandler {
      void* library = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
      return library ? reinterpret_cast<SetHandler>(dlsym(library, "snd_lib_error_set_handler")) : nullptr;
    }();
    return set;
  }
};

// The stream at SDL's end, or 0 with `why` filled in: each driver's own
// reason, so a player learns why the server failed as well as ALSA.
SDL_AudioDeviceID OpenStream(const Sdl& sdl, SoundMixer& mixer, std::string& why) {
  const auto failed = [&sdl, &why] {
    const std::string reason = sdl.GetError();
    if (why.find(reason) != std::string::npos) return;
    why += (why.empty() ? "" : "; ") + reason;
  };
  sdl.SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Mirel");
  sdl.SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Sound effects");
  sdl.SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "game");
  // PipeWire's own protocol, then ALSA for a desktop with no server. Other
  // drivers print screens of errors on a machine without sound; a player who
  // wants one names it in SDL_AUDIODRIVER, which then is all that is tried.
  const std::vector<const char*> drivers = std::getenv("SDL_AUDIODRIVER")
                                               ? std::vector<const char*>{nullptr}
                                               : std::vector<const char*>{"pipewire", "alsa"};
  for (const char* driver : drivers) {
    std::optional<QuietAlsa> quiet;
    if (driver && std::strcmp(driver, "alsa") == 0) quiet.emplace();
    if (sdl.AudioInit(driver) != 0) {
      failed();
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
    const SDL_AudioDeviceID device = sdl.OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device != 0) return device;
    failed();
    sdl.AudioQuit();
  }
  return 0;
}

}  // namespace

struct LinuxAudioBackend::Output {
  SoundMixer mixer;
  std::mutex mutex;
  std::condition_variable settled;
  bool opening = false;
  bool abandoned = false;              // the back end is gone: no sound may start now
  std::unique_ptr<PulseOutput> pulse;  // the server's own stream, when there is one
  const Sdl* sdl = nullptr;            // else SDL's, set with device
  SDL_AudioDeviceID device = 0;
};

LinuxAudioBackend::LinuxAudioBackend() : output_(std::make_shared<Output>()) {}

LinuxAudioBackend::~LinuxAudioBackend() {
  std::unique_lock lock(output_->mutex);
  // A server that never brings the stream up would hold the end forever.
  output_->settled.wait_for(lock, kOpeningGrace, [this] { return !output_->opening; });
  output_->abandoned = true;
  output_->pulse.reset();
  if (output_->device != 0) {
    // Pausing waits for a mix in progress and stops further ones; the sound
    // ends with its last period. The stream itself is left to the end of the
    // process: closing it waits for the server to drain it, which some
    // servers make take two seconds.
    output_->sdl->PauseAudioDevice(output_->device, 1);
  }
}

SoundMixer& LinuxAudioBackend::Mixer() { return output_->mixer; }

void LinuxAudioBackend::Changed() {
  const std::lock_guard lock(output_->mutex);
  if (output_->pulse) output_->pulse->Changed();
}

void LinuxAudioBackend::StartOutput() {
  {
    const std::lock_guard lock(output_->mutex);
    if (output_->opening || output_->pulse || output_->device != 0) return;
    output_->opening = true;
  }
  // Detached: the thread keeps the output alive for as long as it needs it.
  std::thread([output = output_] {
    std::string why;
    // The server's own protocol first (PulseAudio's, which PipeWire serves
    // too), unless the player named an SDL driver.
    std::unique_ptr<PulseOutput> pulse =
        std::getenv("SDL_AUDIODRIVER") ? nullptr : PulseOutput::Open(output->mixer, why);
    const Sdl* sdl = pulse ? nullptr : LoadSdl(why);
    const SDL_AudioDeviceID device = sdl ? OpenStream(*sdl, output->mixer, why) : 0;
    const std::lock_guard lock(output->mutex);
    output->opening = false;
    if (pulse) {
      // Plays that came while it opened are heard now.
      if (!output->abandoned) {
        output->pulse = std::move(pulse);
        output->pulse->Changed();
      }
    } else if (device != 0) {
      // Opened after the end, it stays paused, so the mixer is never called
      // while the program tears down.
      if (!output->abandoned) {
        sdl->PauseAudioDevice(device, 0);
        output->sdl = sdl;
        output->device = device;
      }
    } else {
      Diagnose("no sound output, the game stays silent (" + why + ")");
    }
    output->settled.notify_all();
  }).detach();
}

}  // namespace mirel
