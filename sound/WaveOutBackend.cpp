#include "WaveOutBackend.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SoundMixer.h"
#include "platform/Diagnostics.h"
#include "platform/WideText.h"

namespace mirel {
namespace {

// Four buffers of 10 ms in turn: a play is mixed into the next buffer to be
// refilled, so it is heard about 30 ms (plus the system's own buffering)
// after the press, and the output may wait up to 30 ms for its thread before
// it runs dry.
constexpr std::size_t kBuffers = 4;
constexpr DWORD kBufferFrames = SoundMixer::kRate / 100;

// How long the end of the program waits for an output still being opened.
constexpr auto kOpeningGrace = std::chrono::milliseconds(500);

std::string ErrorText(MMRESULT result) {
  std::array<wchar_t, MAXERRORLENGTH> wide{};
  if (waveOutGetErrorTextW(result, wide.data(), UINT(wide.size())) != MMSYSERR_NOERROR)
    return "waveOut error " + std::to_string(result);
  return Narrow(wide.data());
}

bool Returned(const WAVEHDR& header) {
  // The system sets the flag from its own thread.
  return (static_cast<const volatile DWORD&>(header.dwFlags) & WHDR_DONE) != 0;
}

}  // namespace

struct WaveOutBackend::Output {
  Output() : wake(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~Output() { CloseHandle(wake); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // The feeding thread: opens the output, then refills each buffer the system
  // hands back until the back end ends, and closes the output itself, so no
  // buffer is freed while the system still holds it.
  void Feed();

  SoundMixer mixer;
  // Set by the system as each buffer comes back, and by the end of the back end.
  const HANDLE wake;
  std::mutex mutex;
  std::condition_variable settled;
  bool running = false;    // the feeding thread has not finished
  bool abandoned = false;  // the back end is gone: no sound may start now
};

void WaveOutBackend::Output::Feed() {
  const auto finish = [this] {
    const std::lock_guard lock(mutex);
    running = false;
    settled.notify_all();
  };
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = SoundMixer::kChannels;
  format.nSamplesPerSec = SoundMixer::kRate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = WORD(format.nChannels * format.wBitsPerSample / 8);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  HWAVEOUT device = nullptr;
  const MMRESULT opened =
      waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(wake), 0, CALLBACK_EVENT);
  if (opened != MMSYSERR_NOERROR) {
    Diagnose("no sound output, the game stays silent (" + ErrorText(opened) + ")");
    finish();
    return;
  }
  // A late refill is heard as a gap; the thread does little else.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);

  std::array<std::vector<std::int16_t>, kBuffers> samples;
  std::array<WAVEHDR, kBuffers> headers{};
  std::array<bool, kBuffers> queued{};
  for (std::size_t i = 0; i < kBuffers; ++i) {
    samples[i].resize(std::size_t(kBufferFrames) * SoundMixer::kChannels);
    headers[i].lpData = reinterpret_cast<LPSTR>(samples[i].data());
    headers[i].dwBufferLength = kBufferFrames * format.nBlockAlign;
    queued[i] = waveOutPrepareHeader(device, &headers[i], sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
    headers[i].dwFlags |= WHDR_DONE;  // free to fill
  }
  for (;;) {
    {
      const std::lock_guard lock(mutex);
      if (abandoned) break;
    }
    for (std::size_t i = 0; i < kBuffers; ++i) {
      if (!queued[i] || !Returned(headers[i])) continue;
      mixer.Mix(samples[i].data(), kBufferFrames);
      waveOutWrite(device, &headers[i], sizeof(WAVEHDR));
    }
    WaitForSingleObject(wake, INFINITE);
  }
  // Returns every buffer at once; only then may they be unprepared and freed.
  waveOutReset(device);
  for (std::size_t i = 0; i < kBuffers; ++i)
    if (queued[i]) waveOutUnprepareHeader(device, &headers[i], sizeof(WAVEHDR));
  waveOutClose(device);
  finish();
}

WaveOutBackend::WaveOutBackend() : output_(std::make_shared<Output>()) {}

WaveOutBackend::~WaveOutBackend() {
  std::unique_lock lock(output_->mutex);
  output_->abandoned = true;
  SetEvent(output_->wake);
  // A driver that never brings the output up would hold the end forever.
  output_->settled.wait_for(lock, kOpeningGrace, [this] { return !output_->running; });
}

SoundMixer& WaveOutBackend::Mixer() { return output_->mixer; }

void WaveOutBackend::StartOutput() {
  {
    const std::lock_guard lock(output_->mutex);
    if (output_->running || output_->abandoned) return;
    output_->running = true;
  }
  // Detached: the thread keeps the output alive for as long as it needs it.
  std::thread([output = output_] { output->Feed(); }).detach();
}

}  // namespace mirel
