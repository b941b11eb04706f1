#pragma once
// Interpreter of multimedia command strings: open "FILE" alias N [type mpegvideo],
// play "N" from 0 notify, play "N" repeat, stop "N" [notify], close "N".
// Devices are kept by alias; refused commands return a non-zero error code and
// change nothing. Every command returns at once; playback is asynchronous.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "AudioBackend.h"

namespace mirel {

// Error codes, as the multimedia interface numbers them.
enum MciError : std::uint32_t {
  MCI_OK = 0,
  MCIERR_UNRECOGNIZED_KEYWORD = 259,
  MCIERR_UNRECOGNIZED_COMMAND = 261,
  MCIERR_INVALID_DEVICE_NAME = 263,
  MCIERR_DEVICE_OPEN = 265,
  MCIERR_CANNOT_LOAD_DRIVER = 266,
  MCIERR_MISSING_COMMAND_STRING = 267,
  MCIERR_MISSING_STRING_ARGUMENT = 269,
  MCIERR_BAD_INTEGER = 270,
  MCIERR_MISSING_PARAMETER = 273,
  MCIERR_UNSUPPORTED_FUNCTION = 274,
  MCIERR_FILE_NOT_FOUND = 275,
  MCIERR_DUPLICATE_ALIAS = 289,
  MCIERR_MISSING_DEVICE_NAME = 292,
  MCIERR_NO_CLOSING_QUOTE = 294,
  MCIERR_DUPLICATE_FLAGS = 295,
  MCIERR_INVALID_FILE = 296,
  MCIERR_EXTRA_CHARACTERS = 305,
};

// A word of a command in double quotes, each double quote in it doubled, so
// that a file name holding one still makes one word.
std::string MciQuoted(std::string_view text);

// Whether the interpreter keeps every command it ran. Tests read the log; the
// game does not, and a long game would make it grow with every move.
enum class CommandLog { Off, Kept };

class MciInterpreter {
 public:
  explicit MciInterpreter(AudioBackend& backend, CommandLog log = CommandLog::Off)
      : backend_(backend), keepLog_(log == CommandLog::Kept) {}

  // Runs one command; 0 on success, else an MciError.
  //
  // Words are separated by blanks; a word in double quotes may hold blanks and
  // any UTF-8, and two double quotes in it stand for one. Command words and
  // keywords are matched without regard to case, and so are aliases. Accepted:
  //   open FILE alias NAME [type mpegvideo|waveaudio] [notify]
  //   play NAME [from 0] [repeat] [notify]   (repeat only on a mpegvideo device)
  //   stop NAME [notify]
  //   close NAME [notify]
  // Everything else is refused, and so are a second open under an alias in
  // use, a name that is not open, and a file that is missing, unreadable or
  // not a sound the back end can play.
  std::uint32_t SendString(const std::string& command);

  // Every command received, in order, with the code it returned; empty
  // unless the log is kept.
  struct Entry {
    std::string command;
    std::uint32_t result;
  };
  const std::vector<Entry>& Log() const { return log_; }
  void ClearLog() { log_.clear(); }
  bool IsOpen(const std::string& alias) const;

 private:
  struct Device {
    std::string file;
    bool looping = false;      // opened with type mpegvideo: may play with repeat
    bool loopRunning = false;  // a repeat play that nothing has stopped yet
  };
  std::uint32_t Run(const std::string& command);

  AudioBackend& backend_;
  std::map<std::string, Device> devices_;  // by alias in lower case
  bool keepLog_;
  std::vector<Entry> log_;
};

}  // namespace mirel
