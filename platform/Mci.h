#pragma once
// Interpreter of multimedia command strings: open "FILE" alias N [type mpegvideo],
// play "N" from 0 notify, play "N" repeat, stop "N" [notify], close "N".
// Devices are kept by alias; refused commands return a non-zero error code and
// change nothing. Every command returns at once; playback is asynchronous.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "AudioBackend.h"

namespace mirel {

// Error codes, as the multimedia interface numbers them.
enum MciError : std::uint32_t {
  MCI_OK = 0,
  MCIERR_UNRECOGNIZED_COMMAND = 261,
  MCIERR_INVALID_DEVICE_NAME = 263,
  MCIERR_DEVICE_OPEN = 265,
  MCIERR_MISSING_STRING_ARGUMENT = 271,
  MCIERR_FILE_NOT_FOUND = 275,
  MCIERR_UNRECOGNIZED_KEYWORD = 259,
  MCIERR_EXTRA_CHARACTERS = 305,
  MCIERR_CANNOT_LOAD_DRIVER = 266,
};

class MciInterpreter {
 public:
  explicit MciInterpreter(AudioBackend& backend) : backend_(backend) {}

  // Runs one command; 0 on success, else an MciError.
  std::uint32_t SendString(const std::string& command);

  // Every command received, in order, with the code it returned.
  struct Entry {
    std::string command;
    std::uint32_t result;
  };
  const std::vector<Entry>& Log() const { return log_; }
  void ClearLog() { log_.clear(); }
  bool IsOpen(const std::string& alias) const { return devices_.count(alias) != 0; }

 private:
  struct Device {
    std::string file;
    bool looping;  // opened with type mpegvideo
  };
  std::uint32_t Run(const std::string& command);

  AudioBackend& backend_;
  std::map<std::string, Device> devices_;
  std::vector<Entry> log_;
};

}  // namespace mirel
