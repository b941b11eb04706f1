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

// Silence this long, and the output is closed until the next play: the
// system holds no stream for the game while it is quiet.
constexpr std::uint64_t kRestFrames = SoundMixer::kRate * 2;

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

  // The feeding thread: opens the output, refills each buffer the system
  // hands back, and closes the output after a rest or at the end of the back
  // end, so no buffer is freed while the system still holds it. After a rest
  // it waits for the next play and opens the output again.
  void Feed();
  // Plays from the open output until the rest or the end; false at the end.
  bool Play(HWAVEOUT device, DWORD blockAlign);

  SoundMixer mixer;
  // Set by the system as each buffer comes back, and by the end of the back end.
  const HANDLE wake;
  std::mutex mutex;
  std::condition_variable settled;
  bool running = false;    // the feeding thread has not finished
  bool abandoned = false;  // the back end is gone: no sound may start now
};

bool WaveOutBackend::Output::Play(HWAVEOUT device, DWORD blockAlign) {
  std::array<std::vector<std::int16_t>, kBuffers> samples;
  std::array<WAVEHDR, kBuffers> headers{};
  std::array<bool, kBuffers> queued{};
  for (std::size_t i = 0; i < kBuffers; ++i) {
    samples[i].resize(std::size_t(kBufferFrames) * SoundMixer::kChannels);
    headers[i].lpData = reinterpret_cast<LPSTR>(samples[i].data());
    headers[i].dwBufferLength = kBufferFrames * blockAlign;
    queued[i] = waveOutPrepareHeader(device, &headers[i], sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
    headers[i].dwFlags |= WHDR_DONE;  // free to fill
  }
  std::uint64_t quiet = 0;  // frames of silence mixed in a row
  bool going = true;
  for (;;) {
    {
      const std::lock_guard lock(mutex);
      if (abandoned) {
        going = false;
        break;
      }
    }
    std::size_t back = 0;
    for (std::size_t i = 0; i < kBuffers; ++i) {
      if (!queued[i] || !Returned(headers[i])) continue;
      if (mixer.AnyPlaying()) {
        quiet = 0;
      } else if (quiet >= kRestFrames) {
        ++back;  // at rest: left unfilled
        continue;
      }
      mixer.Mix(samples[i].data(), kBufferFrames);
      quiet += kBufferFrames;
      waveOutWrite(device, &headers[i], sizeof(WAVEHDR));
    }
    if (back == kBuffers) break;  // all of the silence heard
    WaitForSingleObject(wake, INFINITE);
  }
  // Returns every buffer at once; only then may they be unprepared and freed.
  waveOutReset(device);
  for (std::size_t i = 0; i < kBuffers; ++i)
    if (queued[i]) waveOutUnprepareHeader(device, &headers[i], sizeof(WAVEHDR));
  return going;
}

void WaveOutBackend::Output::Feed() {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = SoundMixer::kChannels;
  format.nSamplesPerSec = SoundMixer::kRate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = WORD(format.nChannels * format.wBitsPerSample / 8);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  // A late refill is heard as a gap; the thread does little else.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  for (bool going = true; going;) {
    HWAVEOUT device = nullptr;
    const MMRESULT opened =
        waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(wake), 0, CALLBACK_EVENT);
    if (opened != MMSYSERR_NOERROR) {
      Diagnose("no sound output, the game stays silent (" + ErrorText(opened) + ")");
      break;
    }
    going = Play(device, format.nBlockAlign);
    waveOutClose(device);
    // At rest until a play, or the end, wakes it.
    while (going && !mixer.AnyPlaying()) {
      WaitForSingleObject(wake, INFINITE);
      const std::lock_guard lock(mutex);
      going = !abandoned;
    }
  }
  const std::lock_guard lock(mutex);
  running = false;
  settled.notify_all();
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

void WaveOutBackend::Changed() { SetEvent(output_->wake); }

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
