#include "WebAudioBackend.h"

#include <emscripten.h>

#include <cstdint>
#include <memory>

#include "SoundMixer.h"
#include "WaveDecoder.h"

namespace mirel {
namespace {

// The page's side (web/page.js): buffers by alias on its audio context.
EM_JS(void, WebAudioOpen, (const char* alias, const std::int16_t* samples, int frames, int rate), {
  Module.mirelPage.audio.open(UTF8ToString(alias), HEAP16.subarray(samples >> 1, (samples >> 1) + frames * 2),
                              frames, rate);
});
EM_JS(void, WebAudioPlay, (const char* alias, int loop),
      { Module.mirelPage.audio.play(UTF8ToString(alias), !!loop); });
EM_JS(void, WebAudioStop, (const char* alias), { Module.mirelPage.audio.stop(UTF8ToString(alias)); });
EM_JS(void, WebAudioClose, (const char* alias), { Module.mirelPage.audio.close(UTF8ToString(alias)); });

}  // namespace

bool WebAudioBackend::Open(const std::string& alias, const std::filesystem::path& file) {
  const std::shared_ptr<const PcmSound> sound = SoundToPlay(file);
  if (!sound) return false;
  WebAudioOpen(alias.c_str(), sound->samples.data(), int(sound->Frames()), SoundMixer::kRate);
  return true;
}

void WebAudioBackend::Play(const std::string& alias, bool loop) { WebAudioPlay(alias.c_str(), loop ? 1 : 0); }

void WebAudioBackend::Stop(const std::string& alias) { WebAudioStop(alias.c_str()); }

void WebAudioBackend::Close(const std::string& alias) { WebAudioClose(alias.c_str()); }

}  // namespace mirel
