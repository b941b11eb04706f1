#pragma once
// The audio back end of the program: plays WAV files through Qt Multimedia's
// sound effects.
//
// Opening only checks the file, so that registering the sounds at start-up
// costs nothing: the sound effects, and with them the connection to the audio
// server, are made on the first play. They live on a thread of their own, so
// that no call waits for the audio system, a blocked main thread (a pause, a
// modal box) does not starve a sound that is playing, and the first play does
// not hold up the window. Without an audio server every call still returns at
// once and nothing is heard.
//
// Needs a QCoreApplication (or QGuiApplication) to play; before one exists,
// plays are silent. Called from one thread, the one that made it.

#include <QString>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "AudioBackend.h"

class QThread;

namespace mirel {

class QtAudioBackend : public AudioBackend {
 public:
  QtAudioBackend();
  ~QtAudioBackend() override;
  QtAudioBackend(const QtAudioBackend&) = delete;
  QtAudioBackend& operator=(const QtAudioBackend&) = delete;

  bool Open(const std::string& alias, const std::filesystem::path& file) override;
  void Play(const std::string& alias, bool loop) override;
  void Stop(const std::string& alias) override;
  void Close(const std::string& alias) override;

  // Whether the file is a WAV file that Qt's sound effects can play: RIFF
  // WAVE, uncompressed PCM of 8, 16, 24 or 32 bits, with a data chunk.
  static bool IsPlayableWave(const std::filesystem::path& file);

 private:
  class Voices;
  bool StartThread();

  std::map<std::string, QString> files_;  // open devices: alias -> file
  std::unique_ptr<QThread> thread_;
  Voices* voices_ = nullptr;  // lives on thread_, deleted there
};

}  // namespace mirel
