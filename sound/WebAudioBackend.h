#pragma once
// The audio back end of the web page: each sound is decoded here once, when
// its device opens, the same way as on the desktop, and handed to the page's
// Web Audio as a buffer; a play starts a fresh source from its beginning
// (stopping the one before), a loop loops it. The page resumes its audio on
// the player's first press, as browsers require; plays before that are not
// heard.

#include <filesystem>
#include <string>

#include "AudioBackend.h"

namespace mirel {

class WebAudioBackend : public AudioBackend {
 public:
  bool Open(const std::string& alias, const std::filesystem::path& file) override;
  void Play(const std::string& alias, bool loop) override;
  void Stop(const std::string& alias) override;
  void Close(const std::string& alias) override;
};

}  // namespace mirel
