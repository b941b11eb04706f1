#pragma once
// The output through the sound server's own protocol (PulseAudio's, which
// PipeWire serves too). The stream keeps a generous queue at the server, so a
// busy machine never runs it dry; a play is heard at once all the same: the
// queue is mixed again with the play in it and written over what the server
// has not yet read, from the place it reads when the audio arrives, and the
// sink renders only a few milliseconds ahead of that. After two seconds of
// silence the stream is corked: the server mixes nothing for it and the game
// does no work for sound until the next play.
//
// The server's library is loaded as the output opens, on the thread that
// opens it, so the start of the program never waits for it.

#include <memory>
#include <string>

namespace mirel {

class SoundMixer;

class PulseOutput {
 public:
  // The stream, playing from the mixer; null, with the server's reason in
  // `why`, when there is no server to play to.
  static std::unique_ptr<PulseOutput> Open(SoundMixer& mixer, std::string& why);
  // Ends the stream at once.
  ~PulseOutput();
  PulseOutput(const PulseOutput&) = delete;
  PulseOutput& operator=(const PulseOutput&) = delete;

  // A play or a stop came: it is heard now rather than after the queue.
  void Changed();

  struct Connection;

 private:
  explicit PulseOutput(std::unique_ptr<Connection> connection);
  std::unique_ptr<Connection> connection_;
};

}  // namespace mirel
