#include "PulseOutput.h"

#include <dlfcn.h>
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/proplist.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <type_traits>
#include <vector>

#include "SoundMixer.h"

namespace mirel {
namespace {

constexpr std::size_t kFrameBytes = sizeof(std::int16_t) * SoundMixer::kChannels;
constexpr std::uint32_t Frames(int milliseconds) {
  return std::uint32_t(SoundMixer::kRate / 1000 * milliseconds);
}

// What the stream holds at the server: 100 ms, refilled as each 4 ms of it
// is played. A thread that a busy machine keeps waiting for tens of
// milliseconds still finds it far from empty. The sink itself is asked to
// render no more than those 4 ms ahead (early requests), so what is written at
// the server's read position is heard within them.
constexpr std::uint32_t kQueueFrames = Frames(100);
constexpr std::uint32_t kStepFrames = Frames(4);
// Written beyond what the queue is thought to hold when a play rewrites it,
// so none of the old queue is left behind the new audio should the guess of
// where the server reads be short.
constexpr std::uint32_t kMarginFrames = Frames(20);
// Silence this long corks the stream.
constexpr std::uint64_t kIdleFrames = std::uint64_t(SoundMixer::kRate) * 2;
// How long the server may take to take the stream.
constexpr auto kOpenTime = std::chrono::seconds(3);

// The library's calls the output makes.
struct Pulse {
  decltype(&pa_threaded_mainloop_new) mainloop_new;
  decltype(&pa_threaded_mainloop_free) mainloop_free;
  decltype(&pa_threaded_mainloop_start) mainloop_start;
  decltype(&pa_threaded_mainloop_stop) mainloop_stop;
  decltype(&pa_threaded_mainloop_lock) mainloop_lock;
  decltype(&pa_threaded_mainloop_unlock) mainloop_unlock;
  decltype(&pa_threaded_mainloop_get_api) mainloop_get_api;
  decltype(&pa_proplist_new) proplist_new;
  decltype(&pa_proplist_sets) proplist_sets;
  decltype(&pa_proplist_free) proplist_free;
  decltype(&pa_context_new_with_proplist) context_new_with_proplist;
  decltype(&pa_context_set_state_callback) context_set_state_callback;
  decltype(&pa_context_connect) context_connect;
  decltype(&pa_context_get_state) context_get_state;
  decltype(&pa_context_errno) context_errno;
  decltype(&pa_context_disconnect) context_disconnect;
  decltype(&pa_context_unref) context_unref;
  decltype(&pa_strerror) strerror;
  decltype(&pa_stream_new_with_proplist) stream_new_with_proplist;
  decltype(&pa_stream_set_state_callback) stream_set_state_callback;
  decltype(&pa_stream_set_write_callback) stream_set_write_callback;
  decltype(&pa_stream_connect_playback) stream_connect_playback;
  decltype(&pa_stream_get_state) stream_get_state;
  decltype(&pa_stream_write) stream_write;
  decltype(&pa_stream_cork) stream_cork;
  decltype(&pa_stream_get_time) stream_get_time;
  decltype(&pa_stream_update_timing_info) stream_update_timing_info;
  decltype(&pa_stream_disconnect) stream_disconnect;
  decltype(&pa_stream_unref) stream_unref;
  decltype(&pa_operation_unref) operation_unref;
};

// Loaded once and kept for the rest of the process; null when it is not there.
const Pulse* LoadPulse() {
  static const Pulse* const loaded = []() -> const Pulse* {
    void* library = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) return nullptr;
    static Pulse pulse;
    bool all = true;
    const auto find = [library, &all](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
      all = all && function != nullptr;
    };
    find(pulse.mainloop_new, "pa_threaded_mainloop_new");
    find(pulse.mainloop_free, "pa_threaded_mainloop_free");
    find(pulse.mainloop_start, "pa_threaded_mainloop_start");
    find(pulse.mainloop_stop, "pa_threaded_mainloop_stop");
    find(pulse.mainloop_lock, "pa_threaded_mainloop_lock");
    find(pulse.mainloop_unlock, "pa_threaded_mainloop_unlock");
    find(pulse.mainloop_get_api, "pa_threaded_mainloop_get_api");
    find(pulse.proplist_new, "pa_proplist_new");
    find(pulse.proplist_sets, "pa_proplist_sets");
    find(pulse.proplist_free, "pa_proplist_free");
    find(pulse.context_new_with_proplist, "pa_context_new_with_proplist");
    find(pulse.context_set_state_callback, "pa_context_set_state_callback");
    find(pulse.context_connect, "pa_context_connect");
    find(pulse.context_get_state, "pa_context_get_state");
    find(pulse.context_errno, "pa_context_errno");
    find(pulse.context_disconnect, "pa_context_disconnect");
    find(pulse.context_unref, "pa_context_unref");
    find(pulse.strerror, "pa_strerror");
    find(pulse.stream_new_with_proplist, "pa_stream_new_with_proplist");
    find(pulse.stream_set_state_callback, "pa_stream_set_state_callback");
    find(pulse.stream_set_write_callback, "pa_stream_set_write_callback");
    find(pulse.stream_connect_playback, "pa_stream_connect_playback");
    find(pulse.stream_get_state, "pa_stream_get_state");
    find(pulse.stream_write, "pa_stream_write");
    find(pulse.stream_cork, "pa_stream_cork");
    find(pulse.stream_get_time, "pa_stream_get_time");
    find(pulse.stream_update_timing_info, "pa_stream_update_timing_info");
    find(pulse.stream_disconnect, "pa_stream_disconnect");
    find(pulse.stream_unref, "pa_stream_unref");
    find(pulse.operation_unref, "pa_operation_unref");
    return all ? &pulse : nullptr;
  }();
  return loaded;
}

}  // namespace

struct PulseOutput::Connection {
  Connection(const Pulse& library, SoundMixer& fedBy) : pa(library), mixer(fedBy) {}
  ~Connection();

  // Runs on the library's own thread, the mainloop lock held.
  void Fill(std::size_t bytes);
  // Writes the mixer's next frames, or its frames again from `from` on.
  void Write(std::size_t frames, pa_seek_mode_t seek);
  void Cork(bool corked);
  // The context or the stream moved on; the opening thread may look.
  void Moved();

  const Pulse& pa;
  SoundMixer& mixer;
  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;
  pa_stream* stream = nullptr;
  bool corked = true;
  std::uint64_t quietSince = 0;  // where the mixer last had nothing to play
  std::vector<std::int16_t> samples;
  // As the callbacks last saw them, for the opening thread, which must not
  // take the loop's lock while it waits (the callbacks run with it held).
  std::atomic<pa_context_state_t> contextState{PA_CONTEXT_UNCONNECTED};
  std::atomic<pa_stream_state_t> streamState{PA_STREAM_UNCONNECTED};
  std::mutex moving;
  std::condition_variable moved;
};

PulseOutput::Connection::~Connection() {
  if (!loop) return;
  pa.mainloop_stop(loop);
  if (stream) {
    pa.stream_disconnect(stream);
    pa.stream_unref(stream);
  }
  if (context) {
    pa.context_disconnect(context);
    pa.context_unref(context);
  }
  pa.mainloop_free(loop);
}

void PulseOutput::Connection::Moved() {
  { const std::lock_guard hold(moving); }
  moved.notify_all();
}

void PulseOutput::Connection::Write(std::size_t frames, pa_seek_mode_t seek) {
  samples.resize(frames * SoundMixer::kChannels);
  mixer.Mix(samples.data(), frames);
  pa.stream_write(stream, samples.data(), frames * kFrameBytes, nullptr, 0, seek);
}

void PulseOutput::Connection::Cork(bool cork) {
  if (corked == cork) return;
  corked = cork;
  if (pa_operation* done = pa.stream_cork(stream, cork ? 1 : 0, nullptr, nullptr)) pa.operation_unref(done);
  // The time the library gives runs on from what the server last said, over
  // the pause too; asked now, the server's word comes within a round trip.
  if (pa_operation* done = pa.stream_update_timing_info(stream, nullptr, nullptr)) pa.operation_unref(done);
}

void PulseOutput::Connection::Fill(std::size_t bytes) {
  const std::uint64_t at = mixer.Position();
  if (mixer.AnyPlaying())
    quietSince = at;
  else if (at - quietSince >= kIdleFrames)
    Cork(true);  // the queue it holds is silence
  Write(bytes / kFrameBytes, PA_SEEK_RELATIVE);
}

PulseOutput::PulseOutput(std::unique_ptr<Connection> connection) : connection_(std::move(connection)) {}

PulseOutput::~PulseOutput() = default;

std::unique_ptr<PulseOutput> PulseOutput::Open(SoundMixer& mixer, std::string& why) {
  const Pulse* pa = LoadPulse();
  if (!pa) {
    why = "the sound server's library (libpulse.so.0) could not be loaded";
    return nullptr;
  }
  auto c = std::make_unique<Connection>(*pa, mixer);
  c->loop = pa->mainloop_new();
  if (!c->loop) return nullptr;
  pa_proplist* names = pa->proplist_new();
  pa->proplist_sets(names, PA_PROP_APPLICATION_NAME, "Mirel");
  pa->proplist_sets(names, PA_PROP_MEDIA_ROLE, "game");
  c->context = pa->context_new_with_proplist(pa->mainloop_get_api(c->loop), "Mirel", names);
  if (!c->context) {
    pa->proplist_free(names);
    return nullptr;
  }
  void* connection = c.get();
  pa->context_set_state_callback(
      c->context,
      [](pa_context* context, void* data) {
        auto* self = static_cast<Connection*>(data);
        self->contextState = self->pa.context_get_state(context);
        self->Moved();
      },
      connection);

  // Everything below until the wait runs with the loop's lock; the loop's
  // thread runs the callbacks.
  pa->mainloop_lock(c->loop);
  bool started = pa->context_connect(c->context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 &&
                 pa->mainloop_start(c->loop) >= 0;
  pa->mainloop_unlock(c->loop);
  const auto state = [&] { return std::pair(c->contextState.load(), c->streamState.load()); };
  const auto settled = [&](auto done) {
    std::unique_lock hold(c->moving);
    return c->moved.wait_for(hold, kOpenTime, [&] { return done(state()); });
  };
  // Connected, failed, or given up on: a server that never answers is no server.
  started =
      started && settled([](auto s) { return !PA_CONTEXT_IS_GOOD(s.first) || s.first == PA_CONTEXT_READY; });
  if (started && state().first == PA_CONTEXT_READY) {
    pa->mainloop_lock(c->loop);
    pa->proplist_sets(names, PA_PROP_MEDIA_NAME, "Sound effects");
    const pa_sample_spec format{PA_SAMPLE_S16LE, SoundMixer::kRate, SoundMixer::kChannels};
    c->stream = pa->stream_new_with_proplist(c->context, "Sound effects", &format, nullptr, names);
    if (c->stream) {
      pa->stream_set_state_callback(
          c->stream,
          [](pa_stream* stream, void* data) {
            auto* self = static_cast<Connection*>(data);
            self->streamState = self->pa.stream_get_state(stream);
            self->Moved();
          },
          connection);
      pa->stream_set_write_callback(
          c->stream,
          [](pa_stream*, std::size_t bytes, void* data) { static_cast<Connection*>(data)->Fill(bytes); },
          connection);
      // No prebuffering: after a stall the stream plays on from where the
      // timeline is, never waiting to fill up again.
      const pa_buffer_attr queue{std::uint32_t(-1), std::uint32_t(kQueueFrames * kFrameBytes), 0,
                                 std::uint32_t(kStepFrames * kFrameBytes), std::uint32_t(-1)};
      const auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_INTERPOLATE_TIMING |
                                           PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_EARLY_REQUESTS);
      if (pa->stream_connect_playback(c->stream, nullptr, &queue, flags, nullptr, nullptr) < 0)
        started = false;
    }
    pa->mainloop_unlock(c->loop);
    started = started && c->stream &&
              settled([](auto s) { return !PA_STREAM_IS_GOOD(s.second) || s.second == PA_STREAM_READY; }) &&
              state().second == PA_STREAM_READY;
  } else {
    started = false;
  }
  pa->proplist_free(names);
  if (!started) {
    pa->mainloop_lock(c->loop);
    const int error = pa->context_errno(c->context);
    pa->mainloop_unlock(c->loop);
    why = error ? pa->strerror(error) : "the sound server did not answer";
    return nullptr;
  }
  return std::unique_ptr<PulseOutput>(new PulseOutput(std::move(c)));
}

void PulseOutput::Changed() {
  Connection& c = *connection_;
  c.pa.mainloop_lock(c.loop);
  // A corked stream is silent; it plays again only for a sound.
  if (!c.corked || c.mixer.AnyPlaying()) {
    // The queue is written again, with the change in it, from wherever the
    // server reads when the audio arrives; it is heard as soon as the sink
    // has played the little it rendered ahead, and a busy game can neither
    // come too late for its start nor leave a hole. Where the mixer starts
    // matters only to sounds already playing: the guess is what the stream
    // says is heard now, plus what the sink holds.
    const std::uint64_t queued = c.mixer.Position();
    std::uint64_t from = queued - std::min<std::uint64_t>(queued, kQueueFrames);
    pa_usec_t heard = 0;
    if (!c.corked && c.pa.stream_get_time(c.stream, &heard) == 0)
      from = std::clamp<std::uint64_t>(heard * SoundMixer::kRate / 1'000'000 + kStepFrames, from, queued);
    c.mixer.MoveTo(from);
    c.Write(queued - from + kMarginFrames, PA_SEEK_RELATIVE_ON_READ);
    c.Cork(false);
    c.quietSince = c.mixer.Position();
  }
  c.pa.mainloop_unlock(c.loop);
}

}  // namespace mirel
